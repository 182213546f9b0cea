#include "datum_selection.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <limits>
#include <variant>

#include "texts.h"

namespace conv {
namespace {

bool SameCodeIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
      return false;
  }
  return true;
}

// Leading and trailing blanks and control characters go, as the old
// program's descriptions often carry padding.
std::string_view TrimBlanksAndControls(std::string_view s) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
  while (!s.empty() && blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && blank(s.back())) s.remove_suffix(1);
  return s;
}

// The key a "WHERE column = key" query would match: an integer, or a
// floating number with an integral value. Null and texts match no key.
std::optional<int64_t> KeyOf(const SourceValue& value) {
  if (const int64_t* i = std::get_if<int64_t>(&value)) return *i;
  if (const double* d = std::get_if<double>(&value)) {
    if (std::isfinite(*d) && *d == std::floor(*d) && std::fabs(*d) < 9.0e18) return static_cast<int64_t>(*d);
  }
  return std::nullopt;
}

// First row of each key, in the engine's order.
std::unordered_map<int64_t, size_t> IndexByKey(const SourceTable& table, std::string_view column) {
  std::unordered_map<int64_t, size_t> index;
  index.reserve(table.rowCount());
  for (size_t row = 0; row < table.rowCount(); ++row) {
    if (std::optional<int64_t> key = KeyOf(table.Value(row, column))) index.try_emplace(*key, row);
  }
  return index;
}

// The shortest text that reads back as the same double ("6378388").
std::string Decimal(double value) {
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

// Reads that name the row's key besides its position, so the user can find
// the row in the old program.
template <typename Read>
auto ReadForKey(const char* keyColumn, int64_t key, Read read) {
  try {
    return read();
  } catch (const SourceValueError& e) {
    throw SourceValueError(std::string(e.what()) + " (" + keyColumn + " " + std::to_string(key) + ")");
  }
}

}  // namespace

std::vector<DatumEntry> BuiltInDatumList() {
  int32_t count = 0;
  GeodeticDatumGetList(&count, nullptr);
  if (count <= 0) return {};
  std::vector<const GeodeticDatum*> records(static_cast<size_t>(count));
  if (!GeodeticDatumGetList(&count, records.data())) return {};
  std::vector<DatumEntry> list;
  list.reserve(records.size());
  for (const GeodeticDatum* d : records) {
    DatumEntry entry;
    entry.code = d->code ? d->code : "";
    entry.text = std::string(d->name ? d->name : "") + " (" + entry.code + ")";
    entry.datum = d;
    list.push_back(std::move(entry));
  }
  return list;
}

int FindDatumEntry(const std::vector<DatumEntry>& list, const GeodeticDatum* datum) {
  if (datum == nullptr) return -1;
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i].datum == datum) return static_cast<int>(i);
  }
  return -1;
}

int FindDatumEntryByCode(const std::vector<DatumEntry>& list, std::string_view code) {
  for (size_t i = 0; i < list.size(); ++i) {
    if (SameCodeIgnoringCase(list[i].code, code)) return static_cast<int>(i);
  }
  return -1;
}

SourceDatums::SourceDatums(const SourceDatabase& database, const GeodesyGlobals& geodesy)
    : database_(database), geodesy_(geodesy) {}

const SourceTable& SourceDatums::Table(std::string_view name) const {
  const SourceTable* table = database_.FindTable(name);
  if (table == nullptr) throw DatumError(Text(TextId::TableNotOpened, {name}));
  return *table;
}

const GeodeticDatum* SourceDatums::DatumOfKey(int32_t key, const GeodeticDatum* chosen,
                                              std::string_view waypoint) {
  if (key == 0) {
    if (chosen == nullptr) throw DatumNotChosenError(Text(TextId::DatumNotChosen, {waypoint}));
    return chosen;
  }
  if (auto it = resolved_.find(key); it != resolved_.end()) return it->second;

  const SourceTable& datums = Table("Datums");
  if (!datumsIndexed_) {
    datumRows_ = IndexByKey(datums, "Datum");
    datumsIndexed_ = true;
  }
  const auto row = datumRows_.find(key);
  if (row == datumRows_.end()) throw DatumError(Text(TextId::DatumKeyMissing, {std::to_string(key)}));

  const std::string description = datums.ReadText(row->second, "Description");
  const std::string name(TrimBlanksAndControls(description));
  int32_t status = 0;
  const GeodeticDatum* datum = geodesy_.registry->GetShortNameLookup()->Find(name.c_str(), &status);
  if (status != 0 || datum == nullptr) datum = DefinedDatum(key, row->second);
  resolved_.emplace(key, datum);
  return datum;
}

