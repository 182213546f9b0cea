#include <cstring>
#include <functional>
#include <vector>

#include "store_fixture.h"
#include "waypoints/guid_order.h"

namespace wptest {
namespace {

using Manager = StoreTest;
using Lists = StoreTest;

TEST_F(Manager, GroupsOfWaypointsAndWaypointsOfGroups) {
  CWaypoint* a = Waypoint(0, 0);
  CWaypoint* b = Waypoint(1, 1);
  CWaypoint* c = Waypoint(2, 2);
  CWaypointGroup* g1 = db->CreateGroup();
  CWaypointGroup* g2 = db->CreateGroup();
  int32_t status = 0;
  g1->AddWaypoint(a, &status);
  g1->AddWaypoint(b, &status);
  g2->AddWaypoint(b, &status);
  Owned<CWaypointList> some(WaypointListCreate());
  some->Add(a);
  Owned<CWaypointGroupList> found(WaypointGroupListCreate());
  EXPECT_TRUE(manager->GetGroupsOfWaypoints(found.get(), some.get()));
  ASSERT_EQ(found->GetCount(), 1);
  EXPECT_EQ(found->Get(0), g1);
  some->Clear();
  some->Add(c);  // only in the ungrouped group, which is a registry group too
  EXPECT_TRUE(manager->GetGroupsOfWaypoints(found.get(), some.get()));
  EXPECT_EQ(found->GetCount(), 2);  // out is not emptied first
  EXPECT_EQ(found->Get(1), manager->GetUngroupedGroup());
  Owned<CWaypointGroupList> groups(WaypointGroupListCreate());
  groups->Add(g1);
  groups->Add(g2);
  Owned<CWaypointList> members(WaypointListCreate());
  members->Add(c);
  manager->GetWaypointsOfGroups(members.get(), groups.get());
  EXPECT_EQ(members->GetCount(), 2);  // b once
  EXPECT_EQ(members->IndexOf(c), -1);
}

TEST_F(Manager, ProximityUsesMarksAndEachWaypointsRadius) {
  CWaypoint* close = Waypoint(0, 0.001);  // about 111 m east
  CWaypoint* far = Waypoint(0, 0.01);     // about 1111 m east
  CWaypoint* unmarked = Waypoint(0, 0.001);
  int32_t status = 0;
  for (CWaypoint* w : {close, far, unmarked}) w->SetProximityDistance(500.0f, &status);
  Owned<CWaypointList> marked(WaypointListCreate());
  marked->Add(close);
  marked->Add(far);
  manager->MarkWaypoints(marked.get(), 0x4);
  EXPECT_TRUE(close->TestMarks(0x4));
  EXPECT_FALSE(unmarked->TestMarks(0x4));
  Owned<CWaypointList> out(WaypointListCreate());
  const WptPos2 here{0, 0};
  manager->GetWaypointsInProximity(&here, 0x4, out.get());
  ASSERT_EQ(out->GetCount(), 1);
  EXPECT_EQ(out->Get(0), close);
  far->SetProximityDistance(1200.0f, &status);
  manager->GetWaypointsInProximity(&here, 0x4, out.get());
  EXPECT_EQ(out->GetCount(), 2);
  manager->MarkWaypoints(nullptr, 0x4);  // clears every mark
  manager->GetWaypointsInProximity(&here, 0x4, out.get());
  EXPECT_EQ(out->GetCount(), 0);
}

TEST_F(Manager, TagSetsCarryTheirBitsOnTheWaypoints) {
  CWaypoint* a = Waypoint(0, 0);
  CWaypoint* b = Waypoint(1, 1);
  Owned<CWaypointSet> set(manager->CreateWaypointSet(2, 0x3));
  set->Add(a);
  set->Add(a);
  set->Add(b);
  EXPECT_EQ(set->GetCount(), 2);
  EXPECT_EQ(std::memcmp(set->GetGUIDAt(0), a->GetGUID(), sizeof(GUID)), 0);
  EXPECT_TRUE(a->TestWaypointFlags(0x1));
  set->Remove(a);
  EXPECT_FALSE(a->TestWaypointFlags(0x3));
  EXPECT_EQ(set->GetCount(), 1);
  set->Remove(a);  // carries none of the bits: nothing
  EXPECT_EQ(set->GetCount(), 1);
  set.reset();  // destroying the set clears its bits
  EXPECT_FALSE(b->TestWaypointFlags(0x3));
}

TEST_F(Manager, TheDefaultTypeComesFromTheArguments) {
  CWaypointType* t = manager->GetDefaultType();
  EXPECT_EQ(t->GetIcon()->GetWidth(), 32);
  EXPECT_NE(t->GetIcon(), icon.get());  // a copy
  EXPECT_EQ(t->GetOverlay()->GetWidth(), 8);
  EXPECT_EQ(t->GetHotspotX(), 16.0f);
  EXPECT_EQ(t->GetNameFontSize(), 10);
  EXPECT_EQ(t->GetSubnameFontSize(), 8);
  EXPECT_EQ(t->GetTypeFlag(), 0);
  EXPECT_EQ(T(manager->GetFontName()), "Tahoma");
  EXPECT_EQ(manager->GetDefaultLabelPosition(), 5);
  EXPECT_EQ(t->GetDatabase(), nullptr);
  EXPECT_GT(manager->GetMemorySize(true), 32 * 32 * 4);
}

TEST_F(Lists, ANewListIsEmptyAndRefersWithoutOwning) {
  Owned<CWaypointList> list(WaypointListCreate());
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_FALSE(list->IsSorted());
  EXPECT_FALSE(list->OwnsItems());
  EXPECT_TRUE(list->AllowsDuplicates());
  CWaypoint* w = Waypoint(0, 0);
  EXPECT_EQ(list->Add(w), 0);
  EXPECT_EQ(list->Add(w), 1);
  list.reset();
  EXPECT_EQ(db->GetWaypointCount(), 1);
  EXPECT_EQ(T(w->GetName()), "wp1");  // still alive
}

TEST_F(Lists, AGuidSortedListOrdersByTheFourthWordFirst) {
  CWaypoint* a = Waypoint(0, 0);
  CWaypoint* b = Waypoint(0, 0);
  CWaypoint* c = Waypoint(0, 0);  // made before any GUID is changed below
  // Give a the larger fourth word but the smaller first word.
  auto& fa = static_cast<vm::WaypointImpl*>(a)->guid;
  auto& fb = static_cast<vm::WaypointImpl*>(b)->guid;
  // The registries are ordered by the real GUIDs: put them back at the end.
  struct Restore {
    GUID& target;
    GUID saved;
    ~Restore() { target = saved; }
  } restoreA{fa, fa}, restoreB{fb, fb};
  const uint32_t wordsA[4] = {1, 0, 0, 9};
  const uint32_t wordsB[4] = {0xFFFFFFFF, 0, 0, 8};
  std::memcpy(&fa, wordsA, 16);
  std::memcpy(&fb, wordsB, 16);
  Owned<CWaypointList> list(WaypointListCreate());
  list->SetCompare(vm::GuidOrder);
  list->SetSorted(true);
  list->SetAllowDuplicates(false);
  EXPECT_EQ(list->Add(a), 0);
  EXPECT_EQ(list->Add(b), 0);
  EXPECT_EQ(list->Get(1), a);
  EXPECT_EQ(list->Add(a), -1);
  EXPECT_EQ(list->GetCount(), 2);
  // Three appends in reverse order inside an update come out sorted.
  Owned<CWaypointList> batch(WaypointListCreate());
  batch->SetCompare(vm::GuidOrder);
  batch->SetSorted(true);
  batch->SetAllowDuplicates(false);
  auto& fc = static_cast<vm::WaypointImpl*>(c)->guid;
  Restore restoreC{fc, fc};
  const uint32_t wordsC[4] = {0, 0, 0, 10};
  std::memcpy(&fc, wordsC, 16);
  batch->BeginUpdate();
  batch->Append(c);
  batch->Append(a);
  batch->Append(b);
  int32_t status = -1;
  batch->EndUpdate(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(batch->Get(0), b);
  EXPECT_EQ(batch->Get(2), c);
  batch->BeginUpdate();
  batch->Append(a);
  batch->EndUpdate(&status);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(batch->GetCount(), 3);
  batch->AddAll(list.get(), &status);
  EXPECT_EQ(status, 4);
  batch->SetDescending(true);
  EXPECT_EQ(batch->Get(0), c);
}

TEST(Checks, IconOverlayFontAndNameChecks) {
  struct Case {
    const char* what;
    bool ok;
    int32_t status;
    std::function<bool(int32_t*)> run;
  };
  const std::string n255(255, 'x'), n256(256, 'x');
  const std::vector<Case> cases = {
      {"icon 64 at 63.5", true, 0, [](int32_t* s) { return WPMCheckIcon(64, 64, 63.5f, 63.5f, s); }},
      {"icon 64 at 63.6", false, 0xA0016, [](int32_t* s) { return WPMCheckIcon(64, 64, 63.6f, 0, s); }},
      {"icon -0.5 corner", true, 0, [](int32_t* s) { return WPMCheckIcon(1, 1, -0.5f, -0.5f, s); }},
      {"icon 65 wide", false, 0xA0015, [](int32_t* s) { return WPMCheckIcon(65, 1, 0, 0, s); }},
      {"icon 0 wide", false, 0xA0014, [](int32_t* s) { return WPMCheckIcon(0, 10, 0, 0, s); }},
      {"size before origin", false, 0xA0014, [](int32_t* s) { return WPMCheckIcon(0, 10, 99, 99, s); }},
      {"hotspot nan", false, 0xA0016, [](int32_t* s) { return WPMCheckIcon(8, 8, std::nanf(""), 0, s); }},
      {"overlay 16", true, 0, [](int32_t* s) { return WPMCheckIconOverlay(16, 16, s); }},
      {"overlay 17", false, 0xA0015, [](int32_t* s) { return WPMCheckIconOverlay(17, 1, s); }},
      {"overlay 0", false, 0xA0014, [](int32_t* s) { return WPMCheckIconOverlay(4, 0, s); }},
      {"font 255", true, 0, [](int32_t* s) { return WPMCheckFontSize(255, s); }},
      {"font 256", false, 0xA001F, [](int32_t* s) { return WPMCheckFontSize(256, s); }},
      {"font 0", false, 0xA001E, [](int32_t* s) { return WPMCheckFontSize(0, s); }},
      {"name 255", true, 0, [&](int32_t* s) { return WPMCheckName(S(n255).get(), s); }},
      {"name 256", false, 0xA0028, [&](int32_t* s) { return WPMCheckName(S(n256).get(), s); }},
  };
  for (const Case& c : cases) {
    int32_t status = -1;
    EXPECT_EQ(c.run(&status), c.ok) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
  }
}

TEST(Checks, DefaultRadiusIsStoredAsGiven) {
  EXPECT_EQ(GetDefaultRadius(), 50.0f);
  SetDefaultRadius(-3.0f);
  EXPECT_EQ(GetDefaultRadius(), -3.0f);
  SetDefaultRadius(50.0f);
}

}  // namespace
}  // namespace wptest
