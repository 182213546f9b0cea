// Initialisation step 15: the GPS clock.
#include "core/init_steps.h"

namespace vm {

// The clock is made here once the track module exists; nothing yet.
void init::GpsClock() {}

}  // namespace vm
