// CWaypointDatabase: one named collection of types, waypoints, groups and
// routes; every object of the store is created through it.
#include <new>
#include <string>

#include "core/languages_internal.h"
#include "platform/guid.h"
#include "waypoints/generated_names.h"
#include "waypoints/guid_order.h"
#include "waypoints/store.h"
#include "waypoints/text.h"

namespace vm {
namespace {

// The words of generated names, per language (empty entries read English).
constexpr const char* kGroupWord[kLanguageCount] = {"Group", "Groep", "Gruppe", "", "", "", "", ""};
constexpr const char* kTypeWord[kLanguageCount] = {"Type", "Type", "Typ", "", "", "", "", ""};
constexpr const char* kRouteWord = "Route";

std::string Prefix(const char* word) { return std::string(word) + " "; }

GUID FreshGuid() {
  GUID id;
  NewGuid(&id);
  return id;
}

void CopyTimes(ObjectFields& target, const CWaypointObject* source) {
  const ObjectFields& from = FieldsOf(source);
  target.created = from.created;
  target.modified = from.modified;
}

bool FindByName(const CPointerList& list, const Str* text, int32_t* index) {
  const std::string_view key = StrView(text);
  for (int32_t i = 0; i < list.GetCount(); ++i) {
    if (SameTextIgnoringCase(ObjectName(list.Get(i)), key)) {
      *index = i;
      return true;
    }
  }
  *index = -1;
  return false;
}

// Objects are made with new; running out of memory gives a null object.
template <class F>
auto NullOnBadAlloc(F make) -> decltype(make()) {
  try {
    return make();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

}  // namespace

DatabaseImpl::DatabaseImpl(ManagerImpl* owner, const GUID& id, std::string_view databaseName,
                           uint32_t databaseVersion, bool exportable)
    : guid(id), flags(exportable ? kFlagExportable : 0), version(databaseVersion), manager(owner) {
  path = StrNew("");
  name = StrNew(databaseName);
  for (CPointerList* list : {&groups, &routes, &types, &waypoints}) list->MakeSortedUnique(GuidOrder);
}

DatabaseImpl::~DatabaseImpl() {
  DestroyContents();
  StrDelete(path);
  StrDelete(name);
}

template <class T>
T* DatabaseImpl::Insert(T* object, CPointerList& collection, const char* operation,
                        void (ManagerImpl::*notify)(T*)) {
  if (collection.Add(Item(object)) < 0) {
    delete object;
    throw CException(std::string("CWaypointDatabase::") + operation + ": duplicate GUID");
  }
  MarkChanged();
  try {
    (manager->*notify)(object);
  } catch (...) {
    collection.Remove(Item(object));
    delete object;
    throw;
  }
  return object;
}

CWaypointGroup* DatabaseImpl::CreateGroup() {
  return NullOnBadAlloc([&]() -> CWaypointGroup* {
    auto* group = new GroupImpl(manager, this, FreshGuid());
    AssignText(group->name, GeneratedName(Prefix(ResolveText(kGroupWord)), groups, ObjectName));
    Insert(group, groups, "CreateGroup", &ManagerImpl::NotifyAddedGroup);
    return group;
  });
}

CWaypointGroup* DatabaseImpl::CreateGroupFromGroup(const CWaypointGroup* source) {
  if (source == nullptr) return nullptr;
  return NullOnBadAlloc([&]() -> CWaypointGroup* {
    auto* group = new GroupImpl(manager, this, FreshGuid());
    AssignText(group->name, StrView(source->GetName()));
    CopyTimes(*group, source);
    Insert(group, groups, "CreateGroupFromGroup", &ManagerImpl::NotifyAddedGroup);
    group->CopyMembers(*Impl(source));
    return group;
  });
}

CWaypointRoute* DatabaseImpl::CreateRoute() {
  return NullOnBadAlloc([&]() -> CWaypointRoute* {
    auto* route = new RouteImpl(manager, this, FreshGuid());
    AssignText(route->name, GeneratedName(Prefix(kRouteWord), routes, ObjectName));
    Insert(route, routes, "CreateRoute", &ManagerImpl::NotifyAddedRoute);
    return route;
  });
}

CWaypointRoute* DatabaseImpl::CreateRouteFromRoute(const CWaypointRoute* source) {
  if (source == nullptr) return nullptr;
  return NullOnBadAlloc([&]() -> CWaypointRoute* {
    auto* route = new RouteImpl(manager, this, FreshGuid());
    AssignText(route->name, StrView(source->GetName()));
    CopyTimes(*route, source);
    route->CopyPoints(*Impl(source), true);
    Insert(route, routes, "CreateRouteFromRoute", &ManagerImpl::NotifyAddedRoute);
    return route;
  });
}

CWaypointType* DatabaseImpl::CreateType(const CBmp32* icon, const CBmp32* overlay, uint8_t typeFlag,
                                        float hotspotX, float hotspotY, int32_t nameFontSize,
                                        int32_t nameFontStyle, uint32_t nameColour, int32_t subnameFontSize,
                                        int32_t subnameFontStyle, uint32_t subnameColour) {
  return NullOnBadAlloc([&]() -> CWaypointType* {
    auto* type = new TypeImpl(manager, this, FreshGuid());
    type->Build(icon, overlay, typeFlag, hotspotX, hotspotY, nameFontSize, nameFontStyle, nameColour,
                subnameFontSize, subnameFontStyle, subnameColour);
    AssignText(type->name, GeneratedName(Prefix(ResolveText(kTypeWord)), types, ObjectName));
    Insert(type, types, "CreateType", &ManagerImpl::NotifyAddedType);
    return type;
  });
}

CWaypointType* DatabaseImpl::CreateTypeFromType(const CWaypointType* source) {
  if (source == nullptr) return nullptr;
  return NullOnBadAlloc([&]() -> CWaypointType* {
    auto* type = new TypeImpl(manager, this, FreshGuid());
    type->CopyLook(*Impl(source));
    AssignText(type->name, StrView(source->GetName()));
    CopyTimes(*type, source);
    Insert(type, types, "CreateTypeFromType", &ManagerImpl::NotifyAddedType);
    return type;
  });
}

WaypointImpl* DatabaseImpl::NewWaypoint(const WptPos3& position, CWaypointType* type, const char* operation) {
  if (type != nullptr && Impl(type)->manager != manager) {
    throw CException(std::string("CWaypointDatabase::") + operation + ": type of another manager");
  }
  auto* waypoint =
      new WaypointImpl(manager, this, FreshGuid(), position, type != nullptr ? Impl(type) : nullptr);
  return waypoint;
}

CWaypoint* DatabaseImpl::CreateWaypoint(const WptPos3* position, CWaypointType* type) {
  return NullOnBadAlloc([&]() -> CWaypoint* {
    WaypointImpl* waypoint = NewWaypoint(*position, type, "CreateWaypoint");
    try {
      AssignText(waypoint->name, GeneratedName(StrView(GetWaypointNamePrefix()), waypoints, ObjectName));
    } catch (...) {
      delete waypoint;
      throw;
    }
    Insert(waypoint, waypoints, "CreateWaypoint", &ManagerImpl::NotifyAddedWaypoint);
    return waypoint;
  });
}

CWaypoint* DatabaseImpl::CreateWaypoint(const WptPos2* position, CWaypointType* type) {
  const WptPos3 full{position->latitude, position->longitude, 0.0};
  return CreateWaypoint(&full, type);
}

CWaypoint* DatabaseImpl::CreateWaypointFromWaypoint(const CWaypoint* source) {
  if (source == nullptr) return nullptr;
  return NullOnBadAlloc([&]() -> CWaypoint* {
    auto* waypoint = new WaypointImpl(manager, this, FreshGuid(), *source->GetPosition(), nullptr);
    try {
      waypoint->CopyFields(*Impl(source));
      AssignText(waypoint->name, StrView(source->GetName()));
      CopyTimes(*waypoint, source);
    } catch (...) {
      delete waypoint;
      throw;
    }
    Insert(waypoint, waypoints, "CreateWaypointFromWaypoint", &ManagerImpl::NotifyAddedWaypoint);
    return waypoint;
  });
}

bool DatabaseImpl::FindGroup(const GUID* id, int32_t* index) const { return FindByGuid(groups, *id, index); }
bool DatabaseImpl::FindRoute(const GUID* id, int32_t* index) const { return FindByGuid(routes, *id, index); }
bool DatabaseImpl::FindType(const GUID* id, int32_t* index) const { return FindByGuid(types, *id, index); }
bool DatabaseImpl::FindWaypoint(const GUID* id, int32_t* index) const {
  return FindByGuid(waypoints, *id, index);
}

bool DatabaseImpl::FindGroupByName(const Str* text, int32_t* index) const {
  return FindByName(groups, text, index);
}
bool DatabaseImpl::FindRouteByName(const Str* text, int32_t* index) const {
  return FindByName(routes, text, index);
}
bool DatabaseImpl::FindTypeByName(const Str* text, int32_t* index) const {
  return FindByName(types, text, index);
}
bool DatabaseImpl::FindWaypointByName(const Str* text, int32_t* index) const {
  return FindByName(waypoints, text, index);
}

CWaypointGroup* DatabaseImpl::GetGroup(int32_t index) const { return AsGroup(groups.Get(index)); }
CWaypointRoute* DatabaseImpl::GetRoute(int32_t index) const { return AsRoute(routes.Get(index)); }
CWaypointType* DatabaseImpl::GetType(int32_t index) const { return AsType(types.Get(index)); }
CWaypoint* DatabaseImpl::GetWaypoint(int32_t index) const { return AsWaypoint(waypoints.Get(index)); }
CWaypointManager* DatabaseImpl::GetManager() const { return manager; }

int32_t DatabaseImpl::GetMemorySize(bool includeObject) const {
  int32_t bytes = StrMemory(path) + StrMemory(name);
  for (const CPointerList* list : {&groups, &routes, &types, &waypoints}) {
    for (int32_t i = 0; i < list->GetCount(); ++i) bytes += 4 + ObjectOf(list->Get(i))->GetMemorySize(true);
  }
  if (includeObject) bytes += static_cast<int32_t>(sizeof(*this));
  return bytes;
}

void DatabaseImpl::DestroyGroup(GroupImpl* group) {
  groups.Remove(Item(group));
  MarkChanged();
  group->LeaveAll();
  manager->groupRegistry.Remove(Item(group));
  delete group;
}

void DatabaseImpl::DestroyRoute(RouteImpl* route) {
  routes.Remove(Item(route));
  MarkChanged();
  route->DetachAllPoints();
  manager->routeRegistry.Remove(Item(route));
  delete route;
}

void DatabaseImpl::DestroyType(TypeImpl* type) {
  types.Remove(Item(type));
  MarkChanged();
  manager->typeRegistry.Remove(Item(type));
  const CPointerList& all = manager->databases;
  for (int32_t d = 0; d < all.GetCount(); ++d) {
    auto* db = static_cast<DatabaseImpl*>(static_cast<CWaypointDatabase*>(all.Get(d)));
    for (int32_t i = 0; i < db->waypoints.GetCount(); ++i) {
      WaypointImpl* waypoint = AsWaypoint(db->waypoints.Get(i));
      if (waypoint->type != type) continue;
      waypoint->type = manager->defaultType;
      db->MarkChanged();
    }
  }
  delete type;
}

void DatabaseImpl::DestroyWaypoint(WaypointImpl* waypoint) {
  waypoints.Remove(Item(waypoint));
  MarkChanged();
  waypoint->DetachAllPoints();
  manager->waypointRegistry.Remove(Item(waypoint));
  manager->RemoveFromSets(waypoint);
  const CPointerList& all = manager->databases;
  for (int32_t d = 0; d < all.GetCount(); ++d) {
    auto* db = static_cast<DatabaseImpl*>(static_cast<CWaypointDatabase*>(all.Get(d)));
    for (int32_t i = 0; i < db->groups.GetCount(); ++i) {
      if (AsGroup(db->groups.Get(i))->members.Remove(Item(waypoint)) >= 0) db->MarkChanged();
    }
  }
  manager->ungrouped->members.Remove(Item(waypoint));
  delete waypoint;
}

void DatabaseImpl::DestroyContents() {
  while (groups.GetCount() > 0) DestroyGroup(AsGroup(groups.Get(groups.GetCount() - 1)));
  while (routes.GetCount() > 0) DestroyRoute(AsRoute(routes.Get(routes.GetCount() - 1)));
  while (waypoints.GetCount() > 0) DestroyWaypoint(AsWaypoint(waypoints.Get(waypoints.GetCount() - 1)));
  while (types.GetCount() > 0) DestroyType(AsType(types.Get(types.GetCount() - 1)));
}

void DatabaseImpl::Clear(ErrorStatus status) {
  *status = 0;
  if (IsReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  DestroyContents();
  MarkChanged();
}

void DatabaseImpl::Close() {
  DestroyContents();
  // The manager's list owns its databases: removing this one destroys it.
  if (manager->databases.Remove(static_cast<CWaypointDatabase*>(this)) < 0) delete this;
}

void DatabaseImpl::Save(ErrorStatus status) {
  *status = 0;
  if (IsChanged()) SaveAs(path, status);
}

// The database file writer is not part of this build yet: saving reports a
// failure rather than pretending the data reached a file.
void DatabaseImpl::SaveAs(const Str*, ErrorStatus status) { *status = kStatusUnknown; }

void DatabaseImpl::SetReadOnly(bool readOnly) {
  flags =
      readOnly ? static_cast<uint8_t>(flags | kFlagReadOnly) : static_cast<uint8_t>(flags & ~kFlagReadOnly);
}

}  // namespace vm
