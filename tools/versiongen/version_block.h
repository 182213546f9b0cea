// Builds the binary version block (the VS_VERSIONINFO tree) that the build
// embeds in every executable and in the library.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vmversion {

struct VersionNumber {
  uint16_t part[4] = {0, 0, 0, 0};
};

// "a.b.c.d" with one to four decimal parts of 0 to 65535; missing parts 0.
std::optional<VersionNumber> ParseVersion(std::string_view text);

enum class FileKind : uint32_t { kApplication = 1, kLibrary = 2 };

struct VersionBlockFields {
  std::string productName;  // UTF-8
  std::string versionText;  // the FileVersion and ProductVersion text
  VersionNumber version;    // the fixed file information
  FileKind kind = FileKind::kApplication;
  std::string internalName;  // UTF-8, the target's name
  std::string originalFilename;
};

// The block with the fixed file information, one string table for Dutch
// and code page 1252 ("041304E4") and the matching translation entry.
std::vector<uint8_t> BuildVersionBlock(const VersionBlockFields& fields);

}  // namespace vmversion
