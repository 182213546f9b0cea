#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/version_info.h"
#include "platform/elf_sections.h"
#include "support/test_support.h"
#include "versiongen/version_block.h"
#include "vmlib/sysinfo.h"

namespace {

using Bytes = std::vector<uint8_t>;

void Put16(Bytes& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(Bytes& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}
void Set32(Bytes& b, size_t at, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void Pad4(Bytes& b) {
  while (b.size() % 4) b.push_back(0);
}

// One node of a version tree, written as the structure lays it out.
struct VNode {
  std::u16string key;
  std::u16string text;  // the value of a text leaf
  Bytes binary;         // the value of a binary node
  std::vector<VNode> children;
  bool isText = true;

  void Write(Bytes& b) const {
    const size_t start = b.size();
    Put16(b, 0);
    Put16(b, isText ? (text.empty() ? 0 : text.size() + 1) : binary.size());
    Put16(b, isText ? 1 : 0);
    for (char16_t c : key) Put16(b, c);
    Put16(b, 0);
    Pad4(b);
    if (isText && !text.empty()) {
      for (char16_t c : text) Put16(b, c);
      Put16(b, 0);
    }
    b.insert(b.end(), binary.begin(), binary.end());
    Pad4(b);
    for (const VNode& c : children) {
      c.Write(b);
      Pad4(b);
    }
    const size_t length = b.size() - start;
    b[start] = static_cast<uint8_t>(length);
    b[start + 1] = static_cast<uint8_t>(length >> 8);
  }
};

VNode Text(std::u16string key, std::u16string value) { return {std::move(key), std::move(value), {}, {}}; }

// A version block with one string table under the given language key.
Bytes Block(std::u16string table, std::vector<VNode> strings) {
  VNode root{u"VS_VERSION_INFO", {}, Bytes(52, 0), {}, false};
  root.binary[0] = 0xBD, root.binary[1] = 0x04, root.binary[2] = 0xEF, root.binary[3] = 0xFE;
  root.children.push_back({u"StringFileInfo", {}, {}, {{std::move(table), {}, {}, std::move(strings)}}});
  root.children.push_back(
      {u"VarFileInfo", {}, {}, {{u"Translation", {}, {0x13, 0x04, 0xE4, 0x04}, {}, false}}});
  Bytes b;
  root.Write(b);
  return b;
}

// A minimal PE image: headers, one ".rsrc" section at RVA 0x1000 holding a
// resource tree type 16 / name 1 / language 0x413 that leads to block.
Bytes PeImage(const Bytes& block, bool plus, bool withResourceDirectory = true) {
  Bytes b(0x40, 0);
  b[0] = 'M', b[1] = 'Z';
  Set32(b, 0x3C, 0x40);
  for (const uint8_t c : {'P', 'E', '\0', '\0'}) b.push_back(c);
  const uint16_t optionalSize = plus ? 240 : 224;
  Put16(b, plus ? 0x8664 : 0x14C);
  Put16(b, 1);  // sections
  Put32(b, 0), Put32(b, 0), Put32(b, 0);
  Put16(b, optionalSize);
  Put16(b, 0x2102);
  const size_t optional = b.size();
  b.resize(optional + optionalSize, 0);
  b[optional] = 0x0B, b[optional + 1] = plus ? 0x02 : 0x01;
  const size_t countAt = optional + (plus ? 108 : 92), dirs = optional + (plus ? 112 : 96);
  Set32(b, countAt, 16);

  Bytes rsrc;
  auto directory = [&rsrc](std::vector<std::pair<uint32_t, uint32_t>> entries) {
    Put32(rsrc, 0), Put32(rsrc, 0), Put32(rsrc, 0);
    Put16(rsrc, 0);
    Put16(rsrc, static_cast<uint32_t>(entries.size()));
    for (auto [id, offset] : entries) Put32(rsrc, id), Put32(rsrc, offset);
  };
  // Offsets from the root: a directory takes 16 bytes and 8 per entry.
  directory({{3, 0x80000000u | 0x20}, {16, 0x80000000u | 0x38}});  // 0x00: icons, then versions
  directory({{1, 0x80000000u | 0x68}});                            // 0x20: icons, never followed
  directory({{1, 0x80000000u | 0x50}});                            // 0x38: version names
  directory({{0x413, 0x78}});                                      // 0x50: languages
  directory({});                                                   // 0x68
  // 0x78: the data entry; the block follows at 0x88.
  Put32(rsrc, 0x1000 + 0x88), Put32(rsrc, static_cast<uint32_t>(block.size())), Put32(rsrc, 0),
      Put32(rsrc, 0);
  rsrc.insert(rsrc.end(), block.begin(), block.end());

  if (withResourceDirectory)
    Set32(b, dirs + 16, 0x1000), Set32(b, dirs + 20, static_cast<uint32_t>(rsrc.size()));
  const size_t section = b.size();
  b.resize(section + 40, 0);
  std::memcpy(&b[section], ".rsrc", 5);
  Set32(b, section + 8, static_cast<uint32_t>(rsrc.size()));
  Set32(b, section + 12, 0x1000);
  Set32(b, section + 16, static_cast<uint32_t>((rsrc.size() + 0x1FF) & ~0x1FFu));
  Set32(b, section + 20, 0x200);
  b.resize(0x200, 0);
  b.insert(b.end(), rsrc.begin(), rsrc.end());
  b.resize(0x200 + ((rsrc.size() + 0x1FF) & ~0x1FFu), 0);
  return b;
}

struct Result {
  std::string product, version;
  int32_t status = -1;
};

Result ReadVersion(const std::string& path) {
  Str* file = StrCreate(path.data(), static_cast<int32_t>(path.size()));
  Str* product = StrCreate("stale", 5);
  Str* version = StrCreate("stale", 5);
  Result r;
  VersionInfoGetProgNameAndVersion(file, product, version, &r.status);
  r.product.assign(product->text, product->length);
  r.version.assign(version->text, version->length);
  StrDelete(file);
  StrDelete(product);
  StrDelete(version);
  return r;
}

std::string WriteFile(const vmtest::TempDir& dir, const char* name, const Bytes& bytes) {
  const std::string path = dir.str() + "/" + name;
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  return path;
}

const std::vector<VNode> kDutchStrings = {Text(u"CompanyName", u"Velmora"), Text(u"FileVersion", u"3.1.0.7"),
                                          Text(u"ProductName", u"Kaartlezer \u00e9\u20ac")};

TEST(VersionInfo, PeImagesOfBothWidthsGiveTheDutchValues) {
  vmtest::TempDir dir;
  for (const bool plus : {false, true}) {
    const Result r = ReadVersion(WriteFile(dir, "app.exe", PeImage(Block(u"041304E4", kDutchStrings), plus)));
    EXPECT_EQ(r.status, 0) << plus;
    EXPECT_EQ(r.version, "3.1.0.7");
    EXPECT_EQ(r.product, "Kaartlezer \xC3\xA9\xE2\x82\xAC");  // UTF-8
  }
}

TEST(VersionInfo, MissingValuesGiveTheirCodes) {
  struct Case {
    const char* what;
    Bytes image;
    int32_t status;
    const char* product;
    const char* version;
  };
  const Case cases[] = {
      {"only an English block", PeImage(Block(u"040904B0", kDutchStrings), false), 0x50002, "", ""},
      {"no ProductName", PeImage(Block(u"041304E4", {Text(u"FileVersion", u"1.2")}), true), 0x50001, "",
       "1.2"},
      {"neither value", PeImage(Block(u"041304E4", {Text(u"Comments", u"x")}), false), 0x50002, "", ""},
      {"table key in lower case", PeImage(Block(u"041304e4", kDutchStrings), false), 0,
       "Kaartlezer \xC3\xA9\xE2\x82\xAC", "3.1.0.7"},
      {"no resource directory", PeImage(Block(u"041304E4", kDutchStrings), false, false), 0x50000, "", ""},
      {"not an executable", Bytes{'h', 'e', 'l', 'l', 'o'}, 0x50000, "", ""},
      {"empty file", Bytes{}, 0x50000, "", ""},
  };
  vmtest::TempDir dir;
  for (const Case& c : cases) {
    const Result r = ReadVersion(WriteFile(dir, "case.exe", c.image));
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.product, c.product) << c.what;
    EXPECT_EQ(r.version, c.version) << c.what;
  }
  const Result missing = ReadVersion(dir.str() + "/absent.exe");
  EXPECT_EQ(missing.status, 0x50000);
  EXPECT_EQ(missing.product, "");
  EXPECT_EQ(ReadVersion(dir.str()).status, 0x50000);  // a folder
}

TEST(VersionInfo, DamagedPeImagesAreRefusedAtEveryCut) {
  const Bytes image = PeImage(Block(u"041304E4", kDutchStrings), true);
  vmtest::TempDir dir;
  // Every truncation that loses part of the headers, the tree or the block.
  for (size_t cut = 0; cut < 0x200 + 0x88 + 0x40; cut += 7) {
    const Bytes part(image.begin(), image.begin() + static_cast<std::ptrdiff_t>(cut));
    EXPECT_EQ(ReadVersion(WriteFile(dir, "cut.exe", part)).status, 0x50000) << cut;
  }
  Bytes wild = image;
  Set32(wild, 0x200 + 0x78 + 4, 0x7FFFFFF0);  // data entry size beyond the section
  EXPECT_EQ(ReadVersion(WriteFile(dir, "wild.exe", wild)).status, 0x50000);
  Bytes loop = image;
  Set32(loop, 0x200 + 0x38 + 16 + 4, 0x80000000u);  // name level points back at the root
  EXPECT_EQ(ReadVersion(WriteFile(dir, "loop.exe", loop)).status, 0x50000);
}

TEST(VersionBlock, MalformedTreesAreUnreadable) {
  const Bytes good = Block(u"041304E4", kDutchStrings);
  std::string value;
  ASSERT_EQ(vm::VersionBlockQuery(good, "StringFileInfo\\041304E4\\FileVersion", &value),
            vm::VersionLookup::kFound);
  EXPECT_EQ(value, "3.1.0.7");

  Bytes longer = good;
  longer[0] = static_cast<uint8_t>(good.size() + 4);  // root claims more than there is
  longer[1] = static_cast<uint8_t>((good.size() + 4) >> 8);
  EXPECT_EQ(vm::VersionBlockQuery(longer, "StringFileInfo", &value), vm::VersionLookup::kUnreadable);

  Bytes otherRoot = good;
  otherRoot[6] = 'W';  // "WS_VERSION_INFO"
  EXPECT_EQ(vm::VersionBlockQuery(otherRoot, "StringFileInfo", &value), vm::VersionLookup::kUnreadable);

  Bytes zeroChild = good;
  // The first child (StringFileInfo) follows the root's key and fixed information.
  const size_t child = 6 + 2 * 16 + 2 + 52;
  zeroChild[child] = 0, zeroChild[child + 1] = 0;
  EXPECT_EQ(vm::VersionBlockQuery(zeroChild, "StringFileInfo\\041304E4\\FileVersion", &value),
            vm::VersionLookup::kUnreadable);

  EXPECT_EQ(vm::VersionBlockQuery({}, "StringFileInfo", &value), vm::VersionLookup::kUnreadable);
  EXPECT_EQ(vm::VersionBlockQuery(good, "VarFileInfo\\Nothing", &value), vm::VersionLookup::kMissing);
}

TEST(VersionBlock, GeneratorWritesWhatTheParserReads) {
  vmversion::VersionBlockFields f;
  f.productName = "Naam \xE2\x82\xAC";
  f.versionText = "1.0.1.0";
  f.version = *vmversion::ParseVersion("1.0.1.0");
  const Bytes block = vmversion::BuildVersionBlock(f);
  std::string value;
  ASSERT_EQ(vm::VersionBlockQuery(block, "StringFileInfo\\041304E4\\ProductName", &value),
            vm::VersionLookup::kFound);
  EXPECT_EQ(value, f.productName);
  ASSERT_EQ(vm::VersionBlockQuery(block, "StringFileInfo\\041304E4\\FileVersion", &value),
            vm::VersionLookup::kFound);
  EXPECT_EQ(value, "1.0.1.0");
  EXPECT_EQ(block.size() % 4, 0u);
  EXPECT_EQ(block[0] | (block[1] << 8), static_cast<int>(block.size()));
  // Fixed information: signature, then file version 1.0 / 1.0 as two words.
  const size_t fixed = 6 + 2 * 16 + 2;
  EXPECT_EQ(block[fixed], 0xBD);
  EXPECT_EQ(block[fixed + 3], 0xFE);
  EXPECT_EQ(block[fixed + 10], 1);  // major in the high half of the first word
  EXPECT_EQ(block[fixed + 14], 1);  // release in the high half of the second word

  EXPECT_FALSE(vmversion::ParseVersion("1.2.3.4.5"));
  EXPECT_FALSE(vmversion::ParseVersion("1..2"));
  EXPECT_FALSE(vmversion::ParseVersion("65536"));
  EXPECT_FALSE(vmversion::ParseVersion(""));
  EXPECT_EQ(vmversion::ParseVersion("7.8")->part[1], 8);
}

TEST(VersionInfo, BuiltProgramsCarryTheirEmbeddedVersion) {
  const Result probe = ReadVersion(VM_TEST_PROBE_PATH);
  EXPECT_EQ(probe.status, 0);
  EXPECT_EQ(probe.product,
            "Probe \xC3\x9Cn\xC3\xAF"
            "code");
  EXPECT_EQ(probe.version, "2.3.4.5");
  for (const char* path : {VM_TEST_LIBRARY_PATH, VM_TEST_CONVERTER_PATH}) {
    const Result r = ReadVersion(path);
    EXPECT_EQ(r.status, 0) << path;
    EXPECT_EQ(r.product, VM_TEST_PRODUCT_NAME) << path;
    EXPECT_EQ(r.version, VM_TEST_PROJECT_VERSION) << path;
  }
  // This test program carries none.
  EXPECT_EQ(ReadVersion("/proc/self/exe").status, 0x50000);
}

// A minimal ELF file: header, a payload section, the section-name table and
// the section headers, in either class and byte order.
Bytes ElfImage(bool is64, bool big, uint32_t payloadType, const Bytes& payload) {
  auto put = [big](Bytes& b, uint64_t v, int size) {
    for (int i = 0; i < size; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * (big ? size - 1 - i : i))));
  };
  const int word = is64 ? 8 : 4;
  const size_t headerSize = is64 ? 64 : 52;
  const std::string names = std::string("\0.vmversion\0.shstrtab\0", 22);
  const size_t payloadAt = headerSize, namesAt = payloadAt + payload.size();
  const size_t tableAt = (namesAt + names.size() + 7) & ~size_t{7};
  const size_t entry = is64 ? 64 : 40;

