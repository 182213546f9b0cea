// Names for new objects that get none from their caller: the prefix followed
// by the first free number after the run that starts at 1.
#pragma once

#include <string>
#include <string_view>

#include "waypoints/pointer_list.h"

namespace vm {

// The name text of one item of a collection.
using ItemName = std::string_view (*)(const void* item);

// prefix + (first gap of the numbers n > 0 that follow the prefix, compared
// ignoring case, in the items' names).
std::string GeneratedName(std::string_view prefix, const CPointerList& items, ItemName nameOf);
// The number that follows prefix in name (leading spaces and one sign
// allowed, then digits to the end, within 32 bits), or 0 when there is none.
int32_t NumberAfterPrefix(std::string_view name, std::string_view prefix);

}  // namespace vm
