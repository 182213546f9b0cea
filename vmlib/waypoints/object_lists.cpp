#include "waypoints/object_lists.h"

#include <new>

namespace {
template <class List>
List* MakeList() {
  try {
    return new List();
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
}  // namespace

VMLIB_EXPORT CWaypointList* WaypointListCreate() { return MakeList<vm::WaypointListImpl>(); }
VMLIB_EXPORT CWaypointTypeList* WaypointTypeListCreate() { return MakeList<vm::WaypointTypeListImpl>(); }
VMLIB_EXPORT CWaypointGroupList* WaypointGroupListCreate() { return MakeList<vm::WaypointGroupListImpl>(); }
VMLIB_EXPORT CWaypointRouteList* WaypointRouteListCreate() { return MakeList<vm::WaypointRouteListImpl>(); }
