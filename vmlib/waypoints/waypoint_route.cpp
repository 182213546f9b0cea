// CWaypointRoute and CRoutePoint: ordered points, each optionally attached to
// a waypoint, with distances from the start summed leg by leg.
#include <cmath>
#include <new>

#include "waypoints/generated_names.h"
#include "waypoints/geometry.h"
#include "waypoints/store.h"
#include "waypoints/text.h"

namespace vm {
namespace {

std::string_view PointOwnName(const void* item) {
  return StrView(static_cast<const RoutePointImpl*>(item)->name);
}

// An attached copy must lie within this distance of the waypoint it is
// attached to (metres).
constexpr double kAttachTolerance = 1.0;

}  // namespace

RoutePointImpl::RoutePointImpl(const WptPos3& at, float pointRadius) : radius(pointRadius) {
  name = StrNew("");
  position = at;
  position.longitude = NormaliseLongitude(at.longitude);
}

RoutePointImpl::~RoutePointImpl() {
  if (waypoint != nullptr) waypoint->DetachPoint(this);
  StrDelete(name);
}

int32_t RoutePointImpl::GetIndex() const {
  return route != nullptr ? route->points.IndexOf(static_cast<const CRoutePoint*>(this)) : -1;
}

const Str* RoutePointImpl::GetName() const { return waypoint != nullptr ? waypoint->GetName() : name; }
bool RoutePointImpl::IsReadOnly() const { return route == nullptr || route->ReadOnly(); }
CWaypointRoute* RoutePointImpl::GetRoute() const { return route; }

void RoutePointImpl::SetHeight(double metres, ErrorStatus status) {
  const WptPos3 at{position.latitude, position.longitude, metres};
  SetPosition(&at, status);
}
void RoutePointImpl::SetLatitude(double radians, ErrorStatus status) {
  const WptPos3 at{radians, position.longitude, position.height};
  SetPosition(&at, status);
}
void RoutePointImpl::SetLongitude(double radians, ErrorStatus status) {
  const WptPos3 at{position.latitude, radians, position.height};
  SetPosition(&at, status);
}
void RoutePointImpl::SetPosition(const WptPos2* at, ErrorStatus status) {
  const WptPos3 full{at->latitude, at->longitude, 0.0};
  SetPosition(&full, status);
}

void RoutePointImpl::SetPosition(const WptPos3* at, ErrorStatus status) {
  *status = 0;
  if (IsReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (waypoint != nullptr) {
    *status = kStatusPointHasWaypoint;
    return;
  }
  WptPos3 value = *at;
  value.longitude = NormaliseLongitude(value.longitude);
  if (value.latitude == position.latitude && value.longitude == position.longitude &&
      value.height == position.height) {
    return;
  }
  position = value;
  route->RecomputeFrom(GetIndex());
  route->MarkModified();
}

void RoutePointImpl::SetName(const Str* text, ErrorStatus status) {
  *status = 0;
  if (IsReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const std::string_view value = StrView(text);
  if (SameText(value, StrView(name))) return;
  if (value.size() > kMaxNameBytes) {
    *status = kStatusNameTooLong;
    return;
  }
  AssignText(name, value);
  route->MarkModified();
}

void RoutePointImpl::SetRadius(float metres, ErrorStatus status) {
  *status = 0;
  if (IsReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (metres == radius) return;
  radius = metres;
  route->MarkModified();
}

void RoutePointImpl::SetWaypoint(CWaypoint* target, ErrorStatus status) {
  *status = 0;
  if (IsReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  WaypointImpl* value = target != nullptr ? Impl(target) : nullptr;
  if (value == waypoint) return;
  if (value != nullptr && value->manager != route->manager) {
    *status = kStatusUnknown;
    return;
  }
  Attach(value);
  route->MarkModified();
}

void RoutePointImpl::Attach(WaypointImpl* target) {
  if (waypoint != nullptr) {
    waypoint->DetachPoint(this);
    waypoint = nullptr;
  }
  if (target == nullptr) return;
  target->AttachPoint(this);
  waypoint = target;
  position = target->position;
  if (route != nullptr) route->RecomputeFrom(GetIndex());
}

RouteImpl::RouteImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id) : ObjectBase(owner, db, id) {}

RouteImpl::~RouteImpl() { DestroyPoints(); }

void RouteImpl::RecomputeFrom(int32_t i) {
  const int32_t n = points.GetCount();
  if (n < 2 || i < 0 || i >= n) return;
  if (i > 0) {
    Point(i)->distance =
        Point(i - 1)->distance + GreatCircleDistance(Point(i - 1)->position, Point(i)->position);
  }
  if (i < n - 1) {
    const double next = Point(i)->distance + GreatCircleDistance(Point(i)->position, Point(i + 1)->position);
    const double delta = next - Point(i + 1)->distance;
    Point(i + 1)->distance = next;
    for (int32_t k = i + 2; k < n; ++k) Point(k)->distance += delta;
  }
}

RoutePointImpl* RouteImpl::InsertNew(int32_t index, const WptPos3& at, float radius, WaypointImpl* waypoint,
                                     ErrorStatus status) {
  *status = 0;
  const int32_t n = points.GetCount();
  if (n >= kMaxRoutePoints) {
    *status = kStatusTooManyPoints;
    return nullptr;
  }
  if (index < 0 || index > n) {
    *status = kStatusUnknown;
    return nullptr;
  }
  auto* point = new RoutePointImpl(at, radius);
  try {
    AssignText(point->name, GeneratedName("", points, PointOwnName));
  } catch (...) {
    delete point;
    throw;
  }
  if (index < n) point->distance = Point(index)->distance;
  point->route = this;
  points.Insert(index, static_cast<CRoutePoint*>(point));
  if (waypoint != nullptr) point->Attach(waypoint);
  RecomputeFrom(index);
  MarkModified();
  return point;
}

CRoutePoint* RouteImpl::InsertPoint(int32_t index, const WptPos3* at, float radius, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return nullptr;
  }
  return InsertNew(index, *at, radius, nullptr, status);
}

CRoutePoint* RouteImpl::InsertPoint(int32_t index, const WptPos2* at, float radius, ErrorStatus status) {
  const WptPos3 full{at->latitude, at->longitude, 0.0};
  return InsertPoint(index, &full, radius, status);
}

CRoutePoint* RouteImpl::InsertWaypoint(int32_t index, CWaypoint* waypoint, float radius, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return nullptr;
  }
  if (waypoint == nullptr || Impl(waypoint)->manager != manager) {
    *status = kStatusUnknown;
    return nullptr;
  }
  return InsertNew(index, Impl(waypoint)->position, radius, Impl(waypoint), status);
}

CRoutePoint* RouteImpl::AppendPoint(const WptPos3* at, float radius, ErrorStatus status) {
  return InsertPoint(points.GetCount(), at, radius, status);
}
CRoutePoint* RouteImpl::AppendPoint(const WptPos2* at, float radius, ErrorStatus status) {
  return InsertPoint(points.GetCount(), at, radius, status);
}
CRoutePoint* RouteImpl::AppendWaypoint(CWaypoint* waypoint, float radius, ErrorStatus status) {
  return InsertWaypoint(points.GetCount(), waypoint, radius, status);
}

void RouteImpl::DeletePointAt(int32_t index, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  if (index < 0 || index >= points.GetCount()) {
    *status = kStatusUnknown;
    return;
  }
  RoutePointImpl* point = Point(index);
  point->Attach(nullptr);
  manager->NotifyPointDeleting(this, index, point);
  points.Delete(index);
  point->route = nullptr;
  const int32_t n = points.GetCount();
  if (index == 0 && n > 0) {
    // The new first point starts the route: every distance moves down by its old one.
    const double shift = Point(0)->distance;
    for (int32_t k = 0; k < n; ++k) Point(k)->distance -= shift;
  } else if (index < n) {
    RecomputeFrom(index);
  }
  delete point;
  MarkModified();
}

void RouteImpl::DeletePoint(CRoutePoint* point, ErrorStatus status) {
  DeletePointAt(points.IndexOf(static_cast<const CRoutePoint*>(point)), status);
}

double RouteImpl::GetLegDistance(int32_t i, int32_t j) const {
  return std::fabs(Point(j)->distance - Point(i)->distance);
}

double RouteImpl::GetLength() const {
  const int32_t n = points.GetCount();
  return n >= 2 ? GetLegDistance(0, n - 1) : 0.0;
}

double RouteImpl::GetLegCourse(int32_t i, bool towardsPrevious) const {
  const int32_t other = towardsPrevious ? i - 1 : i + 1;
  if (i < 0 || i >= points.GetCount() || other < 0 || other >= points.GetCount()) return 0.0;
  return SceneCourse(Point(i)->position, Point(other)->position);
}

void RouteImpl::DetachAllPoints() {
  for (int32_t i = 0; i < points.GetCount(); ++i) Point(i)->Attach(nullptr);
}

void RouteImpl::DestroyPoints() {
  for (int32_t i = 0; i < points.GetCount(); ++i) {
    RoutePointImpl* point = Point(i);
    point->Attach(nullptr);
    point->route = nullptr;
    delete point;
  }
  points.Clear();
}

void RouteImpl::CopyPoints(const RouteImpl& source, bool withContents) {
  DestroyPoints();
  const int32_t n = source.points.GetCount();
  points.SetCapacity(n);
  for (int32_t i = 0; i < n; ++i) {
    const RoutePointImpl* from = source.Point(i);
    auto* point = new RoutePointImpl(from->position, from->radius);
    points.Append(static_cast<CRoutePoint*>(point));
    point->route = this;
    AssignText(point->name, StrView(from->name));
    if (!withContents || from->waypoint == nullptr) continue;
    WaypointImpl* target = from->waypoint;
    if (source.manager != manager) {
      target = dynamic_cast<WaypointImpl*>(manager->Mapped(from->waypoint));
      if (target == nullptr || target->manager != manager ||
          GreatCircleDistance(target->position, point->position) > kAttachTolerance) {
        continue;
      }
    }
    target->AttachPoint(point);
    point->waypoint = target;
    point->position = target->position;
  }
  for (int32_t i = 0; i < n; ++i) {
    Point(i)->distance =
        i == 0 ? 0.0
               : Point(i - 1)->distance + GreatCircleDistance(Point(i - 1)->position, Point(i)->position);
  }
}

void RouteImpl::Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const auto* from = dynamic_cast<const RouteImpl*>(source);
  if (from == nullptr) {
    *status = kStatusUnknown;
    return;
  }
  if (from == this) return;
  AssignBase(*from);
  CopyPoints(*from, withContents);
}

int32_t RouteImpl::GetMemorySize(bool includeObject) const {
  int32_t bytes = StrMemory(name) + 4 * points.GetCount();
  for (int32_t i = 0; i < points.GetCount(); ++i) {
    bytes += StrMemory(Point(i)->name);
    if (includeObject) bytes += static_cast<int32_t>(sizeof(RoutePointImpl));
  }
  if (includeObject) bytes += static_cast<int32_t>(sizeof(*this));
  return bytes;
}

void RouteImpl::Delete(ErrorStatus status) {
  *status = 0;
  if (IsTemporary()) {
    manager->DestroyTempRoute(this);
    return;
  }
  if (ReadOnly() || database == nullptr) {
    *status = kStatusReadOnly;
    return;
  }
  database->DestroyRoute(this);
}

}  // namespace vm

VMLIB_EXPORT CRoutePoint* RoutePointCreate(const WptPos3* position, float radius) {
  try {
    return new vm::RoutePointImpl(*position, radius);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
