// Text helpers of the store. Names are 8-bit text in the data files' code
// page (Windows-1252); case is folded for ASCII and the 1252 letters.
#pragma once

#include <string>
#include <string_view>

#include "core/str_internal.h"

namespace vm {

// The 255-byte limit of names and subnames (one length byte in the file).
constexpr int32_t kMaxNameBytes = 255;

// True when both texts have the same bytes.
inline bool SameText(std::string_view a, std::string_view b) { return a == b; }
// True when both texts are equal after folding case.
bool SameTextIgnoringCase(std::string_view a, std::string_view b);
// Replaces s's text; throws CException "Out of memory" when it cannot.
void AssignText(Str* s, std::string_view text);

}  // namespace vm
