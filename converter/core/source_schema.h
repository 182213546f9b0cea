// What the import needs of the old database, checked once after reading, so
// that a damaged file that libmdb read "successfully" is still caught.
#pragma once

#include <string>
#include <vector>

#include "source_database.h"

namespace conv {

// One problem found in the values: the conversion goes on, the problem goes
// into the conversion report.
struct SourceWarning {
  std::string table;
  std::string column;
  size_t row = 0;    // from 1
  std::string key;   // "Waypoint 17", or empty when the row has no key
  std::string text;  // full sentence naming table, column and row
};

// Problems that make the database unusable: a table or column the import
// reads is missing or has a type that cannot give its values. Empty when the
// database is usable. The track tables are needed only when tracks are
// converted.
std::vector<std::string> CheckSourceSchema(const SourceDatabase& db, bool withTracks);

// Values the import can read but that cannot be right: a latitude outside
// ±90°, a longitude outside ±180°, a NaN or infinite number, a date after
// 2100-12-31.
std::vector<SourceWarning> CheckSourceValues(const SourceDatabase& db, bool withTracks);

}  // namespace conv
