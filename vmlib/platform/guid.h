// New GUIDs: 16 random bytes with the version-4 and variant bits set.
#pragma once

#include "vmlib/guid.h"

namespace vm {

// Fills out with a fresh random GUID. Throws CException "CoCreateGuid failed"
// when the system has no random source.
void NewGuid(GUID* out);

}  // namespace vm
