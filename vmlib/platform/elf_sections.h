// Reads one named section of an ELF file (32- or 64-bit, either byte order).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/file_bytes.h"

namespace vm {

// True when the source starts with the ELF magic.
bool IsElf(const ByteSource& source);

// The bytes of the first section called name. Nothing when the source is not
// a well-formed ELF file, has no such section, the section holds no file bytes
// or is larger than maxBytes.
std::optional<std::vector<uint8_t>> ReadElfSection(const ByteSource& source, std::string_view name,
                                                   uint64_t maxBytes);

}  // namespace vm
