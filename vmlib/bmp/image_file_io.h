// Whole image files in and out through the library's buffered file streams.
#pragma once

#include <cstdint>
#include <vector>

#include "vmlib/frame.h"

namespace vm::bmp {

// Reads the whole file; 0 or the file stream's error code (open and read).
int32_t ReadFileBytes(const Str* path, std::vector<uint8_t>* out);
// Creates or replaces the file with bytes; 0 or the stream's error code. A
// file left incomplete by a failure is removed.
int32_t WriteFileBytes(const Str* path, const std::vector<uint8_t>& bytes);

}  // namespace vm::bmp
