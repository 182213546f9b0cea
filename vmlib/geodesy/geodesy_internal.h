// Library-internal parts of the geodesy module: the rows of the generated
// tables, the record builders and the managers that own the records.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <vector>

#include "vmlib/geodesy.h"

namespace vm::geodesy {

// One row of the generated tables, values as published.
struct EllipsoidRow {
  const char* code;
  const char* name;
  const char* area;
  double a;
  double invF;
  const char* reference;
};

// dx, dy, dz metres; rx, ry, rz arc-seconds; ppm parts per million; usual
// earth-centred frame, coordinate-frame rotation convention.
struct DatumRow {
  const char* code;
  const char* name;
  const char* area;
  const char* ellipsoid;
  double dx, dy, dz;
  double rx, ry, rz;
  double ppm;
  const char* reference;
};

inline constexpr int32_t kBuiltInEllipsoidCount = 25;
inline constexpr int32_t kBuiltInDatumCount = 232;

// Generated from the data files (geodesy_tables.cpp), in code order.
extern const EllipsoidRow kEllipsoidRows[kBuiltInEllipsoidCount];
extern const DatumRow kDatumRows[kBuiltInDatumCount];

// The citation behind a reference key of the data files ("NIMA",
// "EUROPEAN_CRS"); any other key is its own text.
const char* ReferenceText(const char* key);

// Up to four characters, the first in the most significant byte.
int32_t PackCode(const char* code);
// ASCII comparison without regard to case: negative, zero or positive.
int CompareNoCase(const char* a, const char* b);

// Fills every field of an ellipsoid from (a, invF); texts empty, kind 1.
void BuildEllipsoid(GeodeticEllipsoid* e, double a, double invF);
// Decides isWgs84 and builds both matrices from the seven stored values.
void FinishDatum(GeodeticDatum* d, const GeodeticEllipsoid* wgs84);

// Applies a row-vector affine matrix: out may be in.
void ApplyMatrix(double out[3], const double m[4][4], const double in[3]);
// The exact inverse of an affine matrix (adjugate of the linear part over its
// determinant, translation carried through).
void InvertAffine(double out[4][4], const double m[4][4]);
// GeoToGlobal3 from the sines and cosines of latitude and longitude, for
// callers that need them anyway (the same arithmetic, so the same bits).
void GeoToGlobalFromTrig(double global[3], double sinLat, double cosLat, double sinLon, double cosLon,
                         double h, const GeodeticEllipsoid* ellipsoid);

}  // namespace vm::geodesy

// The built-in ellipsoids (sorted by packed code) and the defined ones.
class CGeodeticEllipsoidManager : public CObject {
public:
  CGeodeticEllipsoidManager();
  const GeodeticEllipsoid* FindByCode(int32_t packed) const;
  const GeodeticEllipsoid* CreateByDef(double a, double invF);
  const GeodeticEllipsoid* Wgs84() const { return wgs84_; }
  const std::array<GeodeticEllipsoid, vm::geodesy::kBuiltInEllipsoidCount>& BuiltIn() const {
    return builtIn_;
  }

private:
  std::array<GeodeticEllipsoid, vm::geodesy::kBuiltInEllipsoidCount> builtIn_{};
  std::vector<std::unique_ptr<GeodeticEllipsoid>> defined_;
  std::mutex criticalSection_;
  const GeodeticEllipsoid* wgs84_ = nullptr;
};

// The built-in datums (sorted by code) and those created by shift and by
// definition.
class CGeodeticDatumManager : public CObject {
public:
  explicit CGeodeticDatumManager(CGeodeticEllipsoidManager* ellipsoids);
  const GeodeticDatum* FindByCode(const char* code) const;
  const GeodeticDatum* CreateByDef(const GeodeticEllipsoid* ellipsoid, const double params[7]);
  const GeodeticDatum* CreateByShift(const double origin[2], const double shift[2]);
  bool IsCreated(const GeodeticDatum* datum);
  const std::vector<GeodeticDatum>& BuiltIn() const { return builtIn_; }
  const GeodeticDatum* Wgs84() const { return wgs84_; }
  const GeodeticDatum* OldDutch() const { return oldDutch_; }
  CGeodeticEllipsoidManager* Ellipsoids() const { return ellipsoids_; }

private:
  CGeodeticEllipsoidManager* ellipsoids_;
  std::vector<GeodeticDatum> builtIn_;
  std::vector<std::unique_ptr<GeodeticDatum>> byShift_;
  std::vector<std::unique_ptr<GeodeticDatum>> byDef_;
  std::mutex criticalSection_;
  const GeodeticDatum* wgs84_ = nullptr;
  const GeodeticDatum* oldDutch_ = nullptr;
};

namespace vm::geodesy {

// The four lookups (datum_lookups.cpp); they refer to the manager's records.
std::unique_ptr<CGeodeticDatumLookup> MakePackedCodeLookup(const CGeodeticDatumManager* datums);
std::unique_ptr<CGeodeticDatumLookup> MakeIndexLookup(const CGeodeticDatumManager* datums);
std::unique_ptr<CGeodeticDatumNameLookup> MakeLongNameLookup(const CGeodeticDatumManager* datums);
std::unique_ptr<CGeodeticDatumNameLookup> MakeShortNameLookup(const CGeodeticDatumManager* datums);

// Test access to the sizes of the lookup tables.
int32_t PackedCodeTableSize();
int32_t LongNameTableSize();

// The registry of the running library, or null outside VmLibInitialize ..
// VmLibFinalize.
class Registry;
Registry* TheRegistry();

class Registry final : public CGeodeticRegistry {
public:
  Registry();
  ~Registry() override;
  CGeodeticDatumManager* GetDatumManager() const override { return datums_.get(); }
  const CGeodeticDatumLookup* GetPackedCodeLookup() const override { return packed_.get(); }
  const CGeodeticDatumLookup* GetIndexLookup() const override { return index_.get(); }
  const CGeodeticDatumNameLookup* GetLongNameLookup() const override { return longName_.get(); }
  const CGeodeticDatumNameLookup* GetShortNameLookup() const override { return shortName_.get(); }
  CGeodeticEllipsoidManager* GetEllipsoidManager() const override { return ellipsoids_.get(); }
  const GeodeticRef* DefaultRef() const { return &defaultRef_; }

private:
  std::unique_ptr<CGeodeticEllipsoidManager> ellipsoids_;
  std::unique_ptr<CGeodeticDatumManager> datums_;
  std::unique_ptr<CGeodeticDatumLookup> packed_;
  std::unique_ptr<CGeodeticDatumLookup> index_;
  std::unique_ptr<CGeodeticDatumNameLookup> longName_;
  std::unique_ptr<CGeodeticDatumNameLookup> shortName_;
  GeodeticRef defaultRef_{};
};

}  // namespace vm::geodesy
