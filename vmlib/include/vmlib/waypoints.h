// The waypoint store: waypoints, waypoint types, groups, routes and route
// points, their lists, the waypoint database and the manager that owns
// databases, and the store's value checks and settings.
//
// Units: latitude and longitude in radians (longitude positive east, kept in
// [-pi, pi)), heights, distances and radii in metres, courses in radians from
// true north (clockwise positive, -pi to pi). Times are day counts (days since
// 1899-12-30 00:00, fraction = time of day, UTC); the store keeps whole
// seconds since 2000-01-01 and clamps day counts to 36526.0 .. 86236.2696...
//
// Ownership: a manager owns its databases, its default type, its ungrouped
// group, its temporary routes and its waypoint sets; a database owns its
// waypoints, types, groups and routes; a route owns its points; a waypoint
// owns its links; a type owns its bitmaps. Group member lists and the four
// list classes only refer to objects. Texts returned by getters belong to the
// store. Clients destroy what they made with a factory by ObjectDelete.
//
// Error codes written into ErrorStatus (texts: ErrorToStr):
//   0x2     the user cancelled an import
//   0x4     a duplicate was dropped from a list without duplicates
//   0xA0000 the object belongs to a read-only database (or is a built-in)
//   0xA000B the waypoint already holds 255 links
//   0xA000D the route already holds 65535 points
//   0xA0014, 0xA0015, 0xA0016  icon or overlay too small, too large, origin outside
//   0xA001E, 0xA001F  font size below 1, above 255
//   0xA0028 a name or subname longer than 255 bytes
//   0xA0032 a route point's position cannot be set while a waypoint is attached
//   0xA0033 the waypoint is not a member of the group
// Duplicate GUIDs are programming or data faults and throw CException.
//
// Virtual operations are declared in their fixed slot order; callers outside
// the library address them by position.
#pragma once

#include <cstdint>

#include "vmlib/bmp.h"
#include "vmlib/frame.h"
#include "vmlib/guid.h"

class CProgress;
class CWaypointDatabase;
class CWaypointManager;
class CWaypoint;
class CWaypointType;
class CWaypointGroup;
class CWaypointRoute;
class CRoutePoint;

// Positions: radians and metres.
struct WptPos2 {
  double latitude;
  double longitude;
};
struct WptPos3 {
  double latitude;
  double longitude;
  double height;
};

// A type's label font (face, point size, weight, italic, underline), owned
// by the type and valid until its font changes.
using WptFontHandle = const BmpFont*;

// Order of a list: negative when a sorts before b, 0 when equal, positive after.
using WptListCompare = int (*)(const void* a, const void* b);

// A list of objects of one kind that does not own them (unless told to). The
// four exported classes below differ only in their item type. Index arguments
// are not validated: pass 0 <= index < GetCount() (Insert: <= GetCount()).
template <class Item>
class CWaypointObjectList : public CObject {
public:
  // 2: the index where the item now is; -1 when a sorted list refused a duplicate.
  virtual int32_t Add(Item* item) = 0;
  // 3: appends every item of source; a sorted list merges them into order and
  // status receives 4 when it dropped duplicates.
  virtual void AddAll(const CWaypointObjectList* source, ErrorStatus status) = 0;
  virtual void Clear() = 0;                         // 4
  virtual void Delete(int32_t index) = 0;           // 5
  virtual void Exchange(int32_t i, int32_t j) = 0;  // 6
  // 7: halving search (sorted lists); index receives the position of an equal
  // item or the insertion position.
  virtual bool Find(const Item* key, int32_t* index) const = 0;
  virtual int32_t GetCapacity() const = 0;                         // 8
  virtual WptListCompare GetCompare() const = 0;                   // 9
  virtual int32_t GetCount() const = 0;                            // 10
  virtual bool IsDescending() const = 0;                           // 11
  virtual bool OwnsItems() const = 0;                              // 12
  virtual bool AllowsDuplicates() const = 0;                       // 13
  virtual Item* Get(int32_t index) const = 0;                      // 14
  virtual bool IsSorted() const = 0;                               // 15
  virtual int32_t IndexOf(const Item* item) const = 0;             // 16: -1 when absent
  virtual void Insert(int32_t index, Item* item) = 0;              // 17
  virtual bool IsUpdating() const = 0;                             // 18
  virtual void BeginUpdate() = 0;                                  // 19
  virtual void Append(Item* item) = 0;                             // 20
  virtual void AppendList(const CWaypointObjectList* source) = 0;  // 21
  virtual int32_t Remove(const Item* item) = 0;                    // 22: former index or -1
  virtual void SetCapacity(int32_t n) = 0;                         // 23
  virtual void SetCompare(WptListCompare compare) = 0;             // 24
  virtual void SetCount(int32_t n) = 0;                            // 25
  virtual void SetDescending(bool descending) = 0;                 // 26
  virtual void SetOwnsItems(bool owns) = 0;                        // 27
  virtual void SetAllowDuplicates(bool allow) = 0;                 // 28
  virtual void SetSorted(bool sorted) = 0;                         // 29
  virtual void Sort(WptListCompare compare) = 0;                   // 30
  // 31: status 0, or 4 when the merge of a sorted list dropped duplicates.
  virtual void EndUpdate(ErrorStatus status) = 0;

protected:
  CWaypointObjectList() = default;
};

