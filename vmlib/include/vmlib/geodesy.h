// Geodesy: reference ellipsoids, geodetic datums, datum transformations, map
// projections, the local scene frame and great-circle geometry.
//
// Units: angles are radians (longitude positive east), lengths metres.
// Geographic positions are (latitude, longitude) or (latitude, longitude,
// height above the ellipsoid). Global points are geocentric (x, y, z) in the
// library's global frame: X towards latitude 0 / longitude 0, Z towards the
// north pole, Y towards longitude 90° WEST (the usual earth-centred frame with
// its Y axis mirrored), so longitude 90° east has a negative y.
//
// Ownership: every GeodeticEllipsoid and GeodeticDatum belongs to the library's
// geodetics registry; clients never free them. They stay valid until
// VmLibFinalize. Records created from parameters are interned, so equal
// definitions give the same pointer.
#pragma once

#include <cstdint>

#include "vmlib/frame.h"

// ---------------------------------------------------------------------------
// Records

enum GeodeticRecordKind : int32_t {
  kGeodeticBuiltIn = 0,
  kGeodeticDefined = 1,  // ellipsoid from (a, invF)
};

enum GeodeticDatumKind : int32_t {
  kGeodeticDatumBuiltIn = 0,
  kGeodeticDatumByShift = 1,
  kGeodeticDatumByDef = 2,
};

// A reference ellipsoid. Every derived field is computed once from (a, invF).
struct GeodeticEllipsoid {
  int32_t code;            // packed code: up to four ASCII characters, first in the
                           // most significant byte ("AA" = 0x41410000); 0 when defined
  const char* name;        // "Airy"; empty when defined
  const char* area;        // region of use; may be empty
  const char* reference;   // source of the constants
  int32_t kind;            // GeodeticRecordKind
  int32_t reserved;        // always 0
  double a;                // semi-major axis, metres
  double b;                // semi-minor axis, metres
  double e;                // first eccentricity
  double e2prime;          // second eccentricity squared
  double e2;               // first eccentricity squared
  double f;                // flattening
  double invF;             // inverse flattening
  double conformal[4];     // latitude -> conformal latitude (sin 2φ, 4φ, 6φ, 8φ terms)
  double invConformal[4];  // conformal latitude -> latitude
  double footpoint[4];     // rectifying latitude -> footpoint latitude
  double meridian[4];      // m0, m2, m4, m6 of the meridian distance
  double invAm0;           // 1 / (a·m0)
};

// A geodetic datum: its ellipsoid and a seven-parameter similarity
// transformation to WGS 84, stored in the global frame.
struct GeodeticDatum {
  const char* code;       // "ADI-A"; empty for a created datum
  const char* area;       // region of use
  const char* name;       // "Adindan"
  const char* reference;  // source of the parameters
  const GeodeticEllipsoid* ellipsoid;
  int32_t kind;       // GeodeticDatumKind
  bool isWgs84;       // WGS 84 ellipsoid, no shift, no rotation, scale 1
  double dx, dy, dz;  // translation, metres, global frame
  double rx, ry, rz;  // rotations, radians, global frame
  double scale;       // factor, 1 = none
  // Row-vector affine matrices: (x, y, z, 1) × M. Rows 0-2 the linear part,
  // row 3 the translation, column 3 (0, 0, 0, 1).
  double fromWgs84[4][4];  // WGS 84 global -> this datum's global
  double toWgs84[4][4];    // this datum's global -> WGS 84 global
  double shiftOrigin[2];   // latitude, longitude given to GeodeticDatumCreateByShift
  double shift[2];         // latitude and longitude shift given to it
};

enum GeodeticRefKindCode : int32_t {
  kGeodeticRefGeographic = 0,
  kGeodeticRefGlobal = 1,
  kGeodeticRefScene = 2,
  kGeodeticRefProjection = 3,
};

enum GeodeticProjectionCode : int32_t {
  kProjectionUnknown = 0,
  kProjectionMercator = 1,
  kProjectionTransverseMercator = 2,
  kProjectionEquidistantCylindrical = 3,
  kProjectionLambertConformalConic = 4,
  kProjectionOrthographic = 5,
  kProjectionStereographic = 6,
  kProjectionRD = 7,
};

