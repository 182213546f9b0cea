// The archive writer: exact bytes of the fixed parts, every section's
// records, and failures that must leave an earlier archive untouched.
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "nav/backup_fixtures.h"

namespace backuptest {
namespace {

void Write(const std::string& path, int32_t contents, uint8_t kind, int32_t* err, const std::string& db = "",
           StrList* tracks = nullptr, StrList* logbooks = nullptr, CChartCollectionList* charts = nullptr,
           CTextProfileList* a = nullptr, CTextProfileList* b = nullptr) {
  NavBackupWrite(S(path), contents, kind, S(db), nullptr, nullptr, nullptr, nullptr, tracks, logbooks, charts,
                 a, b, err);
}

TEST(BackupWriter, NoContentsGivesTheHeaderAndAnEmptyDirectoryAtOffset26) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/empty.a4db";
  int32_t err = -1;
  Write(path, 0, 7, &err);
  ASSERT_EQ(err, 0);
  Bytes expected;
  expected.raw("Ankrum4Backup").u32(0x01000000).u8(7).le(26, 8);
  expected.u32(0).pad(32).u32(0).u32(0).u32(0).u32(0);
  EXPECT_EQ(ReadFile(path), expected.b);
  EXPECT_EQ(expected.b.size(), 26u + 52u);
  EXPECT_EQ(FilesBelow(dir.path()), std::vector<std::string>{"empty.a4db"}) << "no temporary file stays";
}

TEST(BackupWriter, ChartCollectionsAndProfilesAreWrittenAsRecordsAndListed) {
  vmtest::TempDir dir;
  Owned<CChartCollectionList> charts(ChartCollectionListCreate());
  CChartCollection* coast = charts->Create(S("Coast"));
  uint8_t id1[16], id2[16];
  for (int i = 0; i < 16; ++i) id1[i] = static_cast<uint8_t>(i), id2[i] = static_cast<uint8_t>(0xF0 + i);
  coast->AddChartId(id1);
  coast->AddChartId(id2);
  const std::string longName(300, 'n');
  charts->Create(S(longName));  // no identifiers

  Owned<CTextProfileList> a(TextProfileListCreate());
  a->Create()->SetBuiltIn(true);  // skipped
  CTextProfile* p = a->Create();
  p->SetName(S("CSV"));
  p->AddColumn(S("Name"), 1);
  p->AddColumn(S("Lat"), 2);
  p->SetFieldCount(3);
  int32_t err = 0;
  p->BindField(0, 1, &err);
  p->SelectFieldFormat(0, S("dd.ddddd"));
  p->SelectFieldFormat(1, S(";"));
  p->SetSeparators(',', ';');
  Owned<CTextProfileList> b(TextProfileListCreate());
  b->Create()->SetBuiltIn(true);

  const std::string path = dir.str() + "/x.a4db";
  Write(path, kBackupChartCollections | kBackupTextProfilesA | kBackupTextProfilesB, 1, &err, "", nullptr,
        nullptr, charts.get(), a.get(), b.get());
  ASSERT_EQ(err, 0);
  const auto bytes = ReadFile(path);
  const Directory d = ReadDirectory(bytes);

  Bytes coastRecord;
  coastRecord.str8("Coast").u32(2);
  coastRecord.b.insert(coastRecord.b.end(), id1, id1 + 16);
  coastRecord.b.insert(coastRecord.b.end(), id2, id2 + 16);
  Bytes emptyRecord;
  emptyRecord.str8(std::string(255, 'n')).u32(0);
  ASSERT_EQ(d.charts.size(), 2u);
  EXPECT_EQ(d.charts[0].name, "Coast");
  EXPECT_EQ(d.charts[0].offset, 26);
  EXPECT_EQ(d.charts[0].size, static_cast<int64_t>(coastRecord.b.size()));
  EXPECT_EQ(d.charts[1].name, std::string(255, 'n')) << "names are cut to 255 characters";
  EXPECT_EQ(d.charts[1].offset, 26 + d.charts[0].size);
  std::vector<uint8_t> records(bytes.begin() + 26, bytes.begin() + 26 + d.charts[0].size + d.charts[1].size);
  coastRecord.b.insert(coastRecord.b.end(), emptyRecord.b.begin(), emptyRecord.b.end());
  EXPECT_EQ(records, coastRecord.b);

  Bytes profile;
  profile.u8(2).str8("Name").u8(1).str8("Lat").u8(2).u8(3);
  profile.u8(1).str8("dd.ddddd").u8(0xFF).str8(";").u8(0xFF).str8("");
  profile.str8("CSV").u8(',').u8(';');
  ASSERT_EQ(d.profilesA.size(), 1u) << "built-in profiles are skipped";
  EXPECT_EQ(d.profilesA[0].name, "CSV");
  EXPECT_EQ(std::vector<uint8_t>(bytes.begin() + d.profilesA[0].offset,
                                 bytes.begin() + d.profilesA[0].offset + d.profilesA[0].size),
            profile.b);
  EXPECT_TRUE(d.profilesB.empty());
  EXPECT_EQ(d.dbFileOffset + d.dbFileSize + d.embeddedOffset + d.embeddedSize, 0);
}

TEST(BackupWriter, TracksAreListedUnderTheirStoredNameOrTheFileStem) {
  vmtest::TempDir dir;
  const std::string named = dir.str() + "/a.trk", unnamed = dir.str() + "/2024-05-01 10.00.00.trk";
  MakeTrack(named, "Harbour run");
  MakeTrack(unnamed, "");
  int32_t err = -1;
  const std::string path = dir.str() + "/t.a4db";
  Write(path, kBackupTracks, 0, &err, "", Paths({named, unnamed}).get());
  ASSERT_EQ(err, 0);
  const auto bytes = ReadFile(path);
  const Directory d = ReadDirectory(bytes);
  ASSERT_EQ(d.tracks.size(), 2u);
  EXPECT_EQ(d.tracks[0].name, "Harbour run");
  EXPECT_EQ(d.tracks[1].name, "2024-05-01 10.00.00");
  EXPECT_EQ(d.tracks[0].offset, 26);
  for (size_t i = 0; i < 2; ++i) {
    const auto [name, content] = FileRecord(bytes, d.tracks[i].offset, d.tracks[i].size);
    EXPECT_EQ(name, std::filesystem::path(i == 0 ? named : unnamed).filename().string());
    EXPECT_EQ(content, ReadFile(i == 0 ? named : unnamed));
  }

  Write(path, kBackupTracks, 0, &err, "", Paths({}).get());
  ASSERT_EQ(err, 0);
  EXPECT_TRUE(ReadDirectory(ReadFile(path)).tracks.empty());
}

TEST(BackupWriter, LogbookBlocksCarryTheLogbookAndItsFileAttachments) {
  vmtest::TempDir dir;
  const std::string book = dir.str() + "/Logbook.a4lb";
  WriteFile(dir.str() + "/photo.jpg", Text("jpeg bytes"));
  WriteFile(dir.str() + "/chart.png", Text("png"));
  MakeLogbook(book, "Summer 2024",
              {{{kLogbookAttachmentFile, "photo.jpg"}, {kLogbookAttachmentLink, "http://example.org/x"}},
               {{kLogbookAttachmentFile, "C:\\old\\chart.png"}}});
  int32_t err = -1;
  const std::string path = dir.str() + "/l.a4db";
  Write(path, kBackupLogbooks, 0, &err, "", nullptr, Paths({book}).get());
  ASSERT_EQ(err, 0);
  const auto bytes = ReadFile(path);
  const Directory d = ReadDirectory(bytes);
  ASSERT_EQ(d.logbooks.size(), 1u);
  EXPECT_EQ(d.logbooks[0].name, "Summer 2024");
  EXPECT_EQ(d.logbooks[0].offset, 26);
  Reader r{bytes, 26};
  r.at = static_cast<size_t>(r.i64());
  const std::vector<Entry> files = ReadList(r);
  EXPECT_EQ(r.at, static_cast<size_t>(26 + d.logbooks[0].size)) << "the sub-directory ends the block";
  ASSERT_EQ(files.size(), 3u) << "the link attachment is neither copied nor listed";
  const std::vector<std::pair<std::string, std::string>> expected = {{"Logbook.a4lb", book},
                                                                     {"photo.jpg", dir.str() + "/photo.jpg"},
                                                                     {"chart.png", dir.str() + "/chart.png"}};
  for (size_t i = 0; i < files.size(); ++i) {
    EXPECT_EQ(files[i].name, "");
    const auto [name, content] = FileRecord(bytes, files[i].offset, files[i].size);
    EXPECT_EQ(name, expected[i].first);
    EXPECT_EQ(content, ReadFile(expected[i].second));
  }
}

TEST(BackupWriter, DatabaseFileIsCopiedAsAFileRecord) {
  vmtest::TempDir dir;
  const std::string db = dir.str() + "/waypoints.wpt";
  std::vector<uint8_t> content(70000);  // more than one copy piece
  for (size_t i = 0; i < content.size(); ++i) content[i] = static_cast<uint8_t>(i * 7);
  WriteFile(db, content);
  int32_t err = -1;
  const std::string path = dir.str() + "/d.a4db";
  Write(path, kBackupDatabase, 1, &err, db);
  ASSERT_EQ(err, 0);
  const auto bytes = ReadFile(path);
  const Directory d = ReadDirectory(bytes);
  EXPECT_EQ(d.dbFileOffset, 26);
  EXPECT_EQ(d.dbFileSize, 70000);
  EXPECT_EQ(d.embeddedOffset, 0);
  EXPECT_EQ(d.embeddedSize, 0);
  const auto [name, copied] = FileRecord(bytes, d.dbFileOffset, d.dbFileSize);
  EXPECT_EQ(name, "waypoints.wpt");
  EXPECT_EQ(copied, content);
}

// Each failure stops the write with its code and leaves the archive that
// was there before byte for byte, with no temporary file beside it.
TEST(BackupWriter, FailuresLeaveAPreviousArchiveUntouched) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/Ankrum3.a4db";
  const std::vector<uint8_t> previous = Text("a good archive from yesterday");
  const std::string notTrack = dir.str() + "/bad.trk";
  WriteFile(notTrack, Text("this is not a track file at all"));
  const std::string book = dir.str() + "/b.a4lb";
  MakeLogbook(book, "B", {{{kLogbookAttachmentFile, "missing.jpg"}}});
  Owned<CChartCollectionList> charts(ChartCollectionListCreate());
  charts->Create(S("C"));

