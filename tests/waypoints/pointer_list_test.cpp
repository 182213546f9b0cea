#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "vmlib/frame.h"
#include "waypoints/guid_order.h"
#include "waypoints/pointer_list.h"

namespace {

// Items are pointers to ints; the list orders them by the pointed-to value.
int ByValue(const void* a, const void* b) {
  const int x = *static_cast<const int*>(a);
  const int y = *static_cast<const int*>(b);
  return x < y ? -1 : (x > y ? 1 : 0);
}

std::vector<int> Values(const vm::CPointerList& list) {
  std::vector<int> out;
  for (int32_t i = 0; i < list.GetCount(); ++i) out.push_back(*static_cast<int*>(list.Get(i)));
  return out;
}

struct Counted : CObject {
  explicit Counted(int* alive) : alive(alive) { ++*alive; }
  ~Counted() override { --*alive; }
  int* alive;
};

TEST(PointerList, ANewListIsEmptyUnsortedAndAcceptsDuplicates) {
  vm::CPointerList list;
  EXPECT_EQ(list.GetCount(), 0);
  EXPECT_EQ(list.GetCapacity(), 0);
  EXPECT_FALSE(list.IsSorted());
  EXPECT_FALSE(list.OwnsItems());
  EXPECT_TRUE(list.AllowsDuplicates());
  EXPECT_FALSE(list.IsDescending());
  EXPECT_EQ(list.GetCompare(), nullptr);
  int a = 1;
  EXPECT_EQ(list.Add(&a), 0);
  EXPECT_EQ(list.Add(&a), 1);
  EXPECT_EQ(list.IndexOf(&a), 0);
  EXPECT_EQ(list.Remove(&a), 0);
  EXPECT_EQ(list.GetCount(), 1);
}

TEST(PointerList, CapacityGrowsByFourThenSixteenThenAQuarter) {
  vm::CPointerList list;
  int x = 0;
  std::vector<int32_t> seen;
  for (int i = 0; i < 118; ++i) {
    list.Append(&x);
    if (seen.empty() || seen.back() != list.GetCapacity()) seen.push_back(list.GetCapacity());
  }
  EXPECT_EQ(seen, (std::vector<int32_t>{4, 8, 12, 28, 44, 60, 76, 95, 118}));
  list.SetCapacity(5);
  EXPECT_EQ(list.GetCount(), 5);
  EXPECT_EQ(list.GetCapacity(), 5);
}

TEST(PointerList, SortedAddKeepsOrderAndRefusesDuplicates) {
  int v[] = {5, 1, 4, 1, 3};
  vm::CPointerList list;
  list.MakeSortedUnique(ByValue);
  EXPECT_EQ(list.Add(&v[0]), 0);
  EXPECT_EQ(list.Add(&v[1]), 0);
  EXPECT_EQ(list.Add(&v[2]), 1);
  EXPECT_EQ(list.Add(&v[3]), -1);  // equal to v[1]
  EXPECT_EQ(list.Add(&v[4]), 1);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 3, 4, 5}));
  int32_t at = -1;
  int key = 2;
  EXPECT_FALSE(list.Find(&key, &at));
  EXPECT_EQ(at, 1);  // insertion position
  key = 4;
  EXPECT_TRUE(list.Find(&key, &at));
  EXPECT_EQ(at, 2);
}

TEST(PointerList, RemoveInASortedListWithDuplicatesFindsTheVeryPointer) {
  int v[] = {2, 2, 2, 2, 1, 3};
  vm::CPointerList list;
  list.SetCompare(ByValue);
  list.SetSorted(true);
  for (int& x : v) list.Add(&x);
  ASSERT_EQ(list.GetCount(), 6);
  for (int k : {3, 0, 2, 1}) {
    const int32_t at = list.Remove(&v[k]);
    EXPECT_GE(at, 1) << k;
    EXPECT_EQ(list.IndexOf(&v[k]), -1) << k;
  }
  int other = 2;
  EXPECT_EQ(list.Remove(&other), -1);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 3}));
}

