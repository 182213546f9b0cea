// New GUIDs: 16 random bytes with the version-4 and variant bits set.
#pragma once

#include "vmlib/guid.h"

namespace vm {

// Fills out with a fresh random GUID. Throws CException "CoCreateGuid failed"
// when the system has no random source.
void NewGuid(GUID* out);

// Replaces the random source of NewGuid (null restores it) and returns the
// previous one; lets tests provoke GUID clashes.
using GuidSource = void (*)(GUID* out);
GuidSource SetGuidSource(GuidSource source);

}  // namespace vm