class CWaypointList : public CWaypointObjectList<CWaypoint> {
protected:
  CWaypointList() = default;
};
class CWaypointTypeList : public CWaypointObjectList<CWaypointType> {
protected:
  CWaypointTypeList() = default;
};
class CWaypointGroupList : public CWaypointObjectList<CWaypointGroup> {
protected:
  CWaypointGroupList() = default;
};
class CWaypointRouteList : public CWaypointObjectList<CWaypointRoute> {
protected:
  CWaypointRouteList() = default;
};

// New empty lists: unsorted, not owning, duplicates allowed; null when memory
// runs out. The caller deletes them with ObjectDelete (the items stay alive).
VMLIB_EXPORT CWaypointList* WaypointListCreate();
VMLIB_EXPORT CWaypointTypeList* WaypointTypeListCreate();
VMLIB_EXPORT CWaypointGroupList* WaypointGroupListCreate();
VMLIB_EXPORT CWaypointRouteList* WaypointRouteListCreate();

// Base of waypoints, types, groups and routes. Setters answer 0xA0000 on a
// read-only object (one of a read-only database, or a built-in) and change
// nothing for a value equal to the stored one.
class CWaypointObject : public CObject {
public:
  // 2: copies name and created time (and the class's fields) from a source of
  // the same class; withContents also copies group members and route points.
  // 0xA0000 when read-only; 0x1 when the source is of another class.
  virtual void Assign(const CWaypointObject* source, bool withContents, ErrorStatus status) = 0;
  virtual bool IsExportable() const = 0;    // 3: the database's exportable flag; false without one
  virtual const GUID* GetGUID() const = 0;  // 4
  // 5: estimate in bytes of texts and lists, plus the object when includeObject.
  virtual int32_t GetMemorySize(bool includeObject) const = 0;
  // 6: the stored name; the built-in default type and ungrouped group answer
  // their name in the current language.
  virtual const Str* GetName() const = 0;
  virtual bool IsReadOnly() const = 0;                 // 7
  virtual double GetCreated() const = 0;               // 8: day count
  virtual double GetModified() const = 0;              // 9: day count
  virtual bool TestMarks(uint16_t mask) const = 0;     // 10
  virtual CWaypointDatabase* GetDatabase() const = 0;  // 11: null for built-ins and temporary routes
  virtual CWaypointManager* GetManager() const = 0;    // 12
  virtual bool IsTemporary() const = 0;                // 13
  // 14: removes the object from its database (or the manager's temporary
  // routes) with all bookkeeping and destroys it; 0xA0000 when read-only.
  virtual void Delete(ErrorStatus status) = 0;
  // 15: at most 255 bytes, else 0xA0028.
  virtual void SetName(const Str* name, ErrorStatus status) = 0;
  virtual void SetCreated(double days, ErrorStatus status) = 0;  // 16
  virtual void SetMarks(bool on, uint16_t mask) = 0;             // 17: run-time bits, no status

protected:
  CWaypointObject() = default;
};

