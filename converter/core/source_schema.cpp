#include "source_schema.h"

#include <cmath>
#include <cstdio>

namespace conv {
namespace {

enum class Need { Integer, Floating, DateTime, Text };

struct Required {
  const char* table;
  const char* column;
  Need need;
  bool trackOnly;
};

// Every table and column the import steps read.
const Required kRequired[] = {
    {"Waypoints", "Waypoint", Need::Integer, false},
    {"Waypoints", "Type", Need::Integer, false},
    {"Waypoints", "Description", Need::Text, false},
    {"Waypoints", "Latitude", Need::Floating, false},
    {"Waypoints", "Longitude", Need::Floating, false},
    {"Waypoints", "Datum", Need::Integer, false},
    {"Waypoints", "Group", Need::Integer, false},
    {"Waypoint types", "Type", Need::Integer, false},
    {"Waypoint types", "Description", Need::Text, false},
    {"Waypoint types", "Icon", Need::Text, false},
    {"Waypoint groups", "Group", Need::Integer, false},
    {"Waypoint groups", "Description", Need::Text, false},
    {"Routes", "Route", Need::Integer, false},
    {"Routes", "Description", Need::Text, false},
    {"Route points", "Route", Need::Integer, false},
    {"Route points", "Waypoint", Need::Integer, false},
    {"Tracks", "Track", Need::Integer, true},
    {"Tracks", "Description", Need::Text, true},
    {"Track data", "Track", Need::Integer, true},
    {"Track data", "Date", Need::DateTime, true},
    {"Track data", "Latitude", Need::Floating, true},
    {"Track data", "Longitude", Need::Floating, true},
    {"Datums", "Datum", Need::Integer, false},
    {"Datums", "Description", Need::Text, false},
    {"Datums", "Ellipse", Need::Integer, false},
    {"Datums", "x", Need::Floating, false},
    {"Datums", "y", Need::Floating, false},
    {"Datums", "z", Need::Floating, false},
    {"Ellipsoids", "Ellipse", Need::Integer, false},
    {"Ellipsoids", "Majoraxis", Need::Floating, false},
    {"Ellipsoids", "Minoraxis", Need::Floating, false},
    {"System", "GPS datum", Need::Integer, false},
};

bool Usable(SourceKind kind, Need need) {
  const bool numeric = kind == SourceKind::Integer || kind == SourceKind::Float ||
                       kind == SourceKind::DateTime || kind == SourceKind::Boolean;
  switch (need) {
    case Need::Integer:
    case Need::Floating:
    case Need::DateTime:
      return numeric;
    case Need::Text:
      return kind == SourceKind::Text || numeric;
  }
  return false;
}

struct RangeCheck {
  const char* table;
  const char* column;
  const char* key;  // column naming the row, or null
  double low, high;
  const char* what;
  bool trackOnly;
};

constexpr double kDayCount2101 = 73051.0;  // 2101-01-01

const RangeCheck kRanges[] = {
    {"Waypoints", "Latitude", "Waypoint", -90, 90, "is outside ±90°", false},
    {"Waypoints", "Longitude", "Waypoint", -180, 180, "is outside ±180°", false},
    {"Track data", "Latitude", "Track", -90, 90, "is outside ±90°", true},
    {"Track data", "Longitude", "Track", -180, 180, "is outside ±180°", true},
    {"Track data", "Date", "Track", -1e300, kDayCount2101, "is a date after 2100", true},
    {"Datums", "x", "Datum", -1e300, 1e300, "", false},
    {"Datums", "y", "Datum", -1e300, 1e300, "", false},
    {"Datums", "z", "Datum", -1e300, 1e300, "", false},
    {"Ellipsoids", "Majoraxis", "Ellipse", -1e300, 1e300, "", false},
    {"Ellipsoids", "Minoraxis", "Ellipse", -1e300, 1e300, "", false},
};

std::string Number(double v) {
  char buffer[40];
  std::snprintf(buffer, sizeof buffer, "%.10g", v);
  return buffer;
}

}  // namespace

std::vector<std::string> CheckSourceSchema(const SourceDatabase& db, bool withTracks) {
  std::vector<std::string> problems;
  for (const Required& r : kRequired) {
    if (r.trackOnly && !withTracks) continue;
    const SourceTable* t = db.FindTable(r.table);
    if (t == nullptr) {
      const std::string p = std::string("The table ") + r.table + " is missing.";
      if (problems.empty() || problems.back() != p) problems.push_back(p);
      continue;
    }
    const int c = t->FindColumn(r.column);
    if (c < 0) {
      problems.push_back(std::string("The table ") + r.table + " has no column " + r.column + ".");
    } else if (!Usable(t->columns()[static_cast<size_t>(c)].kind, r.need)) {
      problems.push_back(std::string("The column ") + r.column + " of the table " + r.table +
                         " has a type that cannot be read.");
    }
  }
  return problems;
}

std::vector<SourceWarning> CheckSourceValues(const SourceDatabase& db, bool withTracks) {
  std::vector<SourceWarning> warnings;
  for (const RangeCheck& r : kRanges) {
    if (r.trackOnly && !withTracks) continue;
    const SourceTable* t = db.FindTable(r.table);
    if (t == nullptr || !t->HasColumn(r.column)) continue;
    for (size_t row = 0; row < t->rowCount(); ++row) {
      const SourceValue& v = t->Value(row, r.column);
      const double* d = std::get_if<double>(&v);
      if (d == nullptr) continue;
      std::string what;
      if (!std::isfinite(*d))
        what = "is not a number";
      else if (*d < r.low || *d > r.high)
        what = r.what;
      if (what.empty()) continue;
      SourceWarning w{
          t->name(), t->columns()[static_cast<size_t>(t->FindColumn(r.column))].name, row + 1, {}, {}};
      if (r.key != nullptr && t->HasColumn(r.key) && std::holds_alternative<int64_t>(t->Value(row, r.key)))
        w.key = std::string(r.key) + " " + std::to_string(std::get<int64_t>(t->Value(row, r.key)));
      w.text = "Table " + w.table + ", column " + w.column + ", row " + std::to_string(w.row) +
               (w.key.empty() ? "" : " (" + w.key + ")") + ": the value " + Number(*d) + " " + what + ".";
      warnings.push_back(std::move(w));
    }
  }
  return warnings;
}

}  // namespace conv
