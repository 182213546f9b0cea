// The implementation classes of the waypoint store. Every object handed out
// through the public interfaces is one of these, so the store casts between
// an interface and its implementation freely.
#pragma once

#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "core/str_internal.h"
#include "vmlib/waypoints.h"
#include "waypoints/pointer_list.h"
#include "waypoints/time_stamp.h"

namespace vm {

class DatabaseImpl;
class ManagerImpl;
class WaypointImpl;
class TypeImpl;
class GroupImpl;
class RouteImpl;
class RoutePointImpl;
class WaypointSetImpl;

// Status codes of the store.
constexpr int32_t kStatusUnknown = 0x1;
constexpr int32_t kStatusCancelled = 0x2;
constexpr int32_t kStatusReadOnly = 0xA0000;
constexpr int32_t kStatusTooManyLinks = 0xA000B;
constexpr int32_t kStatusTooManyPoints = 0xA000D;
constexpr int32_t kStatusNameTooLong = 0xA0028;
constexpr int32_t kStatusPointHasWaypoint = 0xA0032;
constexpr int32_t kStatusWaypointNotFound = 0xA0033;

// What the database file can hold: link count and marked-link indices in one
// byte each (255 meaning none), point counts in 16 bits.
constexpr int32_t kMaxLinks = 255;
constexpr int32_t kMaxRoutePoints = 65535;

enum ObjectFlag : uint16_t {
  kObjectScratch = 0x1,
  kObjectTemporary = 0x2,
  kObjectDefaultType = 0x4,
  kObjectUngrouped = 0x8,
};

// Bytes an estimate counts for a string: text and terminator, more when a
// wide copy exists.
int32_t StrMemory(const Str* s);
// The name text of a collection item (a CWaypointObject*).
std::string_view ObjectName(const void* item);

// The fields every waypoint, type, group and route shares.
struct ObjectFields {
  GUID guid{};
  Str* name = nullptr;
  uint32_t created = 0;
  uint32_t modified = 0;
  uint16_t objectFlags = 0;
  uint16_t marks = 0;
  DatabaseImpl* database = nullptr;
  ManagerImpl* manager = nullptr;

  bool ReadOnly() const;
  bool Exportable() const;
  // modified := now; the database (if any) is marked changed.
  void MarkModified();
  void MarkDatabaseChanged() const;
  CWaypointDatabase* DatabaseInterface() const;
  CWaypointManager* ManagerInterface() const;
  // The common part of Assign: name and created time; modified := now.
  void AssignBase(const ObjectFields& source);
  void SetNameChecked(const Str* text, ErrorStatus status);
  void SetCreatedChecked(double days, ErrorStatus status);
};

template <class Iface>
class ObjectBase : public Iface, public ObjectFields {
public:
  ~ObjectBase() override { StrDelete(name); }
  bool IsExportable() const override { return Exportable(); }
  const GUID* GetGUID() const override { return &guid; }
  const Str* GetName() const override { return name; }
  bool IsReadOnly() const override { return ReadOnly(); }
  double GetCreated() const override { return DaysFromStamp(created); }
  double GetModified() const override { return DaysFromStamp(modified); }
  bool TestMarks(uint16_t mask) const override { return (marks & mask) != 0; }
  CWaypointDatabase* GetDatabase() const override { return DatabaseInterface(); }
  CWaypointManager* GetManager() const override { return ManagerInterface(); }
  bool IsTemporary() const override { return (objectFlags & kObjectTemporary) != 0; }
  void SetName(const Str* text, ErrorStatus status) override { SetNameChecked(text, status); }
  void SetCreated(double days, ErrorStatus status) override { SetCreatedChecked(days, status); }
  void SetMarks(bool on, uint16_t mask) override {
    marks = on ? static_cast<uint16_t>(marks | mask) : static_cast<uint16_t>(marks & ~mask);
  }

protected:
  ObjectBase(ManagerImpl* owner, DatabaseImpl* db, const GUID& id) {
    name = StrNew("");
    manager = owner;
    database = db;
    guid = id;
    created = modified = StampNow();
  }
};

// The fields of an object, from its interface.
ObjectFields& FieldsOf(CWaypointObject* object);
const ObjectFields& FieldsOf(const CWaypointObject* object);

class WaypointImpl final : public ObjectBase<CWaypoint> {
public:
  WaypointImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id, const WptPos3& at, TypeImpl* symbol);
  ~WaypointImpl() override;