// One link of a waypoint: two texts, owned by the waypoint.
struct CWaypointLink {
  Str* text1;
  Str* text2;
};

class CWaypoint : public CWaypointObject {
public:
  // 18: InsertLink at the end.
  virtual CWaypointLink* AddLink(const Str* text1, const Str* text2, ErrorStatus status) = 0;
  // 19: destroys the link at index, clearing LinkA/LinkB when they named it;
  // 0x1 for an index outside the links.
  virtual void DeleteLink(int32_t index, ErrorStatus status) = 0;
  virtual bool TestWaypointFlags(uint16_t mask) const = 0;  // 20
  virtual int32_t GetGroupCount() const = 0;                // 21: ordinary groups holding it
  // 22: empties out, then adds every ordinary group of the manager holding it.
  virtual void GetGroups(CWaypointGroupList* out) const = 0;
  virtual double GetHeight() const = 0;                     // 23
  virtual double GetLatitude() const = 0;                   // 24
  virtual CWaypointLink* GetLink(int32_t index) const = 0;  // 25
  virtual CWaypointLink* GetLinkA() const = 0;              // 26
  virtual int32_t GetLinkCount() const = 0;                 // 27
  virtual float GetValue1() const = 0;                      // 28
  virtual CWaypointLink* GetLinkB() const = 0;              // 29
  virtual double GetLongitude() const = 0;                  // 30
  virtual int32_t GetLabelPosition() const = 0;             // 31: 0..8
  virtual const WptPos3* GetPosition() const = 0;           // 32
  virtual float GetValue2() const = 0;                      // 33: -1 = not set
  virtual float GetProximityDistance() const = 0;           // 34: metres, 0 = none
  virtual int32_t GetValue3() const = 0;                    // 35
  virtual const Str* GetSubname() const = 0;                // 36: never null
  virtual const Str* GetComment() const = 0;                // 37: never null
  virtual CWaypointType* GetType() const = 0;               // 38
  // 39: null with 0xA0000 when read-only, 0xA000B when 255 links are held.
  virtual CWaypointLink* InsertLink(int32_t index, const Str* text1, const Str* text2,
                                    ErrorStatus status) = 0;
  virtual void DeleteLink(CWaypointLink* link, ErrorStatus status) = 0;  // 40
  virtual void SetHeight(double metres, ErrorStatus status) = 0;         // 41
  virtual void SetLatitude(double radians, ErrorStatus status) = 0;      // 42
  // 43: a link of this waypoint or null; 0x1 for a foreign link.
  virtual void SetLinkA(CWaypointLink* link, ErrorStatus status) = 0;
  // 44: 0x1 for a negative or non-finite value (the file cannot hold it).
  virtual void SetValue1(float value, ErrorStatus status) = 0;
  virtual void SetLinkB(CWaypointLink* link, ErrorStatus status) = 0;       // 45: as 43
  virtual void SetLongitude(double radians, ErrorStatus status) = 0;        // 46
  virtual void SetLabelPosition(int32_t position, ErrorStatus status) = 0;  // 47: 0..8, else 0x1
  // 48: longitude normalised into [-pi, pi); attached route points follow.
  virtual void SetPosition(const WptPos3* position, ErrorStatus status) = 0;
  virtual void SetPosition(const WptPos2* position, ErrorStatus status) = 0;  // 49: height 0
  virtual void SetValue2(float value, ErrorStatus status) = 0;                // 50
  // 51: metres; 0x1 for a negative or non-finite value.
  virtual void SetProximityDistance(float metres, ErrorStatus status) = 0;
  virtual void SetValue3(int32_t value, ErrorStatus status) = 0;        // 52
  virtual void SetSubname(const Str* subname, ErrorStatus status) = 0;  // 53: at most 255 bytes
  virtual void SetComment(const Str* comment, ErrorStatus status) = 0;  // 54: any length
  // 55: null gives the manager's default type.
  virtual void SetType(CWaypointType* type, ErrorStatus status) = 0;

protected:
  CWaypoint() = default;
};

