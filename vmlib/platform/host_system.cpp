#include "platform/host_system.h"

#include <sys/utsname.h>

namespace vm {

HostSystem ReadHostSystem() {
  HostSystem host;
  utsname u{};
  if (uname(&u) != 0) return host;
  host.sysname = u.sysname;
  host.release = u.release;
  host.machine = u.machine;
  return host;
}

void ParseReleaseNumbers(std::string_view release, uint32_t* major, uint32_t* minor, uint32_t* build) {
  uint32_t* parts[3] = {major, minor, build};
  for (uint32_t* p : parts) *p = 0;
  size_t i = 0;
  for (int part = 0; part < 3; ++part) {
    if (part > 0) {
      if (i >= release.size() || release[i] != '.') return;
      ++i;
    }
    const size_t start = i;
    uint64_t value = 0;
    while (i < release.size() && release[i] >= '0' && release[i] <= '9') {
      value = value * 10 + static_cast<uint64_t>(release[i] - '0');
      if (value > UINT32_MAX) return;
      ++i;
    }
    if (i == start) return;
    *parts[part] = static_cast<uint32_t>(value);
  }
}

}  // namespace vm