  void Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) override;
  int32_t GetMemorySize(bool includeObject) const override;
  void Delete(ErrorStatus status) override;

  CWaypointLink* AddLink(const Str* text1, const Str* text2, ErrorStatus status) override;
  void DeleteLink(int32_t index, ErrorStatus status) override;
  bool TestWaypointFlags(uint16_t mask) const override { return (waypointFlags & mask) != 0; }
  int32_t GetGroupCount() const override { return groupCount; }
  void GetGroups(CWaypointGroupList* out) const override;
  double GetHeight() const override { return position.height; }
  double GetLatitude() const override { return position.latitude; }
  CWaypointLink* GetLink(int32_t index) const override;
  CWaypointLink* GetLinkA() const override { return linkA; }
  int32_t GetLinkCount() const override { return links ? links->GetCount() : 0; }
  float GetValue1() const override { return value1; }
  CWaypointLink* GetLinkB() const override { return linkB; }
  double GetLongitude() const override { return position.longitude; }
  int32_t GetLabelPosition() const override { return labelPosition; }
  const WptPos3* GetPosition() const override { return &position; }
  float GetValue2() const override { return value2; }
  float GetProximityDistance() const override { return proximityDistance; }
  int32_t GetValue3() const override { return value3; }
  const Str* GetSubname() const override;
  const Str* GetComment() const override;
  CWaypointType* GetType() const override;
  CWaypointLink* InsertLink(int32_t index, const Str* text1, const Str* text2, ErrorStatus status) override;
  void DeleteLink(CWaypointLink* link, ErrorStatus status) override;
  void SetHeight(double metres, ErrorStatus status) override;
  void SetLatitude(double radians, ErrorStatus status) override;
  void SetLinkA(CWaypointLink* link, ErrorStatus status) override;
  void SetValue1(float value, ErrorStatus status) override;
  void SetLinkB(CWaypointLink* link, ErrorStatus status) override;
  void SetLongitude(double radians, ErrorStatus status) override;
  void SetLabelPosition(int32_t value, ErrorStatus status) override;
  void SetPosition(const WptPos3* at, ErrorStatus status) override;
  void SetPosition(const WptPos2* at, ErrorStatus status) override;
  void SetValue2(float value, ErrorStatus status) override;
  void SetProximityDistance(float metres, ErrorStatus status) override;
  void SetValue3(int32_t value, ErrorStatus status) override;
  void SetSubname(const Str* text, ErrorStatus status) override;
  void SetComment(const Str* text, ErrorStatus status) override;
  void SetType(CWaypointType* symbol, ErrorStatus status) override;

  int32_t IndexOfLink(const CWaypointLink* link) const;
  // Copies every stored field of source (links included, LinkA and LinkB to
  // the copies); the type goes through the import mapping across managers.
  void CopyFields(const WaypointImpl& source);
  void AttachPoint(RoutePointImpl* point);
  void DetachPoint(RoutePointImpl* point);
  void DetachAllPoints();

  uint16_t waypointFlags = 0;
  int32_t groupCount = 0;
  CWaypointLink* linkA = nullptr;
  float value1 = 0.0f;
  CPointerList* links = nullptr;  // owned, owning its links
  CWaypointLink* linkB = nullptr;
  int32_t labelPosition = 5;
  WptPos3 position{};
  float value2 = -1.0f;
  float proximityDistance = 0.0f;
  CPointerList* routePoints = nullptr;  // owned, not owning the points
  int32_t value3 = 0;
  Str* subname = nullptr;
  Str* comment = nullptr;
  TypeImpl* type = nullptr;

