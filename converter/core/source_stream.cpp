#include "source_stream.h"

#include <cstring>

namespace conv {
namespace {

constexpr char kMagic[6] = {'V', 'M', 'S', 'R', 'C', '\0'};
constexpr uint32_t kVersion = 1;
constexpr size_t kMaxColumns = 256;

// Bounds-checked cursor; a failed read leaves it failed.
class Cursor {
public:
  explicit Cursor(std::string_view b) : b_(b) {}
  bool ok() const { return ok_; }
  void Fail() { ok_ = false; }
  size_t left() const { return b_.size() - at_; }
  bool Bytes(void* p, size_t n) {
    if (!ok_ || n > left()) return ok_ = false;
    std::memcpy(p, b_.data() + at_, n);
    at_ += n;
    return true;
  }
  uint8_t U8() {
    uint8_t v = 0;
    Bytes(&v, 1);
    return v;
  }
  uint64_t Uint(size_t n) {
    uint8_t raw[8] = {};
    Bytes(raw, n);
    uint64_t v = 0;
    for (size_t i = n; i-- > 0;) v = v << 8 | raw[i];
    return v;
  }
  bool Text(size_t lengthBytes, std::string& s) {
    const uint64_t n = Uint(lengthBytes);
    if (!ok_ || n > left()) return ok_ = false;
    s.assign(b_.data() + at_, static_cast<size_t>(n));
    at_ += static_cast<size_t>(n);
    return true;
  }

private:
  std::string_view b_;
  size_t at_ = 0;
  bool ok_ = true;
};

bool KindKnown(uint8_t k) { return k <= static_cast<uint8_t>(SourceKind::Text); }

// Which cell tags a column of a kind may carry besides Null.
bool CellFits(SourceKind kind, uint8_t tag) {
  switch (kind) {
    case SourceKind::Integer:
      return tag == 1;
    case SourceKind::Float:
    case SourceKind::DateTime:
      return tag == 2;
    case SourceKind::Boolean:
      return tag == 3 || tag == 4;
    case SourceKind::Text:
      return tag == 5;
    case SourceKind::Other:
      return false;
  }
  return false;
}

}  // namespace

SourceStreamWriter::SourceStreamWriter(uint8_t jetVersion) {
  Put(kMagic, sizeof kMagic);
  const uint8_t v[4] = {kVersion, 0, 0, 0};
  Put(v, 4);
  out_.push_back(static_cast<char>(jetVersion));
}

void SourceStreamWriter::PutName(std::string_view s) {
  const size_t n = std::min<size_t>(s.size(), 0xFFFF);
  const uint8_t len[2] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8)};
  Put(len, 2);
  Put(s.data(), n);
}

void SourceStreamWriter::BeginTable(std::string_view name, const std::vector<SourceColumn>& columns) {
  out_.push_back('T');
  PutName(name);
  const uint8_t n[2] = {static_cast<uint8_t>(columns.size()), static_cast<uint8_t>(columns.size() >> 8)};
  Put(n, 2);
  for (const SourceColumn& c : columns) {
    PutName(c.name);
    out_.push_back(static_cast<char>(c.kind));
  }
}

void SourceStreamWriter::Integer(int64_t v) {
  out_.push_back(1);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(static_cast<uint64_t>(v) >> (8 * i));
  Put(b, 8);
}

void SourceStreamWriter::Float(double v) {
  out_.push_back(2);
  uint64_t bits;
  std::memcpy(&bits, &v, 8);
  uint8_t b[8];
  for (int i = 0; i < 8; ++i) b[i] = static_cast<uint8_t>(bits >> (8 * i));
  Put(b, 8);
}

void SourceStreamWriter::Text(std::string_view v) {
  out_.push_back(5);
  const uint32_t n = static_cast<uint32_t>(v.size());
  const uint8_t b[4] = {static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), static_cast<uint8_t>(n >> 16),
                        static_cast<uint8_t>(n >> 24)};
  Put(b, 4);
  Put(v.data(), v.size());
}

std::string SourceStreamWriter::Take() {
  std::string s;
  s.swap(out_);
  return s;
}

bool ParseSourceStream(std::string_view bytes, int codePage, ParsedSource& out, std::string& error) {
  Cursor in(bytes);
  char magic[sizeof kMagic];
  if (!in.Bytes(magic, sizeof magic) || std::memcmp(magic, kMagic, sizeof magic) != 0) {
    error = "the reader's output does not start with its magic";
    return false;
  }
  if (in.Uint(4) != kVersion) {
    error = "the reader's output has an unknown version";
    return false;
  }
  out.jetVersion = in.U8();
  out.tables.clear();
  for (;;) {
    const uint8_t tag = in.U8();
    if (!in.ok()) break;
    if (tag == 'Z') {
      if (in.left() != 0) {
        error = "bytes follow the end of the reader's output";
        return false;
      }
      return true;
    }
    if (tag != 'T') break;
    std::string name;
    in.Text(2, name);
    const uint64_t count = in.Uint(2);
    // Each column needs at least three bytes.
    if (!in.ok() || count == 0 || count > kMaxColumns || count * 3 > in.left()) break;
    std::vector<SourceColumn> columns(static_cast<size_t>(count));
    for (SourceColumn& c : columns) {
      in.Text(2, c.name);
      const uint8_t kind = in.U8();
      if (!KindKnown(kind)) in.Fail();
      c.kind = static_cast<SourceKind>(kind);
    }
    if (!in.ok()) break;
    SourceTable table(std::move(name), columns, codePage);
    bool ended = false;
    while (in.ok() && !ended) {
      const uint8_t marker = in.U8();
      if (marker == 'E') {
        ended = true;
        break;
      }
      if (marker != 'R' || in.left() < columns.size()) break;
      std::vector<SourceValue> row(columns.size());
      for (size_t i = 0; i < columns.size() && in.ok(); ++i) {
        const uint8_t cell = in.U8();
        if (cell == 0) continue;
        if (!CellFits(columns[i].kind, cell)) {
          in.Fail();
          break;
        }
        if (cell == 1) row[i] = static_cast<int64_t>(in.Uint(8));
        if (cell == 2) {
          const uint64_t bits = in.Uint(8);
          double d;
          std::memcpy(&d, &bits, 8);
          row[i] = d;
        }
        if (cell == 3 || cell == 4) row[i] = cell == 4;
        if (cell == 5) {
          std::string s;
          in.Text(4, s);
          row[i] = std::move(s);
        }
      }
      if (in.ok()) table.AddRow(std::move(row));
    }
    if (!ended) break;
    out.tables.push_back(std::move(table));
  }
  error = "the reader's output is malformed or incomplete";
  out.tables.clear();
  return false;
}

}  // namespace conv
