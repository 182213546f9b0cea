// Text helpers of the Jet writer: UTF-8 in, the file's UCS-2 forms out.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace jetwrite {

// Strict UTF-8 to UTF-16; nullopt on a malformed sequence.
std::optional<std::u16string> Utf16FromUtf8(std::string_view utf8);

// UTF-16LE bytes of a text.
std::vector<uint8_t> Ucs2Bytes(const std::u16string& text);

// The bytes a text column stores: the "compressed" one-byte form (FF FE then
// one byte per character) when every character fits in one byte, none has a
// low byte of 0 and the result is strictly shorter; plain UTF-16LE otherwise.
std::vector<uint8_t> StoredTextBytes(const std::u16string& text, bool allowCompression);

// Case-insensitive equality of names (ASCII letters fold; others compare as is).
bool SameName(std::string_view a, std::string_view b);

}  // namespace jetwrite
