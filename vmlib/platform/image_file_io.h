// Whole-file reads and writes for the image readers and the BMP writer.
#pragma once

#include <cstdint>
#include <vector>

#include "vmlib/frame.h"

namespace vm::platform {

// Reads the whole file; 0 or the library's file error code (0x10000 not
// found, 0x10004 read access denied, 0x10008 cannot read).
int32_t ReadFileBytes(const Str* path, std::vector<uint8_t>* out);
// Creates or replaces the file with bytes; 0 or 0x10001 (cannot create),
// 0x10005 (write access denied), 0x1000A (cannot write). A file left
// incomplete by a failure is removed.
int32_t WriteFileBytes(const Str* path, const std::vector<uint8_t>& bytes);

}  // namespace vm::platform