private:
  template <class T>
  void SetPlain(T& field, T value, ErrorStatus status);
  bool CheckLink(const CWaypointLink* link) const;
};

// One label font of a type.
struct LabelFont {
  int32_t size = 0;
  int32_t style = 0;
  WptFontHandle handle = nullptr;
};

class TypeImpl final : public ObjectBase<CWaypointType> {
public:
  TypeImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id);
  ~TypeImpl() override;

  void Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) override;
  int32_t GetMemorySize(bool includeObject) const override;
  const Str* GetName() const override;
  void Delete(ErrorStatus status) override;

  uint8_t GetTypeFlag() const override { return typeFlag; }
  uint32_t GetNameColourDisplay() const override { return nameColourDisplay; }
  uint32_t GetNameColour() const override { return nameColour; }
  WptFontHandle GetNameFontHandle() const override { return nameFont.handle; }
  int32_t GetNameTextHeight() const override { return nameTextHeight; }
  int32_t GetNameFontSize() const override { return nameFont.size; }
  int32_t GetNameFontStyle() const override { return nameFont.style; }
  CBmp32* GetDisplayIcon() const override { return displayIcon != nullptr ? displayIcon : icon; }
  CBmp32* GetIcon() const override { return icon; }
  float GetHotspotX() const override { return hotspotX; }
  float GetHotspotY() const override { return hotspotY; }
  CBmp32* GetOverlay() const override { return overlay; }
  uint32_t GetSubnameColourDisplay() const override { return subnameColourDisplay; }
  uint32_t GetSubnameColour() const override { return subnameColour; }
  WptFontHandle GetSubnameFontHandle() const override { return subnameFont.handle; }
  int32_t GetSubnameTextHeight() const override { return subnameTextHeight; }
  int32_t GetSubnameFontSize() const override { return subnameFont.size; }
  int32_t GetSubnameFontStyle() const override { return subnameFont.style; }
  bool IsDefaultType() const override { return (objectFlags & kObjectDefaultType) != 0; }
  void SetNameColour(uint32_t colour, ErrorStatus status) override;
  void SetNameFontSize(int32_t points, ErrorStatus status) override;
  void SetNameFontStyle(int32_t style, ErrorStatus status) override;
  void SetImages(const CBmp32* newIcon, const CBmp32* newOverlay, uint8_t flag, float x, float y,
                 ErrorStatus status) override;
  void SetSubnameColour(uint32_t colour, ErrorStatus status) override;
  void SetSubnameFontSize(int32_t points, ErrorStatus status) override;
  void SetSubnameFontStyle(int32_t style, ErrorStatus status) override;

  // Builds the type without the icon checks (the manager's default type and
  // CreateType take what they are given).
  void Build(const CBmp32* newIcon, const CBmp32* newOverlay, uint8_t flag, float x, float y,
             int32_t nameSize, int32_t nameStyle, uint32_t nameRgb, int32_t subnameSize, int32_t subnameStyle,
             uint32_t subnameRgb);
  // Copies fonts, colours, images, hotspot and flag of source.
  void CopyLook(const TypeImpl& source);
  void RebuildDisplayIcon();

  uint8_t typeFlag = 0;
  LabelFont nameFont;
  uint32_t nameColourDisplay = 0xFF000000u;
  uint32_t nameColour = 0xFF000000u;
  int32_t nameTextHeight = 0;
  CBmp32* displayIcon = nullptr;
  CBmp32* icon = nullptr;
  float hotspotX = 0.0f;
  float hotspotY = 0.0f;
  CBmp32* overlay = nullptr;
  LabelFont subnameFont;
  uint32_t subnameColourDisplay = 0xFF000000u;
  uint32_t subnameColour = 0xFF000000u;
  int32_t subnameTextHeight = 0;

