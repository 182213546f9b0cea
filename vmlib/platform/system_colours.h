// The 31 system colours. Linux has no such thing, so the library keeps its
// own table, starting from the classic desktop colours, which the night
// screen reads, dims and writes back as Windows programs would.
#pragma once

#include <cstdint>

namespace vm {

constexpr int32_t kSystemColourCount = 31;

// The colour reference (0x00BBGGRR) of index 0 to 30; 0 for other indexes.
uint32_t GetSystemColour(int32_t index);
// Writes count colours at the given indexes; indexes outside 0 to 30 are
// skipped.
void SetSystemColours(int32_t count, const int32_t* indexes, const uint32_t* colours);
// Puts the starting colours back.
void ResetSystemColours();

}  // namespace vm
