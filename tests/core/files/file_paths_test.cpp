#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

#include "core/files/file_common.h"
#include "core/files/files_test_util.h"
#include "support/test_support.h"
#include "vmlib/files.h"

using namespace filestest;

namespace {

class FilePaths : public ::testing::Test {
protected:
  std::string P(const std::string& name) const { return dir.str() + "/" + name; }
  vmtest::TempDir dir;
  int32_t err = -1;
};

struct CopyProgress {
  std::vector<int64_t> done;
  int64_t total = -1;
  size_t cancelAt = SIZE_MAX;
  std::string source, destination;
};

void OnCopy(void* value1, const Str* source, const Str* destination, int64_t done, int64_t total,
            void* value2, uint8_t* cancel) {
  auto* p = static_cast<CopyProgress*>(value1);
  EXPECT_EQ(value2, &p->total);
  p->source = Text(source);
  p->destination = Text(destination);
  p->done.push_back(done);
  p->total = total;
  if (p->done.size() > p->cancelAt) *cancel = 1;
}

TEST_F(FilePaths, CopyMovesTheBytesTimeAndAttributesAndReportsProgress) {
  std::string bytes(5000, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(i % 251);
  WriteAll(P("src.bin"), bytes);
  WriteAll(P("dst.bin"), std::string(9000, 'x'));  // replaced, not merged
  const auto src = S(P("src.bin")), dst = S(P("dst.bin"));
  FileTime written = 132000000000000000ULL;
  ASSERT_TRUE(FileSetTimeUTC_F(src.get(), nullptr, nullptr, &written, &err));
  ASSERT_TRUE(FileSetReadOnly(src.get(), true, &err));
  CopyProgress progress;
  ASSERT_TRUE(FileCopy(src.get(), dst.get(), 1, OnCopy, &progress, &progress.total, &err)) << err;
  EXPECT_EQ(err, 0);
  EXPECT_EQ(ReadAll(P("dst.bin")), bytes);
  // buffer clamped up to 1024 bytes: pieces of 1024 and a last one of 904
  EXPECT_EQ(progress.done, (std::vector<int64_t>{0, 1024, 2048, 3072, 4096, 5000}));
  EXPECT_EQ(progress.total, 5000);
  EXPECT_EQ(progress.source, P("src.bin"));
  EXPECT_EQ(progress.destination, P("dst.bin"));
  FileTime w = 0;
  FileGetTimeUTC_F(dst.get(), nullptr, nullptr, &w, &err);
  EXPECT_EQ(w, written);
  EXPECT_EQ(FileGetAttributes(dst.get(), &err), kFileAttributeReadOnly);
}

TEST_F(FilePaths, CopyOfAnEmptyFileAndWithoutCallback) {
  WriteAll(P("empty"), "");
  ASSERT_TRUE(FileCopy(S(P("empty")).get(), S(P("copy")).get(), 65536, nullptr, nullptr, nullptr, &err));
  EXPECT_TRUE(Exists(P("copy")));
  EXPECT_EQ(ReadAll(P("copy")), "");
}

TEST_F(FilePaths, CancelledCopyLeavesNoDestination) {
  WriteAll(P("src.bin"), std::string(4000, 'a'));
  for (size_t cancelAt : {size_t{0}, size_t{2}}) {
    CopyProgress progress;
    progress.cancelAt = cancelAt;
    EXPECT_FALSE(FileCopy(S(P("src.bin")).get(), S(P("dst.bin")).get(), 1024, OnCopy, &progress,
                          &progress.total, &err));
    EXPECT_EQ(err, 0x2);
    EXPECT_EQ(progress.done.size(), cancelAt + 1);
    EXPECT_FALSE(Exists(P("dst.bin")));
  }
}

TEST_F(FilePaths, CopyFailuresLeaveWhatWasThere) {
  EXPECT_FALSE(FileCopy(S(P("none")).get(), S(P("dst")).get(), 4096, nullptr, nullptr, nullptr, &err));
  EXPECT_EQ(err, 0x10000);
  EXPECT_FALSE(Exists(P("dst")));
  WriteAll(P("src"), "data");
  EXPECT_FALSE(FileCopy(S(P("src")).get(), S(P("no/dst")).get(), 4096, nullptr, nullptr, nullptr, &err));
  EXPECT_EQ(err, 0x15);
  // Copying a file onto itself must not truncate it.
  EXPECT_FALSE(FileCopy(S(P("src")).get(), S(P("src")).get(), 4096, nullptr, nullptr, nullptr, &err));
  EXPECT_EQ(err, 0x10007);
  EXPECT_EQ(ReadAll(P("src")), "data");
}

TEST_F(FilePaths, WriteTextCreatesOrReplaces) {
  WriteAll(P("t.txt"), "old and longer");
  const std::string text("line\r\n\0nul", 10);
  ASSERT_TRUE(FileWriteText(S(P("t.txt")).get(), S(text).get(), &err));
  EXPECT_EQ(ReadAll(P("t.txt")), text);
  EXPECT_FALSE(FileWriteText(S(P("no/t.txt")).get(), S(text).get(), &err));
  EXPECT_EQ(err, 0x15);
}

TEST_F(FilePaths, DirCreateMakesEveryMissingFolder) {
  ASSERT_TRUE(DirCreate(S(P("a/b//c/")).get(), &err));
  EXPECT_TRUE(vm::sys::IsDirectory(P("a/b/c")));
  EXPECT_TRUE(DirCreate(S(P("a/b")).get(), &err));  // existing: fine
  WriteAll(P("file"), "x");
  EXPECT_FALSE(DirCreate(S(P("file/sub")).get(), &err));
  EXPECT_EQ(err, 0x1F);
  EXPECT_FALSE(DirCreate(S("").get(), &err));
  EXPECT_EQ(err, 0x15);
  // A relative path starts at the current folder.
  char cwd[4096];
  ASSERT_NE(::getcwd(cwd, sizeof cwd), nullptr);
  ASSERT_EQ(::chdir(dir.str().c_str()), 0);
  EXPECT_TRUE(DirCreate(S("rel/x").get(), &err));
  ASSERT_EQ(::chdir(cwd), 0);
  EXPECT_TRUE(vm::sys::IsDirectory(P("rel/x")));
}

TEST(BackupName, FormedFromTheExtension) {
  const std::pair<const char*, const char*> cases[] = {
      {"a.txt", "a.~txt"}, {"a", "a.~"}, {"a.", "a.~"}, {"/d.x/a", "/d.x/a.~"}, {"/d/a.b.c", "/d/a.b.~c"}};
  for (const auto& [path, backup] : cases) EXPECT_EQ(vm::files::BackupNameOf(path), backup) << path;
}

TEST_F(FilePaths, BackupCreateDeleteRestore) {
  const auto path = S(P("db.wpt"));
  const std::string backup = P("db.~wpt");
  WriteAll(P("db.wpt"), "v1");
  WriteAll(backup, "v0");
  ASSERT_TRUE(BackupCreate(path.get(), &err));
  EXPECT_FALSE(Exists(P("db.wpt")));
  EXPECT_EQ(ReadAll(backup), "v1");
  EXPECT_TRUE(BackupCreate(path.get(), &err));  // no file: the backup is still removed first
  EXPECT_FALSE(Exists(backup));

  WriteAll(backup, "v1");
  EXPECT_TRUE(BackupDelete(path.get(), &err));  // the file is missing: the backup stays
  EXPECT_TRUE(Exists(backup));
  WriteAll(P("db.wpt"), "v2");
  EXPECT_TRUE(BackupDelete(path.get(), &err));
  EXPECT_FALSE(Exists(backup));

  WriteAll(backup, "v1");
  EXPECT_TRUE(BackupRestore(path.get(), &err));
  EXPECT_EQ(ReadAll(P("db.wpt")), "v1");
  EXPECT_FALSE(Exists(backup));
  EXPECT_TRUE(BackupRestore(path.get(), &err));  // no backup: the file is deleted
  EXPECT_FALSE(Exists(P("db.wpt")));

  ::mkdir(backup.c_str(), 0755);  // a folder of the backup's name is not a backup file
  WriteAll(P("db.wpt"), "v3");
  EXPECT_FALSE(BackupCreate(path.get(), &err));
  EXPECT_EQ(err, 0x1000E);
  EXPECT_EQ(ReadAll(P("db.wpt")), "v3");
}

TEST_F(FilePaths, UniqueNameCountsUpPastExistingFiles) {
  auto out = S("");
  _FileGetUniqueName(S(dir.str()).get(), S("x").get(), S(".trk").get(), out.get());
  EXPECT_EQ(Text(out.get()), P("x.trk"));
  WriteAll(P("x.trk"), "");
  _FileGetUniqueName(S(dir.str() + "/").get(), S("x").get(), S(".trk").get(), out.get());
  EXPECT_EQ(Text(out.get()), P("x (1).trk"));
  WriteAll(P("x (1).trk"), "");
  ::mkdir(P("x (2).trk").c_str(), 0755);  // folders do not count
  _FileGetUniqueName(S(dir.str()).get(), S("x").get(), S(".trk").get(), out.get());
  EXPECT_EQ(Text(out.get()), P("x (2).trk"));
  _FileGetUniqueName(S("").get(), S("n").get(), S("").get(), out.get());
  EXPECT_EQ(Text(out.get()), "n");
}

TEST_F(FilePaths, TemporaryFolderAndFiles) {
  auto out = S("");
  ::setenv("TMPDIR", dir.str().c_str(), 1);
  _GetTempDir(out.get());
  EXPECT_EQ(Text(out.get()), dir.str() + "/");
  ::unsetenv("TMPDIR");
  _GetTempDir(out.get());
  EXPECT_EQ(Text(out.get()), "/tmp/");

  auto first = S(""), second = S("");
  ASSERT_TRUE(_FileCreateTemp(S(dir.str()).get(), S("vm").get(), first.get(), &err));
  ASSERT_TRUE(_FileCreateTemp(S(dir.str() + "/").get(), S("vm").get(), second.get(), &err));
  const std::string name = Text(first.get()).substr(dir.str().size() + 1);
  ASSERT_EQ(name.size(), 10u) << name;
  EXPECT_EQ(name.substr(0, 2), "vm");
  EXPECT_EQ(name.find_first_not_of("0123456789ABCDEF", 2), 6u);
  EXPECT_EQ(name.substr(6), ".tmp");
  EXPECT_NE(Text(first.get()), Text(second.get()));
  EXPECT_TRUE(Exists(Text(first.get())));
  EXPECT_FALSE(_FileCreateTemp(S(P("none")).get(), S("vm").get(), first.get(), &err));
  EXPECT_EQ(err, 0x15);
  EXPECT_EQ(first->length, 0);
}

TEST_F(FilePaths, LongNameResolvesShortNameKeeps) {
  ::mkdir(P("real").c_str(), 0755);
  WriteAll(P("real/f.txt"), "");
  ASSERT_EQ(::symlink(P("real").c_str(), P("link").c_str()), 0);
  auto out = S("");
  char resolved[4096];
  ASSERT_NE(::realpath(dir.str().c_str(), resolved), nullptr);
  ASSERT_TRUE(_PathGetLongName(S(P("link/../real/./f.txt")).get(), out.get(), &err));
  EXPECT_EQ(Text(out.get()), std::string(resolved) + "/real/f.txt");
  EXPECT_FALSE(_PathGetLongName(S(P("none")).get(), out.get(), &err));
  EXPECT_EQ(err, 0x10000);
  ASSERT_TRUE(_PathGetShortName(S(P("link/f.txt")).get(), out.get(), &err));
  EXPECT_EQ(Text(out.get()), P("link/f.txt"));
  EXPECT_FALSE(_PathGetShortName(S(P("no/f.txt")).get(), out.get(), &err));
  EXPECT_EQ(err, 0x15);
}

}  // namespace
