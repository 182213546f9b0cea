// The waypoint store: settings shared by the whole library.
#pragma once

#include "vmlib/frame.h"

// The prefix of generated waypoint names ("wp" at start). The string belongs
// to the library; the caller must not release it. Null before initialisation.
VMLIB_EXPORT const Str* GetWaypointNamePrefix();
// Copies the text of prefix into the library's prefix; passing the library's
// own string changes nothing.
VMLIB_EXPORT void SetWaypointNamePrefix(const Str* prefix);