// A coordinate system: geographic, global, a local scene or a map projection,
// always on a datum. 392 bytes; every initialiser clears it first.
struct GeodeticRef {
  int32_t kind;        // GeodeticRefKindCode
  int32_t projection;  // GeodeticProjectionCode, for kind 3
  const GeodeticDatum* datum;
  double k0;                             // scale factor (transverse Mercator, stereographic)
  double lat0;                           // latitude of origin (transverse Mercator, Lambert)
  double lon0;                           // central meridian; the scene origin's longitude
  double lat1;                           // standard parallel / first parallel / origin latitude
  double lat2;                           // second standard parallel (Lambert)
  double height;                         // the scene origin's height, metres
  double sceneToGlobal[4][4];            // rows: north, east, up axes, origin (row vectors)
  double globalToScene[4][4];            // the inverse of sceneToGlobal
  double cosLat1;                        // equidistant cylindrical
  double m0Distance;                     // meridian distance of lat0 (transverse Mercator)
  double n, F, rho0;                     // Lambert cone constants
  double chi0, sinChi0, cosChi0, mLat0;  // stereographic
};
static_assert(sizeof(GeodeticRef) == 392, "GeodeticRef is a 392-byte record");

// One result of CGeodeticDatumFinder::Find.
struct GeodeticDatumMatch {
  const GeodeticDatum* datum;
  int32_t exactCount;    // query tokens equal to a datum token
  int32_t partialCount;  // pairs of different length where the shorter lies inside the longer
};

// ---------------------------------------------------------------------------
// Objects

class CGeodeticDatumManager;      // no operations for clients
class CGeodeticEllipsoidManager;  // no operations for clients

// Maps a foreign identifier of a datum to a built-in datum. The key of Find
// depends on the instance: the packed-code lookup takes a pointer to an
// int32_t packed code, the index lookup a pointer to an int16_t index (1 to
// 223), the two name lookups a NUL-terminated text (case-insensitive).
// Failures return null with status 0x70014 ("Unknown chart datum").
class CGeodeticDatumLookup : public CObject {
public:
  // Slot 2.
  virtual const GeodeticDatum* Find(const void* key, ErrorStatus status) const = 0;

protected:
  CGeodeticDatumLookup() = default;
};

// The long-name and short-name lookups also name a datum.
class CGeodeticDatumNameLookup : public CGeodeticDatumLookup {
public:
  // Slot 3: the name of the last table entry whose code equals the datum's
  // code (case-insensitive); the text belongs to the library. Without one:
  // *name = null and 0x70015 ("Invalid chart datum") from the long-name
  // lookup, 0x70014 from the short-name lookup.
  virtual void FindName(const GeodeticDatum* datum, const char** name, ErrorStatus status) const = 0;

protected:
  CGeodeticDatumNameLookup() = default;
};

// The process-wide registry of ellipsoids and datums (made at library start,
// deleted at its end; clients never delete it).
class CGeodeticRegistry : public CObject {
public:
  virtual CGeodeticDatumManager* GetDatumManager() const = 0;              // slot 2
  virtual const CGeodeticDatumLookup* GetPackedCodeLookup() const = 0;     // slot 3
  virtual const CGeodeticDatumLookup* GetIndexLookup() const = 0;          // slot 4
  virtual const CGeodeticDatumNameLookup* GetLongNameLookup() const = 0;   // slot 5
  virtual const CGeodeticDatumNameLookup* GetShortNameLookup() const = 0;  // slot 6
  virtual CGeodeticEllipsoidManager* GetEllipsoidManager() const = 0;      // slot 7

protected:
  CGeodeticRegistry() = default;
};

