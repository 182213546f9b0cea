// Initialisation step 10: the geodetics registry.
#include "core/init_steps.h"

namespace vm {

// The registry is made here once the geodesy module exists; nothing yet.
void init::Geodetics() {}

}  // namespace vm
