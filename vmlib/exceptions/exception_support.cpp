// Initialisation step 1: the process record and the exception handler.
#include "core/init_steps.h"

namespace vm {

// The exception handler is made here once it exists; nothing yet.
void init::ExceptionSupport() {}

}  // namespace vm
