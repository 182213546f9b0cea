// ELF layout used here (offsets in bytes; 32-bit / 64-bit):
//   header   e_ident[16] (magic 7F 'E' 'L' 'F', class 1/2, data 1 LE/2 BE)
//            e_shoff 32/40, e_shentsize 46/58, e_shnum 48/60, e_shstrndx 50/62
//   section  sh_name 0, sh_type 4, sh_offset 16/24, sh_size 20/32,
//            sh_link 24/40; entries of at least 40/64 bytes
// Section 0 holds the real count and name-table index when they do not fit
// the header (e_shnum 0, e_shstrndx 0xFFFF).
#include "platform/elf_sections.h"

#include <cstring>

namespace vm {
namespace {

constexpr uint32_t kSectionNoBits = 8;
constexpr uint16_t kSectionIndexEscape = 0xFFFF;

class ElfFields {
public:
  ElfFields(bool is64, bool bigEndian) : is64_(is64), big_(bigEndian) {}
  bool is64() const { return is64_; }
  uint16_t U16(const uint8_t* p) const { return big_ ? static_cast<uint16_t>((p[0] << 8) | p[1]) : Le16(p); }
  uint32_t U32(const uint8_t* p) const {
    return big_ ? (static_cast<uint32_t>(U16(p)) << 16) | U16(p + 2) : Le32(p);
  }
  uint64_t U64(const uint8_t* p) const {
    return big_ ? (static_cast<uint64_t>(U32(p)) << 32) | U32(p + 4) : Le64(p);
  }
  // An address-sized field: 32 or 64 bits by class.
  uint64_t Word(const uint8_t* p) const { return is64_ ? U64(p) : U32(p); }

private:
  bool is64_;
  bool big_;
};

struct SectionHeader {
  uint32_t name = 0;
  uint32_t type = 0;
  uint64_t offset = 0;
  uint64_t size = 0;
  uint32_t link = 0;
};

SectionHeader DecodeSection(const ElfFields& f, const uint8_t* p) {
  SectionHeader s;
  s.name = f.U32(p);
  s.type = f.U32(p + 4);
  s.offset = f.Word(p + (f.is64() ? 24 : 16));
  s.size = f.Word(p + (f.is64() ? 32 : 20));
  s.link = f.U32(p + (f.is64() ? 40 : 24));
  return s;
}

}  // namespace

bool IsElf(const ByteSource& source) {
  uint8_t magic[4];
  return source.Read(0, magic, 4) && std::memcmp(magic,
                                                 "\x7F"
                                                 "ELF",
                                                 4) == 0;
}

std::optional<std::vector<uint8_t>> ReadElfSection(const ByteSource& source, std::string_view name,
                                                   uint64_t maxBytes) {
  uint8_t header[64];
  if (!IsElf(source) || !source.Read(0, header, 52)) return std::nullopt;
  const uint8_t elfClass = header[4], data = header[5];
  if ((elfClass != 1 && elfClass != 2) || (data != 1 && data != 2)) return std::nullopt;
  const ElfFields f(elfClass == 2, data == 2);
  if (f.is64() && !source.Read(0, header, 64)) return std::nullopt;

  const uint64_t tableOffset = f.Word(header + (f.is64() ? 40 : 32));
  const uint16_t entrySize = f.U16(header + (f.is64() ? 58 : 46));
  uint64_t count = f.U16(header + (f.is64() ? 60 : 48));
  uint32_t namesIndex = f.U16(header + (f.is64() ? 62 : 50));
  const size_t minEntry = f.is64() ? 64 : 40;
  if (tableOffset == 0 || entrySize < minEntry) return std::nullopt;

  std::vector<uint8_t> entry;
  if (!source.ReadBytes(tableOffset, entrySize, entry)) return std::nullopt;
  const SectionHeader first = DecodeSection(f, entry.data());
  if (count == 0) count = first.size;
  if (namesIndex == kSectionIndexEscape) namesIndex = first.link;
  // The whole table must lie in the file before it is read.
  if (count == 0 || count > source.Size() / entrySize || namesIndex >= count) return std::nullopt;
  std::vector<uint8_t> table;
  if (!source.ReadBytes(tableOffset, static_cast<size_t>(count * entrySize), table)) return std::nullopt;

  const SectionHeader names = DecodeSection(f, table.data() + namesIndex * entrySize);
  if (names.type == kSectionNoBits || !source.Contains(names.offset, names.size)) return std::nullopt;
  std::vector<uint8_t> wanted(name.size() + 1);
  for (uint64_t i = 0; i < count; ++i) {
    const SectionHeader s = DecodeSection(f, table.data() + i * entrySize);
    if (s.name >= names.size || names.size - s.name < wanted.size()) continue;
    if (!source.Read(names.offset + s.name, wanted.data(), wanted.size())) return std::nullopt;
    if (std::memcmp(wanted.data(), name.data(), name.size()) != 0 || wanted.back() != 0) continue;
    if (s.type == kSectionNoBits || s.size > maxBytes) return std::nullopt;
    std::vector<uint8_t> bytes;
    if (!source.ReadBytes(s.offset, static_cast<size_t>(s.size), bytes)) return std::nullopt;
    return bytes;
  }
  return std::nullopt;
}

}  // namespace vm
