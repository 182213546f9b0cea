// The embedded waypoint database: an export of the four lists with new
// GUIDs, read back here field by field from its bytes.
#include <ctime>

#include "nav/backup_fixtures.h"
#include "vmlib/bmp.h"
#include "vmlib/guid.h"
#include "vmlib/waypoints.h"

namespace backuptest {
namespace {

GUID GuidAt(Reader& r) {
  GUID g;
  const auto b = r.bytes(16);
  std::memcpy(&g, b.data(), 16);
  return g;
}
bool Same(const GUID& a, const GUID& b) { return std::memcmp(&a, &b, 16) == 0; }
float F32(Reader& r) {
  const uint32_t bits = r.u32();
  float f;
  std::memcpy(&f, &bits, 4);
  return f;
}
double F64(Reader& r) {
  const uint64_t bits = r.le(8);
  double d;
  std::memcpy(&d, &bits, 8);
  return d;
}

class EmbeddedDatabase : public ::testing::Test {
protected:
  void SetUp() override {
    Owned<CBmp32> icon(Bmp32Create(4, 4, false)), overlay(Bmp32Create(2, 2, false));
    icon->Fill(0xFF112233u);
    overlay->Fill(0x80445566u);
    manager.reset(WaypointManagerCreate(icon.get(), overlay.get(), 0, 1.0f, 1.0f, S("Tahoma"), 10, 0,
                                        0xFF000000u, 8, 0, 0xFF000000u, 5));
    ASSERT_NE(manager, nullptr);
    db = manager->CreateDatabase(S("Source"), 0x01000000, true);
    Owned<CBmp32> typeIcon(Bmp32Create(2, 1, false)), typeOverlay(Bmp32Create(1, 1, false));
    typeIcon->GetRow(0)[0] = 0xAABBCCDDu;
    typeIcon->GetRow(0)[1] = 0x01020304u;
    typeOverlay->GetRow(0)[0] = 0xFFFFFFFFu;
    type = db->CreateType(typeIcon.get(), typeOverlay.get(), 1, 0.5f, 0.0f, 9, 1, 0xFF00FF00u, 7, 2,
                          0xFF000000u);
    int32_t err = 0;
    type->SetName(S("Buoy"), &err);
    const WptPos3 a{0.9, 0.08, 12.5}, b{0.91, 0.09, 0.0}, c{0.92, 0.1, 0.0};
    typed = db->CreateWaypoint(&a, type);
    typed->SetName(S("Typed"), &err);
    typed->SetComment(S("a comment"), &err);
    plain = db->CreateWaypoint(&b, nullptr);
    plain->SetName(S("Plain"), &err);
    hidden = db->CreateWaypoint(&c, nullptr);  // not exported
    group = db->CreateGroup();
    group->SetName(S("G"), &err);
    group->AddWaypoint(typed, &err);
    group->AddWaypoint(hidden, &err);
    route = db->CreateRoute();
    route->SetName(S("R"), &err);
    route->AppendWaypoint(typed, 50.0f, &err);
    route->AppendWaypoint(hidden, 25.0f, &err);
    ASSERT_EQ(err, 0);
    types.reset(WaypointTypeListCreate());
    waypoints.reset(WaypointListCreate());
    groups.reset(WaypointGroupListCreate());
    routes.reset(WaypointRouteListCreate());
    types->Add(type);
    waypoints->Add(typed);
    waypoints->Add(plain);
    groups->Add(group);
    routes->Add(route);
  }

  void Write(const std::string& path, const std::vector<std::string>& tracks, int32_t* err) {
    NavBackupWrite(S(path), kBackupDatabase | kBackupTracks, 0, S(""), groups.get(), routes.get(),
                   types.get(), waypoints.get(), Paths(tracks).get(), nullptr, nullptr, nullptr, nullptr,
                   err);
  }

  Owned<CWaypointManager> manager;
  CWaypointDatabase* db = nullptr;
  CWaypointType* type = nullptr;
  CWaypoint *typed = nullptr, *plain = nullptr, *hidden = nullptr;
  CWaypointGroup* group = nullptr;
  CWaypointRoute* route = nullptr;
  Owned<CWaypointTypeList> types;
  Owned<CWaypointList> waypoints;
  Owned<CWaypointGroupList> groups;
  Owned<CWaypointRouteList> routes;
};

TEST_F(EmbeddedDatabase, TheConvertersArchiveOpensWithTheEmbeddedDatabaseAndTracks) {
  vmtest::TempDir dir;
  MakeTrack(dir.str() + "/t.trk", "T");
  const std::string path = dir.str() + "/Ankrum3.a4db";
  int32_t err = -1;
  const uint32_t before = static_cast<uint32_t>(std::time(nullptr) - 946684800);
  Write(path, {dir.str() + "/t.trk"}, &err);
  const uint32_t after = static_cast<uint32_t>(std::time(nullptr) - 946684800);
  ASSERT_EQ(err, 0);
  const auto bytes = ReadFile(path);
  const Directory d = ReadDirectory(bytes);
  EXPECT_EQ(d.embeddedOffset, 26);
  EXPECT_EQ(d.dbFileOffset, 0);
  EXPECT_EQ(d.tracks.at(0).offset, 26 + d.embeddedSize) << "tracks follow the database";

  Owned<CNavBackup> b(NavBackupCreate(S(path), 0, nullptr, &err));
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->GetContents(), 0x22);
  EXPECT_EQ(b->GetDatabaseOffset(), 26);
  EXPECT_EQ(b->GetDatabaseSize(), d.embeddedSize);
  EXPECT_FALSE(b->GetTrack(0)->GetSelected());
  b->RestoreDatabaseFile(S(dir.str() + "/x.wpt"), &err);
  EXPECT_EQ(err, 0x1001F) << "an embedded database is not a file to restore";

