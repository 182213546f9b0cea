#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <ctime>

#include "core/files/files_test_util.h"
#include "core/files/wildcard.h"
#include "support/test_support.h"
#include "vmlib/files.h"

using namespace filestest;

namespace {

class FileExports : public ::testing::Test {
protected:
  std::string P(const std::string& name) const { return dir.str() + "/" + name; }
  vmtest::TempDir dir;
  int32_t err = -1;
};

TEST_F(FileExports, DispositionsCreateOpenOrRefuse) {
  const auto path = S(P("a.bin"));
  const uint32_t rw = kFileAccessRead | kFileAccessWrite;
  EXPECT_EQ(FileCreate(path.get(), rw, 0, kFileOpenExisting, 0, &err), kInvalidFileHandle);
  EXPECT_EQ(err, 0x10000);
  FileHandle h = FileCreate(path.get(), rw, 0, kFileCreateNew, kFileAttributeNormal, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  EXPECT_EQ(err, 0);
  uint32_t done = 0;
  EXPECT_TRUE(FileWrite(h, "hello", 5, &done, nullptr, &err));
  EXPECT_EQ(done, 5u);
  EXPECT_TRUE(FileClose(h, &err));
  // CREATE_NEW on an existing file: not a mapped error, so the default.
  EXPECT_EQ(FileCreate(path.get(), rw, 0, kFileCreateNew, 0, &err), kInvalidFileHandle);
  EXPECT_EQ(err, 0x10001);
  h = FileCreate(path.get(), kFileAccessRead, kFileShareRead, kFileOpenAlways, 0, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  EXPECT_EQ(FileGetSize(h, &err), 5);
  FileClose(h, &err);
  h = FileCreate(path.get(), kFileAccessWrite, 0, kFileTruncateExisting, 0, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  EXPECT_EQ(FileGetSize(h, &err), 0);
  FileClose(h, &err);
  EXPECT_EQ(FileCreate(path.get(), rw, 0, 99, 0, &err), kInvalidFileHandle);
  EXPECT_EQ(err, 0x10001);
}

TEST_F(FileExports, ReadWriteSeekAndEndOfFile) {
  const auto path = S(P("b.bin"));
  FileHandle h = FileCreate(path.get(), kFileAccessRead | kFileAccessWrite, 0, kFileCreateAlways, 0, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  uint32_t done = 99;
  EXPECT_TRUE(FileRead(h, nullptr, 0, &done, nullptr, &err));  // count 0 reads nothing
  EXPECT_EQ(done, 0u);
  FileWrite(h, "0123456789", 10, &done, nullptr, &err);
  EXPECT_EQ(FileSeek(h, 4, 0, kFileBegin, &err), 4);
  char buf[16] = {};
  EXPECT_TRUE(FileRead(h, buf, 16, &done, nullptr, &err));
  EXPECT_EQ(done, 6u);
  EXPECT_EQ(std::string(buf, done), "456789");
  EXPECT_TRUE(FileRead(h, buf, 16, &done, nullptr, &err));  // at the end: 0 bytes, no error
  EXPECT_EQ(done, 0u);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(FileSeek(h, static_cast<uint32_t>(-3), -1, kFileEnd, &err), 7);
  EXPECT_TRUE(FileSetEOF(h, &err));
  EXPECT_EQ(FileGetSize(h, &err), 7);
  EXPECT_EQ(FileSeek(h, static_cast<uint32_t>(-100), -1, kFileCurrent, &err), -1);
  EXPECT_EQ(err, 0x1000C);
  EXPECT_EQ(FileSeek(h, 0, 0, 7, &err), -1);
  EXPECT_EQ(err, 0x1000C);
  // A 64-bit position whose low half is all ones is a success.
  EXPECT_EQ(FileSeek(h, 0xFFFFFFFFu, 0, kFileBegin, &err), 0xFFFFFFFFLL);
  EXPECT_EQ(err, 0);
  EXPECT_TRUE(FileFlushBuffers(h, &err));
  EXPECT_TRUE(FileClose(h, &err));
  EXPECT_EQ(ReadAll(P("b.bin")), "0123456");
}

TEST_F(FileExports, OperationsOnAClosedHandleFailWithTheirDefaults) {
  const FileHandle bad = 1000000;
  uint32_t done = 0;
  char c;
  EXPECT_FALSE(FileRead(bad, &c, 1, &done, nullptr, &err));
  EXPECT_EQ(err, 0x10008);
  EXPECT_FALSE(FileWrite(bad, &c, 1, &done, nullptr, &err));
  EXPECT_EQ(err, 0x1000A);
  EXPECT_EQ(FileGetSize(bad, &err), 0);
  EXPECT_EQ(err, 0x10011);
  EXPECT_FALSE(FileSetEOF(bad, &err));
  EXPECT_EQ(err, 0x10012);
  EXPECT_FALSE(FileFlushBuffers(bad, &err));
  EXPECT_EQ(err, 0x10015);
  EXPECT_FALSE(FileGetTimeUTC(bad, nullptr, nullptr, nullptr, &err));
  EXPECT_EQ(err, 0x1000F);
}

TEST_F(FileExports, WritingThroughAReadOnlyHandleIsWriteAccessDenied) {
  WriteAll(P("r.bin"), "abc");
  const auto path = S(P("r.bin"));
  FileHandle h = FileCreate(path.get(), kFileAccessRead, 0, kFileOpenExisting, 0, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  uint32_t done = 0;
  EXPECT_FALSE(FileWrite(h, "x", 1, &done, nullptr, &err));
  EXPECT_EQ(err, 0x10005);
  EXPECT_FALSE(FileSetEOF(h, &err));
  EXPECT_EQ(err, 0x10005);
  FileClose(h, &err);
}

TEST_F(FileExports, SizeByPathIsTheFull64BitSize) {
  const std::string big = P("big.bin");
  const int fd = ::open(big.c_str(), O_CREAT | O_WRONLY, 0644);
  ASSERT_GE(fd, 0);
  const off_t size = (off_t{5} << 30) + 3;  // 5 GiB + 3, sparse
  ASSERT_EQ(::ftruncate(fd, size), 0);
  ::close(fd);
  EXPECT_EQ(FileGetSize_F(S(big).get(), &err), size);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(FileGetSize_F(S(P("none")).get(), &err), 0);
  EXPECT_EQ(err, 0x10000);
}

TEST_F(FileExports, TimesRoundTripAndLocalDayCount) {
  WriteAll(P("t.txt"), "x");
  const auto path = S(P("t.txt"));
  // 2020-02-29 12:00:00 UTC in file-time ticks.
  const time_t unix = 1582977600;
  const FileTime written = (static_cast<FileTime>(unix) + 11644473600ULL) * 10000000ULL + 1234500;
  const FileTime accessed = written - 864000000000ULL;  // one day earlier
  EXPECT_TRUE(FileSetTimeUTC_F(path.get(), nullptr, &accessed, &written, &err));
  FileTime c = 0, a = 0, w = 0;
  EXPECT_TRUE(FileGetTimeUTC_F(path.get(), &c, &a, &w, &err));
  EXPECT_EQ(w, written);
  EXPECT_EQ(a, accessed);
  EXPECT_NE(c, 0u);
  struct tm local {};
  ::localtime_r(&unix, &local);
  const double expected = (static_cast<double>(unix + local.tm_gmtoff) + 0.12345) / 86400.0 + 25569.0;
  EXPECT_NEAR(FileGetTimeModified(path.get(), &err), expected, 1e-9);
  EXPECT_GT(FileGetTimeCreated(path.get(), &err), 40000.0);  // after 2009
  EXPECT_EQ(FileGetTimeModified(S(P("none")).get(), &err), 0.0);
  EXPECT_EQ(err, 0x10000);
  EXPECT_FALSE(FileSetTimeUTC_F(S(P("none")).get(), nullptr, nullptr, &written, &err));
  EXPECT_EQ(err, 0x10000);
}

TEST_F(FileExports, AttributesFollowPermissionsAndNames) {
  WriteAll(P("n.txt"), "x");
  WriteAll(P(".hidden"), "x");
  ::mkdir(P("sub").c_str(), 0755);
  EXPECT_EQ(FileGetAttributes(S(P("n.txt")).get(), &err), kFileAttributeNormal);
  EXPECT_EQ(FileGetAttributes(S(P(".hidden")).get(), &err), kFileAttributeHidden);
  EXPECT_EQ(FileGetAttributes(S(P("sub")).get(), &err), kFileAttributeDirectory);
  EXPECT_EQ(FileGetAttributes(S(P("none")).get(), &err), kFileAttributeInvalid);
  EXPECT_EQ(err, 0x10000);

  const auto path = S(P("n.txt"));
  EXPECT_TRUE(FileSetReadOnly(path.get(), true, &err));
  EXPECT_EQ(FileGetAttributes(path.get(), &err), kFileAttributeReadOnly);
  struct stat st {};
  ::stat(P("n.txt").c_str(), &st);
  EXPECT_EQ(st.st_mode & 0222, 0u);
  EXPECT_TRUE(FileSetReadOnly(path.get(), true, &err));  // unchanged
  EXPECT_TRUE(FileSetReadOnly(path.get(), false, &err));
  EXPECT_EQ(FileGetAttributes(path.get(), &err), kFileAttributeNormal);
  EXPECT_FALSE(FileSetReadOnly(S(P("none")).get(), true, &err));
  EXPECT_EQ(err, 0x10000);
}

TEST_F(FileExports, ReadOnlyFilesAndFoldersRefuseWritingAndDeleting) {
  WriteAll(P("ro.txt"), "keep");
  const auto path = S(P("ro.txt"));
  ASSERT_TRUE(FileSetReadOnly(path.get(), true, &err));
  EXPECT_EQ(FileCreate(path.get(), kFileAccessWrite, 0, kFileOpenExisting, 0, &err), kInvalidFileHandle);
  EXPECT_EQ(err, 0x10005);
  EXPECT_EQ(FileCreate(path.get(), kFileAccessRead | kFileAccessWrite, 0, kFileCreateAlways, 0, &err),
            kInvalidFileHandle);
  EXPECT_EQ(err, 0x10003);
  EXPECT_FALSE(FileDelete(path.get(), &err));
  EXPECT_EQ(err, 0x10005);
  EXPECT_EQ(ReadAll(P("ro.txt")), "keep");
  ::mkdir(P("d").c_str(), 0755);
  EXPECT_EQ(FileCreate(S(P("d")).get(), kFileAccessRead, 0, kFileOpenExisting, 0, &err), kInvalidFileHandle);
  EXPECT_EQ(err, 0x10004);
  EXPECT_FALSE(FileDelete(S(P("d")).get(), &err));
  EXPECT_EQ(err, 0x10005);
  // A read-only file can still be created read-only and read.
  const auto made = S(P("made-ro.txt"));
  FileHandle h = FileCreate(made.get(), kFileAccessWrite, 0, kFileCreateNew, kFileAttributeReadOnly, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  FileClose(h, &err);
  EXPECT_EQ(FileGetAttributes(made.get(), &err), kFileAttributeReadOnly);
}

TEST_F(FileExports, DeleteAndRenameNeverReplace) {
  WriteAll(P("a"), "A");
  WriteAll(P("b"), "B");
  EXPECT_FALSE(FileRename(S(P("a")).get(), S(P("b")).get(), &err));
  EXPECT_EQ(err, 0x1000E);
  EXPECT_EQ(ReadAll(P("b")), "B");
  EXPECT_TRUE(FileRename(S(P("a")).get(), S(P("c")).get(), &err));
  EXPECT_EQ(ReadAll(P("c")), "A");
  EXPECT_FALSE(FileRename(S(P("a")).get(), S(P("d")).get(), &err));
  EXPECT_EQ(err, 0x10000);
  EXPECT_FALSE(FileRename(S(P("c")).get(), S(P("no/d")).get(), &err));
  EXPECT_EQ(err, 0x15);
  EXPECT_TRUE(FileDelete(S(P("c")).get(), &err));
  EXPECT_FALSE(Exists(P("c")));
  EXPECT_FALSE(FileDelete(S(P("c")).get(), &err));
  EXPECT_EQ(err, 0x10000);
}

TEST_F(FileExports, FindListsMatchingEntriesWithTheirData) {
  WriteAll(P("Track1.TRK"), "12345");
  WriteAll(P("track2.trk"), "1");
  WriteAll(P("notes.txt"), "");
  ::mkdir(P("folder.trk").c_str(), 0755);
  FileFindHandle search = nullptr;
  FileFindData data{};
  std::vector<std::string> names;
  ASSERT_TRUE(FileFindFirst(S(P("*.trk")).get(), &search, &data, &err));
  EXPECT_EQ(err, 0);
  do {
    names.push_back(data.name);
    if (names.back() == "Track1.TRK") {
      EXPECT_EQ(data.size, 5);
      EXPECT_EQ(data.attributes, kFileAttributeNormal);
      EXPECT_NE(data.written, 0u);
    }
    if (names.back() == "folder.trk") {
      EXPECT_EQ(data.attributes, kFileAttributeDirectory);
    }
  } while (FileFindNext(search, &data, &err));
  EXPECT_EQ(err, 0);  // the end is no error
  EXPECT_TRUE(FileFindClose(search));
  EXPECT_EQ(names, (std::vector<std::string>{"Track1.TRK", "folder.trk", "track2.trk"}));

  EXPECT_FALSE(FileFindFirst(S(P("*.gpx")).get(), &search, &data, &err));
  EXPECT_EQ(err, 0);
  EXPECT_EQ(search, nullptr);
  EXPECT_FALSE(FileFindFirst(S(P("missing/*.trk")).get(), &search, &data, &err));
  EXPECT_EQ(err, 0x15);
  ASSERT_TRUE(FileFindFirst(S(P("NOTES.TXT")).get(), &search, &data, &err));  // no wildcard, any case
  EXPECT_STREQ(data.name, "notes.txt");
  EXPECT_FALSE(FileFindNext(search, &data, &err));
  FileFindClose(search);
  EXPECT_FALSE(FileFindClose(nullptr));
}

TEST(Wildcard, MatchesLikeWindowsSearches) {
  struct Case {
    const char* pattern;
    const char* name;
    bool match;
  };
  const Case cases[] = {
      {"*", "anything", true},
      {"*.*", "noext", true},
      {"*.*", "a.b", true},
      {"*.trk", "A.TRK", true},
      {"*.trk", "a.trkx", false},
      {"?.txt", "a.txt", true},
      {"?.txt", "ab.txt", false},
      {"?.txt", "\xC3\xA9.txt", true},  // one UTF-8 character
      {"a*b*c", "axxbyyc", true},
      {"a*b*c", "axxbyy", false},
      {"*a", "banana", true},
      {"", "", true},
      {"", "a", false},
      {"**", "", true},
      {"\xC3\xA9", "\xC3\x89", false},  // only ASCII folds
  };
  for (const Case& c : cases) {
    EXPECT_EQ(vm::files::WildcardMatch(c.pattern, c.name), c.match) << c.pattern << " vs " << c.name;
  }
}

TEST_F(FileExports, ChecksumsXorLittleEndianWordsAndRestoreThePointer) {
  struct Case {
    std::string bytes;
    uint32_t sum32;
    uint64_t sum64;
  };
  const Case cases[] = {
      {"", 0, 0},
      {"\x01\x02\x03\x04\x05", 0x04030204u, 0x0000000504030201ull},
      {std::string("\x01\x00\x00\x00\x01\x00\x00\x00", 8), 0, 0x0000000100000001ull},
      {"\xFF", 0xFFu, 0xFFull},
  };
  for (const Case& c : cases) {
    WriteAll(P("c.bin"), c.bytes);
    FileHandle h = FileCreate(S(P("c.bin")).get(), kFileAccessRead, 0, kFileOpenExisting, 0, &err);
    ASSERT_NE(h, kInvalidFileHandle);
    FileSeek(h, 1, 0, kFileBegin, &err);
    EXPECT_EQ(FileGetChecksum32(h, &err), c.sum32);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(FileGetChecksum64(h, &err), c.sum64);
    EXPECT_EQ(FileSeek(h, 0, 0, kFileCurrent, &err), 1);
    FileClose(h, &err);
  }
  // Pieces of 65536 bytes: a word pattern across piece boundaries.
  std::string big(200003, '\0');
  for (size_t i = 0; i < big.size(); ++i) big[i] = static_cast<char>(i * 7 + 3);
  uint32_t expected = 0;
  for (size_t i = 0; i < big.size(); i += 4) {
    uint32_t w = 0;
    for (size_t k = 0; k < 4 && i + k < big.size(); ++k)
      w |= static_cast<uint32_t>(static_cast<uint8_t>(big[i + k])) << (8 * k);
    expected ^= w;
  }
  WriteAll(P("big.bin"), big);
  FileHandle h = FileCreate(S(P("big.bin")).get(), kFileAccessRead, 0, kFileOpenExisting, 0, &err);
  EXPECT_EQ(FileGetChecksum32(h, &err), expected);
  FileClose(h, &err);
  EXPECT_EQ(FileGetChecksum32(1000000, &err), 0u);
  EXPECT_NE(err, 0);
}

}  // namespace
