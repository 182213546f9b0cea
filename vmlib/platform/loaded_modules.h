// The modules (executable and shared objects) mapped into the process, and
// the facts of their files that the exception log prints.
#pragma once

#include <cstdint>
#include <ctime>
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

struct ModuleFileFacts {
  uint64_t checksum = 0;  // XOR of the file's little-endian 64-bit words, the last padded with zeros
  uint64_t size = 0;      // bytes
  time_t modified = 0;    // last write, seconds since 1970 UTC
};
// False when the file cannot be opened, its time read or its checksum computed.
bool ReadModuleFileFacts(const std::string& path, ModuleFileFacts* out);

}  // namespace vm
