// jetwrite: builds Jet 4 (Access 2000 format, .mdb) databases for test
// fixtures and the bundled sample. Tables are written without indexes; the
// files are meant to be read, never updated in place.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <stdexcept>
#include <string>
#include <variant>
#include <vector>

namespace jetwrite {

// Every failure of this library: a bad table or column definition, a value
// that does not fit its column, a row too large for a page, a file that cannot
// be written. The message names the table, column and row concerned.
class Error : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

enum class ColumnType {
  Long,      // 32-bit signed integer
  Integer,   // 16-bit signed integer
  Double,    // 64-bit floating number
  DateTime,  // day count: days since 1899-12-30 00:00, time of day as fraction
  Boolean,   // stored in the row's null mask, so it can never be Null
  Text,      // up to maxChars characters (1 to 255)
  Memo,      // long text, up to 65 535 characters
};

struct Column {
  std::string name;  // UTF-8, 1 to 64 characters, unique in the table (case-insensitive)
  ColumnType type = ColumnType::Long;
  int maxChars = 255;  // Text only: the declared length in characters
};

// A cell: Null, an integer (Long, Integer; also accepted by Double and
// DateTime), a floating number (Double, DateTime), a boolean, or UTF-8 text
// (Text, Memo).
using Value = std::variant<std::monostate, int64_t, double, bool, std::string>;
inline const Value kNull{};

class Table {
public:
  Table(std::string name, std::vector<Column> columns);

  const std::string& name() const { return name_; }
  const std::vector<Column>& columns() const { return columns_; }
  const std::vector<std::vector<Value>>& rows() const { return rows_; }

  // Appends a row of exactly one value per column. Throws Error when a value
  // does not suit its column (wrong kind, out of range, text too long, a Null
  // boolean, malformed UTF-8); the table is unchanged then.
  void AddRow(std::vector<Value> values);

private:
  std::string name_;
  std::vector<Column> columns_;
  std::vector<std::vector<Value>> rows_;
};

class Database {
public:
  // Adds an empty table; throws Error for an empty, too long or duplicate
  // (case-insensitive) name or a bad column list. The reference stays valid
  // while the database lives.
  Table& AddTable(std::string name, std::vector<Column> columns);
  Table* FindTable(const std::string& name);
  const std::vector<std::unique_ptr<Table>>& tables() const { return tables_; }

  // The creation date stored in the header (a day count from -657434, year
  // 100, to 2958465, year 9999); fixed by default so that the same
  // description always gives the same bytes. Throws Error outside that range.
  void SetCreationDate(double dayCount);

  // The whole file. Throws Error when a row does not fit in a page.
  std::vector<uint8_t> Build() const;
  // Builds and writes the file; throws Error when it cannot be written (a
  // partly written file is removed).
  void Write(const std::filesystem::path& path) const;

private:
  std::vector<std::unique_ptr<Table>> tables_;
  double creationDate_ = 44927.5;  // 2023-01-01 12:00
};

}  // namespace jetwrite
