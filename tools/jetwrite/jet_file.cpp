// Layout of the file, all little-endian, 4096-byte pages:
//
//   page 0   header: 00 01 00 00, "Standard Jet DB", version 1 at 0x14; bytes
//            0x18..0x97 are masked with RC4 under the fixed key C7 DA 39 6B
//   page 1   first page of usage-map records (a data page of no table)
//   page 2   table definition of the catalog MSysObjects
//   then     per user table: its definition page(s), data pages and the long
//            value (memo) pages; the catalog's data pages; further map pages
//
// Data page:   01 01, free bytes (2), owner definition page (4), 0 (4),
//              row count (2) at 12, row offsets (2 each) from 14; rows are
//              packed from the end of the page down. Long-value pages carry
//              "LVAL" in place of the owner.
// Definition:  02 01, free bytes - 8 (2), next definition page (4); from 8 the
//              definition block (length, row count, column counts, usage and
//              free-space map pointers page << 8 | row), 25-byte column
//              descriptors from 63, then the names as byte length (2) + UTF-16.
//              A definition longer than a page continues at offset 8 of the
//              next one.
// Row:         column count (2), fixed area, variable data, end of variable
//              data (2), variable offsets last to first (2 each), their count
//              (2), null mask (bit set = not Null; booleans store their value
//              here). No variable part when the table has no variable column.
#include "jet_file.h"

#include <array>
#include <cstring>
#include <string>

#include "jet_text.h"

namespace jetwrite {
namespace {

constexpr size_t kPageSize = 4096;
constexpr size_t kDataHeader = 14;
constexpr size_t kDefHeader = 8;
constexpr size_t kMaxRowsPerPage = 255;
constexpr size_t kMaxRowBytes = 4060;
constexpr size_t kInlineMemoBytes = 64;
constexpr size_t kMemoPieceBytes = 4000;
constexpr size_t kMaxCompressedMemoChars = 1024;
constexpr size_t kMapBytes = 64;  // bitmap bytes of an inline (type 0) usage map
constexpr size_t kMapPointers = 17;
constexpr size_t kBitsPerMapPage = (kPageSize - 4) * 8;
constexpr uint32_t kCatalogPage = 2;

enum JetType : uint8_t {
  kBool = 0x01,
  kInt = 0x03,
  kLong = 0x04,
  kDouble = 0x07,
  kDateTime = 0x08,
  kText = 0x0A,
  kOle = 0x0B,
  kMemo = 0x0C
};

using Page = std::array<uint8_t, kPageSize>;
using Bytes = std::vector<uint8_t>;

void Put16(uint8_t* p, uint32_t v) {
  p[0] = static_cast<uint8_t>(v);
  p[1] = static_cast<uint8_t>(v >> 8);
}
void Put32(uint8_t* p, uint32_t v) {
  Put16(p, v & 0xFFFF);
  Put16(p + 2, v >> 16);
}
void Append16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Append32(Bytes& b, uint32_t v) {
  Append16(b, v & 0xFFFF);
  Append16(b, v >> 16);
}
void AppendDouble(Bytes& b, double d) {
  uint64_t bits;
  std::memcpy(&bits, &d, 8);
  Append32(b, static_cast<uint32_t>(bits));
  Append32(b, static_cast<uint32_t>(bits >> 32));
}

// One column as the file stores it.
struct ColumnLayout {
  std::u16string name;
  std::string utf8Name;
  JetType type;
  uint16_t size;  // bytes in the fixed area, or the declared byte length of a text
  bool fixed;
  uint16_t fixedOffset = 0;
  uint16_t varIndex = 0;
};

struct TableLayout {
  std::string name;
  std::vector<ColumnLayout> columns;
  const std::vector<std::vector<Value>>* rows;
  bool system = false;
  uint16_t fixedBytes = 0;
  uint16_t varCount = 0;
};

ColumnLayout LayoutOf(const Column& c) {
  ColumnLayout s{*Utf16FromUtf8(c.name), c.name, kLong, 4, true};
  switch (c.type) {
    case ColumnType::Long:
      s.type = kLong, s.size = 4;
      break;
    case ColumnType::Integer:
      s.type = kInt, s.size = 2;
      break;
    case ColumnType::Double:
      s.type = kDouble, s.size = 8;
      break;
    case ColumnType::DateTime:
      s.type = kDateTime, s.size = 8;
      break;
    case ColumnType::Boolean:
      s.type = kBool, s.size = 1;
      break;
    case ColumnType::Text:
      s.type = kText, s.size = static_cast<uint16_t>(2 * c.maxChars), s.fixed = false;
      break;
    case ColumnType::Memo:
      s.type = kMemo, s.size = 0, s.fixed = false;
      break;
  }
  return s;
}

void AssignOffsets(TableLayout& t) {
  for (ColumnLayout& c : t.columns) {
    if (c.fixed) {
      c.fixedOffset = t.fixedBytes;
      if (c.type != kBool) t.fixedBytes = static_cast<uint16_t>(t.fixedBytes + c.size);
    } else {
      c.varIndex = t.varCount++;
    }
  }
}

class FileBuilder {
public:
  uint32_t NewPage() {
    pages_.emplace_back();
    pages_.back().fill(0);
    return static_cast<uint32_t>(pages_.size() - 1);
  }
  uint8_t* At(uint32_t page) { return pages_[page].data(); }
  Bytes Finish() const {
    Bytes out;
    out.reserve(pages_.size() * kPageSize);
    for (const Page& p : pages_) out.insert(out.end(), p.begin(), p.end());
    return out;
  }

private:
  std::vector<Page> pages_;
};

// Packs rows into data pages of one owner; each row's pointer is
// page << 8 | row number.
class RowPacker {
public:
  RowPacker(FileBuilder& file, const uint8_t owner[4]) : file_(file) { std::memcpy(owner_, owner, 4); }

