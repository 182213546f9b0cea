// Which geodetic datum a source position is in: the list of built-in datums
// the user chooses from, and the mapping of the old database's datum keys
// (tables Datums and Ellipsoids) to library datums.
//
// Datum records belong to the library's geodetics registry; nothing here
// frees them, and they stay valid while the library binding lives.
#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "library_binding.h"
#include "source_database.h"
#include "vmlib/geodesy.h"

namespace conv {

// One entry of the datum choice.
struct DatumEntry {
  std::string code;  // "EUR-A"
  std::string text;  // name, " (", code, ")": "European 1950 (EUR-A)"
  const GeodeticDatum* datum = nullptr;
};

// Every built-in datum in the library's order (by code): 232 entries. Empty
// while the library is not initialised.
std::vector<DatumEntry> BuiltInDatumList();
// Index of the entry holding datum; -1 for null or a datum not in the list
// (one defined from the database's parameters).
int FindDatumEntry(const std::vector<DatumEntry>& list, const GeodeticDatum* datum);
// Index of the entry with this code, case-insensitively; -1 when none.
int FindDatumEntryByCode(const std::vector<DatumEntry>& list, std::string_view code);

// The old database describes a datum the conversion cannot use. The message
// is for the user, in the current language.
class DatumError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};
// A waypoint takes "the chosen datum" (key 0) and none is chosen.
class DatumNotChosenError : public DatumError {
public:
  using DatumError::DatumError;
};

// The datum descriptions of one source database. The tables are indexed on
// first use, so each is scanned once however many positions ask; a key with
// several rows takes the first in the engine's order, as a query would.
class SourceDatums {
public:
  // Neither argument is copied: both must outlive this object.
  SourceDatums(const SourceDatabase& database, const GeodesyGlobals& geodesy);

  // The datum of a Datums key:
  // - 0: chosen, the datum the user picked; DatumNotChosenError naming
  //   waypoint when chosen is null.
  // - a row whose Description, trimmed of blanks and control characters, is
  //   one of the old program's datum names: that built-in datum.
  // - otherwise the datum defined by the row's shift x, y, z (metres, as
  //   stored) on the ellipsoid of its Ellipse key's axes, no rotation,
  //   scale 1; equal axes define a sphere.
  // Throws DatumError for a missing table, a key without a row in Datums or
  // Ellipsoids, or axes that define no ellipsoid (not positive and finite,
  // minor axis longer than the major one); SourceValueError (naming table,
  // column, row and key) for a Null or non-number among Ellipse, x, y, z,
  // Majoraxis and Minoraxis. Never returns null.
  const GeodeticDatum* DatumOfKey(int32_t key, const GeodeticDatum* chosen, std::string_view waypoint = {});

  // The [GPS datum] of the first row of System; nullopt when System has no
  // row or the value is Null. DatumError when the table is missing,
  // SourceValueError when the column is missing or the value is no integer.
  std::optional<int32_t> GpsDatumKey() const;
  // The datum of that key (key 0: chosen, possibly null); null without one.
  // The caller preselects the list entry holding it, which a datum defined
  // by parameters never is. Throws as DatumOfKey and GpsDatumKey.
  const GeodeticDatum* GpsDatum(const GeodeticDatum* chosen);

private:
  const GeodeticDatum* DefinedDatum(int32_t key, size_t row);
  const SourceTable& Table(std::string_view name) const;

  const SourceDatabase& database_;
  GeodesyGlobals geodesy_;
  bool datumsIndexed_ = false;
  bool ellipsoidsIndexed_ = false;
  std::unordered_map<int64_t, size_t> datumRows_;      // Datum key -> first row
  std::unordered_map<int64_t, size_t> ellipsoidRows_;  // Ellipse key -> first row
  std::unordered_map<int32_t, const GeodeticDatum*> resolved_;
};

// The datum of track points and of waypoints with key 0 when no wizard asks:
// the built-in datum of code (case-insensitive) when one is given, otherwise
// the database's GPS datum when it is one of the list. Without one, datum is
// null and message says why and asks for --datum, in the current language;
// the caller stops when the datum is needed (tracks are converted), and
// otherwise only waypoints of key 0 will fail, each with its own message.
struct DatumChoice {
  const GeodeticDatum* datum = nullptr;
  std::string message;
};
DatumChoice ChooseRunDatum(const std::optional<std::string>& code, SourceDatums& datums,
                           const std::vector<DatumEntry>& list);

// Source position (latitude, longitude in radians, height in metres) in datum
// source to the same in WGS 84, in place. WGS 84 itself passes unchanged.
void TransformToWgs84(const GeodesyGlobals& geodesy, const GeodeticDatum* source, double position[3]);

}  // namespace conv
