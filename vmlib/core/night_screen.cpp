// The night-screen colour object (made at initialisation step 9).
#include "core/init_steps.h"

namespace vm {

// The night-screen object belongs to the system-information module; until it
// exists this step makes nothing and GetNightScreen is not exported.
void init::NightScreen() {}

}  // namespace vm
