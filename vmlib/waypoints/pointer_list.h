// CPointerList: the store's one container, an array of object pointers that is
// either unsorted or kept in the order of a compare function, may own its
// items and may refuse duplicates. Index arguments are not validated: callers
// pass 0 <= index < count (Insert: <= count).
#pragma once

#include <cstdint>

#include "vmlib/export.h"

namespace vm {

// Negative when a sorts before b, 0 when equal, positive after.
using ItemCompare = int (*)(const void* a, const void* b);
// Destroys one owned item.
using ItemDestroy = void (*)(void* item);

// Destroys an item as a library object (its deleting destructor); the default
// for owning lists.
void DestroyAsObject(void* item);

class CPointerList {
public:
  CPointerList() = default;
  ~CPointerList();
  CPointerList(const CPointerList&) = delete;
  CPointerList& operator=(const CPointerList&) = delete;

  // Index of the item, or -1 when a sorted list refused a duplicate. While an
  // update is open a sorted list appends; EndUpdate merges the tail.
  int32_t Add(void* item);
  // Appends every item of source; a sorted list merges them inside one update
  // bracket and status receives 4 when duplicates were dropped.
  void AddAll(const CPointerList& source, ErrorStatus status);
  void Clear();
  void Delete(int32_t index);
  void Exchange(int32_t i, int32_t j);
  // Halving search with the compare function: index receives the position of
  // an equal item or the insertion position.
  bool Find(const void* key, int32_t* index) const;
  int32_t GetCapacity() const { return capacity_; }
  ItemCompare GetCompare() const { return compare_; }
  int32_t GetCount() const { return count_; }
  bool IsDescending() const { return descending_ != 0; }
  bool OwnsItems() const { return ownsItems_ != 0; }
  bool AllowsDuplicates() const { return allowDuplicates_ != 0; }
  void* Get(int32_t index) const { return items_[index]; }
  bool IsSorted() const { return sorted_ != 0; }
  // First index holding exactly this pointer, -1 when absent.
  int32_t IndexOf(const void* item) const;
  void Insert(int32_t index, void* item);
  bool IsUpdating() const { return updateDepth_ > 0; }
  void BeginUpdate();
  void Append(void* item);
  // Appends all of source's items, growing the array once.
  void AppendList(const CPointerList& source);
  // Removes this pointer and returns the index it had, or -1.
  int32_t Remove(const void* item);
  void SetCapacity(int32_t n);
  void SetCompare(ItemCompare compare);
  // Grows the capacity to n when needed (new entries are null); shrinking an
  // owning list destroys the entries from the end down to n.
  void SetCount(int32_t n);
  void SetDescending(bool descending);
  void SetOwnsItems(bool owns) { ownsItems_ = owns ? 1 : 0; }
  void SetAllowDuplicates(bool allow) { allowDuplicates_ = allow ? 1 : 0; }
  void SetSorted(bool sorted);
  // Sorts once with compare; the stored compare function stays.
  void Sort(ItemCompare compare);
  // Closes one update level; the outermost merges the items appended since
  // BeginUpdate into order (sorted lists). status: 0, or 4 when duplicates
  // were dropped (they are not destroyed).
  void EndUpdate(ErrorStatus status);

  // How owned items are destroyed (DestroyAsObject unless set).
  void SetDestroy(ItemDestroy destroy) { destroy_ = destroy; }
  void* const* Items() const { return items_; }
  // Configures the list as a sorted collection without duplicates.
  void MakeSortedUnique(ItemCompare compare);

private:
  void GrowIfFull();
  void Reallocate(int32_t capacity);
  void DestroyItem(void* item) const;
  int Compare(const void* a, const void* b) const { return compare_(a, b) * direction_; }
  void QuickSort(ItemCompare compare, int32_t lo, int32_t hi);
  void SortWith(ItemCompare compare);
  bool Search(const void* key, int32_t* index) const;
  void MergeTail(ErrorStatus status);

  int32_t capacity_ = 0;
  ItemCompare compare_ = nullptr;
  int32_t direction_ = 1;
  int32_t count_ = 0;
  uint8_t descending_ = 0;
  uint8_t ownsItems_ = 0;
  uint8_t allowDuplicates_ = 1;
  uint8_t sorted_ = 0;
  void** items_ = nullptr;
  int32_t updateDepth_ = 0;
  int32_t countAtUpdateStart_ = 0;
  ItemDestroy destroy_ = DestroyAsObject;
};

}  // namespace vm
