// Without the night-screen object in this build night mode is never on:
// colours keep their values and no switch is ever reported.
#include "waypoints/night_link.h"

namespace vm {

bool NightActive() { return false; }
void NightDimBitmap(CBmp32*) {}
void NightRegisterColour(uint32_t*) {}
void NightUnregisterColour(uint32_t*) {}
void NightAddSwitchListener(NightSwitchListener, void*) {}
void NightRemoveSwitchListener(NightSwitchListener, void*) {}

}  // namespace vm