  struct Case {
    const char* what;
    int32_t contents;
    std::string db;
    Owned<StrList> tracks;
    Owned<StrList> logbooks;
    int32_t code;
  } cases[] = {
      {"missing database file after a chart section", kBackupChartCollections | kBackupDatabase,
       dir.str() + "/none.wpt", nullptr, nullptr, 0x10000},
      {"a file that is not a track", kBackupTracks, "", Paths({notTrack}), nullptr, 0x10020},
      {"a missing track file", kBackupTracks, "", Paths({dir.str() + "/gone.trk"}), nullptr, 0x10000},
      {"a missing attachment", kBackupLogbooks, "", nullptr, Paths({book}), 0x10000},
  };
  for (Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path, previous);
    int32_t err = 0;
    NavBackupWrite(S(path), c.contents, 0, S(c.db), nullptr, nullptr, nullptr, nullptr, c.tracks.get(),
                   c.logbooks.get(), charts.get(), nullptr, nullptr, &err);
    EXPECT_EQ(err, c.code);
    EXPECT_EQ(ReadFile(path), previous);
    EXPECT_EQ(FilesBelow(dir.path()), (std::vector<std::string>{"Ankrum3.a4db", "b.a4lb", "bad.trk"}));
  }
}

TEST(BackupWriter, AReadOnlyArchiveOrAFolderIsRefused) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/ro.a4db";
  WriteFile(path, Text("keep"));
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  int32_t err = 0;
  Write(path, 0, 0, &err);
  EXPECT_EQ(err, 0x10005);
  EXPECT_EQ(ReadFile(path), Text("keep"));
  Write(dir.str(), 0, 0, &err);
  EXPECT_EQ(err, 0x10005);
  EXPECT_EQ(FilesBelow(dir.path()), std::vector<std::string>{"ro.a4db"});
}