  Reader r{bytes, 26};
  EXPECT_EQ(r.text(12), "VelmoraWptDB");
  EXPECT_EQ(r.u32(), 0x02000000u);
  EXPECT_EQ(r.i64(), 0);
  const GUID dbGuid = GuidAt(r);
  EXPECT_FALSE(Same(dbGuid, *db->GetGUID())) << "a new database GUID";
  EXPECT_EQ(r.u32(), 0x01000000u);
  const uint32_t stamp = r.u32();
  EXPECT_GE(stamp, before);
  EXPECT_LE(stamp, after + 1);
  EXPECT_EQ(r.u32(), 2u);   // waypoints
  EXPECT_EQ(r.le(2), 1u);   // types
  EXPECT_EQ(r.le(2), 1u);   // groups
  EXPECT_EQ(r.le(2), 1u);   // routes
  EXPECT_EQ(r.u8(), 6);     // read-only and export mark
  EXPECT_EQ(r.str8(), "");  // name

  // Type record.
  const GUID typeGuid = GuidAt(r);
  EXPECT_FALSE(Same(typeGuid, *type->GetGUID()));
  r.u32();
  r.u32();
  EXPECT_EQ(F32(r), 0.5f);
  EXPECT_EQ(F32(r), 0.0f);
  EXPECT_EQ(r.bytes(6), (std::vector<uint8_t>{2, 1, 1, 1, 9, 7}));
  EXPECT_EQ(r.u8(), 1 | (2 << 3) | 0x40) << "styles and only the name colour present";
  EXPECT_EQ(r.u8(), 1);
  EXPECT_EQ(r.bytes(8), (std::vector<uint8_t>{0xDD, 0xCC, 0xBB, 0xAA, 4, 3, 2, 1}));
  EXPECT_EQ(r.u32(), 0xFFFFFFFFu);
  EXPECT_EQ(r.str8(), "Buoy");
  EXPECT_EQ(r.u32(), 0xFF00FF00u);

  // Waypoint "Typed": height, comment, type reference with the new GUID.
  const GUID typedGuid = GuidAt(r);
  r.u32();
  r.u32();
  EXPECT_EQ(F64(r), 0.9);
  EXPECT_EQ(F64(r), 0.08);
  EXPECT_EQ(r.u8(), 0x01 | 0x10 | 0x20);
  EXPECT_EQ(r.u8(), 0);
  EXPECT_EQ(r.str8(), "Typed");
  EXPECT_EQ(F64(r), 12.5);
  EXPECT_EQ(r.text(r.u32()), "a comment");
  EXPECT_TRUE(Same(GuidAt(r), typeGuid));
  // Waypoint "Plain": the default type gives no reference.
  GuidAt(r);
  r.u32();
  r.u32();
  r.bytes(16);  // latitude and longitude
  EXPECT_EQ(r.u8(), 0);
  EXPECT_EQ(r.u8(), 0);
  EXPECT_EQ(r.str8(), "Plain");

  // Group: the member that was not exported is left out.
  GuidAt(r);
  r.u32();
  r.u32();
  EXPECT_EQ(r.u32(), 1u);
  EXPECT_EQ(r.str8(), "G");
  EXPECT_TRUE(Same(GuidAt(r), typedGuid));

  // Route: the point at the hidden waypoint keeps its position, no reference.
  GuidAt(r);
  r.u32();
  r.u32();
  EXPECT_EQ(r.le(2), 2u);
  EXPECT_EQ(r.str8(), "R");
  EXPECT_EQ(F64(r), 0.9);
  EXPECT_EQ(F64(r), 0.08);
  EXPECT_EQ(F32(r), 50.0f);
  EXPECT_EQ(r.u8(), 3);
  EXPECT_EQ(r.str8(), T(route->GetPoint(0)->GetOwnName())) << "the point's own name";
  EXPECT_EQ(F64(r), 12.5);
  EXPECT_TRUE(Same(GuidAt(r), typedGuid));
  EXPECT_EQ(F64(r), 0.92);
  EXPECT_EQ(F64(r), 0.1);
  EXPECT_EQ(F32(r), 25.0f);
  EXPECT_EQ(r.u8(), 0);
  EXPECT_EQ(r.str8(), T(route->GetPoint(1)->GetOwnName()));
  EXPECT_EQ(static_cast<int64_t>(r.at), 26 + d.embeddedSize) << "the database ends after the last route";
}

TEST_F(EmbeddedDatabase, AnObjectThatIsNotExportableStopsTheArchive) {
  vmtest::TempDir dir;
  CWaypointDatabase* closed = manager->CreateDatabase(S("Private"), 0x01000000, false);
  const WptPos3 at{0.1, 0.2, 0};
  waypoints->Add(closed->CreateWaypoint(&at, nullptr));
  const std::string path = dir.str() + "/a.a4db";
  int32_t err = 0;
  Write(path, {}, &err);
  EXPECT_EQ(err, 0xA0001);
  EXPECT_TRUE(FilesBelow(dir.path()).empty()) << "nothing is left behind";
}

TEST_F(EmbeddedDatabase, AnEmptyExportIsSixtyBytes) {
  vmtest::TempDir dir;
  types->Clear();
  waypoints->Clear();
  groups->Clear();
  routes->Clear();
  const std::string path = dir.str() + "/a.a4db";
  int32_t err = -1;
  Write(path, {}, &err);
  ASSERT_EQ(err, 0);
  EXPECT_EQ(ReadDirectory(ReadFile(path)).embeddedSize, 60);
}

}  // namespace
}  // namespace backuptest