// Font style bits of a type's labels.
enum WptFontStyle : int32_t { kWptFontBold = 1, kWptFontItalic = 2, kWptFontUnderline = 4 };

class CWaypointType : public CWaypointObject {
public:
  virtual uint8_t GetTypeFlag() const = 0;                 // 18: 1 = overlay drawn over the icon
  virtual uint32_t GetNameColourDisplay() const = 0;       // 19: as drawn (dimmed at night)
  virtual uint32_t GetNameColour() const = 0;              // 20: 0xAARRGGBB
  virtual WptFontHandle GetNameFontHandle() const = 0;     // 21
  virtual int32_t GetNameTextHeight() const = 0;           // 22: pixels
  virtual int32_t GetNameFontSize() const = 0;             // 23: points
  virtual int32_t GetNameFontStyle() const = 0;            // 24: WptFontStyle bits
  virtual CBmp32* GetDisplayIcon() const = 0;              // 25: the composed picture, else the icon
  virtual CBmp32* GetIcon() const = 0;                     // 26
  virtual float GetHotspotX() const = 0;                   // 27: pixels inside the icon
  virtual float GetHotspotY() const = 0;                   // 28
  virtual CBmp32* GetOverlay() const = 0;                  // 29
  virtual uint32_t GetSubnameColourDisplay() const = 0;    // 30
  virtual uint32_t GetSubnameColour() const = 0;           // 31
  virtual WptFontHandle GetSubnameFontHandle() const = 0;  // 32
  virtual int32_t GetSubnameTextHeight() const = 0;        // 33
  virtual int32_t GetSubnameFontSize() const = 0;          // 34
  virtual int32_t GetSubnameFontStyle() const = 0;         // 35
  virtual bool IsDefaultType() const = 0;                  // 36
  virtual void SetNameColour(uint32_t colour, ErrorStatus status) = 0;   // 37
  virtual void SetNameFontSize(int32_t points, ErrorStatus status) = 0;  // 38: 1..255
  virtual void SetNameFontStyle(int32_t style, ErrorStatus status) = 0;  // 39: masked with 7
  // 40: icon 1..64 pixels a side with the hotspot inside it, overlay 1..16;
  // both are copied.
  virtual void SetImages(const CBmp32* icon, const CBmp32* overlay, uint8_t typeFlag, float hotspotX,
                         float hotspotY, ErrorStatus status) = 0;
  virtual void SetSubnameColour(uint32_t colour, ErrorStatus status) = 0;   // 41
  virtual void SetSubnameFontSize(int32_t points, ErrorStatus status) = 0;  // 42
  virtual void SetSubnameFontStyle(int32_t style, ErrorStatus status) = 0;  // 43

protected:
  CWaypointType() = default;
};

class CWaypointGroup : public CWaypointObject {
public:
  // 18: a present member changes nothing and is no error.
  virtual void AddWaypoint(CWaypoint* waypoint, ErrorStatus status) = 0;
  virtual void RemoveAllWaypoints(ErrorStatus status) = 0;               // 19
  virtual void RemoveWaypointAt(int32_t index, ErrorStatus status) = 0;  // 20
  // 21: by GUID; index receives the position or the insertion position.
  virtual bool FindWaypoint(const CWaypoint* key, int32_t* index) const = 0;
  virtual int32_t GetWaypointCount() const = 0;                              // 22
  virtual CWaypoint* GetWaypoint(int32_t index) const = 0;                   // 23
  virtual bool IsUngrouped() const = 0;                                      // 24
  virtual void RemoveWaypoint(CWaypoint* waypoint, ErrorStatus status) = 0;  // 25: 0xA0033 for a non-member

protected:
  CWaypointGroup() = default;
};

