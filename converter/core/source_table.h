// The rows of one table of the old database, as the reader brought them back,
// with the typed reads of the import steps.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "code_page.h"

namespace conv {

// A read that cannot give a value: a Null in a number, a text that is not a
// number, a value out of range, a missing column. The message names the
// table, the column and the row (counted from 1).
class SourceValueError : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// How a column's values come back.
enum class SourceKind : uint8_t {
  Other = 0,  // binary, OLE, GUID, scaled decimal: always reads as Null
  Integer,    // byte, integer, long
  Float,      // single, double, currency
  DateTime,   // day count
  Boolean,
  Text,  // text and memo, UTF-8
};

using SourceValue = std::variant<std::monostate, int64_t, double, bool, std::string>;

struct SourceColumn {
  std::string name;  // UTF-8
  SourceKind kind = SourceKind::Other;
};

class SourceTable {
public:
  SourceTable(std::string name, std::vector<SourceColumn> columns, int codePage = kDefaultCodePage);

  const std::string& name() const { return name_; }
  const std::vector<SourceColumn>& columns() const { return columns_; }
  size_t rowCount() const { return rows_.size(); }

  // Index of a column by name, case-insensitively; -1 when absent.
  int FindColumn(std::string_view name) const;
  bool HasColumn(std::string_view name) const { return FindColumn(name) >= 0; }

  // Typed reads of row (from 0) and column (by name). Each throws
  // SourceValueError for a missing column or a row out of range.
  // libmdb does not tell an empty text from Null: both come back as Null.
  bool IsNull(size_t row, std::string_view column) const;
  // Numbers convert as the platform's variants do: a floating number rounds
  // half to even, a boolean is -1 or 0, a text must spell a number; a Null
  // or a value outside int32 throws.
  int32_t ReadInteger(size_t row, std::string_view column) const;
  double ReadFloat(size_t row, std::string_view column) const;
  // The stored day count (days since 1899-12-30, time of day as fraction),
  // unchanged: no time zone is applied. Null throws.
  double ReadDateTime(size_t row, std::string_view column) const;
  // Text in the table's code page ("?" for what it cannot hold); Null reads
  // as empty, a number as its shortest decimal form.
  std::string ReadText(size_t row, std::string_view column) const;
  std::string ReadTextUtf8(size_t row, std::string_view column) const;
  const SourceValue& Value(size_t row, std::string_view column) const;

  void AddRow(std::vector<SourceValue> values) { rows_.push_back(std::move(values)); }

private:
  const SourceValue& Cell(size_t row, std::string_view column, size_t* index) const;
  [[noreturn]] void Fail(size_t row, size_t column, const std::string& what) const;

  std::string name_;
  std::vector<SourceColumn> columns_;
  std::vector<std::vector<SourceValue>> rows_;
  int codePage_;
};

}  // namespace conv