const GeodeticDatum* SourceDatums::DefinedDatum(int32_t key, size_t row) {
  const SourceTable& datums = Table("Datums");
  double shift[3];
  int32_t ellipse = 0;
  ReadForKey("Datum", key, [&] {
    shift[0] = datums.ReadFloat(row, "x");
    shift[1] = datums.ReadFloat(row, "y");
    shift[2] = datums.ReadFloat(row, "z");
    ellipse = datums.ReadInteger(row, "Ellipse");
    return 0;
  });

  const SourceTable& ellipsoids = Table("Ellipsoids");
  if (!ellipsoidsIndexed_) {
    ellipsoidRows_ = IndexByKey(ellipsoids, "Ellipse");
    ellipsoidsIndexed_ = true;
  }
  const auto found = ellipsoidRows_.find(ellipse);
  if (found == ellipsoidRows_.end())
    throw DatumError(Text(TextId::EllipsoidKeyMissing, {std::to_string(ellipse), std::to_string(key)}));
  double a = 0, b = 0;
  ReadForKey("Ellipse", ellipse, [&] {
    a = ellipsoids.ReadFloat(found->second, "Majoraxis");
    b = ellipsoids.ReadFloat(found->second, "Minoraxis");
    return 0;
  });
  // Axes that are not positive, or a minor axis longer than the major one,
  // would give a flattening that turns every position into NaN.
  if (!(std::isfinite(a) && std::isfinite(b) && a > 0 && b > 0 && b <= a))
    throw DatumError(Text(TextId::EllipsoidInvalid, {std::to_string(ellipse), Decimal(a), Decimal(b)}));
  // Equal axes describe a sphere: no flattening, so an infinite inverse.
  const double invF = a == b ? std::numeric_limits<double>::infinity() : a / (a - b);

  const GeodeticEllipsoid* ellipsoid = GeodeticEllipsoidCreateByDef(a, invF);
  const GeodeticDatum* datum =
      ellipsoid ? GeodeticDatumCreateByDef(ellipsoid, shift[0], shift[1], shift[2], 0.0, 0.0, 0.0, 1.0)
                : nullptr;
  if (datum == nullptr) throw DatumError(Text(TextId::GetDatumFailed));
  return datum;
}

std::optional<int32_t> SourceDatums::GpsDatumKey() const {
  const SourceTable& system = Table("System");
  if (!system.HasColumn("GPS datum"))
    throw SourceValueError("Table " + system.name() + " has no column GPS datum");
  if (system.rowCount() == 0 || system.IsNull(0, "GPS datum")) return std::nullopt;
  return system.ReadInteger(0, "GPS datum");
}

const GeodeticDatum* SourceDatums::GpsDatum(const GeodeticDatum* chosen) {
  const std::optional<int32_t> key = GpsDatumKey();
  if (!key) return nullptr;
  if (*key == 0) return chosen;
  return DatumOfKey(*key, chosen);
}

DatumChoice ChooseRunDatum(const std::optional<std::string>& code, SourceDatums& datums,
                           const std::vector<DatumEntry>& list) {
  DatumChoice choice;
  if (code) {
    const int entry = FindDatumEntryByCode(list, *code);
    if (entry >= 0) {
      choice.datum = list[static_cast<size_t>(entry)].datum;
    } else {
      choice.message = Text(TextId::CliUnknownDatum, {*code});
    }
    return choice;
  }
  std::string reason;
  try {
    const GeodeticDatum* gps = datums.GpsDatum(nullptr);
    if (FindDatumEntry(list, gps) >= 0) {
      choice.datum = gps;
      return choice;
    }
  } catch (const DatumError& e) {
    reason = std::string(e.what()) + "\n";
  } catch (const SourceValueError& e) {
    reason = std::string(e.what()) + "\n";
  }
  choice.message = reason + Text(TextId::CliDatumNeeded);
  return choice;
}

void TransformToWgs84(const GeodesyGlobals& geodesy, const GeodeticDatum* source, double position[3]) {
  GeodeticDatumTransform3(position, geodesy.wgs84, position, source);
}

}  // namespace conv
