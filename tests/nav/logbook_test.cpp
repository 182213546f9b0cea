// The logbook stand-in: its file, damaged files, and deleting a logbook.
#include "nav/backup_fixtures.h"

namespace backuptest {
namespace {

TEST(Logbook, SavesAndOpensItsFile) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/Logbook.a4lb";
  MakeLogbook(path, "Baltic", {{{kLogbookAttachmentFile, "a.jpg"}, {kLogbookAttachmentLink, "b"}}, {}});
  Bytes expected;
  expected.raw("NavLogbook").u32(0x01000000).str8("Baltic").u32(2);
  expected.str32("entry 0").u32(2).u8(0).str32("a.jpg").u8(1).str32("b");
  expected.str32("entry 1").u32(0);
  EXPECT_EQ(ReadFile(path), expected.b);
  int32_t err = -1;
  Owned<CNavLogbook> book(NavLogbookOpen(S(path), nullptr, &err));
  ASSERT_NE(book, nullptr);
  EXPECT_EQ(T(book->GetName()), "Baltic");
  EXPECT_EQ(T(book->GetFileName()), path);
  ASSERT_EQ(book->GetEntryCount(), 2);
  EXPECT_EQ(book->GetEntry(0)->GetAttachmentKind(1), kLogbookAttachmentLink);
  EXPECT_EQ(T(book->GetEntry(0)->GetAttachmentFileName(0)), "a.jpg");
}

TEST(Logbook, DamagedFilesAreRefused) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/x.a4lb";
  struct Case {
    const char* what;
    Bytes bytes;
    int32_t code;
  } cases[] = {
      {"other magic", Bytes().raw("NavLogbooX").u32(0x01000000), 0x10020},
      {"newer version", Bytes().raw("NavLogbook").u32(0x01000001), 0x10022},
      {"older version", Bytes().raw("NavLogbook").u32(0x00010000), 0x10021},
      {"entry count beyond the file", Bytes().raw("NavLogbook").u32(0x01000000).str8("n").u32(0x7FFFFFFF),
       0x1001F},
      {"attachment count beyond the file",
       Bytes().raw("NavLogbook").u32(0x01000000).str8("n").u32(1).str32("e").u32(1000), 0x1001F},
      {"text beyond the file", Bytes().raw("NavLogbook").u32(0x01000000).str8("n").u32(1).i32(100).pad(4),
       0x1001F},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path, c.bytes.b);
    int32_t err = 0;
    EXPECT_EQ(NavLogbookOpen(S(path), nullptr, &err), nullptr);
    EXPECT_EQ(err, c.code);
  }
}

TEST(Logbook, DeleteRemovesItsFilesButNothingOutsideItsFolder) {
  vmtest::TempDir dir;
  const std::string folder = dir.str() + "/book/";
  std::filesystem::create_directory(folder);
  WriteFile(folder + "a.jpg", Text("a"));
  WriteFile(folder + "a Thumb.jpg", Text("t"));
  WriteFile(folder + "other.txt", Text("o"));
  WriteFile(dir.str() + "/outside.jpg", Text("x"));
  MakeLogbook(folder + "L.a4lb", "L",
              {{{kLogbookAttachmentFile, "a.jpg"},
                {kLogbookAttachmentFile, "../outside.jpg"},
                {kLogbookAttachmentFile, ".."},
                {kLogbookAttachmentLink, "other.txt"},
                {kLogbookAttachmentFile, "missing.jpg"}}});
  int32_t err = -1;
  NavLogbookDelete(S(folder + "L.a4lb"), &err);
  EXPECT_EQ(err, 0);
  EXPECT_EQ(FilesBelow(dir.path()), (std::vector<std::string>{"book/other.txt", "outside.jpg"}));
  NavLogbookDelete(S(folder + "L.a4lb"), &err);
  EXPECT_EQ(err, 0x10000);
}

}  // namespace
}  // namespace backuptest
