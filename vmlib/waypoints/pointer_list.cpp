#include "waypoints/pointer_list.h"

#include <cstdlib>
#include <cstring>
#include <utility>

#include "core/growth.h"
#include "vmlib/frame.h"

namespace vm {

namespace {
constexpr int32_t kDuplicateDropped = 0x4;
}  // namespace

void DestroyAsObject(void* item) { delete static_cast<CObject*>(item); }

CPointerList::~CPointerList() { Clear(); }

void CPointerList::Reallocate(int32_t capacity) {
  if (capacity <= 0) {
    std::free(items_);
    items_ = nullptr;
    capacity_ = 0;
    return;
  }
  void* grown = std::realloc(items_, static_cast<size_t>(capacity) * sizeof(void*));
  if (grown == nullptr) throw CException("Out of memory");
  items_ = static_cast<void**>(grown);
  capacity_ = capacity;
}

void CPointerList::GrowIfFull() {
  if (count_ == capacity_) Reallocate(GrowCapacity(capacity_));
}

void CPointerList::DestroyItem(void* item) const {
  if (ownsItems_ != 0 && item != nullptr && destroy_ != nullptr) destroy_(item);
}

bool CPointerList::Search(const void* key, int32_t* index) const {
  int32_t lo = 0;
  int32_t hi = count_ - 1;
  while (lo <= hi) {
    const int32_t mid = (lo + hi) / 2;
    const int c = Compare(items_[mid], key);
    if (c < 0) {
      lo = mid + 1;
    } else if (c > 0) {
      hi = mid - 1;
    } else {
      *index = mid;
      return true;
    }
  }
  *index = lo;
  return false;
}

int32_t CPointerList::Add(void* item) {
  // A sorted list without a compare function has no order to keep; during an
  // update the tail is unsorted, so searching it would misplace the item.
  if (sorted_ == 0 || compare_ == nullptr || updateDepth_ > 0) {
    Append(item);
    return count_ - 1;
  }
  int32_t at = 0;
  if (Search(item, &at) && allowDuplicates_ == 0) return -1;
  Insert(at, item);
  return at;
}

void CPointerList::AddAll(const CPointerList& source, ErrorStatus status) {
  *status = 0;
  const int32_t n = source.count_;
  if (sorted_ != 0) BeginUpdate();
  for (int32_t i = 0; i < n; ++i) Append(source.items_[i]);
  if (sorted_ != 0) EndUpdate(status);
}

void CPointerList::Clear() {
  SetCount(0);
  Reallocate(0);
}

void CPointerList::Delete(int32_t index) {
  void* item = items_[index];
  --count_;
  std::memmove(items_ + index, items_ + index + 1, static_cast<size_t>(count_ - index) * sizeof(void*));
  DestroyItem(item);
}

void CPointerList::Exchange(int32_t i, int32_t j) { std::swap(items_[i], items_[j]); }

bool CPointerList::Find(const void* key, int32_t* index) const {
  if (compare_ == nullptr) {
    *index = IndexOf(key);
    if (*index >= 0) return true;
    *index = count_;
    return false;
  }
  return Search(key, index);
}

int32_t CPointerList::IndexOf(const void* item) const {
  for (int32_t i = 0; i < count_; ++i) {
    if (items_[i] == item) return i;
  }
  return -1;
}

void CPointerList::Insert(int32_t index, void* item) {
  GrowIfFull();
  std::memmove(items_ + index + 1, items_ + index, static_cast<size_t>(count_ - index) * sizeof(void*));
  items_[index] = item;
  ++count_;
}

void CPointerList::BeginUpdate() {
  if (updateDepth_ == 0) countAtUpdateStart_ = count_;
  ++updateDepth_;
}

void CPointerList::Append(void* item) {
  GrowIfFull();
  items_[count_++] = item;
}

void CPointerList::AppendList(const CPointerList& source) {
  const int32_t n = source.count_;
  if (n == 0) return;
  if (count_ + n > capacity_) Reallocate(count_ + n);
  // memmove: source may be this very list.
  std::memmove(items_ + count_, source.items_, static_cast<size_t>(n) * sizeof(void*));
  count_ += n;
}

int32_t CPointerList::Remove(const void* item) {
  int32_t at = -1;
  if (sorted_ == 0 || compare_ == nullptr || updateDepth_ > 0) {
    at = IndexOf(item);
  } else {
    int32_t found = 0;
    if (Search(item, &found)) {
      if (items_[found] == item) {
        at = found;
      } else if (allowDuplicates_ != 0) {
        for (int32_t k = found - 1; at < 0 && k >= 0 && Compare(items_[k], item) == 0; --k) {
          if (items_[k] == item) at = k;
        }
        for (int32_t k = found + 1; at < 0 && k < count_ && Compare(items_[k], item) == 0; ++k) {
          if (items_[k] == item) at = k;
        }
      }
    }
  }
  if (at >= 0) Delete(at);
  return at;
}

void CPointerList::SetCapacity(int32_t n) {
  if (n < 0) n = 0;
  if (n == capacity_) return;
  if (n < count_) SetCount(n);
  Reallocate(n);
}

void CPointerList::SetCompare(ItemCompare compare) {
  if (compare == compare_) return;
  compare_ = compare;
  if (sorted_ != 0 && count_ > 1 && compare_ != nullptr) SortWith(compare_);
}

void CPointerList::SetCount(int32_t n) {
  if (n < 0) n = 0;
  if (n > capacity_) Reallocate(n);
  if (n > count_) {
    // Entries are left null rather than uninitialised: a stray read then
    // finds no object instead of garbage.
    std::memset(items_ + count_, 0, static_cast<size_t>(n - count_) * sizeof(void*));
  } else {
    while (count_ > n) DestroyItem(items_[--count_]);
  }
  count_ = n;
}

void CPointerList::SetDescending(bool descending) {
  if ((descending_ != 0) == descending) return;
  descending_ = descending ? 1 : 0;
  direction_ = -direction_;
  if (sorted_ != 0 && count_ > 1 && compare_ != nullptr) SortWith(compare_);
}

void CPointerList::SetSorted(bool sorted) {
  const bool was = sorted_ != 0;
  sorted_ = sorted ? 1 : 0;
  if (sorted && !was && count_ > 1 && compare_ != nullptr) SortWith(compare_);
}

void CPointerList::Sort(ItemCompare compare) {
  if (compare == nullptr || count_ < 2) return;
  SortWith(compare);
}

void CPointerList::SortWith(ItemCompare compare) {
  const ItemCompare saved = compare_;
  compare_ = compare;
  QuickSort(compare, 0, count_ - 1);
  compare_ = saved;
}

// Quicksort with the middle element of each range as pivot. The smaller side
// is sorted by recursion and the larger one by the loop, so the stack stays
// logarithmic even for already ordered or reversed input.
void CPointerList::QuickSort(ItemCompare compare, int32_t lo, int32_t hi) {
  while (lo < hi) {
    int32_t i = lo;
    int32_t j = hi;
    const void* pivot = items_[lo + (hi - lo) / 2];
    while (i <= j) {
      while (compare(items_[i], pivot) * direction_ < 0) ++i;
      while (compare(items_[j], pivot) * direction_ > 0) --j;
      if (i <= j) {
        std::swap(items_[i], items_[j]);
        ++i;
        --j;
      }
    }
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(compare, lo, j);
      lo = i;
    } else {
      if (i < hi) QuickSort(compare, i, hi);
      hi = j;
    }
  }
}

