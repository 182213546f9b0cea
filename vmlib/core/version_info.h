// The VS_VERSIONINFO structure: a tree of nodes, each
//   uint16 length      bytes of the node with its children
//   uint16 valueLength bytes of a binary value, UTF-16 units of a text value
//   uint16 type        0 binary, 1 text
//   UTF-16 key         NUL-terminated, then padding to a multiple of 4
//   value              then padding to a multiple of 4
//   children           nodes up to the node's length
// The root's key is "VS_VERSION_INFO"; its text values live under
// "StringFileInfo\<language and code page>\<name>". Alignment counts from
// the start of the block.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace vm {

enum class VersionLookup {
  kFound,
  kMissing,     // the block is sound but has no such value
  kUnreadable,  // not a version block
};

// The text value at path (components separated by "\", keys compared without
// regard to ASCII case), as UTF-8.
VersionLookup VersionBlockQuery(std::span<const uint8_t> block, std::string_view path, std::string* value);

// The version block of an ELF file (section ".vmversion") or of a PE file
// (its RT_VERSION resource); nothing when the file has none or cannot be read.
std::optional<std::vector<uint8_t>> ReadVersionBlock(const std::string& path);

}  // namespace vm
