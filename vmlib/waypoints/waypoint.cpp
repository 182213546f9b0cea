// CWaypoint: position, labels, links, type and the route points attached.
#include <cmath>

#include "waypoints/geometry.h"
#include "waypoints/store.h"
#include "waypoints/text.h"

namespace vm {
namespace {

void DestroyLink(void* item) {
  auto* link = static_cast<CWaypointLink*>(item);
  StrDelete(link->text1);
  StrDelete(link->text2);
  delete link;
}

CWaypointLink* NewLink(std::string_view text1, std::string_view text2) {
  auto* link = new CWaypointLink{nullptr, nullptr};
  try {
    link->text1 = StrNew(text1);
    link->text2 = StrNew(text2);
  } catch (...) {
    DestroyLink(link);
    throw;
  }
  return link;
}

bool SamePosition(const WptPos3& a, const WptPos3& b) {
  return a.latitude == b.latitude && a.longitude == b.longitude && a.height == b.height;
}

// Replaces an optional text; an empty text leaves none.
void AssignOptional(Str*& field, std::string_view value) {
  if (value.empty()) {
    StrDelete(field);
    field = nullptr;
  } else if (field == nullptr) {
    field = StrNew(value);
  } else {
    AssignText(field, value);
  }
}

}  // namespace

WaypointImpl::WaypointImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id, const WptPos3& at,
                           TypeImpl* symbol)
    : ObjectBase(owner, db, id), labelPosition(owner->defaultLabelPosition), type(symbol) {
  position = at;
  position.longitude = NormaliseLongitude(at.longitude);
  if (type == nullptr) type = owner->defaultType;
}

WaypointImpl::~WaypointImpl() {
  DetachAllPoints();
  delete links;
  StrDelete(subname);
  StrDelete(comment);
}

template <class T>
void WaypointImpl::SetPlain(T& field, T value, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (field == value) return;
  field = value;
  MarkModified();
}

void WaypointImpl::Assign(const CWaypointObject* source, bool, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const auto* from = dynamic_cast<const WaypointImpl*>(source);
  if (from == nullptr) {
    *status = kStatusUnknown;
    return;
  }
  if (from == this) return;
  AssignBase(*from);
  CopyFields(*from);
}

void WaypointImpl::CopyFields(const WaypointImpl& source) {
  value1 = source.value1;
  value2 = source.value2;
  value3 = source.value3;
  proximityDistance = source.proximityDistance;
  labelPosition = source.labelPosition;
  AssignOptional(subname, StrView(source.subname));
  AssignOptional(comment, StrView(source.comment));
  linkA = linkB = nullptr;
  delete links;
  links = nullptr;
  for (int32_t i = 0; i < source.GetLinkCount(); ++i) {
    const auto* link = source.GetLink(i);
    if (links == nullptr) {
      links = new CPointerList();
      links->SetOwnsItems(true);
      links->SetDestroy(DestroyLink);
    }
    CWaypointLink* copy = NewLink(StrView(link->text1), StrView(link->text2));
    links->Append(copy);
    if (link == source.linkA) linkA = copy;
    if (link == source.linkB) linkB = copy;
  }
  if (source.manager == manager) {
    type = source.type;
  } else {
    auto* mapped = dynamic_cast<TypeImpl*>(manager->Mapped(source.type));
    type = mapped != nullptr && mapped->manager == manager ? mapped : manager->defaultType;
  }
  WptPos3 at = source.position;
  at.longitude = NormaliseLongitude(at.longitude);
  if (!SamePosition(at, position)) {
    position = at;
    for (int32_t i = 0; routePoints != nullptr && i < routePoints->GetCount(); ++i) {
      RoutePointImpl* point = AsPoint(routePoints->Get(i));
      point->position = position;
      if (point->route != nullptr) point->route->RecomputeFrom(point->GetIndex());
    }
  }
}