private:
  void SetColour(uint32_t& colour, uint32_t& display, uint32_t value, ErrorStatus status);
  void SetFont(LabelFont& font, int32_t size, int32_t style, ErrorStatus status);
  void SetDisplayColour(uint32_t& display, uint32_t value);
  void RebuildFonts();
  void ReplaceImages(const CBmp32* newIcon, const CBmp32* newOverlay);
};

class GroupImpl final : public ObjectBase<CWaypointGroup> {
public:
  GroupImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id);
  ~GroupImpl() override = default;

  void Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) override;
  int32_t GetMemorySize(bool includeObject) const override;
  const Str* GetName() const override;
  void Delete(ErrorStatus status) override;

  void AddWaypoint(CWaypoint* waypoint, ErrorStatus status) override;
  void RemoveAllWaypoints(ErrorStatus status) override;
  void RemoveWaypointAt(int32_t index, ErrorStatus status) override;
  bool FindWaypoint(const CWaypoint* key, int32_t* index) const override;
  int32_t GetWaypointCount() const override { return members.GetCount(); }
  CWaypoint* GetWaypoint(int32_t index) const override;
  bool IsUngrouped() const override { return (objectFlags & kObjectUngrouped) != 0; }
  void RemoveWaypoint(CWaypoint* waypoint, ErrorStatus status) override;

  // Membership with its bookkeeping, without the read-only test: the group
  // count of the waypoint and the ungrouped group follow.
  void Join(WaypointImpl* waypoint);
  void LeaveAt(int32_t index);
  void LeaveAll();
  bool Holds(const WaypointImpl* waypoint) const;
  // Copies the member list of source: the same waypoints within one manager,
  // otherwise those the import mapping gives.
  void CopyMembers(const GroupImpl& source);

  CPointerList members;  // GUID order, no duplicates, not owning
};

class RoutePointImpl final : public CRoutePoint {
public:
  RoutePointImpl(const WptPos3& at, float radius);
  ~RoutePointImpl() override;

  double GetDistanceFromStart() const override { return distance; }
  double GetHeight() const override { return position.height; }
  int32_t GetIndex() const override;
  double GetLatitude() const override { return position.latitude; }
  double GetLongitude() const override { return position.longitude; }
  const Str* GetName() const override;
  const Str* GetOwnName() const override { return name; }
  const WptPos3* GetPosition() const override { return &position; }
  float GetRadius() const override { return radius; }
  bool IsReadOnly() const override;
  CWaypointRoute* GetRoute() const override;
  CWaypoint* GetWaypoint() const override { return waypoint; }
  void SetHeight(double metres, ErrorStatus status) override;
  void SetLatitude(double radians, ErrorStatus status) override;
  void SetLongitude(double radians, ErrorStatus status) override;
  void SetName(const Str* text, ErrorStatus status) override;
  void SetPosition(const WptPos3* at, ErrorStatus status) override;
  void SetPosition(const WptPos2* at, ErrorStatus status) override;
  void SetRadius(float metres, ErrorStatus status) override;
  void SetWaypoint(CWaypoint* target, ErrorStatus status) override;

  // Attaches to target (or detaches for null) without the read-only test;
  // the route's distances follow.
  void Attach(WaypointImpl* target);

  double distance = 0.0;
  Str* name = nullptr;
  WptPos3 position{};
  float radius = 0.0f;
  RouteImpl* route = nullptr;
  WaypointImpl* waypoint = nullptr;
};

class RouteImpl final : public ObjectBase<CWaypointRoute> {
public:
  RouteImpl(ManagerImpl* owner, DatabaseImpl* db, const GUID& id);
  ~RouteImpl() override;

