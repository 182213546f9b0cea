// Machine and program facts for the exception log.
#include "exceptions/system_facts.h"

#include <sys/sysinfo.h>
#include <sys/utsname.h>

#include <cstdio>

namespace vm {

CpuFacts ReadCpuFacts() {
  // The processor description belongs to the system-information module;
  // until it is linked in, the log prints the CPU values empty.
  return {};
}

OsFacts ReadOsFacts() {
  OsFacts os;
  utsname u{};
  if (uname(&u) != 0) return os;
  os.name = std::string(u.sysname) + " " + u.release + " (" + u.machine + ")";
  unsigned major = 0, minor = 0, build = 0;
  if (std::sscanf(u.release, "%u.%u.%u", &major, &minor, &build) >= 1) {
    os.major = major;
    os.minor = minor;
    os.build = build;
  }
  return os;
}

ProgramFacts ReadProgramFacts(const std::string&) { return {}; }

uint64_t TotalPhysicalMemory() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

}  // namespace vm
