// Export markers of the library. Every exported function is declared with
// VMLIB_EXPORT on one line with its name, so the build can list the exports
// that the headers promise and compare them with what the library holds.
#pragma once

#include <cstdint>

#define VMLIB_EXPORT extern "C" __attribute__((visibility("default")))
// Classes whose type information must be shared with clients (thrown or
// caught across the library boundary).
#define VMLIB_CLASS __attribute__((visibility("default")))

// Status of an operation: the caller owns it and passes it as the last argument;
// every operation that takes it writes it, 0 on success or an error code
// (high 16 bits the area, low 16 bits the error; see vmlib/errors.h).
using ErrorStatus = int32_t*;
