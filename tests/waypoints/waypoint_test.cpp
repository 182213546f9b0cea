#include <functional>
#include <vector>

#include "store_fixture.h"

namespace wptest {
namespace {

using WaypointRecord = StoreTest;

TEST_F(WaypointRecord, ANewWaypointHasTheDefaults) {
  CWaypoint* w = Waypoint(52, 5);
  EXPECT_EQ(T(w->GetName()), "wp1");
  EXPECT_EQ(w->GetType(), manager->GetDefaultType());
  EXPECT_EQ(w->GetLabelPosition(), 5);
  EXPECT_EQ(w->GetValue1(), 0.0f);
  EXPECT_EQ(w->GetValue2(), -1.0f);
  EXPECT_EQ(w->GetProximityDistance(), 0.0f);
  EXPECT_EQ(w->GetValue3(), 0);
  ASSERT_NE(w->GetSubname(), nullptr);
  ASSERT_NE(w->GetComment(), nullptr);
  EXPECT_EQ(w->GetSubname()->length, 0);
  EXPECT_EQ(w->GetComment()->length, 0);
  EXPECT_EQ(w->GetLinkCount(), 0);
  EXPECT_EQ(w->GetGroupCount(), 0);
  EXPECT_EQ(w->GetDatabase(), db);
  EXPECT_EQ(w->GetManager(), manager.get());
  EXPECT_TRUE(w->IsExportable());
  EXPECT_FALSE(w->IsReadOnly());
  EXPECT_FALSE(w->IsTemporary());
  int32_t at = -1;
  CWaypointGroup* ungrouped = manager->GetUngroupedGroup();
  EXPECT_TRUE(ungrouped->FindWaypoint(w, &at));
  EXPECT_EQ(ungrouped->GetWaypoint(at), w);
  EXPECT_TRUE(db->IsChanged());
  EXPECT_GE(w->GetCreated(), 46000.0);  // a day count of this century
  EXPECT_EQ(w->GetCreated(), w->GetModified());
}

TEST_F(WaypointRecord, GeneratedNamesFillTheFirstGap) {
  struct Case {
    std::vector<std::string> present;
    std::string next;
  };
  const Case cases[] = {
      {{}, "wp1"},
      {{"wp1", "WP2", "wp10"}, "wp3"},
      {{"wp1", "wp2", "wp4"}, "wp3"},
      {{"wp2"}, "wp1"},
      {{"wp1", "wp1", "wp2"}, "wp3"},
      {{"wp 1", "wp+2", "wp-3", "wp3x", "wp", "w"}, "wp3"},
      {{"wp1", "wp99999999999"}, "wp2"},  // past 32 bits: not a number
  };
  for (const Case& c : cases) {
    Owned<CWaypointManager> m(MakeManager());
    CWaypointDatabase* d = m->CreateDatabase(S("x").get(), 0, false);
    const WptPos3 at{0, 0, 0};
    int32_t status = 0;
    for (const std::string& name : c.present)
      d->CreateWaypoint(&at, nullptr)->SetName(S(name).get(), &status);
    EXPECT_EQ(T(d->CreateWaypoint(&at, nullptr)->GetName()), c.next) << c.present.size();
  }
}

TEST_F(WaypointRecord, ANewPrefixNamesNewWaypoints) {
  Waypoint(0, 0);  // wp1
  SetWaypointNamePrefix(S("Pt").get());
  EXPECT_EQ(T(Waypoint(0, 0)->GetName()), "Pt1");
  EXPECT_EQ(T(Waypoint(0, 0)->GetName()), "Pt2");
  SetWaypointNamePrefix(GetWaypointNamePrefix());  // its own string: nothing happens
  EXPECT_EQ(T(GetWaypointNamePrefix()), "Pt");
}

TEST_F(WaypointRecord, NamesAndSubnamesHoldAtMost255Bytes) {
  CWaypoint* w = Waypoint(0, 0, "keep");
  int32_t status = -1;
  w->SetName(S(std::string(255, 'n')).get(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(w->GetName()->length, 255);
  w->SetName(S(std::string(256, 'm')).get(), &status);
  EXPECT_EQ(status, 0xA0028);
  EXPECT_EQ(T(w->GetName()), std::string(255, 'n'));
  w->SetSubname(S(std::string(256, 's')).get(), &status);
  EXPECT_EQ(status, 0xA0028);
  EXPECT_EQ(w->GetSubname()->length, 0);
  w->SetComment(S(std::string(5000, 'c')).get(), &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(w->GetComment()->length, 5000);
}

TEST_F(WaypointRecord, LongitudeIsNormalisedIntoMinusPiToPi) {
  const double pi = std::numbers::pi;
  const std::pair<double, double> cases[] = {
      {3 * pi / 2, -pi / 2}, {pi, -pi}, {-pi, -pi}, {5 * pi, -pi}, {-3 * pi / 2, pi / 2}, {0.25, 0.25},
  };
  CWaypoint* w = Waypoint(0, 0);
  for (auto [in, out] : cases) {
    int32_t status = -1;
    w->SetLongitude(in, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(w->GetLongitude(), out, 1e-12) << in;
    EXPECT_LT(w->GetLongitude(), pi);
  }
  const WptPos3 created{0, 3 * pi / 2, 0};
  EXPECT_NEAR(db->CreateWaypoint(&created, nullptr)->GetLongitude(), -pi / 2, 1e-12);
}

TEST_F(WaypointRecord, EveryChangeMarksTheDatabaseAndEqualValuesDoNot) {
  CWaypoint* w = Waypoint(10, 20, "same");
  CWaypointLink* link = nullptr;
  int32_t status = 0;
  link = w->AddLink(S("a").get(), S("b").get(), &status);
  const std::vector<std::pair<const char*, std::function<void(int32_t*)>>> setters = {
      {"name", [&](int32_t* s) { w->SetName(S("same").get(), s); }},
      {"latitude", [&](int32_t* s) { w->SetLatitude(10 * kDeg, s); }},
      {"height", [&](int32_t* s) { w->SetHeight(0.0, s); }},
      {"value1", [&](int32_t* s) { w->SetValue1(0.0f, s); }},
      {"value2", [&](int32_t* s) { w->SetValue2(-1.0f, s); }},
      {"value3", [&](int32_t* s) { w->SetValue3(0, s); }},
      {"label", [&](int32_t* s) { w->SetLabelPosition(5, s); }},
      {"proximity", [&](int32_t* s) { w->SetProximityDistance(0.0f, s); }},
      {"subname", [&](int32_t* s) { w->SetSubname(nullptr, s); }},
      {"comment", [&](int32_t* s) { w->SetComment(S("").get(), s); }},
      {"type", [&](int32_t* s) { w->SetType(nullptr, s); }},
      {"linkA", [&](int32_t* s) { w->SetLinkA(nullptr, s); }},
  };
  for (const auto& [what, set] : setters) {
    MarkSaved(db);
    set(&status);
    EXPECT_EQ(status, 0) << what;
    EXPECT_FALSE(db->IsChanged()) << what;
  }
  MarkSaved(db);
  w->SetLinkB(link, &status);
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(db->IsChanged());
  EXPECT_EQ(w->GetLinkB(), link);
}

TEST_F(WaypointRecord, AReadOnlyDatabaseRefusesEverySetterEvenForEqualValues) {
  CWaypoint* w = Waypoint(10, 20, "fixed");
  int32_t status = 0;
  CWaypointLink* link = w->AddLink(S("a").get(), S("b").get(), &status);
  CWaypointType* type = Type();
  CWaypointGroup* group = db->CreateGroup();
  CWaypointRoute* route = db->CreateRoute();
  CRoutePoint* point = route->AppendWaypoint(w, 50.0f, &status);
  db->SetReadOnly(true);
  MarkSaved(db);
  const WptPos3 here = *w->GetPosition();
  const WptPos2 here2{here.latitude, here.longitude};
  const std::vector<std::pair<const char*, std::function<void(int32_t*)>>> setters = {
      {"name", [&](int32_t* s) { w->SetName(S("fixed").get(), s); }},
      {"created", [&](int32_t* s) { w->SetCreated(w->GetCreated(), s); }},
      {"latitude", [&](int32_t* s) { w->SetLatitude(here.latitude, s); }},
      {"longitude", [&](int32_t* s) { w->SetLongitude(1.0, s); }},
      {"height", [&](int32_t* s) { w->SetHeight(0.0, s); }},
      {"position3", [&](int32_t* s) { w->SetPosition(&here, s); }},
      {"position2", [&](int32_t* s) { w->SetPosition(&here2, s); }},
      {"value1", [&](int32_t* s) { w->SetValue1(0.0f, s); }},
      {"value2", [&](int32_t* s) { w->SetValue2(-1.0f, s); }},
      {"value3", [&](int32_t* s) { w->SetValue3(0, s); }},
      {"label", [&](int32_t* s) { w->SetLabelPosition(5, s); }},
      {"proximity", [&](int32_t* s) { w->SetProximityDistance(0.0f, s); }},
      {"subname", [&](int32_t* s) { w->SetSubname(nullptr, s); }},
      {"comment", [&](int32_t* s) { w->SetComment(nullptr, s); }},
      {"type", [&](int32_t* s) { w->SetType(nullptr, s); }},
      {"linkA", [&](int32_t* s) { w->SetLinkA(link, s); }},
      {"linkB", [&](int32_t* s) { w->SetLinkB(nullptr, s); }},
      {"add link", [&](int32_t* s) { EXPECT_EQ(w->AddLink(nullptr, nullptr, s), nullptr); }},
      {"delete link", [&](int32_t* s) { w->DeleteLink(0, s); }},
      {"delete waypoint", [&](int32_t* s) { w->Delete(s); }},
      {"assign", [&](int32_t* s) { w->Assign(w, true, s); }},
      {"type colour", [&](int32_t* s) { type->SetNameColour(type->GetNameColour(), s); }},
      {"type font", [&](int32_t* s) { type->SetNameFontSize(10, s); }},
      {"type style", [&](int32_t* s) { type->SetSubnameFontStyle(0, s); }},
      {"type images", [&](int32_t* s) { type->SetImages(icon.get(), overlay.get(), 0, 1, 1, s); }},
      {"group add", [&](int32_t* s) { group->AddWaypoint(w, s); }},
      {"group remove all", [&](int32_t* s) { group->RemoveAllWaypoints(s); }},
      {"group delete", [&](int32_t* s) { group->Delete(s); }},
      {"route append", [&](int32_t* s) { EXPECT_EQ(route->AppendPoint(&here, 1.0f, s), nullptr); }},
      {"route delete point", [&](int32_t* s) { route->DeletePointAt(0, s); }},
      {"point radius", [&](int32_t* s) { point->SetRadius(50.0f, s); }},
      {"point name", [&](int32_t* s) { point->SetName(nullptr, s); }},
      {"point waypoint", [&](int32_t* s) { point->SetWaypoint(nullptr, s); }},
      {"database clear", [&](int32_t* s) { db->Clear(s); }},
  };
  for (const auto& [what, set] : setters) {
    status = 0;
    set(&status);
    EXPECT_EQ(status, 0xA0000) << what;
  }
  EXPECT_FALSE(db->IsChanged());
  EXPECT_EQ(w->GetLinkCount(), 1);
  EXPECT_EQ(route->GetPointCount(), 1);
  EXPECT_EQ(db->GetWaypointCount(), 1);
  // Creating still works in a read-only database.
  EXPECT_NE(db->CreateGroup(), nullptr);
}

TEST_F(WaypointRecord, BuiltInObjectsAreReadOnly) {
  int32_t status = 0;
  manager->GetDefaultType()->SetName(S("x").get(), &status);
  EXPECT_EQ(status, 0xA0000);
  manager->GetUngroupedGroup()->AddWaypoint(Waypoint(0, 0), &status);
  EXPECT_EQ(status, 0xA0000);
  EXPECT_FALSE(manager->GetDefaultType()->IsExportable());
  CWaypointRoute* temp = manager->CreateTempRoute();
  EXPECT_TRUE(temp->IsTemporary());
  EXPECT_FALSE(temp->IsReadOnly());
  temp->SetName(S("scratch").get(), &status);
  EXPECT_EQ(status, 0);
  temp->Delete(&status);
  EXPECT_EQ(status, 0);
}

TEST_F(WaypointRecord, TimeStampsAreClampedAndRoundedToSeconds) {
  CWaypoint* w = Waypoint(0, 0);
  const std::pair<double, double> cases[] = {
      {30000.0, 36526.0},            // before 2000: the epoch
      {90000.0, 86236.26961805555},  // past the last second that fits
      {36526.0 + 1.4 / 86400, 36526.0 + 1.0 / 86400},
      {36526.0 + 1.5 / 86400, 36526.0 + 2.0 / 86400},
      {45000.25, 45000.25},
  };
  for (auto [in, out] : cases) {
    int32_t status = -1;
    w->SetCreated(in, &status);
    EXPECT_EQ(status, 0);
    EXPECT_NEAR(w->GetCreated(), out, 1e-9) << in;
  }
}

TEST_F(WaypointRecord, LinksKeepOrderAndTheirMarks) {
  CWaypoint* w = Waypoint(0, 0);
  int32_t status = -1;
  CWaypointLink* a = w->AddLink(S("a1").get(), S("a2").get(), &status);
  CWaypointLink* c = w->AddLink(S("c1").get(), nullptr, &status);
  CWaypointLink* b = w->InsertLink(1, S("b1").get(), S("b2").get(), &status);
  ASSERT_EQ(w->GetLinkCount(), 3);
  EXPECT_EQ(w->GetLink(0), a);
  EXPECT_EQ(w->GetLink(1), b);
  EXPECT_EQ(w->GetLink(2), c);
  EXPECT_EQ(T(c->text2), "");
  w->SetLinkA(b, &status);
  w->SetLinkB(c, &status);
  w->DeleteLink(b, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(w->GetLinkA(), nullptr);
  EXPECT_EQ(w->GetLinkB(), c);
  // A link of another waypoint could not be stored as an index of this one.
  CWaypoint* other = Waypoint(1, 1);
  CWaypointLink* foreign = other->AddLink(nullptr, nullptr, &status);
  w->SetLinkA(foreign, &status);
  EXPECT_EQ(status, 0x1);
  EXPECT_EQ(w->GetLinkA(), nullptr);
  w->DeleteLink(foreign, &status);
  EXPECT_EQ(status, 0x1);
  w->DeleteLink(0, &status);
  w->DeleteLink(0, &status);
  EXPECT_EQ(w->GetLinkCount(), 0);
  EXPECT_EQ(w->GetLinkB(), nullptr);
}

TEST_F(WaypointRecord, AWaypointHoldsAtMost255Links) {
  CWaypoint* w = Waypoint(0, 0);
  int32_t status = 0;
  for (int i = 0; i < 255; ++i) ASSERT_NE(w->AddLink(nullptr, nullptr, &status), nullptr);
  MarkSaved(db);
  EXPECT_EQ(w->InsertLink(0, S("one").get(), S("more").get(), &status), nullptr);
  EXPECT_EQ(status, 0xA000B);
  EXPECT_EQ(w->GetLinkCount(), 255);
  EXPECT_FALSE(db->IsChanged());
}

TEST_F(WaypointRecord, ValuesTheFileCannotHoldAreRefused) {
  CWaypoint* w = Waypoint(0, 0);
  int32_t status = 0;
  const std::vector<std::pair<const char*, std::function<void(int32_t*)>>> setters = {
      {"negative value1", [&](int32_t* s) { w->SetValue1(-0.5f, s); }},
      {"nan value1", [&](int32_t* s) { w->SetValue1(std::nanf(""), s); }},
      {"negative proximity", [&](int32_t* s) { w->SetProximityDistance(-1.0f, s); }},
      {"label 9", [&](int32_t* s) { w->SetLabelPosition(9, s); }},
      {"label -1", [&](int32_t* s) { w->SetLabelPosition(-1, s); }},
  };
  for (const auto& [what, set] : setters) {
    set(&status);
    EXPECT_EQ(status, 0x1) << what;
  }
  EXPECT_EQ(w->GetValue1(), 0.0f);
  EXPECT_EQ(w->GetLabelPosition(), 5);
  w->SetLabelPosition(8, &status);
  EXPECT_EQ(status, 0);
  w->SetValue2(-3.0f, &status);  // kept; simply not written
  EXPECT_EQ(status, 0);
}

TEST_F(WaypointRecord, AssignCopiesFieldsAndLinks) {
  CWaypoint* source = Waypoint(1, 2, "source");
  int32_t status = 0;
  source->SetSubname(S("sub").get(), &status);
  source->SetValue3(7, &status);
  source->AddLink(S("x").get(), S("y").get(), &status);
  source->SetLinkA(source->AddLink(S("p").get(), S("q").get(), &status), &status);
  CWaypoint* target = Waypoint(3, 4, "target");
  target->Assign(source, false, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(T(target->GetName()), "source");
  EXPECT_EQ(T(target->GetSubname()), "sub");
  EXPECT_EQ(target->GetValue3(), 7);
  EXPECT_DOUBLE_EQ(target->GetLatitude(), 1 * kDeg);
  ASSERT_EQ(target->GetLinkCount(), 2);
  EXPECT_EQ(target->GetLinkA(), target->GetLink(1));
  EXPECT_NE(target->GetLink(1), source->GetLink(1));
  target->Assign(db->CreateGroup(), false, &status);
  EXPECT_EQ(status, 0x1);
}

}  // namespace
}  // namespace wptest