  uint32_t Add(const Bytes& row) {
    if (row.size() > kPageSize - kDataHeader - 2)
      throw Error("a row of " + std::to_string(row.size()) + " bytes");
    // Compared as a sum: a full page leaves less room than the next offset
    // takes, and the difference would wrap.
    if (page_ == 0 || rows_ == kMaxRowsPerPage || end_ < kDataHeader + 2 * (rows_ + 1) + row.size()) Start();
    uint8_t* p = file_.At(page_);
    end_ -= row.size();
    if (!row.empty()) std::memcpy(p + end_, row.data(), row.size());
    Put16(p + kDataHeader + 2 * rows_, static_cast<uint32_t>(end_));
    ++rows_;
    Put16(p + 12, static_cast<uint32_t>(rows_));
    Put16(p + 2, static_cast<uint32_t>(end_ - (kDataHeader + 2 * rows_)));
    return page_ << 8 | static_cast<uint32_t>(rows_ - 1);
  }
  const std::vector<uint32_t>& pages() const { return pages_; }

  // Opens a new page for the rows that follow.
  void Start() {
    page_ = file_.NewPage();
    pages_.push_back(page_);
    uint8_t* p = file_.At(page_);
    p[0] = 0x01;
    p[1] = 0x01;
    std::memcpy(p + 4, owner_, 4);
    rows_ = 0;
    end_ = kPageSize;
    Put16(p + 2, static_cast<uint32_t>(end_ - kDataHeader));
  }

private:
  FileBuilder& file_;
  uint8_t owner_[4];
  uint32_t page_ = 0;
  size_t rows_ = 0;
  size_t end_ = kPageSize;
  std::vector<uint32_t> pages_;
};

RowPacker OwnedBy(FileBuilder& file, uint32_t defPage) {
  uint8_t owner[4];
  Put32(owner, defPage);
  return RowPacker(file, owner);
}

// The 12-byte memo header and what follows it in the row.
Bytes MemoField(const std::u16string& text, RowPacker& longValues) {
  const Bytes data = StoredTextBytes(text, text.size() <= kMaxCompressedMemoChars);
  Bytes field;
  const uint32_t length = static_cast<uint32_t>(data.size());
  auto header = [&](uint8_t flags, uint32_t pointer) {
    Append16(field, length & 0xFFFF);
    field.push_back(static_cast<uint8_t>(length >> 16));
    field.push_back(flags);
    Append32(field, pointer);
    Append32(field, 0);
  };
  if (data.size() <= kInlineMemoBytes) {
    header(0x80, 0);
    field.insert(field.end(), data.begin(), data.end());
  } else if (data.size() <= kMemoPieceBytes) {
    header(0x40, longValues.Add(data));
  } else {
    // A chain of pieces, each led by the pointer to the next; written from
    // the last piece back so every piece knows its successor.
    uint32_t next = 0;
    size_t pieces = (data.size() + kMemoPieceBytes - 1) / kMemoPieceBytes;
    for (size_t i = pieces; i-- > 0;) {
      const size_t from = i * kMemoPieceBytes;
      const size_t to = std::min(data.size(), from + kMemoPieceBytes);
      Bytes piece;
      Append32(piece, next);
      piece.insert(piece.end(), data.begin() + static_cast<std::ptrdiff_t>(from),
                   data.begin() + static_cast<std::ptrdiff_t>(to));
      next = longValues.Add(piece);
    }
    header(0x00, next);
  }
  return field;
}

Bytes EncodeRow(const TableLayout& t, const std::vector<Value>& values, RowPacker& longValues,
                size_t rowNumber) {
  const size_t n = t.columns.size();
  Bytes row;
  Append16(row, static_cast<uint32_t>(n));
  row.resize(2 + t.fixedBytes, 0);
  Bytes nullMask((n + 7) / 8, 0);
  std::vector<uint16_t> varStart(t.varCount, 0);
  for (size_t i = 0; i < n; ++i) {
    const ColumnLayout& c = t.columns[i];
    const Value& v = values[i];
    const bool isNull = std::holds_alternative<std::monostate>(v);
    bool bit = !isNull;
    if (c.type == kBool) bit = std::get<bool>(v);
    if (bit) nullMask[i / 8] = static_cast<uint8_t>(nullMask[i / 8] | (1u << (i % 8)));
    if (c.fixed) {
      if (isNull || c.type == kBool) continue;
      uint8_t* at = row.data() + 2 + c.fixedOffset;
      Bytes b;
      if (c.type == kLong) Append32(b, static_cast<uint32_t>(std::get<int64_t>(v)));
      if (c.type == kInt) Append16(b, static_cast<uint32_t>(std::get<int64_t>(v)));
      if (c.type == kDouble || c.type == kDateTime) AppendDouble(b, std::get<double>(v));
      std::memcpy(at, b.data(), b.size());
    }
  }
  if (t.varCount > 0) {
    for (size_t i = 0; i < n; ++i) {
      const ColumnLayout& c = t.columns[i];
      if (c.fixed) continue;
      varStart[c.varIndex] = static_cast<uint16_t>(row.size());
      const std::string* s = std::get_if<std::string>(&values[i]);
      if (s == nullptr) continue;
      const std::u16string text = *Utf16FromUtf8(*s);
      const Bytes data = c.type == kText ? StoredTextBytes(text, true) : MemoField(text, longValues);
      row.insert(row.end(), data.begin(), data.end());
    }
    const uint32_t end = static_cast<uint32_t>(row.size());
    Append16(row, end);
    for (size_t k = t.varCount; k-- > 0;) Append16(row, varStart[k]);
    Append16(row, t.varCount);
  }
  row.insert(row.end(), nullMask.begin(), nullMask.end());
  if (row.size() > kMaxRowBytes)
    throw Error("table \"" + t.name + "\", row " + std::to_string(rowNumber) + ": " +
                std::to_string(row.size()) + " bytes do not fit in a page (at most " +
                std::to_string(kMaxRowBytes) + ")");
  return row;
}

// The definition block from offset 8 of the first definition page.
Bytes DefinitionBlock(const TableLayout& t, uint32_t usageMap, uint32_t freeMap) {
  Bytes b;
  Append32(b, 0);  // total length, set below
  Append32(b, 0);
  Append32(b, static_cast<uint32_t>(t.rows->size()));
  Append32(b, 0);  // next autonumber
  b.push_back(0x01);
  b.insert(b.end(), 3, 0);
  Append32(b, 0);
  b.insert(b.end(), 8, 0);
  b.push_back(t.system ? 0x53 : 0x4E);
  const uint32_t n = static_cast<uint32_t>(t.columns.size());
  Append16(b, n);  // highest column count a row has
  Append16(b, t.varCount);
  Append16(b, n);
  Append32(b, 0);  // logical indexes
  Append32(b, 0);  // index entries
  Append32(b, usageMap);
  Append32(b, freeMap);
  for (uint32_t i = 0; i < n; ++i) {
    const ColumnLayout& c = t.columns[i];
    b.push_back(c.type);
    Append32(b, 0);
    Append16(b, i);
    Append16(b, c.varIndex);
    Append16(b, i);
    const bool text = c.type == kText || c.type == kMemo;
    Append16(b, text ? 0x0409 : 0);  // general sort order
    Append16(b, 0);
    b.push_back(static_cast<uint8_t>((c.fixed ? 0x01 : 0x00) | (c.type == kBool ? 0 : 0x02)));
    b.push_back(text ? 0x01 : 0x00);  // compressed unicode allowed
    Append32(b, 0);
    Append16(b, c.fixedOffset);
    Append16(b, c.size);
  }
  for (const ColumnLayout& c : t.columns) {
    const Bytes name = Ucs2Bytes(c.name);
    Append16(b, static_cast<uint32_t>(name.size()));
    b.insert(b.end(), name.begin(), name.end());
  }
  Append16(b, 0xFFFF);  // no per-column long-value maps
  Put32(b.data(), static_cast<uint32_t>(b.size()));
  return b;
}

size_t DefinitionPages(size_t blockBytes) {
  return (blockBytes + (kPageSize - kDefHeader) - 1) / (kPageSize - kDefHeader);
}

void WriteDefinition(FileBuilder& file, const std::vector<uint32_t>& pages, const Bytes& block) {
  size_t at = 0;
  for (size_t i = 0; i < pages.size(); ++i) {
    uint8_t* p = file.At(pages[i]);
    const size_t chunk = std::min(block.size() - at, kPageSize - kDefHeader);
    p[0] = 0x02;
    p[1] = 0x01;
    Put16(p + 2, static_cast<uint32_t>(kPageSize - kDefHeader - chunk));
    Put32(p + 4, i + 1 < pages.size() ? pages[i + 1] : 0);
    std::memcpy(p + kDefHeader, block.data() + at, chunk);
    at += chunk;
  }
}

// The usage-map record of a set of pages: an inline bitmap (type 0) when
// their span fits, else pointers to bitmap pages (type 1).
Bytes UsageMap(FileBuilder& file, const std::vector<uint32_t>& pages) {
  Bytes map;
  if (pages.empty()) {
    map.assign(1 + 4 + kMapBytes, 0);
    return map;
  }
  const uint32_t first = pages.front();
  const uint32_t last = pages.back();
  if (last - first < kMapBytes * 8) {
    map.assign(1 + 4 + kMapBytes, 0);
    Put32(map.data() + 1, first);
    for (uint32_t p : pages)
      map[5 + (p - first) / 8] = static_cast<uint8_t>(map[5 + (p - first) / 8] | (1u << ((p - first) % 8)));
    return map;
  }
  map.assign(1 + 4 * kMapPointers, 0);
  map[0] = 0x01;
  const size_t needed = last / kBitsPerMapPage + 1;
  if (needed > kMapPointers) throw Error("the file is too large for a usage map");
  std::vector<uint32_t> bitmapPages(needed, 0);
  for (uint32_t p : pages) {
    const size_t index = p / kBitsPerMapPage;
    if (bitmapPages[index] == 0) {
      bitmapPages[index] = file.NewPage();
      uint8_t* bp = file.At(bitmapPages[index]);
      bp[0] = 0x05;
      bp[1] = 0x01;
      Put32(map.data() + 1 + 4 * index, bitmapPages[index]);
    }
    const size_t bit = p % kBitsPerMapPage;
    uint8_t* bp = file.At(bitmapPages[index]);
    bp[4 + bit / 8] = static_cast<uint8_t>(bp[4 + bit / 8] | (1u << (bit % 8)));
  }
  return map;
}

// RC4 keystream applied in place.
void Rc4(const uint8_t* key, size_t keyLength, uint8_t* data, size_t length) {
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  for (size_t i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % keyLength]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (size_t k = 0, i = 0, j = 0; k < length; ++k) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    data[k] ^= s[(s[i] + s[j]) & 0xFF];
  }
}

void WriteHeader(uint8_t* p, double creationDate) {
  p[1] = 0x01;
  std::memcpy(p + 4, "Standard Jet DB", 15);
  Put32(p + 0x14, 1);  // Jet 4
  Put16(p + 0x3C, 1252);
  Put32(p + 0x3E, 0);  // no page encryption
  // An empty password is stored as the mask itself: the integer part of the
  // creation date, repeated.
  const int32_t mask = static_cast<int32_t>(creationDate);
  for (int i = 0; i < 40; i += 4) Put32(p + 0x42 + i, static_cast<uint32_t>(mask));
  Put32(p + 0x6E, 0x0409);  // general sort order
  Bytes date;
  AppendDouble(date, creationDate);
  std::memcpy(p + 0x72, date.data(), 8);
  static const uint8_t kHeaderKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
  Rc4(kHeaderKey, 4, p + 0x18, 128);
}

TableLayout CatalogLayout(const std::vector<std::vector<Value>>* rows) {
  TableLayout t;
  t.name = "MSysObjects";
  t.rows = rows;
  t.system = true;
  auto col = [](const char16_t* name, JetType type, uint16_t size, bool fixed) {
    std::u16string n(name);
    return ColumnLayout{n, std::string(n.begin(), n.end()), type, size, fixed};
  };
  t.columns = {col(u"Id", kLong, 4, true),
               col(u"ParentId", kLong, 4, true),
               col(u"Name", kText, 256, false),
               col(u"Type", kInt, 2, true),
               col(u"Flags", kLong, 4, true),
               col(u"DateCreate", kDateTime, 8, true),
               col(u"DateUpdate", kDateTime, 8, true),
               col(u"LvProp", kOle, 0, false)};
  AssignOffsets(t);
  return t;
}

struct Placed {
  TableLayout layout;
  std::vector<uint32_t> defPages;
  std::vector<uint32_t> dataPages;
};

std::vector<uint32_t> ReservePages(FileBuilder& file, size_t count) {
  std::vector<uint32_t> pages;
  for (size_t i = 0; i < count; ++i) pages.push_back(file.NewPage());
  return pages;
}

}  // namespace