TEST(PointerList, OwningListDestroysOnDeleteTruncateRemoveAndClear) {
  int alive = 0;
  {
    vm::CPointerList list;
    list.SetOwnsItems(true);
    Counted* items[6];
    for (auto& item : items) list.Append(item = new Counted(&alive));
    list.Delete(0);
    EXPECT_EQ(alive, 5);
    EXPECT_EQ(list.Remove(items[1]), 0);
    EXPECT_EQ(alive, 4);
    list.SetCount(2);
    EXPECT_EQ(alive, 2);
    EXPECT_EQ(list.Get(1), items[3]);
    list.SetCount(4);  // grown entries are empty, not garbage
    EXPECT_EQ(list.Get(3), nullptr);
  }
  EXPECT_EQ(alive, 0);
  vm::CPointerList notOwning;
  Counted kept(&alive);
  notOwning.Append(&kept);
  notOwning.Clear();
  EXPECT_EQ(alive, 1);
  EXPECT_EQ(notOwning.GetCapacity(), 0);
}

TEST(PointerList, SortDescendingAndRestoredCompare) {
  std::vector<int> v(200);
  for (int i = 0; i < 200; ++i) v[i] = (i * 73) % 200;  // a permutation
  vm::CPointerList list;
  for (int& x : v) list.Append(&x);
  list.SetCompare(ByValue);  // not sorted: no re-sort
  EXPECT_EQ(*static_cast<int*>(list.Get(0)), 0);
  EXPECT_EQ(*static_cast<int*>(list.Get(1)), 73);
  list.SetSorted(true);
  std::vector<int> ascending(200);
  for (int i = 0; i < 200; ++i) ascending[i] = i;
  EXPECT_EQ(Values(list), ascending);
  list.SetDescending(true);
  std::vector<int> descending(ascending.rbegin(), ascending.rend());
  EXPECT_EQ(Values(list), descending);
  list.SetDescending(true);  // unchanged state: nothing happens
  EXPECT_EQ(Values(list), descending);
  int key = 150;
  int32_t at = -1;
  EXPECT_TRUE(list.Find(&key, &at));
  EXPECT_EQ(at, 49);
  // Sort with another function keeps the stored one.
  list.Sort([](const void* a, const void* b) { return ByValue(b, a); });
  EXPECT_EQ(Values(list), ascending);
  EXPECT_EQ(list.GetCompare(), &ByValue);
}

TEST(PointerList, EndUpdateMergesTheTailIntoOrder) {
  int v[] = {10, 30, 50, 40, 20, 5, 60};
  vm::CPointerList list;
  list.MakeSortedUnique(ByValue);
  list.Add(&v[0]);
  list.Add(&v[1]);
  list.Add(&v[2]);
  list.BeginUpdate();
  list.BeginUpdate();
  EXPECT_TRUE(list.IsUpdating());
  for (int k = 6; k >= 3; --k) list.Append(&v[k]);
  int32_t status = -1;
  list.EndUpdate(&status);  // inner level: nothing merged yet
  EXPECT_EQ(status, 0);
  EXPECT_EQ(*static_cast<int*>(list.Get(3)), 60);
  list.EndUpdate(&status);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(list.IsUpdating());
  EXPECT_EQ(Values(list), (std::vector<int>{5, 10, 20, 30, 40, 50, 60}));
}

