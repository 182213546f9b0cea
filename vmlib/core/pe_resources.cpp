// PE layout used here (offsets in bytes, little-endian):
//   DOS header   "MZ" at 0, offset of the PE signature at 0x3C
//   signature    "PE\0\0", then the file header (20 bytes): section count +2,
//                optional-header size +16
//   optional     magic 0x10B (PE32) or 0x20B (PE32+); directory count at
//                92 / 108, directories (RVA, size) from 96 / 112; the
//                resource directory is entry 2
//   sections     40 bytes each after the optional header: virtual size +8,
//                virtual address +12, raw size +16, raw offset +20
//   resources    directory: 16 bytes, named count +12, id count +14, then
//                8-byte entries (name or id, offset; the offset's top bit
//                marks a subdirectory, offsets count from the resource root);
//                levels type / name / language; a data entry holds RVA and size
#include "core/pe_resources.h"

#include <cstring>

namespace vm {
namespace {

constexpr uint32_t kResourceTypeVersion = 16;
constexpr uint32_t kSubdirectoryBit = 0x80000000u;
// A version block's own length is a 16-bit count; anything far beyond that
// is not a version resource.
constexpr uint32_t kMaxVersionResource = 1u << 20;

struct Section {
  uint32_t virtualSize;
  uint32_t virtualAddress;
  uint32_t rawSize;
  uint32_t rawOffset;
};

class PeImage {
public:
  explicit PeImage(const ByteSource& source) : source_(source) {}

  bool Load() {
    uint8_t dos[64];
    if (!source_.Read(0, dos, sizeof dos) || dos[0] != 'M' || dos[1] != 'Z') return false;
    const uint32_t pe = Le32(dos + 0x3C);
    uint8_t head[24];
    if (!source_.Read(pe, head, sizeof head) || std::memcmp(head, "PE\0\0", 4) != 0) return false;
    const uint16_t sectionCount = Le16(head + 6);
    const uint16_t optionalSize = Le16(head + 20);
    const uint64_t optional = static_cast<uint64_t>(pe) + 24;
    std::vector<uint8_t> opt;
    if (!source_.ReadBytes(optional, optionalSize, opt) || opt.size() < 2) return false;
    const uint16_t magic = Le16(opt.data());
    size_t countAt, dirsAt;
    if (magic == 0x10B) {
      countAt = 92, dirsAt = 96;
    } else if (magic == 0x20B) {
      countAt = 108, dirsAt = 112;
    } else {
      return false;
    }
    if (opt.size() < countAt + 4) return false;
    const uint32_t dirCount = Le32(opt.data() + countAt);
    const size_t resourceAt = dirsAt + 2 * 8;
    if (dirCount <= 2 || opt.size() < resourceAt + 8) return false;
    resourceRva_ = Le32(opt.data() + resourceAt);
    if (resourceRva_ == 0 || Le32(opt.data() + resourceAt + 4) == 0) return false;

    std::vector<uint8_t> table;
    if (!source_.ReadBytes(optional + optionalSize, static_cast<size_t>(sectionCount) * 40, table))
      return false;
    sections_.resize(sectionCount);
    for (size_t i = 0; i < sectionCount; ++i) {
      const uint8_t* s = table.data() + i * 40;
      sections_[i] = {Le32(s + 8), Le32(s + 12), Le32(s + 16), Le32(s + 20)};
    }
    return true;
  }

  // n bytes at a relative virtual address, all inside one section's file data.
  bool ReadRva(uint64_t rva, size_t n, std::vector<uint8_t>& out) const {
    for (const Section& s : sections_) {
      const uint64_t extent = s.virtualSize > s.rawSize ? s.virtualSize : s.rawSize;
      if (rva < s.virtualAddress || rva - s.virtualAddress >= extent) continue;
      const uint64_t delta = rva - s.virtualAddress;
      if (delta > s.rawSize || n > s.rawSize - delta) return false;
      return source_.ReadBytes(s.rawOffset + delta, n, out);
    }
    return false;
  }

  // The offset field of the first entry of the directory at dirOffset (from
  // the resource root) whose id is wanted, or of its first entry when wanted
  // is negative.
  std::optional<uint32_t> FindEntry(uint32_t dirOffset, int64_t wanted) const {
    std::vector<uint8_t> dir;
    if (!ReadRva(resourceRva_ + static_cast<uint64_t>(dirOffset), 16, dir)) return std::nullopt;
    const size_t count = static_cast<size_t>(Le16(dir.data() + 12)) + Le16(dir.data() + 14);
    std::vector<uint8_t> entries;
    if (!ReadRva(resourceRva_ + static_cast<uint64_t>(dirOffset) + 16, count * 8, entries))
      return std::nullopt;
    for (size_t i = 0; i < count; ++i) {
      const uint32_t id = Le32(entries.data() + i * 8);
      if (wanted < 0 || id == static_cast<uint32_t>(wanted)) return Le32(entries.data() + i * 8 + 4);
    }
    return std::nullopt;
  }

  uint32_t resourceRva() const { return resourceRva_; }

private:
  const ByteSource& source_;
  std::vector<Section> sections_;
  uint32_t resourceRva_ = 0;
};

}  // namespace

bool IsPeImage(const ByteSource& source) {
  uint8_t magic[2];
  return source.Read(0, magic, 2) && magic[0] == 'M' && magic[1] == 'Z';
}

std::optional<std::vector<uint8_t>> ReadPeVersionResource(const ByteSource& source) {
  PeImage image(source);
  if (!image.Load()) return std::nullopt;
  // Type, then name, then language: the first two lead to subdirectories,
  // the third to the data entry.
  const auto type = image.FindEntry(0, kResourceTypeVersion);
  if (!type || !(*type & kSubdirectoryBit)) return std::nullopt;
  const auto name = image.FindEntry(*type & ~kSubdirectoryBit, -1);
  if (!name || !(*name & kSubdirectoryBit)) return std::nullopt;
  const auto language = image.FindEntry(*name & ~kSubdirectoryBit, -1);
  if (!language || (*language & kSubdirectoryBit)) return std::nullopt;
  std::vector<uint8_t> data;
  if (!image.ReadRva(image.resourceRva() + static_cast<uint64_t>(*language), 16, data)) return std::nullopt;
  const uint32_t rva = Le32(data.data());
  const uint32_t size = Le32(data.data() + 4);
  if (size == 0 || size > kMaxVersionResource) return std::nullopt;
  std::vector<uint8_t> bytes;
  if (!image.ReadRva(rva, size, bytes)) return std::nullopt;
  return bytes;
}

}  // namespace vm