int32_t WaypointImpl::GetMemorySize(bool includeObject) const {
  int32_t bytes = StrMemory(name) + StrMemory(subname) + StrMemory(comment);
  for (int32_t i = 0; i < GetLinkCount(); ++i) {
    const CWaypointLink* link = GetLink(i);
    bytes += 4 + StrMemory(link->text1) + StrMemory(link->text2);
    if (includeObject) bytes += static_cast<int32_t>(sizeof(CWaypointLink));
  }
  if (routePoints != nullptr) bytes += 4 * routePoints->GetCount();
  if (includeObject) bytes += static_cast<int32_t>(sizeof(*this));
  return bytes;
}

void WaypointImpl::Delete(ErrorStatus status) {
  *status = 0;
  if (ReadOnly() || database == nullptr) {
    *status = kStatusReadOnly;
    return;
  }
  database->DestroyWaypoint(this);
}

CWaypointLink* WaypointImpl::AddLink(const Str* text1, const Str* text2, ErrorStatus status) {
  return InsertLink(GetLinkCount(), text1, text2, status);
}

CWaypointLink* WaypointImpl::InsertLink(int32_t index, const Str* text1, const Str* text2,
                                        ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return nullptr;
  }
  if (GetLinkCount() >= kMaxLinks) {
    *status = kStatusTooManyLinks;
    return nullptr;
  }
  if (index < 0 || index > GetLinkCount()) {
    *status = kStatusUnknown;
    return nullptr;
  }
  if (links == nullptr) {
    links = new CPointerList();
    links->SetOwnsItems(true);
    links->SetDestroy(DestroyLink);
  }
  CWaypointLink* link = NewLink(StrView(text1), StrView(text2));
  links->Insert(index, link);
  MarkModified();
  return link;
}

void WaypointImpl::DeleteLink(int32_t index, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (index < 0 || index >= GetLinkCount()) {
    *status = kStatusUnknown;
    return;
  }
  const void* link = links->Get(index);
  if (link == linkA) linkA = nullptr;
  if (link == linkB) linkB = nullptr;
  links->Delete(index);
  if (links->GetCount() == 0) {
    delete links;
    links = nullptr;
  }
  MarkModified();
}

void WaypointImpl::DeleteLink(CWaypointLink* link, ErrorStatus status) {
  DeleteLink(IndexOfLink(link), status);
}

int32_t WaypointImpl::IndexOfLink(const CWaypointLink* link) const {
  return links != nullptr && link != nullptr ? links->IndexOf(link) : -1;
}

CWaypointLink* WaypointImpl::GetLink(int32_t index) const {
  return static_cast<CWaypointLink*>(links->Get(index));
}

void WaypointImpl::GetGroups(CWaypointGroupList* out) const {
  out->Clear();
  const CPointerList& registry = manager->groupRegistry;
  for (int32_t i = registry.GetCount() - 1; i >= 0; --i) {
    GroupImpl* group = AsGroup(registry.Get(i));
    if (!group->IsUngrouped() && group->Holds(this)) out->Add(group);
  }
}

const Str* WaypointImpl::GetSubname() const { return subname != nullptr ? subname : manager->emptyText; }
const Str* WaypointImpl::GetComment() const { return comment != nullptr ? comment : manager->emptyText; }
CWaypointType* WaypointImpl::GetType() const { return type; }

void WaypointImpl::SetHeight(double metres, ErrorStatus status) {
  const WptPos3 at{position.latitude, position.longitude, metres};
  SetPosition(&at, status);
}

void WaypointImpl::SetLatitude(double radians, ErrorStatus status) {
  const WptPos3 at{radians, position.longitude, position.height};
  SetPosition(&at, status);
}

void WaypointImpl::SetLongitude(double radians, ErrorStatus status) {
  const WptPos3 at{position.latitude, radians, position.height};
  SetPosition(&at, status);
}

void WaypointImpl::SetPosition(const WptPos2* at, ErrorStatus status) {
  const WptPos3 full{at->latitude, at->longitude, 0.0};
  SetPosition(&full, status);
}