class CWaypointRoute : public CWaypointObject {
public:
  // 18 to 20: inserts at the end; null with 0xA0000 or 0xA000D.
  virtual CRoutePoint* AppendPoint(const WptPos3* position, float radius, ErrorStatus status) = 0;
  virtual CRoutePoint* AppendPoint(const WptPos2* position, float radius, ErrorStatus status) = 0;
  virtual CRoutePoint* AppendWaypoint(CWaypoint* waypoint, float radius, ErrorStatus status) = 0;
  virtual double GetLegDistance(int32_t i, int32_t j) const = 0;  // 21: metres
  // 22: course from point i to its next (or previous) point; that neighbour must exist.
  virtual double GetLegCourse(int32_t i, bool towardsPrevious) const = 0;
  virtual void DeletePointAt(int32_t index, ErrorStatus status) = 0;  // 23
  virtual int32_t GetPointCount() const = 0;                          // 24
  virtual double GetLength() const = 0;                               // 25: metres
  virtual CRoutePoint* GetPoint(int32_t index) const = 0;             // 26
  virtual int32_t IndexOfPoint(const CRoutePoint* point) const = 0;   // 27: -1 when absent
  virtual CRoutePoint* InsertPoint(int32_t index, const WptPos3* position, float radius,
                                   ErrorStatus status) = 0;  // 28
  virtual CRoutePoint* InsertPoint(int32_t index, const WptPos2* position, float radius,
                                   ErrorStatus status) = 0;  // 29
  virtual CRoutePoint* InsertWaypoint(int32_t index, CWaypoint* waypoint, float radius,
                                      ErrorStatus status) = 0;           // 30
  virtual void DeletePoint(CRoutePoint* point, ErrorStatus status) = 0;  // 31

protected:
  CWaypointRoute() = default;
};

class CRoutePoint : public CObject {
public:
  virtual double GetDistanceFromStart() const = 0;  // 2: metres
  virtual double GetHeight() const = 0;             // 3
  virtual int32_t GetIndex() const = 0;             // 4: -1 when detached
  virtual double GetLatitude() const = 0;           // 5
  virtual double GetLongitude() const = 0;          // 6
  virtual const Str* GetName() const = 0;           // 7: the attached waypoint's name, else its own
  virtual const Str* GetOwnName() const = 0;        // 8
  virtual const WptPos3* GetPosition() const = 0;   // 9
  virtual float GetRadius() const = 0;              // 10: metres
  virtual bool IsReadOnly() const = 0;              // 11: true when detached
  virtual CWaypointRoute* GetRoute() const = 0;     // 12
  virtual CWaypoint* GetWaypoint() const = 0;       // 13
  virtual void SetHeight(double metres, ErrorStatus status) = 0;      // 14
  virtual void SetLatitude(double radians, ErrorStatus status) = 0;   // 15
  virtual void SetLongitude(double radians, ErrorStatus status) = 0;  // 16
  virtual void SetName(const Str* name, ErrorStatus status) = 0;      // 17: at most 255 bytes
  // 18: 0xA0032 while a waypoint is attached.
  virtual void SetPosition(const WptPos3* position, ErrorStatus status) = 0;
  virtual void SetPosition(const WptPos2* position, ErrorStatus status) = 0;  // 19: height 0
  virtual void SetRadius(float metres, ErrorStatus status) = 0;               // 20
  // 21: null detaches; the point takes the waypoint's position.
  virtual void SetWaypoint(CWaypoint* waypoint, ErrorStatus status) = 0;

protected:
  CRoutePoint() = default;
};

// A detached route point (read-only, no route, no waypoint) with an empty own
// name, to hand to operations that copy points; null when memory runs out.
VMLIB_EXPORT CRoutePoint* RoutePointCreate(const WptPos3* position, float radius);