TEST(PointerList, EndUpdateDropsDuplicatesWithCodeFour) {
  struct Case {
    const char* what;
    std::vector<int> old;
    std::vector<int> added;
    bool allowDuplicates;
    std::vector<int> expected;
    int32_t status;
  };
  const Case cases[] = {
      {"equal to an old item", {1, 3, 5}, {3, 4}, false, {1, 3, 4, 5}, 4},
      {"equal among the new items between old ones", {1, 9}, {5, 5}, false, {1, 5, 9}, 4},
      {"equal among the new items after the old ones", {1}, {7, 7, 8}, false, {1, 7, 8}, 4},
      {"duplicates allowed keep both", {1, 3}, {3}, true, {1, 3, 3}, 0},
      {"no clash", {2}, {1, 3}, false, {1, 2, 3}, 0},
  };
  for (const Case& c : cases) {
    std::vector<int> storage(c.old);
    storage.insert(storage.end(), c.added.begin(), c.added.end());
    vm::CPointerList list;
    list.MakeSortedUnique(ByValue);
    list.SetAllowDuplicates(c.allowDuplicates);
    for (size_t i = 0; i < c.old.size(); ++i) list.Add(&storage[i]);
    list.BeginUpdate();
    for (size_t i = c.old.size(); i < storage.size(); ++i) list.Append(&storage[i]);
    int32_t status = -1;
    list.EndUpdate(&status);
    EXPECT_EQ(Values(list), c.expected) << c.what;
    EXPECT_EQ(status, c.status) << c.what;
  }
}

TEST(PointerList, AddAllMergesIntoASortedListAndAppendsToAnUnsortedOne) {
  int v[] = {4, 2, 4, 1};
  vm::CPointerList source;
  for (int& x : v) source.Append(&x);
  vm::CPointerList sorted;
  sorted.MakeSortedUnique(ByValue);
  int32_t status = -1;
  sorted.AddAll(source, &status);
  EXPECT_EQ(status, 4);
  EXPECT_EQ(Values(sorted), (std::vector<int>{1, 2, 4}));
  vm::CPointerList plain;
  plain.AddAll(source, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(Values(plain), (std::vector<int>{4, 2, 4, 1}));
  plain.AppendList(plain);  // appending a list to itself doubles it
  EXPECT_EQ(Values(plain), (std::vector<int>{4, 2, 4, 1, 4, 2, 4, 1}));
  EXPECT_EQ(plain.GetCapacity(), 8);
}

TEST(PointerList, InsertExchangeAndDeleteAtPositions) {
  int v[] = {1, 2, 3};
  vm::CPointerList list;
  list.Append(&v[0]);
  list.Append(&v[2]);
  list.Insert(1, &v[1]);
  list.Insert(3, &v[0]);
  EXPECT_EQ(Values(list), (std::vector<int>{1, 2, 3, 1}));
  list.Exchange(0, 2);
  list.Delete(3);
  EXPECT_EQ(Values(list), (std::vector<int>{3, 2, 1}));
}

GUID MakeGuid(uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3) {
  GUID g;
  const uint32_t words[4] = {w0, w1, w2, w3};
  uint8_t bytes[16];
  for (int k = 0; k < 4; ++k) {
    for (int b = 0; b < 4; ++b) bytes[4 * k + b] = static_cast<uint8_t>(words[k] >> (8 * b));
  }
  std::memcpy(&g, bytes, sizeof g);
  return g;
}

TEST(GuidOrder, TheFourthWordDecidesFirst) {
  struct Case {
    GUID a, b;
    int sign;
  };
  const Case cases[] = {
      {MakeGuid(0xFFFFFFFF, 0, 0, 1), MakeGuid(0, 0, 0, 2), -1},
      {MakeGuid(0, 0, 5, 7), MakeGuid(0, 0, 4, 7), 1},
      {MakeGuid(0, 0x80000000u, 0, 0), MakeGuid(0, 0x7FFFFFFF, 0, 0), 1},  // unsigned words
      {MakeGuid(1, 0, 0, 0), MakeGuid(2, 0, 0, 0), -1},
      {MakeGuid(3, 4, 5, 6), MakeGuid(3, 4, 5, 6), 0},
  };
  for (const Case& c : cases) {
    const int r = vm::CompareGuids(c.a, c.b);
    EXPECT_EQ((r > 0) - (r < 0), c.sign);
    const int back = vm::CompareGuids(c.b, c.a);
    EXPECT_EQ((back > 0) - (back < 0), -c.sign);
  }
}

}  // namespace
