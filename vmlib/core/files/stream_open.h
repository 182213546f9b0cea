// Opening a file for a stream from its 16-bit mode.
#pragma once

#include <cstdint>
#include <string_view>

#include "vmlib/files.h"

namespace vm::files {

// The FileCreate values a stream mode stands for.
struct StreamOpenValues {
  uint32_t access;
  uint32_t share;
  uint32_t disposition;
};
StreamOpenValues OpenValuesOf(uint16_t mode);

// True when the mode gives write access.
inline bool ModeWrites(uint16_t mode) { return mode == 0xFFFF || (mode & 0x3) != 0; }

// Opens path for a stream; kInvalidFileHandle with the code in err on failure.
FileHandle OpenForStream(std::string_view path, uint16_t mode, ErrorStatus err);

}  // namespace vm::files