std::vector<uint8_t> BuildJetFile(const std::vector<std::unique_ptr<Table>>& tables, double creationDate) {
  FileBuilder file;
  file.NewPage();  // header
  uint8_t noOwner[4] = {0, 0, 0, 0};
  RowPacker maps(file, noOwner);
  maps.Start();  // page 1 holds the first usage-map records

  std::vector<std::vector<Value>> catalogRows;
  std::vector<Placed> placed;
  placed.push_back({CatalogLayout(&catalogRows), {}, {}});
  placed[0].defPages = ReservePages(file, DefinitionPages(DefinitionBlock(placed[0].layout, 0, 0).size()));

  for (const auto& table : tables) {
    Placed p;
    p.layout.name = table->name();
    p.layout.rows = &table->rows();
    for (const Column& c : table->columns()) p.layout.columns.push_back(LayoutOf(c));
    AssignOffsets(p.layout);
    p.defPages = ReservePages(file, DefinitionPages(DefinitionBlock(p.layout, 0, 0).size()));
    RowPacker data = OwnedBy(file, p.defPages.front());
    const uint8_t lval[4] = {'L', 'V', 'A', 'L'};
    RowPacker longValues(file, lval);
    size_t rowNumber = 0;
    for (const auto& row : table->rows()) data.Add(EncodeRow(p.layout, row, longValues, ++rowNumber));
    p.dataPages = data.pages();
    placed.push_back(std::move(p));
  }

  const Value systemFlags = static_cast<int64_t>(INT32_MIN + 2);  // 0x80000002
  catalogRows.push_back({static_cast<int64_t>(kCatalogPage), static_cast<int64_t>(0),
                         std::string("MSysObjects"), static_cast<int64_t>(1), systemFlags, creationDate,
                         creationDate, kNull});
  for (size_t i = 1; i < placed.size(); ++i) {
    catalogRows.push_back({static_cast<int64_t>(placed[i].defPages.front()), static_cast<int64_t>(0),
                           placed[i].layout.name, static_cast<int64_t>(1), static_cast<int64_t>(0),
                           creationDate, creationDate, kNull});
  }
  {
    RowPacker data = OwnedBy(file, kCatalogPage);
    RowPacker unused(file, noOwner);
    size_t rowNumber = 0;
    for (const auto& row : catalogRows) data.Add(EncodeRow(placed[0].layout, row, unused, ++rowNumber));
    placed[0].dataPages = data.pages();
  }

  for (Placed& p : placed) {
    const uint32_t usage = maps.Add(UsageMap(file, p.dataPages));
    const uint32_t free = maps.Add(UsageMap(file, p.dataPages));
    WriteDefinition(file, p.defPages, DefinitionBlock(p.layout, usage, free));
  }
  WriteHeader(file.At(0), creationDate);
  return file.Finish();
}

}  // namespace jetwrite
