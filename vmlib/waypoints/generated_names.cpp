#include "waypoints/generated_names.h"

#include <algorithm>
#include <vector>

#include "waypoints/text.h"

namespace vm {

int32_t NumberAfterPrefix(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size()) return 0;
  if (!SameTextIgnoringCase(name.substr(0, prefix.size()), prefix)) return 0;
  std::string_view rest = name.substr(prefix.size());
  size_t i = 0;
  while (i < rest.size() && rest[i] == ' ') ++i;
  bool negative = false;
  if (i < rest.size() && (rest[i] == '+' || rest[i] == '-')) negative = rest[i++] == '-';
  if (i == rest.size()) return 0;
  int64_t value = 0;
  for (; i < rest.size(); ++i) {
    if (rest[i] < '0' || rest[i] > '9') return 0;
    value = value * 10 + (rest[i] - '0');
    if (value > (int64_t{1} << 31)) return 0;
  }
  if (negative) return 0;  // only n > 0 counts
  return value > INT32_MAX ? 0 : static_cast<int32_t>(value);
}

std::string GeneratedName(std::string_view prefix, const CPointerList& items, ItemName nameOf) {
  std::vector<int32_t> numbers;
  for (int32_t i = 0; i < items.GetCount(); ++i) {
    const int32_t n = NumberAfterPrefix(nameOf(items.Get(i)), prefix);
    if (n > 0) numbers.push_back(n);
  }
  std::sort(numbers.begin(), numbers.end());
  int64_t a = 0;
  for (int32_t b : numbers) {
    if (b - a > 1) break;
    a = b;
  }
  return std::string(prefix) + std::to_string(a + 1);
}

}  // namespace vm
