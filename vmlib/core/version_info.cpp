// VersionInfoGetProgNameAndVersion: one parser of the version structure, fed
// from ELF files (the block the build embeds) and from Windows PE files.
#include "core/version_info.h"

#include "core/pe_resources.h"
#include "core/str_internal.h"
#include "platform/elf_sections.h"
#include "platform/file_bytes.h"
#include "vmlib/sysinfo.h"

namespace vm {
namespace {

constexpr int32_t kNoVersionResource = 0x50000;
constexpr int32_t kNoProductName = 0x50001;
constexpr int32_t kNoFileVersion = 0x50002;
constexpr int32_t kOutOfMemory = 0x6;
constexpr uint64_t kMaxSectionBytes = 1u << 20;

constexpr size_t Align4(size_t n) { return (n + 3) & ~size_t{3}; }

struct Node {
  size_t begin = 0;
  size_t end = 0;  // one past the node's last byte
  uint16_t valueLength = 0;
  uint16_t type = 0;
  std::u16string key;
  size_t valueBegin = 0;
  size_t childrenBegin = 0;
};

// The node at pos, which must end by limit.
std::optional<Node> ReadNode(std::span<const uint8_t> b, size_t pos, size_t limit) {
  if (limit > b.size() || pos > limit || limit - pos < 6) return std::nullopt;
  Node n;
  n.begin = pos;
  const uint16_t length = Le16(&b[pos]);
  if (length < 6 || length > limit - pos) return std::nullopt;
  n.end = pos + length;
  n.valueLength = Le16(&b[pos + 2]);
  n.type = Le16(&b[pos + 4]);
  size_t p = pos + 6;
  for (;;) {
    if (n.end - p < 2) return std::nullopt;  // key without terminator
    const char16_t c = Le16(&b[p]);
    p += 2;
    if (c == 0) break;
    n.key.push_back(c);
  }
  n.valueBegin = Align4(p) < n.end ? Align4(p) : n.end;
  const size_t valueBytes = n.type == 1 ? size_t{n.valueLength} * 2 : n.valueLength;
  const size_t after = n.valueBegin + valueBytes;
  n.childrenBegin = Align4(after) < n.end ? Align4(after) : n.end;
  return n;
}

bool SameKey(std::u16string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i];
    char y = b[i];
    if (x >= u'a' && x <= u'z') x = static_cast<char16_t>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<char>(y - 32);
    if (x != static_cast<unsigned char>(y)) return false;
  }
  return true;
}

std::optional<Node> FindChild(std::span<const uint8_t> b, const Node& parent, std::string_view key,
                              bool* malformed) {
  size_t pos = parent.childrenBegin;
  while (parent.end - pos >= 6) {
    const auto child = ReadNode(b, pos, parent.end);
    if (!child) {
      *malformed = true;
      return std::nullopt;
    }
    if (SameKey(child->key, key)) return child;
    pos = Align4(child->end);
    if (pos >= parent.end) break;
  }
  return std::nullopt;
}

// A text value runs to its terminator; its stated length is a hint that
// writers do not all fill the same way, so the node's end is the bound.
std::u16string TextValue(std::span<const uint8_t> b, const Node& n) {
  std::u16string text;
  for (size_t p = n.valueBegin; n.end - p >= 2; p += 2) {
    const char16_t c = Le16(&b[p]);
    if (c == 0) break;
    text.push_back(c);
  }
  return text;
}

}  // namespace

VersionLookup VersionBlockQuery(std::span<const uint8_t> block, std::string_view path, std::string* value) {
  auto root = ReadNode(block, 0, block.size());
  if (!root || !SameKey(root->key, "VS_VERSION_INFO")) return VersionLookup::kUnreadable;
  Node node = *root;
  while (!path.empty()) {
    const size_t cut = path.find('\\');
    const std::string_view key = path.substr(0, cut);
    path = cut == std::string_view::npos ? std::string_view{} : path.substr(cut + 1);
    bool malformed = false;
    auto child = FindChild(block, node, key, &malformed);
    if (malformed) return VersionLookup::kUnreadable;
    if (!child) return VersionLookup::kMissing;
    node = *child;
  }
  *value = Utf8FromUtf16(TextValue(block, node));
  return VersionLookup::kFound;
}

std::optional<std::vector<uint8_t>> ReadVersionBlock(const std::string& path) {
  FileByteSource file;
  if (!file.Open(path)) return std::nullopt;
  if (IsElf(file)) return ReadElfSection(file, ".vmversion", kMaxSectionBytes);
  if (IsPeImage(file)) return ReadPeVersionResource(file);
  return std::nullopt;
}

}  // namespace vm

VMLIB_EXPORT void VersionInfoGetProgNameAndVersion(const Str* fileName, Str* productName, Str* fileVersion,
                                                   ErrorStatus status) {
  using namespace vm;
  int32_t result = 0;
  auto put = [&](Str* out, std::string_view text) {
    if (out != nullptr && !StrAssign(out, text) && result == 0) result = kOutOfMemory;
  };
  put(productName, {});
  put(fileVersion, {});
  const auto block = ReadVersionBlock(std::string(StrView(fileName)));
  std::string version, product;
  if (!block) {
    result = kNoVersionResource;
  } else {
    switch (VersionBlockQuery(*block, "StringFileInfo\\041304E4\\FileVersion", &version)) {
      case VersionLookup::kUnreadable:
        result = kNoVersionResource;
        break;
      case VersionLookup::kMissing:
        result = kNoFileVersion;
        break;
      case VersionLookup::kFound:
        put(fileVersion, version);
        if (VersionBlockQuery(*block, "StringFileInfo\\041304E4\\ProductName", &product) ==
            VersionLookup::kFound) {
          put(productName, product);
        } else if (result == 0) {
          result = kNoProductName;
        }
        break;
    }
  }
  if (status != nullptr) *status = result;
}
