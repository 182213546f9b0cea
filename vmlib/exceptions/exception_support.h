// The process record kept for the exception log.
#pragma once

#include <cstdint>
#include <string>

namespace vm {

struct ProcessRecord {
  uint32_t mainThreadId = 0;   // the thread that initialised the library
  std::string executablePath;  // full path of the running program
};

// Null before initialisation step 1 and after finalisation.
const ProcessRecord* ProcessRecordGet();

}  // namespace vm
