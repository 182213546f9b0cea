// The process-wide language state. Languages: 1 English, 2 Dutch, 3 German,
// 4 French, 5 Spanish, 6 Italian, 7 Danish, 8 Swedish. A set holds bit L - 1
// for language L.
#pragma once

#include "vmlib/export.h"

enum VmLanguage : int32_t {
  kLangEnglish = 1,
  kLangDutch = 2,
  kLangGerman = 3,
  kLangFrench = 4,
  kLangSpanish = 5,
  kLangItalian = 6,
  kLangDanish = 7,
  kLangSwedish = 8,
};
constexpr int32_t kLanguageCount = 8;

// The set of available languages (initially 1: English only).
VMLIB_EXPORT int32_t GetAvailableLanguages();
// Number of languages 1 to 8 in the set.
VMLIB_EXPORT int32_t GetAvailableLanguageCount();
// The current language (initially 1).
VMLIB_EXPORT int32_t GetCurrentLanguage();
// Stores the set (0 becomes English). The current language stays when its bit
// is in the new set; otherwise the lowest language of the set becomes current.
VMLIB_EXPORT void SetAvailableLanguages(int32_t set);
// Makes language current without checking the available set (0 becomes 1) and
// returns it. Numbers outside 1 to 8 are stored; texts then read English.
VMLIB_EXPORT int32_t SetCurrentLanguage(int32_t language);
