#include "source_table.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace conv {
namespace {

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::string_view Trimmed(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

// A text spelling a number, in the C locale; nullopt otherwise.
bool ParseNumber(std::string_view text, double& out) {
  text = Trimmed(text);
  if (text.empty()) return false;
  if (text.front() == '+') text.remove_prefix(1);
  const auto r = std::from_chars(text.data(), text.data() + text.size(), out);
  return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(out);
}

std::string ShortestDecimal(double d) {
  char buffer[32];
  const auto r = std::to_chars(buffer, buffer + sizeof buffer, d);
  return std::string(buffer, r.ptr);
}

}  // namespace

SourceTable::SourceTable(std::string name, std::vector<SourceColumn> columns, int codePage)
    : name_(std::move(name)), columns_(std::move(columns)), codePage_(codePage) {}

int SourceTable::FindColumn(std::string_view name) const {
  for (size_t i = 0; i < columns_.size(); ++i) {
    if (SameNameIgnoringCase(columns_[i].name, name)) return static_cast<int>(i);
  }
  return -1;
}

void SourceTable::Fail(size_t row, size_t column, const std::string& what) const {
  throw SourceValueError("Table " + name_ + ", column " + columns_[column].name + ", row " +
                         std::to_string(row + 1) + ": " + what);
}

const SourceValue& SourceTable::Cell(size_t row, std::string_view column, size_t* index) const {
  const int c = FindColumn(column);
  if (c < 0) throw SourceValueError("Table " + name_ + " has no column " + std::string(column));
  if (row >= rows_.size())
    throw SourceValueError("Table " + name_ + ", column " + std::string(column) + ": no row " +
                           std::to_string(row + 1) + " (the table has " + std::to_string(rows_.size()) + ")");
  *index = static_cast<size_t>(c);
  return rows_[row][*index];
}

const SourceValue& SourceTable::Value(size_t row, std::string_view column) const {
  size_t c;
  return Cell(row, column, &c);
}

bool SourceTable::IsNull(size_t row, std::string_view column) const {
  return std::holds_alternative<std::monostate>(Value(row, column));
}

double SourceTable::ReadFloat(size_t row, std::string_view column) const {
  size_t c;
  const SourceValue& v = Cell(row, column, &c);
  if (const auto* i = std::get_if<int64_t>(&v)) return static_cast<double>(*i);
  if (const auto* d = std::get_if<double>(&v)) return *d;
  if (const auto* b = std::get_if<bool>(&v)) return *b ? -1.0 : 0.0;
  if (const auto* s = std::get_if<std::string>(&v)) {
    double d;
    if (ParseNumber(*s, d)) return d;
    Fail(row, c, "the text \"" + *s + "\" is not a number");
  }
  Fail(row, c, "Null cannot be read as a number");
}

int32_t SourceTable::ReadInteger(size_t row, std::string_view column) const {
  size_t c;
  const SourceValue& v = Cell(row, column, &c);
  if (const auto* i = std::get_if<int64_t>(&v)) {
    if (*i < std::numeric_limits<int32_t>::min() || *i > std::numeric_limits<int32_t>::max())
      Fail(row, c, std::to_string(*i) + " is outside the integer range");
    return static_cast<int32_t>(*i);
  }
  const double d = ReadFloat(row, column);
  const double rounded = std::nearbyint(d);  // the default rounding mode: half to even
  if (!(rounded >= std::numeric_limits<int32_t>::min() && rounded <= std::numeric_limits<int32_t>::max()))
    Fail(row, c, ShortestDecimal(d) + " is outside the integer range");
  return static_cast<int32_t>(rounded);
}

double SourceTable::ReadDateTime(size_t row, std::string_view column) const {
  size_t c;
  const SourceValue& v = Cell(row, column, &c);
  if (std::holds_alternative<std::string>(v)) Fail(row, c, "a text cannot be read as a date");
  return ReadFloat(row, column);
}

std::string SourceTable::ReadTextUtf8(size_t row, std::string_view column) const {
  const SourceValue& v = Value(row, column);
  if (const auto* s = std::get_if<std::string>(&v)) return *s;
  if (const auto* i = std::get_if<int64_t>(&v)) return std::to_string(*i);
  if (const auto* d = std::get_if<double>(&v)) return ShortestDecimal(*d);
  if (const auto* b = std::get_if<bool>(&v)) return *b ? "True" : "False";
  return {};
}

std::string SourceTable::ReadText(size_t row, std::string_view column) const {
  return Utf8ToCodePage(ReadTextUtf8(row, column), codePage_);
}

}  // namespace conv