  void Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) override;
  int32_t GetMemorySize(bool includeObject) const override;
  void Delete(ErrorStatus status) override;

  CRoutePoint* AppendPoint(const WptPos3* at, float radius, ErrorStatus status) override;
  CRoutePoint* AppendPoint(const WptPos2* at, float radius, ErrorStatus status) override;
  CRoutePoint* AppendWaypoint(CWaypoint* waypoint, float radius, ErrorStatus status) override;
  double GetLegDistance(int32_t i, int32_t j) const override;
  double GetLegCourse(int32_t i, bool towardsPrevious) const override;
  void DeletePointAt(int32_t index, ErrorStatus status) override;
  int32_t GetPointCount() const override { return points.GetCount(); }
  double GetLength() const override;
  CRoutePoint* GetPoint(int32_t index) const override { return Point(index); }
  int32_t IndexOfPoint(const CRoutePoint* point) const override { return points.IndexOf(point); }
  CRoutePoint* InsertPoint(int32_t index, const WptPos3* at, float radius, ErrorStatus status) override;
  CRoutePoint* InsertPoint(int32_t index, const WptPos2* at, float radius, ErrorStatus status) override;
  CRoutePoint* InsertWaypoint(int32_t index, CWaypoint* waypoint, float radius, ErrorStatus status) override;
  void DeletePoint(CRoutePoint* point, ErrorStatus status) override;

  RoutePointImpl* Point(int32_t index) const { return static_cast<RoutePointImpl*>(points.Get(index)); }
  // Re-measures the legs touching point i and shifts the later points.
  void RecomputeFrom(int32_t i);
  // Inserts a new point without the read-only test.
  RoutePointImpl* InsertNew(int32_t index, const WptPos3& at, float radius, WaypointImpl* waypoint,
                            ErrorStatus status);
  // Replaces the points by copies of source's; attached as route Assign does
  // when withContents is set.
  void CopyPoints(const RouteImpl& source, bool withContents);
  void DetachAllPoints();
  void DestroyPoints();

  CPointerList points;  // route order; the route destroys its points itself
};

// A database of the manager.
class DatabaseImpl final : public CWaypointDatabase {
public:
  DatabaseImpl(ManagerImpl* owner, const GUID& id, std::string_view databaseName, uint32_t databaseVersion,
               bool exportable);
  ~DatabaseImpl() override;

  void Clear(ErrorStatus status) override;
  CWaypointGroup* CreateGroup() override;
  CWaypointGroup* CreateGroupFromGroup(const CWaypointGroup* source) override;
  CWaypointRoute* CreateRoute() override;
  CWaypointRoute* CreateRouteFromRoute(const CWaypointRoute* source) override;
  CWaypointType* CreateType(const CBmp32* icon, const CBmp32* overlay, uint8_t typeFlag, float hotspotX,
                            float hotspotY, int32_t nameFontSize, int32_t nameFontStyle, uint32_t nameColour,
                            int32_t subnameFontSize, int32_t subnameFontStyle,
                            uint32_t subnameColour) override;
  CWaypointType* CreateTypeFromType(const CWaypointType* source) override;
  CWaypoint* CreateWaypoint(const WptPos3* position, CWaypointType* type) override;
  CWaypoint* CreateWaypoint(const WptPos2* position, CWaypointType* type) override;
  CWaypoint* CreateWaypointFromWaypoint(const CWaypoint* source) override;
  bool FindGroup(const GUID* id, int32_t* index) const override;
  bool FindRoute(const GUID* id, int32_t* index) const override;
  bool FindType(const GUID* id, int32_t* index) const override;
  bool FindWaypoint(const GUID* id, int32_t* index) const override;
  bool FindGroupByName(const Str* text, int32_t* index) const override;
  bool FindRouteByName(const Str* text, int32_t* index) const override;
  bool FindTypeByName(const Str* text, int32_t* index) const override;
  bool FindWaypointByName(const Str* text, int32_t* index) const override;
  bool IsExportable() const override { return (flags & kFlagExportable) != 0; }
  const Str* GetPath() const override { return path; }
  CWaypointGroup* GetGroup(int32_t index) const override;
  int32_t GetGroupCount() const override { return groups.GetCount(); }
  const GUID* GetGUID() const override { return &guid; }
  int32_t GetMemorySize(bool includeObject) const override;
  bool IsChanged() const override { return (state & kStateChanged) != 0; }
  const Str* GetName() const override { return name; }
  bool IsReadOnly() const override { return (flags & kFlagReadOnly) != 0; }
  CWaypointRoute* GetRoute(int32_t index) const override;
  int32_t GetRouteCount() const override { return routes.GetCount(); }
  CWaypointType* GetType(int32_t index) const override;
  int32_t GetTypeCount() const override { return types.GetCount(); }
  const uint32_t* GetVersion() const override { return &version; }
  CWaypoint* GetWaypoint(int32_t index) const override;
  int32_t GetWaypointCount() const override { return waypoints.GetCount(); }
  CWaypointManager* GetManager() const override;
  void Import(const CWaypointTypeList* types, const WptImportCallback* typeCallback,
              const CWaypointList* waypoints, const WptImportCallback* waypointCallback,
              const CWaypointGroupList* groups, const WptImportCallback* groupCallback,
              const CWaypointRouteList* routes, const WptImportCallback* routeCallback,
              CWaypointTypeList* outTypes, CWaypointList* outWaypoints, CWaypointGroupList* outGroups,
              CWaypointRouteList* outRoutes, ErrorStatus status) override;
  void Close() override;
  void Save(ErrorStatus status) override;
  void SaveAs(const Str* newPath, ErrorStatus status) override;
  void SetReadOnly(bool readOnly) override;

