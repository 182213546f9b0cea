// The readable description of a database, in JSON:
//
//   { "creationDate": 44927.5,                      (optional day count)
//     "tables": [
//       { "name": "Waypoint types",
//         "columns": [ { "name": "Type", "type": "long" },
//                      { "name": "Description", "type": "text", "length": 50 }, ... ],
//         "rows": [ [ 1, "Harbour" ], [ 2, null ], ... ] } ] }
//
// Column types: long, integer, double, datetime, boolean, text (length 1 to
// 255 characters, default 255), memo. A datetime value is a day count or a
// text "YYYY-MM-DD", "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (no time zone).
#pragma once

#include <filesystem>
#include <optional>
#include <string_view>

#include "jetwrite/jet_database.h"

namespace jetwrite {

// Throws Error naming the table, column or row that is wrong.
Database DatabaseFromDescription(std::string_view json);
Database DatabaseFromDescriptionFile(const std::filesystem::path& path);

// Day count of a civil date and time; nullopt for a malformed text or date.
std::optional<double> DayCountFromText(std::string_view text);

}  // namespace jetwrite
