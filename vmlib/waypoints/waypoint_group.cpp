// CWaypointGroup: a named set of waypoints, and the ungrouped group that holds
// every waypoint no ordinary group holds.
#include "waypoints/guid_order.h"
#include "waypoints/store.h"

namespace vm {

GroupImpl::GroupImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id) : ObjectBase(owner, db, id) {
  members.MakeSortedUnique(GuidOrder);
}

const Str* GroupImpl::GetName() const { return IsUngrouped() ? manager->UngroupedName() : name; }

bool GroupImpl::Holds(const WaypointImpl* waypoint) const {
  int32_t at = 0;
  const void* key = static_cast<const CWaypointObject*>(waypoint);
  if (members.IsUpdating()) return members.IndexOf(key) >= 0;
  return members.Find(key, &at) && members.Get(at) == key;
}

void GroupImpl::Join(WaypointImpl* waypoint) {
  // During an update the list appends without looking; a member must still
  // be counted once.
  if (members.IsUpdating() && Holds(waypoint)) return;
  if (members.Add(Item(waypoint)) < 0) return;
  if (waypoint->groupCount == 0 && manager->loading == 0) manager->ungrouped->members.Remove(Item(waypoint));
  ++waypoint->groupCount;
}

void GroupImpl::LeaveAt(int32_t index) {
  WaypointImpl* waypoint = AsWaypoint(members.Get(index));
  members.Delete(index);
  if (--waypoint->groupCount == 0 && manager->loading == 0) manager->ungrouped->members.Add(Item(waypoint));
}

void GroupImpl::LeaveAll() {
  for (int32_t i = members.GetCount() - 1; i >= 0; --i) {
    WaypointImpl* waypoint = AsWaypoint(members.Get(i));
    if (--waypoint->groupCount == 0 && manager->loading == 0) manager->ungrouped->members.Add(Item(waypoint));
  }
  members.Clear();
}

void GroupImpl::CopyMembers(const GroupImpl& source) {
  for (int32_t i = 0; i < source.members.GetCount(); ++i) {
    WaypointImpl* member = AsWaypoint(source.members.Get(i));
    if (source.manager != manager) {
      member = dynamic_cast<WaypointImpl*>(manager->Mapped(member));
      if (member == nullptr || member->manager != manager) continue;
    }
    Join(member);
  }
}

void GroupImpl::AddWaypoint(CWaypoint* waypoint, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  // A waypoint of another manager would leave its counts in the wrong store.
  if (waypoint == nullptr || Impl(waypoint)->manager != manager) {
    *status = kStatusUnknown;
    return;
  }
  const int32_t before = members.GetCount();
  Join(Impl(waypoint));
  if (members.GetCount() != before) MarkModified();
}

void GroupImpl::RemoveWaypointAt(int32_t index, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (index < 0 || index >= members.GetCount()) {
    *status = kStatusUnknown;
    return;
  }
  LeaveAt(index);
  MarkModified();
}

void GroupImpl::RemoveAllWaypoints(ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  LeaveAll();
  MarkModified();
}

void GroupImpl::RemoveWaypoint(CWaypoint* waypoint, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const int32_t at = waypoint != nullptr ? members.IndexOf(static_cast<CWaypointObject*>(waypoint)) : -1;
  if (at < 0) {
    *status = kStatusWaypointNotFound;
    return;
  }
  RemoveWaypointAt(at, status);
}

bool GroupImpl::FindWaypoint(const CWaypoint* key, int32_t* index) const {
  return FindByGuid(members, *key->GetGUID(), index);
}

CWaypoint* GroupImpl::GetWaypoint(int32_t index) const { return AsWaypoint(members.Get(index)); }

void GroupImpl::Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const auto* from = dynamic_cast<const GroupImpl*>(source);
  if (from == nullptr) {
    *status = kStatusUnknown;
    return;
  }
  if (from == this) return;
  AssignBase(*from);
  if (withContents) {
    LeaveAll();
    CopyMembers(*from);
  }
}

int32_t GroupImpl::GetMemorySize(bool includeObject) const {
  int32_t bytes = StrMemory(name) + 4 * members.GetCount();
  if (includeObject) bytes += static_cast<int32_t>(sizeof(*this));
  return bytes;
}

void GroupImpl::Delete(ErrorStatus status) {
  *status = 0;
  if (ReadOnly() || database == nullptr) {
    *status = kStatusReadOnly;
    return;
  }
  database->DestroyGroup(this);
}

}  // namespace vm