  static constexpr uint8_t kFlagExportable = 0x1;
  static constexpr uint8_t kFlagReadOnly = 0x2;
  static constexpr uint8_t kFlagExportMark = 0x4;
  static constexpr uint8_t kStateChanged = 0x2;

  void MarkChanged() { state |= kStateChanged; }
  // The removal and destruction of one object with all its bookkeeping.
  void DestroyGroup(GroupImpl* group);
  void DestroyRoute(RouteImpl* route);
  void DestroyType(TypeImpl* type);
  void DestroyWaypoint(WaypointImpl* waypoint);
  void DestroyContents();

  uint8_t copyOnFirstSave = 0;
  Str* path = nullptr;
  CPointerList groups;
  GUID guid{};
  int32_t groupLimit = 0xFFFF;
  int32_t routeLimit = 0xFFFF;
  int32_t typeLimit = 0xFFFF;
  int32_t waypointLimit = 0xFFFF;
  int32_t routePointLimit = 0xFFFFFF;
  int32_t linkLimit = 255;
  Str* name = nullptr;
  uint8_t flags = 0;
  CPointerList routes;
  uint8_t state = 0;
  uint32_t savedTime = 0;
  CPointerList types;
  uint32_t version = 0;
  CPointerList waypoints;
  ManagerImpl* manager = nullptr;

private:
  // Enters a new object into collection and the manager's registry; a
  // duplicate GUID destroys it and throws.
  template <class T>
  T* Insert(T* object, CPointerList& collection, const char* operation, void (ManagerImpl::*notify)(T*));
  WaypointImpl* NewWaypoint(const WptPos3& position, CWaypointType* type, const char* operation);
};

// A waypoint tag set.
class WaypointSetImpl final : public CWaypointSet {
public:
  WaypointSetImpl(ManagerImpl* owner, int32_t capacity, uint16_t tagMask);
  ~WaypointSetImpl() override;

  void Add(CWaypoint* waypoint) override;
  void Remove(CWaypoint* waypoint) override;
  void Clear() override;
  int32_t GetCount() const override { return static_cast<int32_t>(entries.size()); }
  CWaypoint* Get(int32_t index) const override { return entries[static_cast<size_t>(index)].second; }
  const GUID* GetGUIDAt(int32_t index) const override { return &entries[static_cast<size_t>(index)].first; }
  uint16_t GetMask() const override { return mask; }

