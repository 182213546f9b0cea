// Opening archives and restoring every section, from archives the writer
// made and from hand-built ones.
#include "nav/backup_fixtures.h"

namespace backuptest {
namespace {

namespace fs = std::filesystem;

Owned<CNavBackup> Open(const std::string& path, uint8_t kind, int32_t* err,
                       NavThumbnailCallback cb = nullptr) {
  return Owned<CNavBackup>(NavBackupCreate(S(path), kind, cb, err));
}

// A hand-built archive: header, the given body at 26, then a directory
// whose only non-empty list is the track list.
std::vector<uint8_t> TrackArchive(uint8_t kind,
                                  const std::vector<std::pair<std::string, std::string>>& tracks) {
  Bytes body;
  std::vector<Entry> entries;
  for (const auto& [name, content] : tracks) {
    entries.push_back({name, 26 + static_cast<int64_t>(body.b.size()), static_cast<int64_t>(content.size())});
    body.u32(static_cast<uint32_t>(name.size())).raw(name).raw(content);
  }
  Bytes a;
  a.raw("Ankrum4Backup").u32(0x01000000).u8(kind).le(26 + body.b.size(), 8);
  a.b.insert(a.b.end(), body.b.begin(), body.b.end());
  a.u32(0).pad(32).u32(0).u32(0).u32(0).u32(static_cast<uint32_t>(entries.size()));
  for (const Entry& e : entries) a.str8(e.name).le(e.offset, 8).le(e.size, 8);
  return a.b;
}

TEST(BackupReader, DamagedOrForeignFilesAreRefused) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/x.a4db";
  const auto good = TrackArchive(0, {{"a.trk", "abc"}});
  auto patched = [&](size_t at, std::vector<uint8_t> bytes) {
    auto b = good;
    std::copy(bytes.begin(), bytes.end(), b.begin() + at);
    return b;
  };
  struct Case {
    const char* what;
    std::vector<uint8_t> bytes;
    int32_t code;
  } cases[] = {
      {"other magic", patched(0, Text("Ankrum4Backuq")), 0x10020},
      {"newer version", patched(13, {1, 0, 0, 1}), 0x10022},
      {"unknown older version", patched(13, {0, 0, 0, 0}), 0x10021},
      {"incomplete archive (directory offset 0)", patched(18, {0, 0, 0, 0, 0, 0, 0, 0}), 0x1001F},
      {"directory beyond the end", patched(18, {0, 1, 0, 0, 0, 0, 0, 0}), 0x1000C},
      {"list count beyond the bytes left", patched(good.size() - 22 - 4, {0xFF, 0xFF, 0, 0}), 0x1001F},
      {"truncated directory", std::vector<uint8_t>(good.begin(), good.end() - 5), 0x10009},
      {"truncated header", std::vector<uint8_t>(good.begin(), good.begin() + 10), 0x10009},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    WriteFile(path, c.bytes);
    int32_t err = 0;
    EXPECT_EQ(Open(path, 0, &err), nullptr);
    EXPECT_EQ(err, c.code);
  }
  int32_t err = 0;
  EXPECT_EQ(Open(dir.str() + "/missing.a4db", 0, &err), nullptr);
  EXPECT_EQ(err, 0x10000);
}

TEST(BackupReader, KindDecidesSelectionAndMustMatch) {
  vmtest::TempDir dir;
  const std::string path = dir.str() + "/x.a4db";
  for (uint8_t kind : {0, 1}) {
    SCOPED_TRACE(kind);
    WriteFile(path, TrackArchive(kind, {{"a.trk", "abc"}}));
    int32_t err = -1;
    Owned<CNavBackup> b = Open(path, kind, &err);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(err, 0);
    EXPECT_EQ(b->GetKind(), kind);
    EXPECT_EQ(b->GetContents(), kBackupTracks);
    ASSERT_EQ(b->GetTrackCount(), 1);
    EXPECT_EQ(b->GetTrack(0)->GetSelected(), kind == 1);
    EXPECT_FALSE(b->GetTrack(0)->GetReplaceExisting());
    EXPECT_EQ(b->GetTrack(0)->GetReserved(), 0);
    EXPECT_EQ(b->GetTrack(1), nullptr);
    EXPECT_EQ(Open(path, kind ^ 1, &err), nullptr);
    EXPECT_EQ(err, 0x1001F);
  }
}

TEST(BackupReader, UnselectedTracksAreNotRestored) {
  vmtest::TempDir dir, target;
  const std::string path = dir.str() + "/x.a4db";
  WriteFile(path, TrackArchive(0, {{"a.trk", "abc"}}));
  int32_t err = -1;
  Owned<CNavBackup> b = Open(path, 0, &err);
  ASSERT_NE(b, nullptr);
  b->RestoreTracks(S(target.str() + "/"), false, &err);
  EXPECT_EQ(err, 0);
  EXPECT_TRUE(FilesBelow(target.path()).empty());
  b->RestoreDatabaseFile(S(target.str() + "/db.wpt"), &err);
  EXPECT_EQ(err, 0x1001F) << "no database file in the archive";
}

TEST(BackupReader, TrackRestoreMakesUniqueNamesDeletesOldTracksAndNeedsTheFolder) {
  vmtest::TempDir dir, target;
  const std::string path = dir.str() + "/x.a4db";
  WriteFile(path, TrackArchive(1, {{"C:\\Tracks\\day.trk", "first"}}));
  int32_t err = -1;
  Owned<CNavBackup> b = Open(path, 1, &err);
  ASSERT_NE(b, nullptr);
  const std::string folder = target.str() + "/";
  b->RestoreTracks(S(folder), false, &err);
  ASSERT_EQ(err, 0);
  b->RestoreTracks(S(folder), false, &err);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(FilesBelow(target.path()), (std::vector<std::string>{"day (1).trk", "day.trk"}));
  EXPECT_EQ(ReadFile(folder + "day (1).trk"), Text("first"));

  b->GetTrack(0)->SetReplaceExisting(true);
  WriteFile(folder + "day.trk", Text("changed"));
  b->RestoreTracks(S(folder), false, &err);
  EXPECT_EQ(ReadFile(folder + "day.trk"), Text("first"));

  fs::create_directory(target.path() / "sub");
  WriteFile(folder + "sub/keep.trk", Text("k"));
  WriteFile(folder + "notes.txt", Text("n"));
  b->GetTrack(0)->SetSelected(false);
  b->RestoreTracks(S(folder), true, &err);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(FilesBelow(target.path()), (std::vector<std::string>{"notes.txt", "sub/keep.trk"}));

  b->RestoreTracks(S(folder + "missing/"), false, &err);
  EXPECT_EQ(err, 0x15);
}

// Stored names are cut after their last "/", "\" or ":"; names that are
// empty, "." or ".." after the cut are refused, and nothing lands outside
// the target folder.
TEST(BackupReader, StoredNamesCannotLeaveTheTargetFolder) {
  vmtest::TempDir dir;
  struct Case {
    std::string stored;
    int32_t code;
    std::vector<std::string> files;  // below the sandbox, which holds target/
  } cases[] = {
      {"../x.trk", 0, {"target/x.trk"}},
      {"a/../../x", 0, {"target/x"}},
      {"..\\..\\evil.trk", 0, {"target/evil.trk"}},
      {"c:..", 0x1001F, {}},
      {"..", 0x1001F, {}},
      {"sub/.", 0x1001F, {}},
      {"", 0x1001F, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored);
    const fs::path sandbox = dir.path() / "sandbox";
    fs::remove_all(sandbox);
    fs::create_directories(sandbox / "target");
    const std::string path = dir.str() + "/evil.a4db";
    WriteFile(path, TrackArchive(1, {{c.stored, "payload"}}));
    int32_t err = -1;
    Owned<CNavBackup> b = Open(path, 1, &err);
    ASSERT_NE(b, nullptr);
    b->RestoreTracks(S((sandbox / "target").string() + "/"), false, &err);
    EXPECT_EQ(err, c.code);
    EXPECT_EQ(FilesBelow(sandbox), c.files);
  }
}

TEST(BackupReader, ARecordLongerThanTheArchiveMakesNoFile) {
  vmtest::TempDir dir, target;
  auto bytes = TrackArchive(1, {{"a.trk", "abc"}});
  // The track entry's size is the last 8 bytes.
  bytes[bytes.size() - 8] = 0xFF;
  bytes[bytes.size() - 7] = 0xFF;
  const std::string path = dir.str() + "/x.a4db";
  WriteFile(path, bytes);
  int32_t err = -1;
  Owned<CNavBackup> b = Open(path, 1, &err);
  ASSERT_NE(b, nullptr);
  b->RestoreTracks(S(target.str() + "/"), false, &err);
  EXPECT_EQ(err, 0x1001F);
  EXPECT_TRUE(FilesBelow(target.path()).empty());
}

int g_thumbnails = 0;
std::vector<std::string> g_thumbnailCalls;
int32_t RecordThumbnail(const char* file, const char* thumb, int32_t w, int32_t h) {
  ++g_thumbnails;
  g_thumbnailCalls.push_back(std::string(file) + "|" + thumb + "|" + std::to_string(w) + "x" +
                             std::to_string(h));
  return 1;
}

// Writes an archive of every section (kind 1: all selected), restores each
// into a fresh place and compares every restored byte with its source.
TEST(BackupRoundTrip, EverySectionRestoresAsItWasWritten) {
  vmtest::TempDir src, out;
  const std::string s = src.str() + "/";
  std::filesystem::create_directories(s + "books/one");
  std::filesystem::create_directories(s + "books/two");
  WriteFile(s + "books/one/p1.jpg", Text("picture one"));
  WriteFile(s + "books/one/log.txt", Text("notes"));
  MakeLogbook(s + "books/one/Logbook.a4lb", "Old name",
              {{{kLogbookAttachmentFile, "p1.jpg"}, {kLogbookAttachmentFile, "log.txt"}}});
  MakeLogbook(s + "books/two/trip.a4lb", "Trip", {});
  MakeTrack(s + "t1.trk", "One");
  MakeTrack(s + "t2.trk", "Two", 1.0);
  WriteFile(s + "gps.wpt", std::vector<uint8_t>(100000, 0x42));

  Owned<CChartCollectionList> charts(ChartCollectionListCreate());
  uint8_t id[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
  charts->Create(S("North Sea"))->AddChartId(id);
  charts->Create(S("Empty"));
  Owned<CTextProfileList> profilesA(TextProfileListCreate()), profilesB(TextProfileListCreate());
  CTextProfile* p = profilesA->Create();
  p->SetName(S("Export"));
  p->AddColumn(S("Name"), 3);
  p->SetFieldCount(2);
  int32_t err = -1;
  p->BindField(1, 0, &err);
  p->SelectFieldFormat(1, S("text"));
  p->SelectFieldFormat(0, S("#"));
  profilesB->Create()->SetName(S("B profile"));

  const std::string archive = s + "all.a4db";
  NavBackupWrite(S(archive), 0x3F, 1, S(s + "gps.wpt"), nullptr, nullptr, nullptr, nullptr,
                 Paths({s + "t1.trk", s + "t2.trk"}).get(),
                 Paths({s + "books/one/Logbook.a4lb", s + "books/two/trip.a4lb"}).get(), charts.get(),
                 profilesA.get(), profilesB.get(), &err);
  ASSERT_EQ(err, 0);

  g_thumbnails = 0;
  g_thumbnailCalls.clear();
  Owned<CNavBackup> b = Open(archive, 1, &err, RecordThumbnail);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetContents(), 0x3F);
  EXPECT_EQ(b->GetDatabaseSize(), 100000);

  const std::string o = out.str() + "/";
  std::filesystem::create_directories(o + "tracks");
  std::filesystem::create_directories(o + "books/Logbook1");
  b->RestoreTracks(S(o + "tracks/"), false, &err);
  ASSERT_EQ(err, 0);
  b->RestoreDatabaseFile(S(o + "db/whatever.name"), &err);
  EXPECT_NE(err, 0) << "the database's folder must exist";
  std::filesystem::create_directories(o + "db");
  WriteFile(o + "db/gps.wpt", Text("old"));
  b->RestoreDatabaseFile(S(o + "db/whatever.name"), &err);
  ASSERT_EQ(err, 0);
  b->GetLogbook(0)->SetName(S("New name"));
  b->RestoreLogbooks(S(o + "books/"), false, &err);
  ASSERT_EQ(err, 0);

  EXPECT_EQ(FilesBelow(out.path()),
            (std::vector<std::string>{"books/Logbook2/Logbook.a4lb", "books/Logbook2/log.txt",
                                      "books/Logbook2/p1.jpg", "books/Logbook3/trip.a4lb", "db/gps.wpt",
                                      "tracks/t1.trk", "tracks/t2.trk"}));
  EXPECT_EQ(ReadFile(o + "tracks/t1.trk"), ReadFile(s + "t1.trk"));
  EXPECT_EQ(ReadFile(o + "tracks/t2.trk"), ReadFile(s + "t2.trk"));
  EXPECT_EQ(ReadFile(o + "db/gps.wpt"), ReadFile(s + "gps.wpt"))
      << "the database file replaces one of its name";
  EXPECT_EQ(ReadFile(o + "books/Logbook2/p1.jpg"), ReadFile(s + "books/one/p1.jpg"));
  EXPECT_EQ(ReadFile(o + "books/Logbook2/log.txt"), ReadFile(s + "books/one/log.txt"));
  EXPECT_EQ(ReadFile(o + "books/Logbook3/trip.a4lb"), ReadFile(s + "books/two/trip.a4lb"));
  // A restored "Logbook.a4lb" takes the name the archive lists.
  int32_t e2 = -1;
  Owned<CNavLogbook> restored(NavLogbookOpen(S(o + "books/Logbook2/Logbook.a4lb"), nullptr, &e2));
  ASSERT_NE(restored, nullptr);
  EXPECT_EQ(T(restored->GetName()), "New name");
  EXPECT_EQ(restored->GetEntry(0)->GetAttachmentCount(), 2);
  EXPECT_EQ(g_thumbnails, 4);
  EXPECT_EQ(g_thumbnailCalls[1], o + "books/Logbook2/p1.jpg|" + o + "books/Logbook2/p1 Thumb.jpg|225x150");

  Owned<CChartCollectionList> chartsBack(ChartCollectionListCreate());
  chartsBack->Create(S("North Sea"));
  b->RestoreChartCollections(chartsBack.get(), false, &err);
  ASSERT_EQ(err, 0);
  ASSERT_EQ(chartsBack->GetCount(), 3) << "not replacing keeps the existing collection";
  b->GetChartCollection(0)->SetReplaceExisting(true);
  b->RestoreChartCollections(chartsBack.get(), true, &err);
  ASSERT_EQ(err, 0);
  ASSERT_EQ(chartsBack->GetCount(), 2);
  EXPECT_FALSE(chartsBack->IsChanged()) << "saved";
  EXPECT_EQ(T(chartsBack->Get(0)->GetName()), "North Sea");
  ASSERT_EQ(chartsBack->Get(0)->GetChartCount(), 1);
  EXPECT_EQ(std::memcmp(chartsBack->Get(0)->GetChartId(0), id, 16), 0);
  EXPECT_EQ(chartsBack->Get(1)->GetChartCount(), 0);

  Owned<CTextProfileList> aBack(TextProfileListCreate()), bBack(TextProfileListCreate());
  b->RestoreTextProfilesA(aBack.get(), true, &err);
  ASSERT_EQ(err, 0);
  b->RestoreTextProfilesB(bBack.get(), true, &err);
  ASSERT_EQ(err, 0);
  ASSERT_EQ(aBack->GetCount(), 1);
  CTextProfile* q = aBack->Get(0);
  EXPECT_EQ(T(q->GetName()), "Export");
  ASSERT_EQ(q->GetColumnCount(), 1);
  EXPECT_EQ(T(q->GetColumnName(0)), "Name");
  EXPECT_EQ(q->GetColumnType(0), 3);
  ASSERT_EQ(q->GetFieldCount(), 2);
  EXPECT_EQ(q->GetFieldColumn(0), kTextProfileUnbound);
  EXPECT_EQ(T(q->GetFieldFormat(0)), "#");
  EXPECT_EQ(q->GetFieldColumn(1), 0);
  EXPECT_EQ(T(q->GetFieldFormat(1)), "text");
  EXPECT_EQ(q->GetSeparator1(), '.');
  EXPECT_EQ(q->GetSeparator2(), '\t');
  ASSERT_EQ(bBack->GetCount(), 1);
  EXPECT_EQ(T(bBack->Get(0)->GetName()), "B profile");
  EXPECT_EQ(bBack->Get(0)->GetFieldCount(), kTextProfileFieldCount);

  // deleteExisting removes the logbooks below the folder with their files.
  b->RestoreLogbooks(S(o + "books/"), true, &err);
  ASSERT_EQ(err, 0);
  EXPECT_FALSE(fs::exists(o + "books/Logbook2/p1.jpg"));
  EXPECT_TRUE(fs::exists(o + "books/Logbook4/p1.jpg"));
  EXPECT_TRUE(fs::exists(o + "books/Logbook5/trip.a4lb"));
}

TEST(BackupReader, AProfileBoundToAMissingColumnIsRefusedAndTheTargetNotSaved) {
  vmtest::TempDir dir;
  Bytes record;
  record.u8(1).str8("c").u8(0).u8(1).u8(5).str8("f").str8("P").u8('.').u8(9);
  Bytes a;
  a.raw("Ankrum4Backup").u32(0x01000000).u8(1).le(26 + record.b.size(), 8);
  a.b.insert(a.b.end(), record.b.begin(), record.b.end());
  a.u32(0).pad(32).u32(0).u32(1).str8("P").le(26, 8).le(record.b.size(), 8).u32(0).u32(0);
  const std::string path = dir.str() + "/p.a4db";
  WriteFile(path, a.b);
  int32_t err = -1;
  Owned<CNavBackup> b = Open(path, 1, &err);
  ASSERT_NE(b, nullptr);
  Owned<CTextProfileList> target(TextProfileListCreate());
  target->Create();
  target->Save(&err);
  b->RestoreTextProfilesA(target.get(), true, &err);
  EXPECT_EQ(err, 0x1001F);
  EXPECT_TRUE(target->IsChanged()) << "not saved after a failed restore";
}

}  // namespace
}  // namespace backuptest
