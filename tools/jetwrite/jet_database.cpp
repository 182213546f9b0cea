// Tables and their checks: every value is checked when its row is added, so a
// database that exists can always be written (only a too large row is found
// at build time, when its memos are laid out).
#include <cmath>
#include <fstream>
#include <limits>

#include "jet_file.h"
#include "jet_text.h"
#include "jetwrite/jet_database.h"

namespace jetwrite {
namespace {

constexpr size_t kMaxNameChars = 64;
constexpr size_t kMaxColumns = 255;
constexpr size_t kMaxMemoChars = 65535;

const char* TypeName(ColumnType type) {
  switch (type) {
    case ColumnType::Long:
      return "long";
    case ColumnType::Integer:
      return "integer";
    case ColumnType::Double:
      return "double";
    case ColumnType::DateTime:
      return "datetime";
    case ColumnType::Boolean:
      return "boolean";
    case ColumnType::Text:
      return "text";
    case ColumnType::Memo:
      return "memo";
  }
  return "?";
}

void CheckName(const std::string& name, const std::string& what) {
  const auto wide = Utf16FromUtf8(name);
  if (!wide) throw Error(what + " name is not valid UTF-8");
  if (wide->empty() || wide->size() > kMaxNameChars)
    throw Error(what + " name \"" + name + "\" must have 1 to 64 characters");
}

// Checks one value against its column; returns it in the kind stored.
Value Checked(const Column& column, Value value) {
  if (std::holds_alternative<std::monostate>(value)) {
    if (column.type == ColumnType::Boolean) throw Error("a boolean cannot be Null");
    return value;
  }
  switch (column.type) {
    case ColumnType::Long:
    case ColumnType::Integer: {
      const int64_t* v = std::get_if<int64_t>(&value);
      if (v == nullptr) throw Error("an integer is expected");
      const int64_t lo = column.type == ColumnType::Long ? std::numeric_limits<int32_t>::min() : -32768;
      const int64_t hi = column.type == ColumnType::Long ? std::numeric_limits<int32_t>::max() : 32767;
      if (*v < lo || *v > hi) throw Error("value " + std::to_string(*v) + " out of range");
      return value;
    }
    case ColumnType::Double:
    case ColumnType::DateTime:
      if (const int64_t* v = std::get_if<int64_t>(&value)) return static_cast<double>(*v);
      if (!std::holds_alternative<double>(value)) throw Error("a number is expected");
      return value;
    case ColumnType::Boolean:
      if (!std::holds_alternative<bool>(value)) throw Error("a boolean is expected");
      return value;
    case ColumnType::Text:
    case ColumnType::Memo: {
      const std::string* s = std::get_if<std::string>(&value);
      if (s == nullptr) throw Error("a text is expected");
      const auto wide = Utf16FromUtf8(*s);
      if (!wide) throw Error("text is not valid UTF-8");
      const size_t limit =
          column.type == ColumnType::Text ? static_cast<size_t>(column.maxChars) : kMaxMemoChars;
      if (wide->size() > limit)
        throw Error("text of " + std::to_string(wide->size()) + " characters is too long");
      return value;
    }
  }
  return value;
}

}  // namespace

Table::Table(std::string name, std::vector<Column> columns)
    : name_(std::move(name)), columns_(std::move(columns)) {
  CheckName(name_, "table");
  if (columns_.empty() || columns_.size() > kMaxColumns)
    throw Error("table \"" + name_ + "\" must have 1 to 255 columns");
  for (size_t i = 0; i < columns_.size(); ++i) {
    const Column& c = columns_[i];
    CheckName(c.name, "column");
    if (c.type == ColumnType::Text && (c.maxChars < 1 || c.maxChars > 255))
      throw Error("text column \"" + c.name + "\" must hold 1 to 255 characters");
    for (size_t k = 0; k < i; ++k) {
      if (SameName(columns_[k].name, c.name))
        throw Error("table \"" + name_ + "\" has two columns named \"" + c.name + "\"");
    }
  }
}

void Table::AddRow(std::vector<Value> values) {
  if (values.size() != columns_.size())
    throw Error("table \"" + name_ + "\": a row of " + std::to_string(values.size()) + " values for " +
                std::to_string(columns_.size()) + " columns");
  for (size_t i = 0; i < values.size(); ++i) {
    try {
      values[i] = Checked(columns_[i], std::move(values[i]));
    } catch (const Error& e) {
      throw Error("table \"" + name_ + "\", column \"" + columns_[i].name + "\" (" +
                  TypeName(columns_[i].type) + "), row " + std::to_string(rows_.size() + 1) + ": " +
                  e.what());
    }
  }
  rows_.push_back(std::move(values));
}

Table& Database::AddTable(std::string name, std::vector<Column> columns) {
  if (FindTable(name) != nullptr) throw Error("a table named \"" + name + "\" exists already");
  if (SameName(name.substr(0, 4), "MSys")) throw Error("table names beginning with MSys are reserved");
  tables_.push_back(std::make_unique<Table>(std::move(name), std::move(columns)));
  return *tables_.back();
}

Table* Database::FindTable(const std::string& name) {
  for (auto& t : tables_) {
    if (SameName(t->name(), name)) return t.get();
  }
  return nullptr;
}

void Database::SetCreationDate(double dayCount) {
  if (!(dayCount >= -657434.0 && dayCount < 2958466.0))
    throw Error("creation date " + std::to_string(dayCount) +
                " is not a date between the years 100 and 9999");
  creationDate_ = dayCount;
}

std::vector<uint8_t> Database::Build() const { return BuildJetFile(tables_, creationDate_); }

void Database::Write(const std::filesystem::path& path) const {
  const std::vector<uint8_t> bytes = Build();
  {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out)
      out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (out) out.close();
    if (out) return;
  }
  std::error_code ignored;
  std::filesystem::remove(path, ignored);
  throw Error("cannot write " + path.string());
}

}  // namespace jetwrite
