// The four exported list classes: one implementation over CPointerList.
#pragma once

#include <type_traits>

#include "vmlib/waypoints.h"
#include "waypoints/pointer_list.h"

namespace vm {

template <class Base, class Item>
class ObjectList final : public Base {
public:
  using Iface = CWaypointObjectList<Item>;

  int32_t Add(Item* item) override { return list.Add(Erase(item)); }
  void AddAll(const Iface* source, ErrorStatus status) override { list.AddAll(Of(source), status); }
  void Clear() override { list.Clear(); }
  void Delete(int32_t index) override { list.Delete(index); }
  void Exchange(int32_t i, int32_t j) override { list.Exchange(i, j); }
  bool Find(const Item* key, int32_t* index) const override { return list.Find(Erase(key), index); }
  int32_t GetCapacity() const override { return list.GetCapacity(); }
  WptListCompare GetCompare() const override { return list.GetCompare(); }
  int32_t GetCount() const override { return list.GetCount(); }
  bool IsDescending() const override { return list.IsDescending(); }
  bool OwnsItems() const override { return list.OwnsItems(); }
  bool AllowsDuplicates() const override { return list.AllowsDuplicates(); }
  Item* Get(int32_t index) const override { return Restore(list.Get(index)); }
  bool IsSorted() const override { return list.IsSorted(); }
  int32_t IndexOf(const Item* item) const override { return list.IndexOf(Erase(item)); }
  void Insert(int32_t index, Item* item) override { list.Insert(index, Erase(item)); }
  bool IsUpdating() const override { return list.IsUpdating(); }
  void BeginUpdate() override { list.BeginUpdate(); }
  void Append(Item* item) override { list.Append(Erase(item)); }
  void AppendList(const Iface* source) override { list.AppendList(Of(source)); }
  int32_t Remove(const Item* item) override { return list.Remove(Erase(item)); }
  void SetCapacity(int32_t n) override { list.SetCapacity(n); }
  void SetCompare(WptListCompare compare) override { list.SetCompare(compare); }
  void SetCount(int32_t n) override { list.SetCount(n); }
  void SetDescending(bool descending) override { list.SetDescending(descending); }
  void SetOwnsItems(bool owns) override { list.SetOwnsItems(owns); }
  void SetAllowDuplicates(bool allow) override { list.SetAllowDuplicates(allow); }
  void SetSorted(bool sorted) override { list.SetSorted(sorted); }
  void Sort(WptListCompare compare) override { list.Sort(compare); }
  void EndUpdate(ErrorStatus status) override { list.EndUpdate(status); }

  CPointerList list;

private:
  // Items are stored as the store's object base, so that compare functions
  // such as the GUID order can read any list's items alike.
  static void* Erase(const Item* item) {
    return const_cast<CWaypointObject*>(static_cast<const CWaypointObject*>(item));
  }
  static Item* Restore(void* item) { return static_cast<Item*>(static_cast<CWaypointObject*>(item)); }
  static const CPointerList& Of(const Iface* source) { return static_cast<const ObjectList*>(source)->list; }
};

using WaypointListImpl = ObjectList<CWaypointList, CWaypoint>;
using WaypointTypeListImpl = ObjectList<CWaypointTypeList, CWaypointType>;
using WaypointGroupListImpl = ObjectList<CWaypointGroupList, CWaypointGroup>;
using WaypointRouteListImpl = ObjectList<CWaypointRouteList, CWaypointRoute>;

// The pointer list inside an exported list (never null for a list the library made).
template <class Item>
const CPointerList& ItemsOf(const CWaypointObjectList<Item>* list) {
  if constexpr (std::is_same_v<Item, CWaypoint>) {
    return static_cast<const WaypointListImpl*>(list)->list;
  } else if constexpr (std::is_same_v<Item, CWaypointType>) {
    return static_cast<const WaypointTypeListImpl*>(list)->list;
  } else if constexpr (std::is_same_v<Item, CWaypointGroup>) {
    return static_cast<const WaypointGroupListImpl*>(list)->list;
  } else {
    return static_cast<const WaypointRouteListImpl*>(list)->list;
  }
}

}  // namespace vm