  ManagerImpl* manager;
  uint16_t mask;
  std::vector<std::pair<GUID, CWaypoint*>> entries;
};

// A reference recorded by a database reader, resolved by EndLoading once
// every database of the loading bracket is in the registries.
class PendingReference {
public:
  virtual ~PendingReference() = default;
  virtual void Resolve(ManagerImpl& manager) = 0;
};

class ManagerImpl final : public CWaypointManager {
public:
  ManagerImpl(const CBmp32* icon, const CBmp32* overlay, float hotspotX, float hotspotY, const Str* fontName,
              int32_t nameFontSize, int32_t nameFontStyle, uint32_t nameColour, int32_t subnameFontSize,
              int32_t subnameFontStyle, uint32_t subnameColour, int32_t labelPosition);
  ~ManagerImpl() override;

  void AddRouteChangeCallback(WptRouteChangeFunc function, void* user) override;
  void BeginLoading(int32_t databaseCount, CProgress* progress) override;
  CWaypointDatabase* CreateDatabase(const Str* databaseName, uint32_t databaseVersion,
                                    bool exportable) override;
  CWaypointRoute* CreateTempRoute() override;
  CWaypointSet* CreateWaypointSet(int32_t capacity, uint16_t mask) override;
  void EndLoading() override;
  void ExportDatabase(const Str* path, const CWaypointTypeList* types, const CWaypointList* waypoints,
                      const CWaypointGroupList* groups, const CWaypointRouteList* routes,
                      ErrorStatus status) override;
  bool FindDatabase(const GUID* id, int32_t* index) const override;
  bool FindGroup(const GUID* id, int32_t* index) const override;
  bool FindRoute(const GUID* id, int32_t* index) const override;
  bool FindType(const GUID* id, int32_t* index) const override;
  bool FindWaypoint(const GUID* id, int32_t* index) const override;
  CWaypointDatabase* GetDatabase(int32_t index) const override;
  int32_t GetDatabaseCount() const override { return databases.GetCount(); }
  int32_t GetDefaultLabelPosition() const override { return defaultLabelPosition; }
  const Str* GetFontName() const override { return fontName; }
  CWaypointGroup* GetGroup(int32_t index) const override;
  int32_t GetGroupCount() const override { return groupRegistry.GetCount(); }
  bool GetGroupsOfWaypoints(CWaypointGroupList* out, const CWaypointList* waypoints) const override;
  int32_t GetMemorySize(bool includeObject) const override;
  CWaypointRoute* GetRoute(int32_t index) const override;
  int32_t GetRouteCount() const override { return routeRegistry.GetCount(); }
  CWaypointType* GetType(int32_t index) const override;
  int32_t GetTypeCount() const override { return typeRegistry.GetCount(); }
  CWaypointType* GetDefaultType() const override;
  CWaypoint* GetWaypoint(int32_t index) const override;
  int32_t GetWaypointCount() const override { return waypointRegistry.GetCount(); }
  void GetWaypointsOfGroups(CWaypointList* out, const CWaypointGroupList* groups) const override;
  CWaypointGroup* GetUngroupedGroup() const override;
  CWaypointDatabase* OpenDatabase(const Str* path, int64_t offset, ErrorStatus status) override;
  CWaypointDatabase* OpenDatabaseWithRecovery(const Str* path, int64_t offset, Str* movedAsideName,
                                              ErrorStatus firstError, ErrorStatus status) override;
  void GetWaypointsInProximity(const WptPos2* position, uint16_t mask, CWaypointList* out) const override;
  void RemoveRouteChangeCallback(WptRouteChangeFunc function, void* user) override;
  void MarkGroups(const CWaypointGroupList* groups, uint16_t mask) override;
  void MarkRoutes(const CWaypointRouteList* routes, uint16_t mask) override;
  void MarkWaypoints(const CWaypointList* waypoints, uint16_t mask) override;

