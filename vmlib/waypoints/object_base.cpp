// The part every waypoint, type, group and route shares.
#include "waypoints/guid_order.h"
#include "waypoints/store.h"
#include "waypoints/text.h"

namespace vm {

int32_t StrMemory(const Str* s) {
  if (s == nullptr) return 0;
  const int32_t bytes = s->length + 1;
  return s->wide != nullptr ? bytes * 3 + 3 : bytes;
}

std::string_view ObjectName(const void* item) {
  return StrView(static_cast<const CWaypointObject*>(item)->GetName());
}

ObjectFields& FieldsOf(CWaypointObject* object) { return *dynamic_cast<ObjectFields*>(object); }
const ObjectFields& FieldsOf(const CWaypointObject* object) {
  return *dynamic_cast<const ObjectFields*>(object);
}

bool ObjectFields::ReadOnly() const {
  if (database != nullptr) return database->IsReadOnly();
  return (objectFlags & kObjectTemporary) == 0;
}

bool ObjectFields::Exportable() const { return database != nullptr && database->IsExportable(); }

void ObjectFields::MarkModified() {
  modified = StampNow();
  MarkDatabaseChanged();
}

void ObjectFields::MarkDatabaseChanged() const {
  if (database != nullptr) database->MarkChanged();
}

CWaypointDatabase* ObjectFields::DatabaseInterface() const { return database; }
CWaypointManager* ObjectFields::ManagerInterface() const { return manager; }

void ObjectFields::AssignBase(const ObjectFields& source) {
  AssignText(name, StrView(source.name));
  created = source.created;
  MarkModified();
}

void ObjectFields::SetNameChecked(const Str* text, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
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
  MarkModified();
}

void ObjectFields::SetCreatedChecked(double days, ErrorStatus status) {
  *status = 0;
  if (ReadOnly()) {
    *status = kStatusReadOnly;
    return;
  }
  const uint32_t stamp = StampFromDays(days);
  if (stamp == created) return;
  created = stamp;
  MarkModified();
}

}  // namespace vm