// A disk that fills up during the write: run in a child with its own mount
// table and a 64 KiB tmpfs holding the archive folder.
TEST(BackupWriter, AFullDiskLeavesThePreviousArchiveAndNoTemporaryFile) {
  vmtest::TempDir dir;
  const std::string source = dir.str() + "/big.wpt";
  WriteFile(source, std::vector<uint8_t>(256 * 1024, 0x5A));
  const std::string disk = dir.str() + "/disk";
  std::filesystem::create_directory(disk);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    int32_t out[3] = {-1, -1, -1};
    if (::unshare(CLONE_NEWNS) == 0 && ::mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
        ::mount("none", disk.c_str(), "tmpfs", 0, "size=64k") == 0) {
      const std::string path = disk + "/Ankrum3.a4db";
      WriteFile(path, Text("previous"));
      int32_t err = 0;
      NavBackupWrite(S(path), kBackupDatabase, 1, S(source), nullptr, nullptr, nullptr, nullptr, nullptr,
                     nullptr, nullptr, nullptr, nullptr, &err);
      out[0] = err;
      out[1] = ReadFile(path) == Text("previous") ? 1 : 0;
      out[2] = static_cast<int32_t>(FilesBelow(disk).size());
      ::umount(disk.c_str());
    }
    const ssize_t n = ::write(fds[1], out, sizeof out);
    ::_exit(n == sizeof out ? 0 : 1);
  }
  ::close(fds[1]);
  int32_t out[3] = {-1, -1, -1};
  const ssize_t n = ::read(fds[0], out, sizeof out);
  ::close(fds[0]);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_EQ(n, static_cast<ssize_t>(sizeof out));
  if (out[0] == -1) GTEST_SKIP() << "cannot mount a private tmpfs here (needs a mount namespace)";
  EXPECT_EQ(out[0], 0x20) << "disk full";
  EXPECT_EQ(out[1], 1) << "the previous archive is unchanged";
  EXPECT_EQ(out[2], 1) << "only the previous archive is in the folder";
}

}  // namespace
}  // namespace backuptest
