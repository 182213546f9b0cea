// ErrorToStr and the message tables of every error code.
#include <algorithm>
#include <array>
#include <iterator>

#include "core/languages_internal.h"
#include "vmlib/errors.h"

namespace vm {
namespace {

struct ErrorMessage {
  int32_t code;
  const char* texts[kLanguageCount];
};

#define VM_ERROR(code, en, nl, de, fr, es, it, da, sv) {code, {en, nl, de, fr, es, it, da, sv}},
constexpr ErrorMessage kMessages[] = {
#include "core/error_messages.inc"
};
#undef VM_ERROR

constexpr ErrorMessage kUnspecified = {
    -1, {"Unspecified", "Niet gespecificeerd", "", "", "", "", "Uspeciferet", "Ospecificerad"}};

constexpr bool SortedByCode() {
  for (size_t i = 1; i < std::size(kMessages); ++i)
    if (kMessages[i - 1].code >= kMessages[i].code) return false;
  return true;
}
static_assert(SortedByCode(), "error messages must stay sorted by code for the binary search");

}  // namespace
}  // namespace vm

VMLIB_EXPORT const char* ErrorToStr(int32_t code) {
  using vm::kMessages;
  const auto* it = std::lower_bound(std::begin(kMessages), std::end(kMessages), code,
                                    [](const vm::ErrorMessage& m, int32_t c) { return m.code < c; });
  const vm::ErrorMessage& m = (it != std::end(kMessages) && it->code == code) ? *it : vm::kUnspecified;
  return vm::ResolveText(m.texts);
}
