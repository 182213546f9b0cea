// The order of the store's sorted collections: GUIDs as 128-bit unsigned
// numbers, the fourth 32-bit word most significant.
#pragma once

#include "vmlib/guid.h"
#include "waypoints/pointer_list.h"

namespace vm {

// Negative, 0 or positive as a sorts before, equal to or after b.
int CompareGuids(const GUID& a, const GUID& b);
// Compare function of the sorted collections; both items are CWaypointObject*.
int GuidOrder(const void* a, const void* b);
// Halving search by GUID in a GUID-sorted collection: index receives the
// position found or the insertion position.
bool FindByGuid(const CPointerList& list, const GUID& guid, int32_t* index);

}  // namespace vm
