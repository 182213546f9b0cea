#include <cstring>
#include <vector>

#include "platform/guid.h"
#include "store_fixture.h"

namespace wptest {
namespace {

using Database = StoreTest;
using Import = StoreTest;

TEST_F(Database, DeletingATypeGivesItsWaypointsTheDefaultType) {
  CWaypointType* t = Type();
  CWaypointDatabase* other = manager->CreateDatabase(S("Other").get(), 1, false);
  const WptPos3 at{0, 0, 0};
  CWaypoint* here = db->CreateWaypoint(&at, t);
  CWaypoint* there = other->CreateWaypoint(&at, t);
  MarkSaved(db);
  MarkSaved(other);
  const int32_t typesBefore = manager->GetTypeCount();
  int32_t status = -1;
  t->Delete(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(here->GetType(), manager->GetDefaultType());
  EXPECT_EQ(there->GetType(), manager->GetDefaultType());
  EXPECT_TRUE(db->IsChanged());
  EXPECT_TRUE(other->IsChanged());
  EXPECT_EQ(db->GetTypeCount(), 0);
  EXPECT_EQ(manager->GetTypeCount(), typesBefore - 1);
}

TEST_F(Database, DeletingAWaypointCleansUpEverywhere) {
  CWaypoint* w = Waypoint(0, 1);
  CWaypoint* keep = Waypoint(0, 2);
  CWaypointDatabase* other = manager->CreateDatabase(S("Other").get(), 1, false);
  CWaypointGroup* here = db->CreateGroup();
  CWaypointGroup* there = other->CreateGroup();
  CWaypointRoute* route = db->CreateRoute();
  Owned<CWaypointSet> set(manager->CreateWaypointSet(4, 0x10));
  int32_t status = 0;
  here->AddWaypoint(w, &status);
  there->AddWaypoint(w, &status);
  there->AddWaypoint(keep, &status);
  route->AppendWaypoint(w, 1.0f, &status);
  route->AppendWaypoint(keep, 1.0f, &status);
  set->Add(w);
  EXPECT_TRUE(w->TestWaypointFlags(0x10));
  MarkSaved(other);
  w->Delete(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(db->GetWaypointCount(), 1);
  EXPECT_EQ(manager->GetWaypointCount(), 1);
  EXPECT_EQ(here->GetWaypointCount(), 0);
  EXPECT_EQ(there->GetWaypointCount(), 1);
  EXPECT_TRUE(other->IsChanged());
  EXPECT_EQ(set->GetCount(), 0);
  ASSERT_EQ(route->GetPointCount(), 2);
  EXPECT_EQ(route->GetPoint(0)->GetWaypoint(), nullptr);
  EXPECT_DOUBLE_EQ(route->GetPoint(0)->GetLongitude(), 1 * kDeg);
  EXPECT_EQ(manager->GetUngroupedGroup()->GetWaypointCount(), 0);
}

TEST_F(Database, DeletingARouteDetachesItsPoints) {
  CWaypoint* w = Waypoint(0, 1);
  CWaypointRoute* r = db->CreateRoute();
  int32_t status = 0;
  r->AppendWaypoint(w, 1.0f, &status);
  r->Delete(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(db->GetRouteCount(), 0);
  EXPECT_EQ(manager->GetRouteCount(), 0);
  // The waypoint no longer refers to the destroyed point: moving it is safe.
  w->SetLatitude(0.5, &status);
  EXPECT_EQ(status, 0);
}

TEST_F(Database, ClearAndCloseEmptyTheRegistries) {
  Waypoint(0, 0);
  Type();
  int32_t status = 0;
  db->CreateGroup()->AddWaypoint(Waypoint(1, 1), &status);
  db->CreateRoute()->AppendWaypoint(Waypoint(2, 2), 1.0f, &status);
  CWaypointDatabase* other = manager->CreateDatabase(S("Other").get(), 1, false);
  CWaypoint* survivor = other->CreateWaypoint(&*db->GetWaypoint(0)->GetPosition(), nullptr);
  db->Clear(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(db->GetWaypointCount() + db->GetTypeCount() + db->GetGroupCount() + db->GetRouteCount(), 0);
  EXPECT_EQ(manager->GetWaypointCount(), 1);
  EXPECT_EQ(manager->GetGroupCount(), 1);
  EXPECT_EQ(manager->GetTypeCount(), 1);
  EXPECT_EQ(manager->GetUngroupedGroup()->GetWaypoint(0), survivor);
  other->Close();
  EXPECT_EQ(manager->GetDatabaseCount(), 1);
  EXPECT_EQ(manager->GetWaypointCount(), 0);
}

TEST_F(Database, FindByGuidAndByName) {
  CWaypoint* a = Waypoint(0, 0, "Alpha");
  Waypoint(0, 0, "beta");
  int32_t at = -1;
  EXPECT_TRUE(db->FindWaypoint(a->GetGUID(), &at));
  EXPECT_EQ(db->GetWaypoint(at), a);
  EXPECT_TRUE(manager->FindWaypoint(a->GetGUID(), &at));
  EXPECT_EQ(manager->GetWaypoint(at), a);
  EXPECT_TRUE(db->FindWaypointByName(S("ALPHA").get(), &at));
  EXPECT_EQ(db->GetWaypoint(at), a);
  EXPECT_FALSE(db->FindWaypointByName(S("gamma").get(), &at));
  EXPECT_EQ(at, -1);
  EXPECT_TRUE(manager->FindDatabase(db->GetGUID(), &at));
  EXPECT_EQ(at, 0);
  const GUID none{};
  EXPECT_FALSE(manager->FindDatabase(&none, &at));
  EXPECT_EQ(at, -1);
  EXPECT_TRUE(manager->FindType(&none, &at));  // the default type has the zero GUID
  EXPECT_EQ(manager->GetType(at), manager->GetDefaultType());
}

TEST_F(Database, SavingAnUnchangedDatabaseDoesNothing) {
  MarkSaved(db);
  int32_t status = -1;
  db->Save(&status);
  EXPECT_EQ(status, 0);
}

GUID g_fixed{};
void FixedGuid(GUID* out) { *out = g_fixed; }

TEST_F(Database, DuplicateGuidsThrow) {
  g_fixed.Data1 = 0x1234;
  const vm::GuidSource previous = vm::SetGuidSource(FixedGuid);
  const WptPos3 at{0, 0, 0};
  CWaypoint* first = db->CreateWaypoint(&at, nullptr);
  ASSERT_NE(first, nullptr);
  const auto message = [](auto&& make) {
    try {
      make();
    } catch (const CException& e) {
      return e.Message();
    }
    return std::string("no exception");
  };
  EXPECT_EQ(message([&] { db->CreateWaypoint(&at, nullptr); }),
            "CWaypointDatabase::CreateWaypoint: duplicate GUID");
  EXPECT_EQ(message([&] { db->CreateWaypointFromWaypoint(first); }),
            "CWaypointDatabase::CreateWaypointFromWaypoint: duplicate GUID");
  CWaypointDatabase* other = manager->CreateDatabase(S("Other").get(), 1, false);
  EXPECT_EQ(message([&] { other->CreateWaypoint(&at, nullptr); }),
            "CWaypointManager::NotifyAddedWaypoint: duplicate GUID");
  EXPECT_EQ(other->GetWaypointCount(), 0);  // the refused object is gone again
  db->CreateGroup();
  EXPECT_EQ(message([&] { db->CreateGroup(); }), "CWaypointDatabase::CreateGroup: duplicate GUID");
  manager->CreateTempRoute();
  EXPECT_EQ(message([&] { manager->CreateTempRoute(); }),
            "CWaypointManager::CreateTempRoute: duplicate GUID");
  vm::SetGuidSource(previous);
  EXPECT_EQ(db->GetWaypointCount(), 1);
  EXPECT_EQ(manager->GetWaypointCount(), 1);
}

TEST_F(Database, TheLoadingFlagDefersTheUngroupedGroup) {
  CWaypoint* w = Waypoint(0, 0);
  CWaypointGroup* g = db->CreateGroup();
  manager->BeginLoading(1, nullptr);
  EXPECT_EQ(manager->GetUngroupedGroup()->GetWaypointCount(), 0);
  int32_t status = 0;
  g->AddWaypoint(w, &status);
  CWaypoint* loose = Waypoint(1, 1);
  manager->EndLoading();
  EXPECT_EQ(manager->GetUngroupedGroup()->GetWaypointCount(), 1);
  EXPECT_EQ(manager->GetUngroupedGroup()->GetWaypoint(0), loose);
  EXPECT_EQ(g->GetWaypointCount(), 1);
  int32_t at = -1;
  EXPECT_TRUE(manager->FindWaypoint(loose->GetGUID(), &at));
}

TEST_F(Database, EndLoadingRefusesTheSameGuidInTwoDatabases) {
  CWaypoint* w = Waypoint(0, 0);
  CWaypointDatabase* other = manager->CreateDatabase(S("Other").get(), 1, false);
  manager->BeginLoading(1, nullptr);
  // What a reader does for a file that repeats a GUID of another database.
  const WptPos3 at{0, 0, 0};
  auto* twin = new vm::WaypointImpl(static_cast<vm::ManagerImpl*>(manager.get()),
                                    static_cast<vm::DatabaseImpl*>(other), *w->GetGUID(), at, nullptr);
  static_cast<vm::DatabaseImpl*>(other)->waypoints.Add(twin);
  static_cast<vm::ManagerImpl*>(manager.get())->waypointRegistry.Append(static_cast<CWaypointObject*>(twin));
  try {
    manager->EndLoading();
    FAIL() << "no exception";
  } catch (const CException& e) {
    EXPECT_EQ(e.Message(), "CWaypointManager::EndLoading: duplicate waypoint GUID");
  }
}

// Answers every clash with the given action and counts the questions.
struct Answer {
  int32_t action;
  bool applyToAll;
  bool cancel;
  int asked = 0;
  int32_t candidates = -1;
};

void Ask(void* user, const CObject* candidates, const CWaypointObject*, int32_t* chosen, int32_t* action,
         bool* applyToAll, bool* cancel) {
  auto* a = static_cast<Answer*>(user);
  ++a->asked;
  a->candidates = static_cast<const CWaypointList*>(candidates)->GetCount();
  *chosen = 0;
  *action = a->action;
  *applyToAll = a->applyToAll;
  *cancel = a->cancel;
}

TEST_F(Import, WaypointsClashWithin50Kilometres) {
  CWaypoint* existing = Waypoint(52, 5, "Harbour");
  Owned<CWaypointManager> source(MakeManager());
  CWaypointDatabase* from = source->CreateDatabase(S("From").get(), 1, true);
  // 60 km north and 40 km south (about 111.2 km per degree of latitude).
  const WptPos3 far{(52 + 60.0 / 111.2) * kDeg, 5 * kDeg, 0};
  const WptPos3 near{(52 - 40.0 / 111.2) * kDeg, 5 * kDeg, 0};
  int32_t status = 0;
  CWaypoint* a = from->CreateWaypoint(&far, nullptr);
  a->SetName(S("harbour").get(), &status);
  CWaypoint* b = from->CreateWaypoint(&near, nullptr);
  b->SetName(S("HARBOUR").get(), &status);
  for (CWaypoint* w : {a, b}) {
    Owned<CWaypointList> list(WaypointListCreate());
    Owned<CWaypointList> out(WaypointListCreate());
    list->Add(w);
    Answer answer{0, false, false};
    const WptImportCallback callback{Ask, &answer};
    db->Import(nullptr, nullptr, list.get(), &callback, nullptr, nullptr, nullptr, nullptr, nullptr,
               out.get(), nullptr, nullptr, &status);
    EXPECT_EQ(status, 0);
    if (w == a) {
      EXPECT_EQ(answer.asked, 0);
      ASSERT_EQ(out->GetCount(), 1);
      EXPECT_NE(out->Get(0), existing);
    } else {
      EXPECT_EQ(answer.asked, 1);
      EXPECT_EQ(answer.candidates, 1);
      EXPECT_EQ(out->GetCount(), 0);  // action 0: the existing one is used
    }
  }
  EXPECT_EQ(db->GetWaypointCount(), 2);
}

TEST_F(Import, ApplyToAllAsksOnceAndCancelStops) {
  Waypoint(0, 0, "same");
  Owned<CWaypointManager> source(MakeManager());
  CWaypointDatabase* from = source->CreateDatabase(S("From").get(), 1, true);
  Owned<CWaypointList> list(WaypointListCreate());
  int32_t status = 0;
  const WptPos3 at{0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    CWaypoint* w = from->CreateWaypoint(&at, nullptr);
    w->SetName(S("same").get(), &status);
    list->Add(w);
  }
  Answer copyAll{2, true, false};
  const WptImportCallback callback{Ask, &copyAll};
  db->Import(nullptr, nullptr, list.get(), &callback, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             nullptr, nullptr, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(copyAll.asked, 1);
  EXPECT_EQ(db->GetWaypointCount(), 4);
  Answer cancel{0, false, true};
  const WptImportCallback stop{Ask, &cancel};
  db->Import(nullptr, nullptr, list.get(), &stop, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
             nullptr, nullptr, &status);
  EXPECT_EQ(status, 2);
  EXPECT_EQ(db->GetWaypointCount(), 4);
  Answer unknown{7, false, false};
  const WptImportCallback bad{Ask, &unknown};
  try {
    db->Import(nullptr, nullptr, list.get(), &bad, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
               nullptr, nullptr, &status);
    FAIL() << "no exception";
  } catch (const CException& e) {
    EXPECT_EQ(e.Message(), "CWaypointDatabase::ImportWaypoints: unknown action");
  }
}

TEST_F(Import, GroupsAndRoutesFollowTheMapping) {
  Owned<CWaypointManager> source(MakeManager());
  CWaypointDatabase* from = source->CreateDatabase(S("From").get(), 1, true);
  int32_t status = 0;
  Owned<CBmp32> i(Bitmap(16, 16, 0xFF00FF00u));
  CWaypointType* type = from->CreateType(i.get(), i.get(), 0, 8, 8, 10, 0, 0, 8, 0, 0);
  const WptPos3 at{0.1, 0.2, 0};
  CWaypoint* w = from->CreateWaypoint(&at, type);
  CWaypoint* plain = from->CreateWaypoint(&at, nullptr);
  CWaypointGroup* g = from->CreateGroup();
  g->AddWaypoint(w, &status);
  CWaypointRoute* r = from->CreateRoute();
  r->AppendWaypoint(w, 5.0f, &status);
  Owned<CWaypointTypeList> types(WaypointTypeListCreate());
  types->Add(type);
  types->Add(source->GetDefaultType());
  Owned<CWaypointList> waypoints(WaypointListCreate());
  waypoints->Add(w);
  waypoints->Add(plain);
  Owned<CWaypointGroupList> groups(WaypointGroupListCreate());
  groups->Add(g);
  Owned<CWaypointRouteList> routes(WaypointRouteListCreate());
  routes->Add(r);
  Owned<CWaypointTypeList> outTypes(WaypointTypeListCreate());
  db->Import(types.get(), nullptr, waypoints.get(), nullptr, groups.get(), nullptr, routes.get(), nullptr,
             outTypes.get(), nullptr, nullptr, nullptr, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(outTypes->GetCount(), 1);  // the default type maps without import
  ASSERT_EQ(db->GetWaypointCount(), 2);
  ASSERT_EQ(db->GetGroupCount(), 1);
  CWaypointGroup* copy = db->GetGroup(0);
  ASSERT_EQ(copy->GetWaypointCount(), 1);
  CWaypoint* member = copy->GetWaypoint(0);
  EXPECT_EQ(member->GetManager(), manager.get());
  EXPECT_EQ(member->GetType(), db->GetType(0));
  EXPECT_EQ(member->GetGroupCount(), 1);
  ASSERT_EQ(db->GetRouteCount(), 1);
  EXPECT_EQ(db->GetRoute(0)->GetPoint(0)->GetWaypoint(), member);
  for (int k = 0; k < 2; ++k) {
    if (db->GetWaypoint(k) != member) {
      EXPECT_EQ(db->GetWaypoint(k)->GetType(), manager->GetDefaultType());
    }
  }
  EXPECT_TRUE(static_cast<vm::ManagerImpl*>(manager.get())->importMapping.empty());
}

}  // namespace
}  // namespace wptest