// A set of waypoints that carry the set's tag bits in their waypoint flags.
class CWaypointSet : public CObject {
public:
  // 2: adds the waypoint and sets the tag bits; nothing when it carries them already.
  virtual void Add(CWaypoint* waypoint) = 0;
  // 3: removes the waypoint and clears the bits; nothing when it carries none.
  virtual void Remove(CWaypoint* waypoint) = 0;
  virtual void Clear() = 0;                                // 4: clears the bits of every member
  virtual int32_t GetCount() const = 0;                    // 5
  virtual CWaypoint* Get(int32_t index) const = 0;         // 6
  virtual const GUID* GetGUIDAt(int32_t index) const = 0;  // 7
  virtual uint16_t GetMask() const = 0;                    // 8

protected:
  CWaypointSet() = default;
};

// Told of every route point deletion, before the point is destroyed.
using WptRouteChangeFunc = void (*)(void* user, CWaypointRoute* route, int32_t index, CRoutePoint* point);
// Asked by Import when a source object clashes with existing ones. candidates
// is the list of the kind (CWaypointTypeList, CWaypointList, ...). The
// callback writes chosen (an index into candidates), action (0 use the
// candidate, 1 overwrite it from the source, 2 import a copy), applyToAll and
// cancel.
using WptImportFunc = void (*)(void* user, const CObject* candidates, const CWaypointObject* source,
                               int32_t* chosen, int32_t* action, bool* applyToAll, bool* cancel);
struct WptImportCallback {
  WptImportFunc function;
  void* user;
};

class CWaypointDatabase : public CObject {
public:
  virtual void Clear(ErrorStatus status) = 0;  // 2: 0xA0000 when read-only
  // 3 to 11: new objects with fresh GUIDs, inserted into this database.
  virtual CWaypointGroup* CreateGroup() = 0;
  virtual CWaypointGroup* CreateGroupFromGroup(const CWaypointGroup* source) = 0;
  virtual CWaypointRoute* CreateRoute() = 0;
  virtual CWaypointRoute* CreateRouteFromRoute(const CWaypointRoute* source) = 0;
  // The bitmaps are copied.
  virtual CWaypointType* CreateType(const CBmp32* icon, const CBmp32* overlay, uint8_t typeFlag,
                                    float hotspotX, float hotspotY, int32_t nameFontSize,
                                    int32_t nameFontStyle, uint32_t nameColour, int32_t subnameFontSize,
                                    int32_t subnameFontStyle, uint32_t subnameColour) = 0;
  virtual CWaypointType* CreateTypeFromType(const CWaypointType* source) = 0;
  // A null type gives the manager's default type.
  virtual CWaypoint* CreateWaypoint(const WptPos3* position, CWaypointType* type) = 0;
  virtual CWaypoint* CreateWaypoint(const WptPos2* position, CWaypointType* type) = 0;
  virtual CWaypoint* CreateWaypointFromWaypoint(const CWaypoint* source) = 0;
  // 12 to 15: halving search by GUID; index: position or insertion position.
  virtual bool FindGroup(const GUID* guid, int32_t* index) const = 0;
  virtual bool FindRoute(const GUID* guid, int32_t* index) const = 0;
  virtual bool FindType(const GUID* guid, int32_t* index) const = 0;
  virtual bool FindWaypoint(const GUID* guid, int32_t* index) const = 0;
  // 16 to 19: first object in GUID order named so, ignoring case; index -1 when none.
  virtual bool FindGroupByName(const Str* name, int32_t* index) const = 0;
  virtual bool FindRouteByName(const Str* name, int32_t* index) const = 0;
  virtual bool FindTypeByName(const Str* name, int32_t* index) const = 0;
  virtual bool FindWaypointByName(const Str* name, int32_t* index) const = 0;
  virtual bool IsExportable() const = 0;                        // 20
  virtual const Str* GetPath() const = 0;                       // 21
  virtual CWaypointGroup* GetGroup(int32_t index) const = 0;    // 22
  virtual int32_t GetGroupCount() const = 0;                    // 23
  virtual const GUID* GetGUID() const = 0;                      // 24
  virtual int32_t GetMemorySize(bool includeObject) const = 0;  // 25
  virtual bool IsChanged() const = 0;                           // 26
  virtual const Str* GetName() const = 0;                       // 27
  virtual bool IsReadOnly() const = 0;                          // 28
  virtual CWaypointRoute* GetRoute(int32_t index) const = 0;    // 29
  virtual int32_t GetRouteCount() const = 0;                    // 30
  virtual CWaypointType* GetType(int32_t index) const = 0;      // 31
  virtual int32_t GetTypeCount() const = 0;                     // 32
  virtual const uint32_t* GetVersion() const = 0;               // 33
  virtual CWaypoint* GetWaypoint(int32_t index) const = 0;      // 34
  virtual int32_t GetWaypointCount() const = 0;                 // 35
  virtual CWaypointManager* GetManager() const = 0;             // 36
  // 37: imports types, waypoints, groups and routes (null lists skipped); the
  // out lists (may be null) receive the objects made or overwritten. A null
  // callback keeps the first clashing object. Status 2 when the user cancelled.
  virtual void Import(const CWaypointTypeList* types, const WptImportCallback* typeCallback,
                      const CWaypointList* waypoints, const WptImportCallback* waypointCallback,
                      const CWaypointGroupList* groups, const WptImportCallback* groupCallback,
                      const CWaypointRouteList* routes, const WptImportCallback* routeCallback,
                      CWaypointTypeList* outTypes, CWaypointList* outWaypoints, CWaypointGroupList* outGroups,
                      CWaypointRouteList* outRoutes, ErrorStatus status) = 0;
  // 38: deletes the contents, leaves the manager and destroys the database.
  virtual void Close() = 0;
  virtual void Save(ErrorStatus status) = 0;                     // 39
  virtual void SaveAs(const Str* path, ErrorStatus status) = 0;  // 40
  virtual void SetReadOnly(bool readOnly) = 0;                   // 41

protected:
  CWaypointDatabase() = default;
};