void WaypointImpl::SetPosition(const WptPos3* at, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  WptPos3 value = *at;
  value.longitude = NormaliseLongitude(value.longitude);
  if (SamePosition(value, position)) return;
  position = value;
  for (int32_t i = 0; routePoints != nullptr && i < routePoints->GetCount(); ++i) {
    RoutePointImpl* point = AsPoint(routePoints->Get(i));
    point->position = position;
    if (point->route != nullptr) point->route->RecomputeFrom(point->GetIndex());
  }
  MarkModified();
}

bool WaypointImpl::CheckLink(const CWaypointLink* link) const {
  return link == nullptr || IndexOfLink(link) >= 0;
}

// A link of another waypoint could not be written as an index of this one.
void WaypointImpl::SetLinkA(CWaypointLink* link, ErrorStatus status) {
  if (!ReadOnly() && !CheckLink(link)) {
    *status = kStatusUnknown;
    return;
  }
  SetPlain(linkA, link, status);
}

void WaypointImpl::SetLinkB(CWaypointLink* link, ErrorStatus status) {
  if (!ReadOnly() && !CheckLink(link)) {
    *status = kStatusUnknown;
    return;
  }
  SetPlain(linkB, link, status);
}

// Value1, the proximity distance and the label position are refused outside
// the ranges the database file can hold, so that every database can be read
// back after it was saved.
void WaypointImpl::SetValue1(float value, ErrorStatus status) {
  if (!ReadOnly() && !(std::isfinite(value) && value >= 0.0f)) {
    *status = kStatusUnknown;
    return;
  }
  SetPlain(value1, value, status);
}

void WaypointImpl::SetLabelPosition(int32_t value, ErrorStatus status) {
  if (!ReadOnly() && (value < 0 || value > 8)) {
    *status = kStatusUnknown;
    return;
  }
  SetPlain(labelPosition, value, status);
}

void WaypointImpl::SetProximityDistance(float metres, ErrorStatus status) {
  if (!ReadOnly() && !(std::isfinite(metres) && metres >= 0.0f)) {
    *status = kStatusUnknown;
    return;
  }
  SetPlain(proximityDistance, metres, status);
}

void WaypointImpl::SetValue2(float value, ErrorStatus status) { SetPlain(value2, value, status); }
void WaypointImpl::SetValue3(int32_t value, ErrorStatus status) { SetPlain(value3, value, status); }

void WaypointImpl::SetSubname(const Str* text, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const std::string_view value = StrView(text);
  if (SameText(value, StrView(subname))) return;
  if (value.size() > kMaxNameBytes) {
    *status = kStatusNameTooLong;
    return;
  }
  AssignOptional(subname, value);
  MarkModified();
}

void WaypointImpl::SetComment(const Str* text, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const std::string_view value = StrView(text);
  if (SameText(value, StrView(comment))) return;
  AssignOptional(comment, value);
  MarkModified();
}

void WaypointImpl::SetType(CWaypointType* symbol, ErrorStatus status) {
  TypeImpl* value = symbol != nullptr ? Impl(symbol) : manager->defaultType;
  // A type of another manager would be left dangling when that manager goes.
  if (!ReadOnly() && value->manager != manager) {
    *status = kStatusUnknown;
    return;
  }
  SetPlain(type, value, status);
}

void WaypointImpl::AttachPoint(RoutePointImpl* point) {
  if (routePoints == nullptr) routePoints = new CPointerList();
  routePoints->Append(static_cast<CRoutePoint*>(point));
}

void WaypointImpl::DetachPoint(RoutePointImpl* point) {
  if (routePoints == nullptr) return;
  routePoints->Remove(static_cast<CRoutePoint*>(point));
  if (routePoints->GetCount() == 0) {
    delete routePoints;
    routePoints = nullptr;
  }
}

void WaypointImpl::DetachAllPoints() {
  while (routePoints != nullptr) AsPoint(routePoints->Get(routePoints->GetCount() - 1))->Attach(nullptr);
}

}  // namespace vm