  Bytes b = {0x7F, 'E', 'L', 'F', static_cast<uint8_t>(is64 ? 2 : 1), static_cast<uint8_t>(big ? 2 : 1), 1};
  b.resize(16, 0);
  put(b, 2, 2), put(b, 62, 2), put(b, 1, 4);
  put(b, 0, word), put(b, 0, word), put(b, tableAt, word);
  put(b, 0, 4), put(b, headerSize, 2), put(b, 0, 2), put(b, 0, 2);
  put(b, entry, 2), put(b, 3, 2), put(b, 2, 2);
  b.insert(b.end(), payload.begin(), payload.end());
  b.insert(b.end(), names.begin(), names.end());
  b.resize(tableAt, 0);
  auto section = [&](uint32_t name, uint32_t type, uint64_t offset, uint64_t size) {
    const size_t start = b.size();
    put(b, name, 4), put(b, type, 4), put(b, 0, word), put(b, 0, word);
    put(b, offset, word), put(b, size, word);
    b.resize(start + entry, 0);
  };
  section(0, 0, 0, 0);
  section(1, payloadType, payloadAt, payload.size());
  section(12, 3, namesAt, names.size());
  return b;
}

TEST(ElfSections, FoundInEveryClassAndByteOrder) {
  const Bytes payload = {1, 2, 3, 4, 5};
  for (const bool is64 : {false, true}) {
    for (const bool big : {false, true}) {
      const Bytes elf = ElfImage(is64, big, 1, payload);
      vm::MemoryByteSource source(elf);
      const auto got = vm::ReadElfSection(source, ".vmversion", 1024);
      ASSERT_TRUE(got) << is64 << big;
      EXPECT_EQ(*got, payload);
      EXPECT_FALSE(vm::ReadElfSection(source, ".vmversio", 1024));  // names match whole
      EXPECT_FALSE(vm::ReadElfSection(source, ".vmversion", 4));    // larger than allowed
      for (size_t cut = 0; cut < elf.size(); cut += 5) {
        vm::MemoryByteSource part(std::span<const uint8_t>(elf).first(cut));
        EXPECT_FALSE(vm::ReadElfSection(part, ".vmversion", 1024)) << cut;
      }
    }
  }
  const Bytes nobits = ElfImage(true, false, 8, payload);
  vm::MemoryByteSource source(nobits);
  EXPECT_FALSE(vm::ReadElfSection(source, ".vmversion", 1024));
}

TEST(VersionInfo, ElfWithBlockInItsSectionIsRead) {
  vmtest::TempDir dir;
  const Bytes elf = ElfImage(false, true, 1, Block(u"041304E4", kDutchStrings));
  const Result r = ReadVersion(WriteFile(dir, "tool", elf));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.version, "3.1.0.7");
}

}  // namespace

namespace {

// The section reader agrees byte for byte with the binary tools' own copy of
// the section.
TEST(ElfSections, AgreeWithObjcopy) {
  if (std::system("objcopy --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "objcopy is not installed";
  vmtest::TempDir dir;
  for (const char* path : {VM_TEST_PROBE_PATH, VM_TEST_LIBRARY_PATH}) {
    const std::string out = dir.str() + "/section.bin";
    const std::string command =
        std::string("objcopy -O binary --only-section=.vmversion '") + path + "' '" + out + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    std::ifstream in(out, std::ios::binary);
    const Bytes expected((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(expected.empty());
    vm::FileByteSource file;
    ASSERT_TRUE(file.Open(path));
    const auto got = vm::ReadElfSection(file, ".vmversion", 1 << 20);
    ASSERT_TRUE(got) << path;
    EXPECT_EQ(*got, expected) << path;
  }
}

}  // namespace
