// What the exception log tells about the machine and the program, gathered
// in one place so that the log's text can be built from given facts.
// Absent values stay empty or zero.
#pragma once

#include <cstdint>
#include <string>

namespace vm {

struct CpuFacts {
  bool valid = false;  // false: every CPU value prints empty
  std::string name;    // brand string, else the vendor
  uint16_t family = 0;
  uint8_t model = 0;
  uint8_t stepping = 0;
  uint32_t signature = 0;
  uint32_t features = 0;
  uint32_t instructionSets = 0;  // 1 MMX, 2 SSE, 4 SSE2, 8 SSE3, 0x10 3DNow!, 0x20 3DNow!(+), 0x40 MMX(+)
};

struct OsFacts {
  std::string name;
  uint32_t major = 0, minor = 0, build = 0, platform = 0;
  uint16_t servicePackMajor = 0, servicePackMinor = 0;
  int32_t productType = -1;  // 0 workstation, 1 domain controller, 2 server
  uint32_t suiteMask = 0;
};

struct ProgramFacts {
  std::string name;
  std::string version;
};

CpuFacts ReadCpuFacts();
OsFacts ReadOsFacts();
ProgramFacts ReadProgramFacts(const std::string& executablePath);
uint64_t TotalPhysicalMemory();  // bytes, 0 when unknown

}  // namespace vm
