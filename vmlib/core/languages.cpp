// The process-wide language state, alive as long as the library is loaded.
#include "vmlib/languages.h"
#include "core/languages_internal.h"

namespace vm {
namespace {
int32_t g_available = 1;  // bit L - 1 for language L
int32_t g_current = kLangEnglish;
}  // namespace

const char* ResolveText(const char* const texts[kLanguageCount]) {
  const int32_t lang = g_current;
  // Numbers outside 1 to 8 are stored unchecked; reading English for them keeps
  // the lookup inside the table.
  if (lang >= 1 && lang <= kLanguageCount) {
    const char* t = texts[lang - 1];
    if (t != nullptr && t[0] != '\0') return t;
  }
  return texts[0] != nullptr ? texts[0] : "";
}

}  // namespace vm

VMLIB_EXPORT int32_t GetAvailableLanguages() { return vm::g_available; }

VMLIB_EXPORT int32_t GetAvailableLanguageCount() {
  int32_t n = 0;
  for (int bit = 0; bit < kLanguageCount; ++bit) n += (vm::g_available >> bit) & 1;
  return n;
}

VMLIB_EXPORT int32_t GetCurrentLanguage() { return vm::g_current; }

VMLIB_EXPORT void SetAvailableLanguages(int32_t set) {
  if (set == 0) set = 1;
  if (set == vm::g_available) return;
  vm::g_available = set;
  const int32_t cur = vm::g_current;
  if (cur >= 1 && cur <= 32 && ((set >> (cur - 1)) & 1)) return;
  for (int bit = 0; bit < 32; ++bit) {
    if ((static_cast<uint32_t>(set) >> bit) & 1u) {
      vm::g_current = bit + 1;
      return;
    }
  }
}

VMLIB_EXPORT int32_t SetCurrentLanguage(int32_t language) {
  if (language == 0) language = kLangEnglish;
  vm::g_current = language;
  return language;
}
