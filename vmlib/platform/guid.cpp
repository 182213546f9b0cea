// GUIDs from the kernel's random source.
#include "platform/guid.h"

#include <sys/random.h>

#include <cerrno>
#include <cstring>

#include "vmlib/frame.h"

namespace vm {

namespace {

void RandomGuid(GUID* out) {
  uint8_t bytes[16];
  size_t got = 0;
  while (got < sizeof bytes) {
    const ssize_t n = getrandom(bytes + got, sizeof bytes - got, 0);
    if (n < 0) {
      if (errno == EINTR) continue;
      throw CException("CoCreateGuid failed");
    }
    got += static_cast<size_t>(n);
  }
  // Version 4 (random) in the top nibble of Data3, variant 10xx in Data4[0].
  bytes[7] = static_cast<uint8_t>((bytes[7] & 0x0F) | 0x40);
  bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);
  std::memcpy(out, bytes, sizeof bytes);
}

GuidSource g_source = RandomGuid;

}  // namespace

void NewGuid(GUID* out) { g_source(out); }

GuidSource SetGuidSource(GuidSource source) {
  const GuidSource previous = g_source;
  g_source = source != nullptr ? source : RandomGuid;
  return previous;
}

}  // namespace vm
