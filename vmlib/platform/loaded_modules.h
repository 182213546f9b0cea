// The modules (executable and shared objects) mapped into the process.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vm {

struct LoadedModule {
  std::string path;
  uint64_t base = 0;      // lowest mapped address of the module
  uint64_t codeBase = 0;  // start of its executable segment, 0 when it has none
  uint64_t codeSize = 0;  // bytes of that segment in memory
};

// Every module with a file name, sorted by base, each base once. The main
// program, which the loader lists without a name, is given executablePath.
std::vector<LoadedModule> ListLoadedModules(const std::string& executablePath);

}  // namespace vm
