// Resolving language-indexed texts inside the library.
#pragma once

#include "vmlib/languages.h"

namespace vm {

// Entry (current language - 1) of an eight-entry table, or the English entry
// when that one is empty or the current language is outside 1 to 8.
const char* ResolveText(const char* const texts[kLanguageCount]);

}  // namespace vm