void CPointerList::EndUpdate(ErrorStatus status) {
  *status = 0;
  if (updateDepth_ <= 0) return;
  if (--updateDepth_ > 0) return;
  if (sorted_ != 0 && compare_ != nullptr && count_ > countAtUpdateStart_) MergeTail(status);
  countAtUpdateStart_ = 0;
}

// Merges the items appended during the update (the tail) into the sorted part.
// Without duplicates allowed a new item equal to an old one or to the item
// kept just before it is dropped; that also catches equal items inside the
// tail that meet between two old items.
void CPointerList::MergeTail(ErrorStatus status) {
  const int32_t oldCount = countAtUpdateStart_;
  QuickSort(compare_, oldCount, count_ - 1);
  void** merged = static_cast<void**>(std::malloc(static_cast<size_t>(capacity_) * sizeof(void*)));
  if (merged == nullptr) throw CException("Out of memory");
  const bool unique = allowDuplicates_ == 0;
  int32_t a = 0;
  int32_t b = oldCount;
  int32_t kept = 0;
  auto keepNew = [&](void* item) {
    if (unique && kept > 0 && Compare(merged[kept - 1], item) == 0) {
      *status = kDuplicateDropped;
      return;
    }
    merged[kept++] = item;
  };
  while (a < oldCount && b < count_) {
    const int c = Compare(items_[a], items_[b]);
    if (c < 0) {
      merged[kept++] = items_[a++];
    } else if (c > 0) {
      keepNew(items_[b++]);
    } else if (unique) {
      *status = kDuplicateDropped;
      ++b;
    } else {
      merged[kept++] = items_[a++];
    }
  }
  while (a < oldCount) merged[kept++] = items_[a++];
  while (b < count_) keepNew(items_[b++]);
  std::free(items_);
  items_ = merged;
  count_ = kept;
}

void CPointerList::MakeSortedUnique(ItemCompare compare) {
  compare_ = compare;
  sorted_ = 1;
  allowDuplicates_ = 0;
}

}  // namespace vm
