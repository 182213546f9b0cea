#include "jetwrite/jet_description.h"

#include <charconv>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>

namespace jetwrite {
namespace {

using nlohmann::json;

ColumnType ParseType(const std::string& name) {
  static const std::map<std::string, ColumnType> kTypes = {
      {"long", ColumnType::Long},         {"integer", ColumnType::Integer}, {"double", ColumnType::Double},
      {"datetime", ColumnType::DateTime}, {"boolean", ColumnType::Boolean}, {"text", ColumnType::Text},
      {"memo", ColumnType::Memo}};
  const auto it = kTypes.find(name);
  if (it == kTypes.end()) throw Error("unknown column type \"" + name + "\"");
  return it->second;
}

Value ParseValue(const json& v, const Column& column) {
  if (v.is_null()) return kNull;
  if (v.is_boolean()) return v.get<bool>();
  if (v.is_number_integer()) return v.get<int64_t>();
  if (v.is_number_unsigned()) return static_cast<int64_t>(v.get<uint64_t>());
  if (v.is_number_float()) return v.get<double>();
  if (v.is_string()) {
    const std::string s = v.get<std::string>();
    if (column.type == ColumnType::DateTime) {
      const auto day = DayCountFromText(s);
      if (!day) throw Error("column \"" + column.name + "\": \"" + s + "\" is not a date");
      return *day;
    }
    return s;
  }
  throw Error("column \"" + column.name + "\": unsupported value " + v.dump());
}

bool ReadNumber(std::string_view& s, size_t digits, int& out) {
  if (s.size() < digits) return false;
  const auto r = std::from_chars(s.data(), s.data() + digits, out);
  if (r.ec != std::errc() || r.ptr != s.data() + digits) return false;
  s.remove_prefix(digits);
  return true;
}

bool Expect(std::string_view& s, char c) {
  if (s.empty() || s.front() != c) return false;
  s.remove_prefix(1);
  return true;
}

// Days from 1970-01-01 of a proleptic Gregorian date.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const unsigned yoe = static_cast<unsigned>(y - era * 400);
  const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

}  // namespace

std::optional<double> DayCountFromText(std::string_view s) {
  int y, mo, d, h = 0, mi = 0, se = 0;
  if (!ReadNumber(s, 4, y) || !Expect(s, '-') || !ReadNumber(s, 2, mo) || !Expect(s, '-') ||
      !ReadNumber(s, 2, d))
    return std::nullopt;
  if (!s.empty()) {
    if (!Expect(s, ' ') || !ReadNumber(s, 2, h) || !Expect(s, ':') || !ReadNumber(s, 2, mi))
      return std::nullopt;
    if (!s.empty() && (!Expect(s, ':') || !ReadNumber(s, 2, se))) return std::nullopt;
  }
  if (!s.empty() || mo < 1 || mo > 12 || d < 1 || h > 23 || mi > 59 || se > 59) return std::nullopt;
  static const int kDays[12] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > kDays[mo - 1] || (mo == 2 && d == 29 && !leap)) return std::nullopt;
  const int64_t days =
      DaysFromCivil(y, static_cast<unsigned>(mo), static_cast<unsigned>(d)) - DaysFromCivil(1899, 12, 30);
  // Before the epoch the fraction counts forward from the (negative) day, as
  // the engine stores it: -1.25 is 1899-12-29 06:00.
  const double fraction = (h * 3600 + mi * 60 + se) / 86400.0;
  return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

Database DatabaseFromDescription(std::string_view text) {
  json doc;
  try {
    doc = json::parse(text);
  } catch (const json::exception& e) {
    throw Error(std::string("description is not valid JSON: ") + e.what());
  }
  Database db;
  try {
    if (doc.contains("creationDate")) db.SetCreationDate(doc.at("creationDate").get<double>());
    for (const json& t : doc.at("tables")) {
      std::vector<Column> columns;
      for (const json& c : t.at("columns")) {
        Column column{c.at("name").get<std::string>(), ParseType(c.at("type").get<std::string>())};
        if (c.contains("length")) column.maxChars = c.at("length").get<int>();
        columns.push_back(std::move(column));
      }
      Table& table = db.AddTable(t.at("name").get<std::string>(), std::move(columns));
      if (!t.contains("rows")) continue;
      for (const json& r : t.at("rows")) {
        if (!r.is_array()) throw Error("table \"" + table.name() + "\": a row must be an array");
        std::vector<Value> values;
        for (size_t i = 0; i < r.size(); ++i) {
          if (i >= table.columns().size()) break;  // AddRow reports the count
          values.push_back(ParseValue(r[i], table.columns()[i]));
        }
        if (r.size() > table.columns().size()) values.resize(r.size());
        table.AddRow(std::move(values));
      }
    }
  } catch (const json::exception& e) {
    throw Error(std::string("description: ") + e.what());
  }
  return db;
}

Database DatabaseFromDescriptionFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Error("cannot read " + path.string());
  std::ostringstream text;
  text << in.rdbuf();
  return DatabaseFromDescription(text.str());
}

}  // namespace jetwrite