class CWaypointManager : public CObject {
public:
  virtual void AddRouteChangeCallback(WptRouteChangeFunc function, void* user) = 0;                   // 2
  virtual void BeginLoading(int32_t databaseCount, CProgress* progress) = 0;                          // 3
  virtual CWaypointDatabase* CreateDatabase(const Str* name, uint32_t version, bool exportable) = 0;  // 4
  virtual CWaypointRoute* CreateTempRoute() = 0;                                                      // 5
  virtual CWaypointSet* CreateWaypointSet(int32_t capacity, uint16_t mask) = 0;                       // 6
  virtual void EndLoading() = 0;                                                                      // 7
  virtual void ExportDatabase(const Str* path, const CWaypointTypeList* types, const CWaypointList* waypoints,
                              const CWaypointGroupList* groups, const CWaypointRouteList* routes,
                              ErrorStatus status) = 0;                    // 8
  virtual bool FindDatabase(const GUID* guid, int32_t* index) const = 0;  // 9: -1 when none
  virtual bool FindGroup(const GUID* guid, int32_t* index) const = 0;     // 10
  virtual bool FindRoute(const GUID* guid, int32_t* index) const = 0;     // 11
  virtual bool FindType(const GUID* guid, int32_t* index) const = 0;      // 12
  virtual bool FindWaypoint(const GUID* guid, int32_t* index) const = 0;  // 13
  virtual CWaypointDatabase* GetDatabase(int32_t index) const = 0;        // 14
  virtual int32_t GetDatabaseCount() const = 0;                           // 15
  virtual int32_t GetDefaultLabelPosition() const = 0;                    // 16
  virtual const Str* GetFontName() const = 0;                             // 17
  virtual CWaypointGroup* GetGroup(int32_t index) const = 0;              // 18: registry (GUID) order
  virtual int32_t GetGroupCount() const = 0;                              // 19
  // 20: appends (without emptying out) every group holding one of waypoints;
  // true when out is not empty afterwards.
  virtual bool GetGroupsOfWaypoints(CWaypointGroupList* out, const CWaypointList* waypoints) const = 0;
  virtual int32_t GetMemorySize(bool includeObject) const = 0;  // 21
  virtual CWaypointRoute* GetRoute(int32_t index) const = 0;    // 22
  virtual int32_t GetRouteCount() const = 0;                    // 23
  virtual CWaypointType* GetType(int32_t index) const = 0;      // 24
  virtual int32_t GetTypeCount() const = 0;                     // 25
  virtual CWaypointType* GetDefaultType() const = 0;            // 26
  virtual CWaypoint* GetWaypoint(int32_t index) const = 0;      // 27
  virtual int32_t GetWaypointCount() const = 0;                 // 28
  // 29: empties out, then adds every member of the groups once.
  virtual void GetWaypointsOfGroups(CWaypointList* out, const CWaypointGroupList* groups) const = 0;
  virtual CWaypointGroup* GetUngroupedGroup() const = 0;  // 30
  // 31, 32: opening database files.
  virtual CWaypointDatabase* OpenDatabase(const Str* path, int64_t offset, ErrorStatus status) = 0;
  virtual CWaypointDatabase* OpenDatabaseWithRecovery(const Str* path, int64_t offset, Str* movedAsideName,
                                                      ErrorStatus firstError, ErrorStatus status) = 0;
  // 33: empties out, then adds every waypoint carrying a mask bit in its marks
  // whose proximity distance exceeds its great-circle distance from position.
  virtual void GetWaypointsInProximity(const WptPos2* position, uint16_t mask, CWaypointList* out) const = 0;
  virtual void RemoveRouteChangeCallback(WptRouteChangeFunc function, void* user) = 0;  // 34
  // 35 to 37: clears the mask bits on every registry object, then sets them on the listed ones.
  virtual void MarkGroups(const CWaypointGroupList* groups, uint16_t mask) = 0;
  virtual void MarkRoutes(const CWaypointRouteList* routes, uint16_t mask) = 0;
  virtual void MarkWaypoints(const CWaypointList* waypoints, uint16_t mask) = 0;

protected:
  CWaypointManager() = default;
};

