#include "versiongen/version_block.h"

#include <charconv>

namespace vmversion {
namespace {

void Put16(std::vector<uint8_t>& b, uint32_t v) {
  b.push_back(static_cast<uint8_t>(v));
  b.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32(std::vector<uint8_t>& b, uint32_t v) {
  Put16(b, v & 0xFFFF);
  Put16(b, v >> 16);
}

void Pad4(std::vector<uint8_t>& b) {
  while (b.size() % 4 != 0) b.push_back(0);
}

// UTF-16 units of UTF-8 text; a malformed byte is taken as Latin-1 so the
// generator never fails on a name.
std::u16string Utf16(std::string_view s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    size_t n = b0 < 0x80 ? 1 : (b0 >> 5) == 6 ? 2 : (b0 >> 4) == 14 ? 3 : (b0 >> 3) == 30 ? 4 : 0;
    uint32_t cp = n == 1 ? b0 : n == 2 ? (b0 & 0x1F) : n == 3 ? (b0 & 0x0F) : (b0 & 0x07);
    bool ok = n != 0 && i + n <= s.size();
    for (size_t k = 1; ok && k < n; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      ok = (b & 0xC0) == 0x80;
      cp = (cp << 6) | (b & 0x3F);
    }
    if (!ok) {
      cp = b0;
      n = 1;
    }
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return out;
}

void PutText(std::vector<uint8_t>& b, std::u16string_view text) {
  for (const char16_t c : text) Put16(b, c);
  Put16(b, 0);
}

// One node: header, key, padding, value, padding, children; the length is
// filled in once the children are written.
class NodeWriter {
public:
  NodeWriter(std::vector<uint8_t>& b, std::u16string_view key, uint16_t valueLength, uint16_t type)
      : b_(b), start_(b.size()) {
    Put16(b_, 0);
    Put16(b_, valueLength);
    Put16(b_, type);
    PutText(b_, key);
    Pad4(b_);
  }
  ~NodeWriter() {
    const size_t length = b_.size() - start_;
    b_[start_] = static_cast<uint8_t>(length);
    b_[start_ + 1] = static_cast<uint8_t>(length >> 8);
    Pad4(b_);
  }

private:
  std::vector<uint8_t>& b_;
  size_t start_;
};

void PutString(std::vector<uint8_t>& b, std::u16string_view key, std::string_view value) {
  const std::u16string text = Utf16(value);
  NodeWriter node(b, key, static_cast<uint16_t>(text.size() + 1), 1);
  PutText(b, text);
}

}  // namespace

std::optional<VersionNumber> ParseVersion(std::string_view text) {
  VersionNumber v;
  size_t part = 0;
  while (true) {
    if (part == 4) return std::nullopt;
    unsigned value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (ec != std::errc{} || value > 0xFFFF) return std::nullopt;
    v.part[part++] = static_cast<uint16_t>(value);
    text.remove_prefix(static_cast<size_t>(end - text.data()));
    if (text.empty()) return v;
    if (text.front() != '.') return std::nullopt;
    text.remove_prefix(1);
  }
}

std::vector<uint8_t> BuildVersionBlock(const VersionBlockFields& f) {
  std::vector<uint8_t> b;
  {
    NodeWriter root(b, u"VS_VERSION_INFO", 52, 0);
    const uint32_t ms = (uint32_t{f.version.part[0]} << 16) | f.version.part[1];
    const uint32_t ls = (uint32_t{f.version.part[2]} << 16) | f.version.part[3];
    Put32(b, 0xFEEF04BD);  // signature of the fixed file information
    Put32(b, 0x00010000);  // its structure version 1.0
    Put32(b, ms);          // file version
    Put32(b, ls);
    Put32(b, ms);  // product version
    Put32(b, ls);
    Put32(b, 0x3F);  // flags mask
    Put32(b, 0);     // flags
    Put32(b, 0);     // operating system: none of the Windows ones
    Put32(b, static_cast<uint32_t>(f.kind));
    Put32(b, 0);  // subtype
    Put32(b, 0);  // date
    Put32(b, 0);
    Pad4(b);
    {
      NodeWriter info(b, u"StringFileInfo", 0, 1);
      NodeWriter table(b, u"041304E4", 0, 1);
      PutString(b, u"FileVersion", f.versionText);
      PutString(b, u"InternalName", f.internalName);
      PutString(b, u"OriginalFilename", f.originalFilename);
      PutString(b, u"ProductName", f.productName);
      PutString(b, u"ProductVersion", f.versionText);
    }
    {
      NodeWriter info(b, u"VarFileInfo", 0, 1);
      NodeWriter translation(b, u"Translation", 4, 0);
      Put16(b, 0x0413);  // Dutch
      Put16(b, 1252);    // Western European code page
    }
  }
  return b;
}

}  // namespace vmversion
