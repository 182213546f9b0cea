// Finds the version resource of a Windows PE file (32- or 64-bit image).
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/file_bytes.h"

namespace vm {

// True when the source starts with the "MZ" of a DOS or PE image.
bool IsPeImage(const ByteSource& source);

// The bytes of the first RT_VERSION resource (first name, first language).
// Nothing when the image is malformed, has no resource directory or no
// version resource.
std::optional<std::vector<uint8_t>> ReadPeVersionResource(const ByteSource& source);

}  // namespace vm
