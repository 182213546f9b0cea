// The running kernel as uname reports it.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace vm {

struct HostSystem {
  std::string sysname;  // "Linux"
  std::string release;  // "6.1.0-31-amd64"
  std::string machine;  // "x86_64"
};

// Empty fields when uname fails.
HostSystem ReadHostSystem();

// The first three decimal numbers of a release text ("6.1.0-31-amd64" gives
// 6, 1, 0); a number that is missing, or too large for 32 bits, reads 0 and
// ends the parse.
void ParseReleaseNumbers(std::string_view release, uint32_t* major, uint32_t* minor, uint32_t* build);

}  // namespace vm
