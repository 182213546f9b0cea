// Import of objects from other databases (or managers) into a database, with
// the clash rules and the caller's choice for each clash.
#include <string>

#include "waypoints/geometry.h"
#include "waypoints/object_lists.h"
#include "waypoints/store.h"
#include "waypoints/text.h"

namespace vm {
namespace {

// Two waypoints of the same name and subname closer than this (straight
// line between their global points, metres) are the same place.
constexpr double kClashDistance = 50000.0;

enum ImportAction : int32_t { kUseCandidate = 0, kOverwrite = 1, kCopy = 2 };

template <class Item>
struct KindOf;
template <>
struct KindOf<CWaypointType> {
  using List = WaypointTypeListImpl;
  static constexpr const char* kName = "ImportTypes";
};
template <>
struct KindOf<CWaypoint> {
  using List = WaypointListImpl;
  static constexpr const char* kName = "ImportWaypoints";
};
template <>
struct KindOf<CWaypointGroup> {
  using List = WaypointGroupListImpl;
  static constexpr const char* kName = "ImportGroups";
};
template <>
struct KindOf<CWaypointRoute> {
  using List = WaypointRouteListImpl;
  static constexpr const char* kName = "ImportRoutes";
};

bool Clashes(const CWaypointObject* existing, const CWaypointObject* source) {
  return SameTextIgnoringCase(StrView(existing->GetName()), StrView(source->GetName()));
}

bool Clashes(const CWaypoint* existing, const CWaypoint* source) {
  return SameTextIgnoringCase(StrView(existing->GetName()), StrView(source->GetName())) &&
         SameTextIgnoringCase(StrView(existing->GetSubname()), StrView(source->GetSubname())) &&
         GlobalDistanceWgs84(*existing->GetPosition(), *source->GetPosition()) < kClashDistance;
}

CWaypointType* Copy(DatabaseImpl& db, const CWaypointType* source) { return db.CreateTypeFromType(source); }
CWaypoint* Copy(DatabaseImpl& db, const CWaypoint* source) { return db.CreateWaypointFromWaypoint(source); }
CWaypointGroup* Copy(DatabaseImpl& db, const CWaypointGroup* source) {
  return db.CreateGroupFromGroup(source);
}
CWaypointRoute* Copy(DatabaseImpl& db, const CWaypointRoute* source) {
  return db.CreateRouteFromRoute(source);
}

template <class Item>
Item* Existing(const DatabaseImpl& db, int32_t index);
template <>
CWaypointType* Existing(const DatabaseImpl& db, int32_t index) {
  return db.GetType(index);
}
template <>
CWaypoint* Existing(const DatabaseImpl& db, int32_t index) {
  return db.GetWaypoint(index);
}
template <>
CWaypointGroup* Existing(const DatabaseImpl& db, int32_t index) {
  return db.GetGroup(index);
}
template <>
CWaypointRoute* Existing(const DatabaseImpl& db, int32_t index) {
  return db.GetRoute(index);
}

template <class Item>
int32_t ExistingCount(const DatabaseImpl& db);
template <>
int32_t ExistingCount<CWaypointType>(const DatabaseImpl& db) {
  return db.GetTypeCount();
}
template <>
int32_t ExistingCount<CWaypoint>(const DatabaseImpl& db) {
  return db.GetWaypointCount();
}
template <>
int32_t ExistingCount<CWaypointGroup>(const DatabaseImpl& db) {
  return db.GetGroupCount();
}
template <>
int32_t ExistingCount<CWaypointRoute>(const DatabaseImpl& db) {
  return db.GetRouteCount();
}

// One kind's loop; false when the import must stop (status says why).
template <class Item>
bool ImportKind(DatabaseImpl& db, const CWaypointObjectList<Item>* source, const WptImportCallback* callback,
                CWaypointObjectList<Item>* out, ErrorStatus status) {
  using Kind = KindOf<Item>;
  typename Kind::List candidates;
  int32_t action = kUseCandidate;
  bool applyToAll = false;
  for (int32_t i = source->GetCount() - 1; i >= 0; --i) {
    Item* from = source->Get(i);
    Item* result = nullptr;
    candidates.Clear();
    bool builtIn = false;
    if constexpr (std::is_same_v<Item, CWaypointType>) {
      // Every manager has its own default type; it is never imported.
      if (from->IsDefaultType()) {
        result = db.manager->defaultType;
        builtIn = true;
      }
    }
    if (!builtIn) {
      for (int32_t k = 0; k < ExistingCount<Item>(db); ++k) {
        Item* existing = Existing<Item>(db, k);
        if (existing != from && Clashes(existing, from)) candidates.Add(existing);
      }
    }
    if (builtIn) {
      // mapped below
    } else if (candidates.GetCount() == 0) {
      result = Copy(db, from);
      if (result == nullptr) {
        *status = 0x6;  // out of memory
        return false;
      }
      if (out != nullptr) out->Add(result);
    } else {
      int32_t chosen = 0;
      const bool remembered =
          applyToAll && (action == kCopy ||
                         ((action == kUseCandidate || action == kOverwrite) && candidates.GetCount() == 1));
      if (!remembered && callback != nullptr && callback->function != nullptr) {
        bool cancel = false;
        callback->function(callback->user, &candidates, from, &chosen, &action, &applyToAll, &cancel);
        if (cancel) {
          *status = kStatusCancelled;
          return false;
        }
      }
      if (remembered) chosen = 0;
      if ((action == kUseCandidate || action == kOverwrite) &&
          (chosen < 0 || chosen >= candidates.GetCount())) {
        *status = kStatusUnknown;
        return false;
      }
      switch (action) {
        case kUseCandidate:
          result = candidates.Get(chosen);
          break;
        case kOverwrite:
          result = candidates.Get(chosen);
          result->Assign(from, true, status);
          if (*status != 0) return false;
          if (out != nullptr) out->Add(result);
          break;
        case kCopy:
          result = Copy(db, from);
          if (result == nullptr) {
            *status = 0x6;
            return false;
          }
          if (out != nullptr) out->Add(result);
          break;
        default:
          throw CException(std::string("CWaypointDatabase::") + Kind::kName + ": unknown action");
      }
    }
    db.manager->AddMapping(from, result);
  }
  return true;
}

}  // namespace

void DatabaseImpl::Import(const CWaypointTypeList* typeList, const WptImportCallback* typeCallback,
                          const CWaypointList* waypointList, const WptImportCallback* waypointCallback,
                          const CWaypointGroupList* groupList, const WptImportCallback* groupCallback,
                          const CWaypointRouteList* routeList, const WptImportCallback* routeCallback,
                          CWaypointTypeList* outTypes, CWaypointList* outWaypoints,
                          CWaypointGroupList* outGroups, CWaypointRouteList* outRoutes, ErrorStatus status) {
  *status = 0;
  struct ClearMapping {
    ManagerImpl* manager;
    ~ClearMapping() { manager->importMapping.clear(); }
  } clearAtEnd{manager};
  // Types first, then waypoints, so that copied waypoints find their types
  // and copied groups and routes their waypoints through the mapping.
  if (typeList != nullptr && !ImportKind<CWaypointType>(*this, typeList, typeCallback, outTypes, status))
    return;
  if (waypointList != nullptr &&
      !ImportKind<CWaypoint>(*this, waypointList, waypointCallback, outWaypoints, status)) {
    return;
  }
  if (groupList != nullptr &&
      !ImportKind<CWaypointGroup>(*this, groupList, groupCallback, outGroups, status)) {
    return;
  }
  if (routeList != nullptr) ImportKind<CWaypointRoute>(*this, routeList, routeCallback, outRoutes, status);
}

}  // namespace vm