// Ranks the built-in datums by the words and numbers they share with a text.
// Made by GeodeticDatumFinderCreate, deleted by the caller with ObjectDelete;
// not shared between threads.
class CGeodeticDatumFinder : public CObject {
public:
  // Slot 2: replaces the results; false when the text has no token or nothing
  // matches. Results are sorted by exact count, then partial count, both
  // descending.
  virtual bool Find(const Str* text) = 0;
  // Slot 3.
  virtual int32_t GetCount() const = 0;
  // Slot 4: the result at index (0 the best), valid until the next Find or the
  // finder's deletion; null outside 0 to GetCount() - 1.
  virtual const GeodeticDatumMatch* GetItem(int32_t index) const = 0;

protected:
  CGeodeticDatumFinder() = default;
};

// ---------------------------------------------------------------------------
// Registry, ellipsoids and datums

// Hands out the registry, the WGS 84 ellipsoid ("WE"), the WGS 84 datum
// ("WGE"), the old Dutch datum ("RD-OLD") and the default reference
// (geographic on WGS 84). Any out pointer may be null. Before initialisation
// every result is null.
VMLIB_EXPORT void GeodeticsGetGlobals(CGeodeticRegistry** registry, const GeodeticEllipsoid** wgs84Ellipsoid,
                                      const GeodeticDatum** wgs84Datum, const GeodeticDatum** oldDutchDatum,
                                      const GeodeticRef** defaultRef);

// Built-in ellipsoid by packed code (first four characters, case-sensitive).
// False and *out = null when there is none.
VMLIB_EXPORT bool GeodeticEllipsoidCreateByCode(const char* code, const GeodeticEllipsoid** out);
// The interned ellipsoid of exactly these a (metres) and inverse flattening.
VMLIB_EXPORT const GeodeticEllipsoid* GeodeticEllipsoidCreateByDef(double a, double invF);
// *count = 25; when the caller's *count was smaller returns false and leaves
// array untouched, else fills array[0..24] in code order.
VMLIB_EXPORT bool GeodeticEllipsoidGetList(int32_t* count, const GeodeticEllipsoid** array);
// Unpacks a packed code into buffer (at most *size bytes). *size becomes the
// number of characters plus one; false when the terminator did not fit.
VMLIB_EXPORT bool GeodeticEllipsoidCodeToStr(int32_t code, int32_t* size, char* buffer);

// Built-in datum by code, case-insensitive. Unknown: null, status 0x70014.
VMLIB_EXPORT const GeodeticDatum* GeodeticDatumCreateByCode(const char* code, ErrorStatus status);
// The interned datum of these stored values: translation in metres and
// rotations in radians, both in the global frame, scale as a factor.
VMLIB_EXPORT const GeodeticDatum* GeodeticDatumCreateByDef(const GeodeticEllipsoid* ellipsoid, double dx,
                                                           double dy, double dz, double rx, double ry,
                                                           double rz, double scale);
// The interned WGS 84-based datum that moves positions near origin (latitude,
// longitude) by about shift (latitude, longitude difference) towards WGS 84.
VMLIB_EXPORT const GeodeticDatum* GeodeticDatumCreateByShift(const double origin[2], const double shift[2]);
// As GeodeticEllipsoidGetList, with the 232 built-in datums in code order.
VMLIB_EXPORT bool GeodeticDatumGetList(int32_t* count, const GeodeticDatum** array);
// True for a built-in code or a record the registry created.
VMLIB_EXPORT bool GeodeticDatumIsValid(const GeodeticDatum* datum);
// True for the same record, two WGS 84 records, or seven equal parameters
// (ellipsoids are not compared).
VMLIB_EXPORT bool GeodeticDatumIsEqualParams(const GeodeticDatum* a, const GeodeticDatum* b);
// A new finder; null when memory runs out. Delete it with ObjectDelete.
VMLIB_EXPORT CGeodeticDatumFinder* GeodeticDatumFinderCreate();

// ---------------------------------------------------------------------------
// Transformations (no errors; output may be the input array)

