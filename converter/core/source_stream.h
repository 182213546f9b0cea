// The compact form in which the reading process hands the tables to the
// converter over a pipe. All integers little-endian.
//
//   "VMSRC\0" magic (6), version u32 = 1, Jet version u8 (0 = Jet 3, 1 = Jet 4, ...)
//   per table:  'T', name (u16 length + UTF-8), column count u16,
//               per column: name (u16 length + UTF-8), kind u8 (SourceKind)
//               per row: 'R', then per column a cell
//               'E' ends the table
//   'Z' ends the stream; nothing may follow.
//   cell: 0 Null | 1 int64 | 2 float64 | 3 false | 4 true | 5 text (u32 length + UTF-8)
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "source_table.h"

namespace conv {

// Appends the stream's pieces to a byte buffer.
class SourceStreamWriter {
public:
  explicit SourceStreamWriter(uint8_t jetVersion);
  void BeginTable(std::string_view name, const std::vector<SourceColumn>& columns);
  void BeginRow() { out_.push_back('R'); }
  void Null() { out_.push_back(0); }
  void Integer(int64_t v);
  void Float(double v);
  void Boolean(bool v) { out_.push_back(v ? 4 : 3); }
  void Text(std::string_view v);
  void EndTable() { out_.push_back('E'); }
  void Finish() { out_.push_back('Z'); }

  // The bytes so far, handed over and cleared, so a writer can stream.
  std::string Take();

private:
  void Put(const void* p, size_t n) { out_.append(static_cast<const char*>(p), n); }
  void PutName(std::string_view s);
  std::string out_;
};

struct ParsedSource {
  uint8_t jetVersion = 0;
  std::vector<SourceTable> tables;
};

// Parses a complete stream; false (with what is wrong in error) for anything
// malformed: a bad magic, a count or length beyond the bytes left, a cell that
// does not match its column's kind, a missing end, trailing bytes.
bool ParseSourceStream(std::string_view bytes, int codePage, ParsedSource& out, std::string& error);

}  // namespace conv
