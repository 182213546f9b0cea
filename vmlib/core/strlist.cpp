// StrList: the list of (Str, object) pairs in which lines of text cross.
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>

#include "core/growth.h"
#include "core/str_internal.h"
#include "vmlib/frame.h"

namespace vm {
namespace {

class StrListImpl final : public StrList {
public:
  StrListImpl() { compare = &StrCompareDefault; }
  ~StrListImpl() override {
    SetCount(0);
    std::free(pairs);
  }

  int32_t Add(const Str* text, void* object) override {
    if (count == capacity) Reserve(GrowCapacity(capacity));
    pairs[count] = {StrNew(StrView(text)), object};
    return count++;
  }

  int32_t GetMemorySize(bool includeSelf) const override {
    int64_t size = static_cast<int64_t>(capacity) * static_cast<int64_t>(sizeof(StrListPair));
    for (int32_t i = 0; i < count; ++i) {
      const Str* s = pairs[i].text;
      if (s == nullptr) continue;
      size += static_cast<int64_t>(sizeof(Str)) + s->length + 1;
      if (s->wide != nullptr) {
        size_t n = 0;
        while (s->wide[n] != u'\0') ++n;
        size += static_cast<int64_t>((n + 1) * sizeof(char16_t));
      }
    }
    if (includeSelf) size += static_cast<int64_t>(sizeof(*this));
    return size > INT32_MAX ? INT32_MAX : static_cast<int32_t>(size);
  }

  void SetCount(int32_t n) override {
    if (n < 0) n = 0;
    if (n > count) {
      if (n > capacity) Reserve(n);
      for (int32_t i = count; i < n; ++i) pairs[i] = {StrNew({}), nullptr};
    } else {
      for (int32_t i = n; i < count; ++i) {
        StrDelete(pairs[i].text);
        if (ownsObjects) std::free(pairs[i].object);
        pairs[i] = {nullptr, nullptr};
      }
    }
    count = n;
  }

private:
  void Reserve(int32_t n) {
    void* p = std::realloc(pairs, sizeof(StrListPair) * static_cast<size_t>(n));
    if (p == nullptr) throw CException("Out of memory");
    pairs = static_cast<StrListPair*>(p);
    capacity = n;
  }
};

void AddLine(StrList* list, const char* begin, const char* end) {
  Str line{static_cast<int32_t>(end - begin), const_cast<char*>(begin), nullptr};
  list->Add(&line, nullptr);
}

}  // namespace
}  // namespace vm

VMLIB_EXPORT StrList* StrListCreate() { return new (std::nothrow) vm::StrListImpl; }

VMLIB_EXPORT void StrListSetText(const Str* text, StrList* list) {
  if (list == nullptr) return;
  // Lists made by StrListCreate are the only kind; release the array first.
  list->SetCount(0);
  std::free(list->pairs);
  list->pairs = nullptr;
  list->capacity = 0;
  const std::string_view bytes = vm::StrView(text);
  const char* p = bytes.data();
  const char* end = p + bytes.size();
  const char* lineStart = p;
  for (; p < end; ++p) {
    if (*p != '\r') continue;
    vm::AddLine(list, lineStart, p);
    if (p + 1 < end && p[1] == '\n') ++p;
    lineStart = p + 1;
  }
  if (lineStart < end) vm::AddLine(list, lineStart, end);
}

VMLIB_EXPORT void StrListGetText(Str* out, const StrList* list) {
  if (out == nullptr) return;
  std::string joined;
  if (list != nullptr) {
    size_t total = 0;
    for (int32_t i = 0; i < list->count; ++i) total += vm::StrView(list->pairs[i].text).size() + 2;
    joined.reserve(total);
    for (int32_t i = 0; i < list->count; ++i) {
      joined += vm::StrView(list->pairs[i].text);
      joined += "\r\n";
    }
  }
  if (!vm::StrAssign(out, joined)) throw CException("Out of memory");
}
