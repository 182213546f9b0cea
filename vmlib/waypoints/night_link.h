// The store's link to the night-screen object: display colours registered
// for dimming, the night state, and the listener that rebuilds display icons.
#pragma once

#include <cstdint>

#include "vmlib/bmp.h"

namespace vm {

bool NightActive();
// Dims the pixels of bitmap as night mode shows them.
void NightDimBitmap(CBmp32* bitmap);
// Registers a colour variable: it is dimmed in place while night mode is on
// and restored when it goes off or the variable is unregistered.
void NightRegisterColour(uint32_t* colour);
void NightUnregisterColour(uint32_t* colour);
// Called after every switch of night mode (not for brightness changes).
using NightSwitchListener = void (*)(void* user);
void NightAddSwitchListener(NightSwitchListener listener, void* user);
void NightRemoveSwitchListener(NightSwitchListener listener, void* user);

}  // namespace vm
