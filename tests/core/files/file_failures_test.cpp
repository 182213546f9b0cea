// Failures that really happen on Linux: permissions, missing folders, full
// disks and files cut short under an open stream.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include "core/files/files_test_util.h"
#include "support/test_support.h"
#include "vmlib/files.h"
#include "vmlib/streams.h"

using namespace filestest;

namespace {

class FileFailures : public ::testing::Test {
protected:
  void SetUp() override { ::chmod(dir.str().c_str(), 0755); }  // reachable for the unprivileged child
  std::string P(const std::string& name) const { return dir.str() + "/" + name; }
  vmtest::TempDir dir;
  int32_t err = -1;
};

TEST_F(FileFailures, FolderWithoutWritePermission) {
  ASSERT_EQ(::mkdir(P("locked").c_str(), 0755), 0);
  WriteAll(P("locked/inside.txt"), "keep");
  WriteAll(P("secret.txt"), "s");
  ::chmod(P("secret.txt").c_str(), 0600);
  ::chmod(P("locked").c_str(), 0555);
  const std::string locked = P("locked"), secret = P("secret.txt");
  std::vector<int32_t> codes;
  std::string why;
  const bool ran = RunUnprivileged(
      [&] {
        int32_t e = 0;
        std::vector<int32_t> out;
        FileCreate(S(locked + "/new.txt").get(), kFileAccessWrite, 0, kFileCreateAlways, 0, &e);
        out.push_back(e);
        FileCreate(S(locked + "/new.txt").get(), kFileAccessRead | kFileAccessWrite, 0, kFileCreateAlways, 0,
                   &e);
        out.push_back(e);
        FileCreate(S(secret).get(), kFileAccessRead, 0, kFileOpenExisting, 0, &e);
        out.push_back(e);
        FileDelete(S(locked + "/inside.txt").get(), &e);
        out.push_back(e);
        DirCreate(S(locked + "/sub/deeper").get(), &e);
        out.push_back(e);
        FileWriteText(S(locked + "/text.txt").get(), S("x").get(), &e);
        out.push_back(e);
        CBufferedFileStream s(&e, locked + "/stream.bin", kStreamModeCreate);
        out.push_back(e);
        auto tmp = S("");
        _FileCreateTemp(S(locked).get(), S("t").get(), tmp.get(), &e);
        out.push_back(e);
        return out;
      },
      &codes, &why);
  ::chmod(P("locked").c_str(), 0755);
  if (!ran) GTEST_SKIP() << why;
  EXPECT_EQ(codes,
            (std::vector<int32_t>{0x10005, 0x10003, 0x10004, 0x10005, 0x10005, 0x10003, 0x10003, 0x10005}));
  EXPECT_EQ(ReadAll(P("locked/inside.txt")), "keep");
  EXPECT_FALSE(Exists(P("locked/new.txt")));
}

TEST_F(FileFailures, MissingParentFolderIsPathNotFound) {
  struct Case {
    std::string path;
    int32_t code;
  };
  const Case cases[] = {{P("missing.txt"), 0x10000}, {P("nofolder/missing.txt"), 0x15}};
  for (const Case& c : cases) {
    FileCreate(S(c.path).get(), kFileAccessRead, 0, kFileOpenExisting, 0, &err);
    EXPECT_EQ(err, c.code) << c.path;
    FileGetAttributes(S(c.path).get(), &err);
    EXPECT_EQ(err, c.code);
    CFileStream f(&err, c.path, kStreamModeRead);
    EXPECT_EQ(err, c.code);
    EXPECT_FALSE(f.IsOpen());
    CBufferedFileStream b(&err, c.path, kStreamModeWrite);
    EXPECT_EQ(err, c.code);
  }
  FileCreate(S(P("nofolder/new.txt")).get(), kFileAccessWrite, 0, kFileCreateAlways, 0, &err);
  EXPECT_EQ(err, 0x15);
}

TEST(FullDisk, WritesAndFlushesToTheFullDeviceFail) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "/dev/full is not writable here";
  int32_t err = -1;
  const auto full = S("/dev/full");
  FileHandle h = FileCreate(full.get(), kFileAccessWrite, 0, kFileOpenExisting, 0, &err);
  ASSERT_NE(h, kInvalidFileHandle);
  uint32_t done = 7;
  EXPECT_FALSE(FileWrite(h, "abc", 3, &done, nullptr, &err));
  EXPECT_EQ(err, 0x20);
  EXPECT_EQ(done, 0u);
  FileClose(h, &err);

  CFileStream f(&err, "/dev/full", kStreamModeWrite);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(f.Write("abc", 3, &err), -1);
  EXPECT_EQ(err, 0x20);
  EXPECT_FALSE(StreamWriteInt32(&f, 5, &err));
  EXPECT_EQ(err, 0x20);

  // The buffered stream keeps the bytes until Close, which must report them lost.
  CBufferedFileStream b(&err, "/dev/full", kStreamModeWrite, 16);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(b.Write("0123456789", 10, &err), 10);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(b.Write("0123456789", 10, &err), 6);  // the full buffer cannot be written
  EXPECT_EQ(err, 0x20);
  EXPECT_FALSE(b.Close(&err));
  EXPECT_EQ(err, 0x20);
  EXPECT_FALSE(b.IsOpen());
  EXPECT_TRUE(b.Close(&err));  // closed now
}

TEST_F(FileFailures, FullDiskRemovesIncompleteFiles) {
  ASSERT_EQ(::mkdir(P("tiny").c_str(), 0755), 0);
  const std::string tiny = P("tiny");
  WriteAll(P("big.bin"), std::string(256 * 1024, 'b'));
  const std::string big = P("big.bin");
  std::vector<int32_t> out;
  std::string why;
  const bool ran = RunOnTinyDisk(
      tiny, 64,
      [&] {
        int32_t e = 0;
        std::vector<int32_t> r;
        FileCopy(S(big).get(), S(tiny + "/copy.bin").get(), 65536, nullptr, nullptr, nullptr, &e);
        r.push_back(e);
        r.push_back(Exists(tiny + "/copy.bin"));
        FileWriteText(S(tiny + "/text.txt").get(), S(std::string(128 * 1024, 't')).get(), &e);
        r.push_back(e);
        r.push_back(Exists(tiny + "/text.txt"));
        {
          CBufferedFileStream s(&e, tiny + "/track.bin", kStreamModeCreate);
          s.SetDeleteOnDestroy(true);
          std::string chunk(4096, 'k');
          for (int i = 0; i < 40 && e == 0; ++i) s.Write(chunk.data(), 4096, &e);
          r.push_back(e);
        }
        r.push_back(Exists(tiny + "/track.bin"));
        return r;
      },
      &out, &why);
  if (!ran) GTEST_SKIP() << why;
  EXPECT_EQ(out, (std::vector<int32_t>{0x20, 0, 0x20, 0, 0x20, 0}));
}

TEST_F(FileFailures, FileCutShortUnderABufferedStream) {
  WriteAll(P("cut.bin"), std::string(100, 'c'));
  CBufferedFileStream s(&err, P("cut.bin"), kStreamModeRead, 16);
  ASSERT_EQ(err, 0);
  ASSERT_EQ(::truncate(P("cut.bin").c_str(), 40), 0);
  char buf[100];
  // Whole buffers of 16 come through; the one the file no longer fills is an error.
  EXPECT_EQ(s.Read(buf, 100, &err), 32);
  EXPECT_EQ(err, 0x10008);
  EXPECT_EQ(std::string(buf, 32), std::string(32, 'c'));
  EXPECT_EQ(s.GetPosition(), 32);
}

}  // namespace