  // Registry entries of new objects; a GUID already present throws
  // "CWaypointManager::NotifyAdded...: duplicate GUID".
  void NotifyAddedGroup(GroupImpl* group);
  void NotifyAddedRoute(RouteImpl* route);
  void NotifyAddedType(TypeImpl* type);
  void NotifyAddedWaypoint(WaypointImpl* waypoint);
  // Tells the route-change callbacks, the last registered first.
  void NotifyPointDeleting(RouteImpl* route, int32_t index, RoutePointImpl* point);
  void RemoveFromSets(WaypointImpl* waypoint);
  void ForgetSet(WaypointSetImpl* set);
  void DestroyTempRoute(RouteImpl* route);
  // The built-in names in the current language, copied into the manager's strings.
  const Str* DefaultTypeName();
  const Str* UngroupedName();
  // The object the import mapping gives for source, or null.
  CWaypointObject* Mapped(const CWaypointObject* source) const;
  void AddMapping(const CWaypointObject* source, CWaypointObject* result);
  void RebuildDisplayIcons();

  std::unordered_map<const CWaypointObject*, CWaypointObject*> importMapping;
  CPointerList databases;  // owning
  std::vector<PendingReference*> pendingReferences;
  int32_t defaultLabelPosition = 5;
  Str* emptyText = nullptr;
  Str* fontName = nullptr;
  CPointerList groupRegistry;
  int32_t loading = 0;
  CProgress* progress = nullptr;
  std::vector<std::pair<WptRouteChangeFunc, void*>> routeCallbacks;
  CPointerList routeRegistry;
  CPointerList tempRoutes;
  TypeImpl* defaultType = nullptr;
  Str* defaultTypeName = nullptr;
  CPointerList typeRegistry;
  GroupImpl* ungrouped = nullptr;
  Str* ungroupedName = nullptr;
  CPointerList waypointRegistry;
  std::vector<WaypointSetImpl*> waypointSets;
};

// Implementation of an interface pointer the store handed out.
inline WaypointImpl* Impl(CWaypoint* p) { return static_cast<WaypointImpl*>(p); }
inline const WaypointImpl* Impl(const CWaypoint* p) { return static_cast<const WaypointImpl*>(p); }
inline TypeImpl* Impl(CWaypointType* p) { return static_cast<TypeImpl*>(p); }
inline const TypeImpl* Impl(const CWaypointType* p) { return static_cast<const TypeImpl*>(p); }
inline GroupImpl* Impl(CWaypointGroup* p) { return static_cast<GroupImpl*>(p); }
inline const GroupImpl* Impl(const CWaypointGroup* p) { return static_cast<const GroupImpl*>(p); }
inline RouteImpl* Impl(CWaypointRoute* p) { return static_cast<RouteImpl*>(p); }
inline const RouteImpl* Impl(const CWaypointRoute* p) { return static_cast<const RouteImpl*>(p); }
// Collection items are stored as CWaypointObject*.
inline void* Item(CWaypointObject* object) { return object; }
inline CWaypointObject* ObjectOf(void* item) { return static_cast<CWaypointObject*>(item); }
inline WaypointImpl* AsWaypoint(void* item) { return Impl(static_cast<CWaypoint*>(ObjectOf(item))); }
inline TypeImpl* AsType(void* item) { return Impl(static_cast<CWaypointType*>(ObjectOf(item))); }
inline GroupImpl* AsGroup(void* item) { return Impl(static_cast<CWaypointGroup*>(ObjectOf(item))); }
inline RouteImpl* AsRoute(void* item) { return Impl(static_cast<CWaypointRoute*>(ObjectOf(item))); }
inline RoutePointImpl* AsPoint(void* item) {
  return static_cast<RoutePointImpl*>(static_cast<CRoutePoint*>(item));
}

}  // namespace vm
