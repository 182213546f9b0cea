#include "jet_text.h"

namespace jetwrite {

std::optional<std::u16string> Utf16FromUtf8(std::string_view s) {
  std::u16string out;
  size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t n;
    if (b0 < 0x80) {
      cp = b0, n = 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      cp = b0 & 0x1F, n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      cp = b0 & 0x0F, n = 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      cp = b0 & 0x07, n = 4;
    } else {
      return std::nullopt;
    }
    if (n > s.size() - i) return std::nullopt;
    for (size_t k = 1; k < n; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return std::nullopt;
      cp = (cp << 6) | (b & 0x3F);
    }
    if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF))
      return std::nullopt;
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

std::vector<uint8_t> Ucs2Bytes(const std::u16string& text) {
  std::vector<uint8_t> out;
  out.reserve(text.size() * 2);
  for (const char16_t c : text) {
    out.push_back(static_cast<uint8_t>(c & 0xFF));
    out.push_back(static_cast<uint8_t>(c >> 8));
  }
  return out;
}

std::vector<uint8_t> StoredTextBytes(const std::u16string& text, bool allowCompression) {
  // Two marker bytes plus one per character beats two per character only
  // from three characters on; a zero low byte would read as a mode switch.
  bool compressible = allowCompression && text.size() > 2;
  for (const char16_t c : text) {
    if (c > 0xFF || (c & 0xFF) == 0) compressible = false;
  }
  if (!compressible) return Ucs2Bytes(text);
  std::vector<uint8_t> out{0xFF, 0xFE};
  for (const char16_t c : text) out.push_back(static_cast<uint8_t>(c));
  return out;
}

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

}  // namespace jetwrite
