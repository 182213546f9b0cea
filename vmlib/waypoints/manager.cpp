// CWaypointManager: the root of the store, holding databases, the built-in
// default type and ungrouped group, and registries of every object by GUID.
#include <new>
#include <string>
#include <unordered_set>

#include "core/languages_internal.h"
#include "platform/guid.h"
#include "waypoints/geometry.h"
#include "waypoints/guid_order.h"
#include "waypoints/night_link.h"
#include "waypoints/object_lists.h"
#include "waypoints/store.h"
#include "waypoints/text.h"

namespace vm {
namespace {

constexpr const char* kDefaultTypeName[kLanguageCount] = {
    "Default type", "Standaard type", "Strandard Typ", "", "", "", "", ""};
constexpr const char* kUngroupedName[kLanguageCount] = {
    "Ungrouped", "Niet gegroepeerd", "Nicht gruppiert", "", "", "", "Ugrupperet", ""};

DatabaseImpl* DatabaseAt(const CPointerList& list, int32_t i) {
  return static_cast<DatabaseImpl*>(static_cast<CWaypointDatabase*>(list.Get(i)));
}

void DestroyDatabase(void* item) { delete static_cast<CWaypointDatabase*>(item); }

void OnNightSwitch(void* user) { static_cast<ManagerImpl*>(user)->RebuildDisplayIcons(); }

void EnterRegistry(CPointerList& registry, CWaypointObject* object, const char* operation) {
  if (registry.Add(Item(object)) < 0) {
    throw CException(std::string("CWaypointManager::") + operation + ": duplicate GUID");
  }
}

void EndRegistryUpdate(CPointerList& registry, const char* what) {
  int32_t status = 0;
  registry.EndUpdate(&status);
  if (status != 0) throw CException(std::string("CWaypointManager::EndLoading: duplicate ") + what + " GUID");
}

template <class Item>
void Mark(const CPointerList& registry, const CWaypointObjectList<Item>* listed, uint16_t mask) {
  for (int32_t i = 0; i < registry.GetCount(); ++i) ObjectOf(registry.Get(i))->SetMarks(false, mask);
  if (listed == nullptr) return;
  for (int32_t i = 0; i < listed->GetCount(); ++i) listed->Get(i)->SetMarks(true, mask);
}

}  // namespace

ManagerImpl::ManagerImpl(const CBmp32* icon, const CBmp32* overlay, float hotspotX, float hotspotY,
                         const Str* face, int32_t nameFontSize, int32_t nameFontStyle, uint32_t nameColour,
                         int32_t subnameFontSize, int32_t subnameFontStyle, uint32_t subnameColour,
                         int32_t labelPosition)
    : defaultLabelPosition(labelPosition) {
  databases.SetOwnsItems(true);
  databases.SetDestroy(DestroyDatabase);
  for (CPointerList* list : {&groupRegistry, &routeRegistry, &typeRegistry, &waypointRegistry, &tempRoutes}) {
    list->MakeSortedUnique(GuidOrder);
  }
  emptyText = StrNew("");
  fontName = StrNew(StrView(face));
  defaultTypeName = StrNew("");
  ungroupedName = StrNew("");
  const GUID none{};
  ungrouped = new GroupImpl(this, nullptr, none);
  ungrouped->objectFlags = kObjectUngrouped;
  defaultType = new TypeImpl(this, nullptr, none);
  defaultType->objectFlags = kObjectDefaultType;
  defaultType->Build(icon, overlay, 0, hotspotX, hotspotY, nameFontSize, nameFontStyle, nameColour,
                     subnameFontSize, subnameFontStyle, subnameColour);
  groupRegistry.Add(Item(ungrouped));
  typeRegistry.Add(Item(defaultType));
  NightAddSwitchListener(OnNightSwitch, this);
}

ManagerImpl::~ManagerImpl() {
  NightRemoveSwitchListener(OnNightSwitch, this);
  databases.Clear();
  while (tempRoutes.GetCount() > 0) DestroyTempRoute(AsRoute(tempRoutes.Get(tempRoutes.GetCount() - 1)));
  const std::vector<WaypointSetImpl*> sets = waypointSets;
  for (WaypointSetImpl* set : sets) delete set;
  for (PendingReference* reference : pendingReferences) delete reference;
  delete defaultType;
  delete ungrouped;
  for (Str* s : {emptyText, fontName, defaultTypeName, ungroupedName}) StrDelete(s);
}

const Str* ManagerImpl::DefaultTypeName() {
  AssignText(defaultTypeName, ResolveText(kDefaultTypeName));
  return defaultTypeName;
}

const Str* ManagerImpl::UngroupedName() {
  AssignText(ungroupedName, ResolveText(kUngroupedName));
  return ungroupedName;
}

void ManagerImpl::AddRouteChangeCallback(WptRouteChangeFunc function, void* user) {
  routeCallbacks.emplace_back(function, user);
}

void ManagerImpl::RemoveRouteChangeCallback(WptRouteChangeFunc function, void* user) {
  for (auto it = routeCallbacks.rbegin(); it != routeCallbacks.rend(); ++it) {
    if (it->first == function && it->second == user) {
      routeCallbacks.erase(std::next(it).base());
      return;
    }
  }
}

void ManagerImpl::NotifyPointDeleting(RouteImpl* route, int32_t index, RoutePointImpl* point) {
  // A copy: a callback may remove itself.
  const auto callbacks = routeCallbacks;
  for (auto it = callbacks.rbegin(); it != callbacks.rend(); ++it) it->first(it->second, route, index, point);
}

void ManagerImpl::BeginLoading(int32_t, CProgress* progressObject) {
  loading = 1;
  progress = progressObject;
  for (CPointerList* registry : {&groupRegistry, &routeRegistry, &typeRegistry, &waypointRegistry}) {
    registry->BeginUpdate();
  }
  ungrouped->members.Clear();
}

void ManagerImpl::EndLoading() {
  EndRegistryUpdate(groupRegistry, "waypoint group");
  EndRegistryUpdate(routeRegistry, "waypoint route");
  EndRegistryUpdate(typeRegistry, "waypoint type");
  EndRegistryUpdate(waypointRegistry, "waypoint");
  const std::vector<PendingReference*> pending = std::move(pendingReferences);
  pendingReferences.clear();
  for (PendingReference* reference : pending) {
    reference->Resolve(*this);
    delete reference;
  }
  int32_t status = 0;
  ungrouped->members.BeginUpdate();
  for (int32_t i = 0; i < waypointRegistry.GetCount(); ++i) {
    WaypointImpl* waypoint = AsWaypoint(waypointRegistry.Get(i));
    if (waypoint->groupCount == 0) ungrouped->members.Append(Item(waypoint));
  }
  ungrouped->members.EndUpdate(&status);
  for (int32_t i = 0; i < groupRegistry.GetCount(); ++i) {
    GroupImpl* group = AsGroup(groupRegistry.Get(i));
    while (group->members.IsUpdating()) group->members.EndUpdate(&status);
  }
  loading = 0;
  progress = nullptr;
}

CWaypointDatabase* ManagerImpl::CreateDatabase(const Str* databaseName, uint32_t databaseVersion,
                                               bool exportable) {
  try {
    GUID id;
    NewGuid(&id);
    auto* db = new DatabaseImpl(this, id, StrView(databaseName), databaseVersion, exportable);
    databases.Append(static_cast<CWaypointDatabase*>(db));
    return db;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

CWaypointRoute* ManagerImpl::CreateTempRoute() {
  GUID id;
  NewGuid(&id);
  RouteImpl* route = nullptr;
  try {
    route = new RouteImpl(this, nullptr, id);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
  route->objectFlags = kObjectTemporary;
  if (tempRoutes.Add(Item(route)) < 0) {
    delete route;
    throw CException("CWaypointManager::CreateTempRoute: duplicate GUID");
  }
  return route;
}

void ManagerImpl::DestroyTempRoute(RouteImpl* route) {
  tempRoutes.Remove(Item(route));
  route->DetachAllPoints();
  delete route;
}

CWaypointSet* ManagerImpl::CreateWaypointSet(int32_t capacity, uint16_t mask) {
  try {
    auto* set = new WaypointSetImpl(this, capacity, mask);
    waypointSets.push_back(set);
    return set;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void ManagerImpl::ForgetSet(WaypointSetImpl* set) {
  for (auto it = waypointSets.begin(); it != waypointSets.end(); ++it) {
    if (*it == set) {
      waypointSets.erase(it);
      return;
    }
  }
}

void ManagerImpl::RemoveFromSets(WaypointImpl* waypoint) {
  for (WaypointSetImpl* set : waypointSets) {
    if ((waypoint->waypointFlags & set->mask) != 0) set->Remove(waypoint);
  }
}

// Writing database files is not part of this build yet; these report a
// failure instead of pretending.
void ManagerImpl::ExportDatabase(const Str*, const CWaypointTypeList*, const CWaypointList*,
                                 const CWaypointGroupList*, const CWaypointRouteList*, ErrorStatus status) {
  *status = kStatusUnknown;
}

CWaypointDatabase* ManagerImpl::OpenDatabase(const Str*, int64_t, ErrorStatus status) {
  *status = kStatusUnknown;
  return nullptr;
}

CWaypointDatabase* ManagerImpl::OpenDatabaseWithRecovery(const Str*, int64_t, Str* movedAsideName,
                                                         ErrorStatus firstError, ErrorStatus status) {
  if (movedAsideName != nullptr) AssignText(movedAsideName, "");
  *firstError = 0;
  *status = kStatusUnknown;
  return nullptr;
}

bool ManagerImpl::FindDatabase(const GUID* id, int32_t* index) const {
  for (int32_t i = databases.GetCount() - 1; i >= 0; --i) {
    if (CompareGuids(*DatabaseAt(databases, i)->GetGUID(), *id) == 0) {
      *index = i;
      return true;
    }
  }
  *index = -1;
  return false;
}

bool ManagerImpl::FindGroup(const GUID* id, int32_t* index) const {
  return FindByGuid(groupRegistry, *id, index);
}
bool ManagerImpl::FindRoute(const GUID* id, int32_t* index) const {
  return FindByGuid(routeRegistry, *id, index);
}
bool ManagerImpl::FindType(const GUID* id, int32_t* index) const {
  return FindByGuid(typeRegistry, *id, index);
}
bool ManagerImpl::FindWaypoint(const GUID* id, int32_t* index) const {
  return FindByGuid(waypointRegistry, *id, index);
}

CWaypointDatabase* ManagerImpl::GetDatabase(int32_t index) const { return DatabaseAt(databases, index); }
CWaypointGroup* ManagerImpl::GetGroup(int32_t index) const { return AsGroup(groupRegistry.Get(index)); }
CWaypointRoute* ManagerImpl::GetRoute(int32_t index) const { return AsRoute(routeRegistry.Get(index)); }
CWaypointType* ManagerImpl::GetType(int32_t index) const { return AsType(typeRegistry.Get(index)); }
CWaypointType* ManagerImpl::GetDefaultType() const { return defaultType; }
CWaypoint* ManagerImpl::GetWaypoint(int32_t index) const { return AsWaypoint(waypointRegistry.Get(index)); }
CWaypointGroup* ManagerImpl::GetUngroupedGroup() const { return ungrouped; }

bool ManagerImpl::GetGroupsOfWaypoints(CWaypointGroupList* out, const CWaypointList* waypoints) const {
  for (int32_t g = groupRegistry.GetCount() - 1; g >= 0; --g) {
    GroupImpl* group = AsGroup(groupRegistry.Get(g));
    for (int32_t i = 0; waypoints != nullptr && i < waypoints->GetCount(); ++i) {
      if (group->Holds(Impl(waypoints->Get(i)))) {
        out->Add(group);
        break;
      }
    }
  }
  return out->GetCount() > 0;
}

void ManagerImpl::GetWaypointsOfGroups(CWaypointList* out, const CWaypointGroupList* groups) const {
  out->Clear();
  if (groups == nullptr) return;
  std::unordered_set<const CWaypoint*> seen;
  for (int32_t g = groups->GetCount() - 1; g >= 0; --g) {
    const GroupImpl* group = Impl(groups->Get(g));
    for (int32_t i = group->members.GetCount() - 1; i >= 0; --i) {
      CWaypoint* member = AsWaypoint(group->members.Get(i));
      if (seen.insert(member).second) out->Add(member);
    }
  }
}

void ManagerImpl::GetWaypointsInProximity(const WptPos2* position, uint16_t mask, CWaypointList* out) const {
  out->Clear();
  const WptPos3 here{position->latitude, position->longitude, 0.0};
  for (int32_t i = waypointRegistry.GetCount() - 1; i >= 0; --i) {
    WaypointImpl* waypoint = AsWaypoint(waypointRegistry.Get(i));
    if ((waypoint->marks & mask) == 0 || !(waypoint->proximityDistance > 0.0f)) continue;
    if (GreatCircleDistance(here, waypoint->position) < waypoint->proximityDistance) out->Add(waypoint);
  }
}

void ManagerImpl::MarkGroups(const CWaypointGroupList* groups, uint16_t mask) {
  Mark(groupRegistry, groups, mask);
}
void ManagerImpl::MarkRoutes(const CWaypointRouteList* routes, uint16_t mask) {
  Mark(routeRegistry, routes, mask);
}
void ManagerImpl::MarkWaypoints(const CWaypointList* waypoints, uint16_t mask) {
  Mark(waypointRegistry, waypoints, mask);
}

int32_t ManagerImpl::GetMemorySize(bool includeObject) const {
  int32_t bytes = StrMemory(emptyText) + StrMemory(fontName) + StrMemory(defaultTypeName) +
                  StrMemory(ungroupedName) + defaultType->GetMemorySize(true) +
                  ungrouped->GetMemorySize(true);
  for (const CPointerList* list : {&groupRegistry, &routeRegistry, &typeRegistry, &waypointRegistry}) {
    bytes += 4 * list->GetCount();
  }
  for (int32_t i = 0; i < databases.GetCount(); ++i)
    bytes += 4 + DatabaseAt(databases, i)->GetMemorySize(true);
  for (int32_t i = 0; i < tempRoutes.GetCount(); ++i)
    bytes += 4 + ObjectOf(tempRoutes.Get(i))->GetMemorySize(true);
  if (includeObject) bytes += static_cast<int32_t>(sizeof(*this));
  return bytes;
}

void ManagerImpl::NotifyAddedGroup(GroupImpl* group) {
  EnterRegistry(groupRegistry, group, "NotifyAddedGroup");
}
void ManagerImpl::NotifyAddedRoute(RouteImpl* route) {
  EnterRegistry(routeRegistry, route, "NotifyAddedRoute");
}
void ManagerImpl::NotifyAddedType(TypeImpl* type) { EnterRegistry(typeRegistry, type, "NotifyAddedType"); }
void ManagerImpl::NotifyAddedWaypoint(WaypointImpl* waypoint) {
  EnterRegistry(waypointRegistry, waypoint, "NotifyAddedWaypoint");
  // While loading, EndLoading rebuilds the ungrouped group from the counts.
  if (loading == 0) ungrouped->members.Add(Item(waypoint));
}

CWaypointObject* ManagerImpl::Mapped(const CWaypointObject* source) const {
  const auto it = importMapping.find(source);
  return it != importMapping.end() ? it->second : nullptr;
}

void ManagerImpl::AddMapping(const CWaypointObject* source, CWaypointObject* result) {
  importMapping.insert_or_assign(source, result);
}

void ManagerImpl::RebuildDisplayIcons() {
  for (int32_t i = typeRegistry.GetCount() - 1; i >= 0; --i)
    AsType(typeRegistry.Get(i))->RebuildDisplayIcon();
}

WaypointSetImpl::WaypointSetImpl(ManagerImpl* owner, int32_t capacity, uint16_t tagMask)
    : manager(owner), mask(tagMask) {
  if (capacity > 0) entries.reserve(static_cast<size_t>(capacity));
}

WaypointSetImpl::~WaypointSetImpl() {
  Clear();
  manager->ForgetSet(this);
}

void WaypointSetImpl::Add(CWaypoint* waypoint) {
  if (waypoint == nullptr || mask == 0) return;
  WaypointImpl* w = Impl(waypoint);
  if ((w->waypointFlags & mask) != 0) return;  // already a member
  entries.emplace_back(w->guid, waypoint);
  w->waypointFlags = static_cast<uint16_t>(w->waypointFlags | mask);
}

void WaypointSetImpl::Remove(CWaypoint* waypoint) {
  if (waypoint == nullptr) return;
  WaypointImpl* w = Impl(waypoint);
  if ((w->waypointFlags & mask) == 0) return;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    if (it->second == waypoint) {
      entries.erase(it);
      break;
    }
  }
  w->waypointFlags = static_cast<uint16_t>(w->waypointFlags & ~mask);
}

void WaypointSetImpl::Clear() {
  for (auto& entry : entries) {
    WaypointImpl* w = Impl(entry.second);
    w->waypointFlags = static_cast<uint16_t>(w->waypointFlags & ~mask);
  }
  entries.clear();
}

}  // namespace vm

VMLIB_EXPORT CWaypointManager* WaypointManagerCreate(const CBmp32* icon, const CBmp32* overlay, int32_t,
                                                     float hotspotX, float hotspotY, const Str* fontName,
                                                     int32_t nameFontSize, int32_t nameFontStyle,
                                                     uint32_t nameColour, int32_t subnameFontSize,
                                                     int32_t subnameFontStyle, uint32_t subnameColour,
                                                     int32_t labelPosition) {
  try {
    return new vm::ManagerImpl(icon, overlay, hotspotX, hotspotY, fontName, nameFontSize, nameFontStyle,
                               nameColour, subnameFontSize, subnameFontStyle, subnameColour, labelPosition);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