// Geographic (height 0) to global on the ellipsoid.
VMLIB_EXPORT void GeoToGlobal2(double global[3], const double geo[2], const GeodeticEllipsoid* ellipsoid);
// Geographic (latitude, longitude, height) to global.
VMLIB_EXPORT void GeoToGlobal3(double global[3], const double geo[3], const GeodeticEllipsoid* ellipsoid);
// Global to (latitude, longitude in (-π, π], height): one step of Bowring's
// formula; points on the polar axis give latitude ±π/2, longitude 0.
VMLIB_EXPORT void GlobalToGeo(double geo[3], const double global[3], const GeodeticEllipsoid* ellipsoid);
// Global point of datum source to global point of datum destination.
VMLIB_EXPORT void GeodeticDatumTransform(double out[3], const GeodeticDatum* destination, const double in[3],
                                         const GeodeticDatum* source);
// (latitude, longitude) of source, height 0, to (latitude, longitude, height)
// of destination.
VMLIB_EXPORT void GeodeticDatumTransform2(double out[3], const GeodeticDatum* destination, const double in[2],
                                          const GeodeticDatum* source);
// (latitude, longitude, height) of source to the same of destination.
VMLIB_EXPORT void GeodeticDatumTransform3(double out[3], const GeodeticDatum* destination, const double in[3],
                                          const GeodeticDatum* source);

// ---------------------------------------------------------------------------
// References

VMLIB_EXPORT void GeodeticRefInitGeo(GeodeticRef* ref, const GeodeticDatum* datum);
VMLIB_EXPORT void GeodeticRefInitGlobal(GeodeticRef* ref, const GeodeticDatum* datum);
// Local scene on WGS 84 around origin (latitude, longitude, height): x north,
// y east, z up, metres.
VMLIB_EXPORT void GeodeticRefInitScene(GeodeticRef* ref, const double origin[3]);
VMLIB_EXPORT void GeodeticRefInitMercator(GeodeticRef* ref, double lon0, const GeodeticDatum* datum);
VMLIB_EXPORT void GeodeticRefInitTransverseMercator(GeodeticRef* ref, double k0, double lat0, double lon0,
                                                    const GeodeticDatum* datum);
VMLIB_EXPORT void GeodeticRefInitEquidistantCylindrical(GeodeticRef* ref, double lat1, double lon0,
                                                        const GeodeticDatum* datum);
// Two standard parallels lat1 and lat2 (they must differ), origin lat0, lon0.
VMLIB_EXPORT void GeodeticRefInitLambertConformalConic(GeodeticRef* ref, double lat1, double lat2,
                                                       double lat0, double lon0, const GeodeticDatum* datum);
VMLIB_EXPORT void GeodeticRefInitOrthographic(GeodeticRef* ref, double lat1, double lon0,
                                              const GeodeticDatum* datum);
VMLIB_EXPORT void GeodeticRefInitStereographic(GeodeticRef* ref, double k0, double lat1, double lon0,
                                               const GeodeticDatum* datum);
// The Dutch national grid on the "RD-OLD" datum.
VMLIB_EXPORT void GeodeticRefInitRD(GeodeticRef* ref);

// Same kind, projection and defining values (datums not compared).
VMLIB_EXPORT bool GeodeticRefIsEqualExceptDatum(const GeodeticRef* a, const GeodeticRef* b);
// ... and the same datum record.
VMLIB_EXPORT bool GeodeticRefIsEqual(const GeodeticRef* a, const GeodeticRef* b);
// ... and datums with equal parameters.
VMLIB_EXPORT bool GeodeticRefIsEqualParams(const GeodeticRef* a, const GeodeticRef* b);

// "Geographic", "Global", "Scene", "Projection"; "Invalid" otherwise. Static text.
VMLIB_EXPORT const char* GeodeticRefKindToStr(int32_t kind);
// "Unknown", "Mercator", "Transverse mercator", "Equidistant cylindrical",
// "Lambert conformal conic", "Orthographic", "Stereographic", "RD";
// "Invalid" otherwise. Static text.
VMLIB_EXPORT const char* GeodeticRefProjectionToStr(int32_t projection);

// ---------------------------------------------------------------------------
// Projections: projected pairs are (x easting, y northing) in metres,
// geographic pairs (latitude, longitude) in radians, on the ellipsoid of the
// reference's datum. No false easting or northing except for RD.

