#include <cstring>
#include <tuple>
#include <vector>

#include "store_fixture.h"

namespace wptest {
namespace {

using Groups = StoreTest;
using Routes = StoreTest;

bool InUngrouped(CWaypointManager* m, CWaypoint* w) {
  CWaypointGroup* u = m->GetUngroupedGroup();
  int32_t at = -1;
  return u->FindWaypoint(w, &at) && u->GetWaypoint(at) == w;
}

TEST_F(Groups, GeneratedGroupRouteAndTypeNamesUseTheLanguage) {
  EXPECT_EQ(T(db->CreateGroup()->GetName()), "Group 1");
  EXPECT_EQ(T(db->CreateGroup()->GetName()), "Group 2");
  EXPECT_EQ(T(db->CreateRoute()->GetName()), "Route 1");
  EXPECT_EQ(T(Type()->GetName()), "Type 1");
  SetCurrentLanguage(kLangDutch);
  EXPECT_EQ(T(db->CreateGroup()->GetName()), "Groep 1");  // "Group 1", "Group 2" are not "Groep"
  SetCurrentLanguage(kLangGerman);
  EXPECT_EQ(T(Type()->GetName()), "Typ 1");
  SetCurrentLanguage(kLangFrench);  // no French word: English
  EXPECT_EQ(T(db->CreateGroup()->GetName()), "Group 3");
}

TEST_F(Groups, MembershipCountsAndTheUngroupedGroup) {
  CWaypoint* w = Waypoint(0, 0);
  CWaypointGroup* a = db->CreateGroup();
  CWaypointGroup* b = db->CreateGroup();
  int32_t status = -1;
  EXPECT_TRUE(InUngrouped(manager.get(), w));
  a->AddWaypoint(w, &status);
  a->AddWaypoint(w, &status);  // twice: one membership, no error
  EXPECT_EQ(status, 0);
  EXPECT_EQ(a->GetWaypointCount(), 1);
  EXPECT_EQ(w->GetGroupCount(), 1);
  EXPECT_FALSE(InUngrouped(manager.get(), w));
  b->AddWaypoint(w, &status);
  EXPECT_EQ(w->GetGroupCount(), 2);
  Owned<CWaypointGroupList> groups(WaypointGroupListCreate());
  w->GetGroups(groups.get());
  EXPECT_EQ(groups->GetCount(), 2);
  a->RemoveWaypoint(w, &status);
  EXPECT_EQ(status, 0);
  a->RemoveWaypoint(w, &status);
  EXPECT_EQ(status, 0xA0033);
  EXPECT_FALSE(InUngrouped(manager.get(), w));
  b->RemoveWaypointAt(0, &status);
  EXPECT_EQ(w->GetGroupCount(), 0);
  EXPECT_TRUE(InUngrouped(manager.get(), w));
  w->GetGroups(groups.get());
  EXPECT_EQ(groups->GetCount(), 0);
}

TEST_F(Groups, RemoveAllAndDeleteReturnMembersToTheUngroupedGroup) {
  CWaypoint* w1 = Waypoint(0, 0);
  CWaypoint* w2 = Waypoint(1, 1);
  CWaypointGroup* g = db->CreateGroup();
  CWaypointGroup* h = db->CreateGroup();
  int32_t status = -1;
  g->AddWaypoint(w1, &status);
  g->AddWaypoint(w2, &status);
  h->AddWaypoint(w2, &status);
  g->RemoveAllWaypoints(&status);
  EXPECT_EQ(g->GetWaypointCount(), 0);
  EXPECT_TRUE(InUngrouped(manager.get(), w1));
  EXPECT_FALSE(InUngrouped(manager.get(), w2));
  h->Delete(&status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(w2->GetGroupCount(), 0);
  EXPECT_TRUE(InUngrouped(manager.get(), w2));
  EXPECT_EQ(db->GetGroupCount(), 1);
  EXPECT_EQ(manager->GetGroupCount(), 2);  // g and the ungrouped group
}

TEST_F(Groups, MembersAreKeptInGuidOrder) {
  CWaypointGroup* g = db->CreateGroup();
  int32_t status = 0;
  for (int i = 0; i < 20; ++i) g->AddWaypoint(Waypoint(i, i), &status);
  for (int i = 1; i < g->GetWaypointCount(); ++i) {
    const GUID* a = g->GetWaypoint(i - 1)->GetGUID();
    const GUID* b = g->GetWaypoint(i)->GetGUID();
    uint32_t wa[4], wb[4];
    std::memcpy(wa, a, 16);
    std::memcpy(wb, b, 16);
    EXPECT_TRUE(std::make_tuple(wa[3], wa[2], wa[1], wa[0]) < std::make_tuple(wb[3], wb[2], wb[1], wb[0]));
  }
}

TEST_F(Groups, BuiltInNamesFollowTheLanguage) {
  CWaypointType* def = manager->GetDefaultType();
  CWaypointGroup* ungrouped = manager->GetUngroupedGroup();
  EXPECT_EQ(T(def->GetName()), "Default type");
  EXPECT_EQ(T(ungrouped->GetName()), "Ungrouped");
  SetCurrentLanguage(kLangDutch);
  EXPECT_EQ(T(def->GetName()), "Standaard type");
  EXPECT_EQ(T(ungrouped->GetName()), "Niet gegroepeerd");
  CWaypointType* copy = db->CreateTypeFromType(def);
  EXPECT_EQ(T(copy->GetName()), "Standaard type");
  EXPECT_FALSE(copy->IsDefaultType());
  SetCurrentLanguage(kLangDanish);
  EXPECT_EQ(T(ungrouped->GetName()), "Ugrupperet");
  EXPECT_EQ(T(def->GetName()), "Default type");
  EXPECT_TRUE(def->IsDefaultType());
  EXPECT_TRUE(ungrouped->IsUngrouped());
}

// Distances along the equator: one degree of longitude on the sphere.
constexpr double kDegreeMetres = 111132.0948;

TEST_F(Routes, PointsAreNamedAndMeasuredFromTheStart) {
  CWaypointRoute* r = db->CreateRoute();
  int32_t status = -1;
  for (int k = 0; k < 4; ++k) {
    const WptPos2 at{0.0, k * kDeg};
    ASSERT_NE(r->AppendPoint(&at, 50.0f, &status), nullptr);
  }
  ASSERT_EQ(r->GetPointCount(), 4);
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(T(r->GetPoint(k)->GetName()), std::to_string(k + 1));
    EXPECT_NEAR(r->GetPoint(k)->GetDistanceFromStart(), k * kDegreeMetres, 0.01) << k;
    EXPECT_EQ(r->GetPoint(k)->GetIndex(), k);
  }
  EXPECT_NEAR(r->GetLength(), 3 * kDegreeMetres, 0.01);
  EXPECT_NEAR(r->GetLegDistance(2, 1), kDegreeMetres, 0.01);
  // A point inserted in the middle shifts the later distances.
  const WptPos2 north{1.0 * kDeg, 1.0 * kDeg};
  r->InsertPoint(2, &north, 10.0f, &status);
  EXPECT_EQ(T(r->GetPoint(2)->GetName()), "5");
  const double detour = r->GetPoint(2)->GetDistanceFromStart() - r->GetPoint(1)->GetDistanceFromStart() +
                        r->GetPoint(3)->GetDistanceFromStart() - r->GetPoint(2)->GetDistanceFromStart();
  EXPECT_GT(detour, kDegreeMetres * 2);
  EXPECT_NEAR(r->GetPoint(4)->GetDistanceFromStart() - r->GetPoint(3)->GetDistanceFromStart(), kDegreeMetres,
              0.01);
  // Deleting the first point makes the next one the start.
  r->DeletePointAt(0, &status);
  EXPECT_EQ(r->GetPoint(0)->GetDistanceFromStart(), 0.0);
  EXPECT_NEAR(r->GetPoint(3)->GetDistanceFromStart(), r->GetLength(), 1e-9);
  const WptPos2 first{0.0, 0.0};
  r->InsertPoint(0, &first, 1.0f, &status);
  EXPECT_EQ(r->GetPoint(0)->GetDistanceFromStart(), 0.0);
  EXPECT_NEAR(r->GetPoint(1)->GetDistanceFromStart(), kDegreeMetres, 0.01);
  EXPECT_EQ(T(r->GetPoint(0)->GetName()), "1");  // the gap left by the deleted point
}

TEST_F(Routes, MovingAWaypointMovesItsRoutePoints) {
  CWaypoint* w = Waypoint(0, 1, "turn");
  CWaypointRoute* r1 = db->CreateRoute();
  CWaypointRoute* r2 = db->CreateRoute();
  int32_t status = -1;
  const WptPos2 start{0, 0};
  const WptPos2 end{0, 3 * kDeg};
  r1->AppendPoint(&start, 1.0f, &status);
  CRoutePoint* p1 = r1->AppendWaypoint(w, 1.0f, &status);
  r1->AppendPoint(&end, 1.0f, &status);
  CRoutePoint* p2 = r2->AppendWaypoint(w, 1.0f, &status);
  r2->AppendPoint(&end, 1.0f, &status);
  EXPECT_EQ(T(p1->GetName()), "turn");
  EXPECT_EQ(T(p1->GetOwnName()), "2");
  EXPECT_NEAR(r1->GetLength(), 3 * kDegreeMetres, 0.01);
  w->SetLongitude(2 * kDeg, &status);
  EXPECT_EQ(status, 0);
  EXPECT_DOUBLE_EQ(p1->GetLongitude(), 2 * kDeg);
  EXPECT_DOUBLE_EQ(p2->GetLongitude(), 2 * kDeg);
  EXPECT_NEAR(p1->GetDistanceFromStart(), 2 * kDegreeMetres, 0.01);
  EXPECT_NEAR(r1->GetLength(), 3 * kDegreeMetres, 0.01);
  EXPECT_EQ(p2->GetDistanceFromStart(), 0.0);
  EXPECT_NEAR(r2->GetLength(), kDegreeMetres, 0.01);
  // An attached point cannot be moved by itself; detached it can.
  const WptPos2 elsewhere{1 * kDeg, 1 * kDeg};
  p1->SetPosition(&elsewhere, &status);
  EXPECT_EQ(status, 0xA0032);
  EXPECT_DOUBLE_EQ(p1->GetLongitude(), 2 * kDeg);
  p1->SetWaypoint(nullptr, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(T(p1->GetName()), "2");
  p1->SetPosition(&elsewhere, &status);
  EXPECT_EQ(status, 0);
  EXPECT_DOUBLE_EQ(p1->GetLatitude(), 1 * kDeg);
  w->SetLongitude(0.5, &status);
  EXPECT_DOUBLE_EQ(p1->GetLongitude(), 1 * kDeg);  // no longer follows
}

TEST_F(Routes, LegCourseIsMeasuredInTheSceneFrame) {
  CWaypointRoute* r = db->CreateRoute();
  int32_t status = 0;
  const WptPos2 a{0, 0};
  const WptPos2 east{0, 0.01 * kDeg};
  const WptPos2 north{0.01 * kDeg, 0.01 * kDeg};
  r->AppendPoint(&a, 1, &status);
  r->AppendPoint(&east, 1, &status);
  r->AppendPoint(&north, 1, &status);
  EXPECT_NEAR(r->GetLegCourse(0, false), std::numbers::pi / 2, 1e-6);
  EXPECT_NEAR(r->GetLegCourse(1, true), -std::numbers::pi / 2, 1e-6);
  EXPECT_NEAR(r->GetLegCourse(1, false), 0.0, 1e-6);
  EXPECT_NEAR(std::fabs(r->GetLegCourse(2, true)), std::numbers::pi, 1e-6);
}

TEST_F(Routes, DeletingPointsTellsTheCallbacksLastRegisteredFirst) {
  struct Seen {
    std::vector<std::tuple<int, CWaypointRoute*, int32_t, CRoutePoint*>> calls;
  } seen;
  auto callback = [](void* user, CWaypointRoute* route, int32_t index, CRoutePoint* point) {
    auto* s = static_cast<Seen*>(user);
    s->calls.emplace_back(static_cast<int>(s->calls.size()), route, index, point);
  };
  int tag = 0;
  auto second = [](void* user, CWaypointRoute*, int32_t, CRoutePoint* point) {
    *static_cast<int*>(user) = point->GetIndex() >= 0 ? 2 : -2;  // called before removal
  };
  manager->AddRouteChangeCallback(callback, &seen);
  manager->AddRouteChangeCallback(second, &tag);
  CWaypointRoute* r = db->CreateRoute();
  int32_t status = 0;
  const WptPos2 a{0, 0};
  r->AppendPoint(&a, 1, &status);
  CRoutePoint* p = r->AppendPoint(&a, 1, &status);
  r->DeletePoint(p, &status);
  EXPECT_EQ(status, 0);
  ASSERT_EQ(seen.calls.size(), 1u);
  EXPECT_EQ(std::get<1>(seen.calls[0]), r);
  EXPECT_EQ(std::get<2>(seen.calls[0]), 1);
  EXPECT_EQ(tag, 2);
  manager->RemoveRouteChangeCallback(callback, &seen);
  r->DeletePointAt(0, &status);
  EXPECT_EQ(seen.calls.size(), 1u);
}

TEST_F(Routes, AssignCopiesPointsAndAttachesOnlyWithContents) {
  CWaypoint* w = Waypoint(0, 1);
  CWaypointRoute* source = db->CreateRoute();
  int32_t status = 0;
  const WptPos2 a{0, 0};
  source->AppendPoint(&a, 5.0f, &status);
  source->AppendWaypoint(w, 6.0f, &status);
  CWaypointRoute* plain = db->CreateRoute();
  plain->Assign(source, false, &status);
  ASSERT_EQ(plain->GetPointCount(), 2);
  EXPECT_EQ(plain->GetPoint(1)->GetWaypoint(), nullptr);
  EXPECT_EQ(plain->GetPoint(1)->GetRadius(), 6.0f);
  EXPECT_NEAR(plain->GetLength(), kDegreeMetres, 0.01);
  CWaypointRoute* full = db->CreateRoute();
  full->Assign(source, true, &status);
  EXPECT_EQ(full->GetPoint(1)->GetWaypoint(), w);
  EXPECT_EQ(T(full->GetName()), "Route 1");
  // The waypoint knows both attached points; deleting it leaves them in place.
  w->Delete(&status);
  EXPECT_EQ(source->GetPoint(1)->GetWaypoint(), nullptr);
  EXPECT_EQ(full->GetPoint(1)->GetWaypoint(), nullptr);
  EXPECT_DOUBLE_EQ(full->GetPoint(1)->GetLongitude(), 1 * kDeg);
}

TEST_F(Routes, DetachedPointsAreReadOnly) {
  const WptPos3 at{0.1, 3 * std::numbers::pi / 2, 7.0};
  Owned<CRoutePoint> p(RoutePointCreate(&at, 50.0f));
  ASSERT_NE(p, nullptr);
  EXPECT_TRUE(p->IsReadOnly());
  EXPECT_EQ(p->GetIndex(), -1);
  EXPECT_EQ(p->GetRoute(), nullptr);
  EXPECT_NEAR(p->GetLongitude(), -std::numbers::pi / 2, 1e-12);
  EXPECT_EQ(p->GetName()->length, 0);
  int32_t status = 0;
  p->SetRadius(1.0f, &status);
  EXPECT_EQ(status, 0xA0000);
}

TEST_F(Routes, ARouteHoldsAtMost65535Points) {
  CWaypointRoute* r = db->CreateRoute();
  auto* impl = static_cast<vm::RouteImpl*>(r);
  const WptPos3 at{0, 0, 0};
  // Filled directly: the public insert names every point and would take long.
  for (int i = 0; i < 65535; ++i) {
    auto* p = new vm::RoutePointImpl(at, 1.0f);
    p->route = impl;
    impl->points.Append(static_cast<CRoutePoint*>(p));
  }
  int32_t status = 0;
  EXPECT_EQ(r->AppendPoint(&at, 1.0f, &status), nullptr);
  EXPECT_EQ(status, 0xA000D);
  EXPECT_EQ(r->GetPointCount(), 65535);
}

}  // namespace
}  // namespace wptest