// A manager whose default type is built from the arguments (bitmaps copied,
// ignored is not used, sizes in points, style WptFontStyle bits, colours
// 0xAARRGGBB); new waypoints get labelPosition. Null when memory runs out.
// The caller deletes it with ObjectDelete, which destroys everything in it.
VMLIB_EXPORT CWaypointManager* WaypointManagerCreate(const CBmp32* icon, const CBmp32* overlay,
                                                     int32_t ignored, float hotspotX, float hotspotY,
                                                     const Str* fontName, int32_t nameFontSize,
                                                     int32_t nameFontStyle, uint32_t nameColour,
                                                     int32_t subnameFontSize, int32_t subnameFontStyle,
                                                     uint32_t subnameColour, int32_t labelPosition);

// Value checks. Each writes status (0 on success) and answers whether the
// value passes.
// At most 255 bytes, else 0xA0028.
VMLIB_EXPORT bool WPMCheckName(const Str* name, ErrorStatus status);
// 1 to 255 points: below 0xA001E, above 0xA001F.
VMLIB_EXPORT bool WPMCheckFontSize(int32_t size, ErrorStatus status);
// Sides 1 to 64 pixels (0xA0014, 0xA0015), then the hotspot within -0.5 ..
// side - 0.5 (0xA0016).
VMLIB_EXPORT bool WPMCheckIcon(int32_t width, int32_t height, float hotspotX, float hotspotY,
                               ErrorStatus status);
// Sides 1 to 16 pixels (0xA0014, 0xA0015).
VMLIB_EXPORT bool WPMCheckIconOverlay(int32_t width, int32_t height, ErrorStatus status);

// The prefix of generated waypoint names ("wp" at start). The string belongs
// to the library; the caller must not release it. Null before initialisation.
VMLIB_EXPORT const Str* GetWaypointNamePrefix();
// Copies the text of prefix into the library's prefix; passing the library's
// own string changes nothing.
VMLIB_EXPORT void SetWaypointNamePrefix(const Str* prefix);

// The library's default route point radius in metres (50.0 at start), read by
// the route-following code; stored without a range check.
VMLIB_EXPORT float GetDefaultRadius();
VMLIB_EXPORT void SetDefaultRadius(float radius);
