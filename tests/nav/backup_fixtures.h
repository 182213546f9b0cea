// Helpers of the archive tests: source files, an independent reader of the
// archive's directory, and owners for library objects.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "nav/track_fixtures.h"
#include "support/test_support.h"
#include "vmlib/backup.h"

namespace backuptest {

using tracktest::Bytes;
using tracktest::ReadFile;
using tracktest::S;
using tracktest::WriteFile;

struct ObjectDeleter {
  void operator()(CObject* o) const { ObjectDelete(o); }
};
template <class T>
using Owned = std::unique_ptr<T, ObjectDeleter>;

inline std::string T(const Str* s) { return s == nullptr ? "<null>" : std::string(s->text, s->length); }
inline std::vector<uint8_t> Text(const std::string& s) { return {s.begin(), s.end()}; }

// A list of paths for the writer.
inline Owned<StrList> Paths(const std::vector<std::string>& paths) {
  Owned<StrList> list(StrListCreate());
  for (const std::string& p : paths) list->Add(S(p), nullptr);
  return list;
}

// Writes a small valid track file (two points, times on) named name.
inline void MakeTrack(const std::string& path, const std::string& name, double shift = 0) {
  constexpr double kDeg = 3.14159265358979323846 / 180.0;
  tracktest::Track t(NavTrackCreate1(0));
  t->SetName(S(name));
  int32_t err = 0;
  const double a[2] = {(52 + shift) * kDeg, 5 * kDeg};
  const double b[2] = {(52 + shift) * kDeg + 1e-5, 5 * kDeg + 2e-5};
  t->AddTrackPoint(45000.5, a, &err);
  t->AddTrackPoint(45000.5 + 10.0 / 86400, b, &err);
  t->SaveToFile(S(path), &err);
  ASSERT_EQ(err, 0);
}

// A cursor over archive bytes that fails the test on reading past the end.
struct Reader {
  const std::vector<uint8_t>& b;
  size_t at = 0;
  uint64_t le(int n) {  // n <= 8
    EXPECT_LE(at + n, b.size()) << "read past the end at " << at;
    if (at + n > b.size()) return 0;
    uint64_t v = 0;
    for (int i = 0; i < n; ++i) v |= static_cast<uint64_t>(b[at + i]) << (8 * i);
    at += n;
    return v;
  }
  uint8_t u8() { return static_cast<uint8_t>(le(1)); }
  uint32_t u32() { return static_cast<uint32_t>(le(4)); }
  int64_t i64() { return static_cast<int64_t>(le(8)); }
  std::string text(size_t n) {
    EXPECT_LE(at + n, b.size());
    if (at + n > b.size()) return {};
    std::string s(b.begin() + at, b.begin() + at + n);
    at += n;
    return s;
  }
  std::string str8() { return text(u8()); }
  std::vector<uint8_t> bytes(size_t n) {
    std::vector<uint8_t> out(b.begin() + at, b.begin() + at + n);
    at += n;
    return out;
  }
};

struct Entry {
  std::string name;
  int64_t offset;
  int64_t size;
};
struct Directory {
  std::vector<Entry> charts, logbooks, profilesA, profilesB, tracks;
  int64_t dbFileOffset, dbFileSize, embeddedOffset, embeddedSize;
};

inline std::vector<Entry> ReadList(Reader& r) {
  std::vector<Entry> out(r.u32());
  for (Entry& e : out) {
    e.name = r.str8();
    e.offset = r.i64();
    e.size = r.i64();
  }
  return out;
}

// Reads the header and directory the way the format lays them out.
inline Directory ReadDirectory(const std::vector<uint8_t>& bytes) {
  Reader r{bytes};
  EXPECT_EQ(r.text(13), "Ankrum4Backup");
  EXPECT_EQ(r.u32(), 0x01000000u);
  r.u8();
  r.at = static_cast<size_t>(r.i64());
  Directory d;
  d.charts = ReadList(r);
  d.dbFileOffset = r.i64();
  d.dbFileSize = r.i64();
  d.embeddedOffset = r.i64();
  d.embeddedSize = r.i64();
  d.logbooks = ReadList(r);
  d.profilesA = ReadList(r);
  d.profilesB = ReadList(r);
  d.tracks = ReadList(r);
  EXPECT_EQ(r.at, bytes.size()) << "the directory is the last thing in the file";
  return d;
}

// The name and bytes of the file record at offset whose file size is size.
inline std::pair<std::string, std::vector<uint8_t>> FileRecord(const std::vector<uint8_t>& archive,
                                                               int64_t offset, int64_t size) {
  Reader r{archive, static_cast<size_t>(offset)};
  const std::string name = r.text(r.u32());
  return {name, r.bytes(static_cast<size_t>(size))};
}

// Writes a logbook file with entries of (text, attachments of kind and name).
struct Attachment {
  uint8_t kind;
  std::string file;
};
inline void MakeLogbook(const std::string& path, const std::string& name,
                        const std::vector<std::vector<Attachment>>& entries) {
  Owned<CNavLogbook> book(NavLogbookCreate(S(name)));
  for (size_t e = 0; e < entries.size(); ++e) {
    CNavLogbookEntry* entry = book->AddEntry(S("entry " + std::to_string(e)));
    for (const Attachment& a : entries[e]) entry->AddAttachment(a.kind, S(a.file));
  }
  int32_t err = -1;
  book->SaveToFile(S(path), &err);
  ASSERT_EQ(err, 0);
}

// Every regular file below folder, as paths relative to it.
inline std::vector<std::string> FilesBelow(const std::filesystem::path& folder) {
  std::vector<std::string> out;
  for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
    if (e.is_regular_file()) out.push_back(std::filesystem::relative(e.path(), folder).string());
  std::sort(out.begin(), out.end());
  return out;
}

}  // namespace backuptest