// Dispatch on ref->projection; other kinds copy the input.
VMLIB_EXPORT void GeoToProj(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void ProjToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);

// x = a·λ (lon0 is not subtracted).
VMLIB_EXPORT void GeoToMercator(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void MercatorToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);
// Series to the sixth order; accurate near the central meridian.
VMLIB_EXPORT void GeoToTransverseMercator(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void TransverseMercatorToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);
// Point scale factor at geo.
VMLIB_EXPORT double GeoToTransverseMercatorScale(const double geo[2], const GeodeticRef* ref);
// Longitude difference wrapped into [-π, π).
VMLIB_EXPORT void GeoToEquidistantCylindrical(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void EquidistantCylindricalToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);
VMLIB_EXPORT void GeoToLambertConformalConic(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void LambertConformalConicToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);
// Not implemented: both throw CException.
VMLIB_EXPORT void GeoToOrthographic(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void OrthographicToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);
// Oblique stereographic on the conformal sphere.
VMLIB_EXPORT void GeoToStereographic(double proj[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void StereographicToGeo(double geo[2], const double proj[2], const GeodeticRef* ref);
// Dutch national grid, polynomial approximation; geo on the Bessel ellipsoid.
VMLIB_EXPORT void GeoToRD(double rd[2], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void RDToGeo(double geo[2], const double rd[2], const GeodeticRef* ref);
// Dutch national grid, exact (Gauss conformal sphere + oblique stereographic).
VMLIB_EXPORT void GeoToRDExact(double rd[2], const double geo[2]);
VMLIB_EXPORT void RDToGeoExact(double geo[2], const double rd[2]);
// Distance in metres between two RD points, corrected for the grid's scale.
VMLIB_EXPORT double RDCalcDistance(const double p[2], const double q[2]);

// UTM zone (1 to 60) of a longitude.
VMLIB_EXPORT int32_t UTMLongToZone(double lon);
// Central meridian of a zone, radians; a negative zone gives the same meridian.
VMLIB_EXPORT double UTMZoneToLong(int32_t zone);
// Latitude band letter ('A' to 'Z').
VMLIB_EXPORT char UTMToZoneChar(double lat, double lon);
// Middle latitude of the band with letter index 0 (A) to 25 (Z), radians;
// -9999 for I, O and indexes outside 0 to 25.
VMLIB_EXPORT double UTMZoneToLat(int32_t letterIndex);

// ---------------------------------------------------------------------------
// Scene frame: WGS 84 positions to and from a scene reference (no datum
// transformation).

VMLIB_EXPORT void GeoWGS84ToScene2(double scene[3], const double geo[2], const GeodeticRef* ref);
VMLIB_EXPORT void GeoWGS84ToScene3(double scene[3], const double geo[3], const GeodeticRef* ref);
VMLIB_EXPORT void SceneToGeoWGS84(double geo[3], const double scene[3], const GeodeticRef* ref);

// Heading of to seen from from: radians from true north, clockwise, -π to π.
VMLIB_EXPORT double HeadingAlongLine(const double from[2], const double to[2]);
// Straight-line (chord) distance in metres between the two surface points and
// the heading of HeadingAlongLine.
VMLIB_EXPORT void DistAndHeadingAlongLine(const double from[2], const double to[2], double* distance,
                                          double* heading);

// ---------------------------------------------------------------------------
// Great circles on a sphere of radius 6367400 m.

VMLIB_EXPORT double DistAlongGreatCircle(const double p1[2], const double p2[2]);
// (cos φ·cos λ, cos φ·sin λ, sin φ).
VMLIB_EXPORT void GeoToGreatCirclePoint(double unit[3], const double geo[2]);
VMLIB_EXPORT double DistAlongGreatCircle1(const double u1[3], const double u2[3]);
// The inverse of GeoToGreatCirclePoint: latitude atan2(z, √(x² + y²)),
// longitude atan2(y, x).
VMLIB_EXPORT void GreatCirclePointToGeo(double geo[2], const double unit[3]);
