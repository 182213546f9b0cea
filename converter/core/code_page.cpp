#include "code_page.h"

#include <iconv.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace conv {
namespace {

constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Next code point of s from i, or -1 (consuming one byte) when malformed.
int32_t NextCodePoint(std::string_view s, size_t& i) {
  const auto b0 = static_cast<unsigned char>(s[i]);
  size_t n;
  uint32_t cp;
  if (b0 < 0x80) {
    ++i;
    return b0;
  } else if (b0 >= 0xC2 && b0 <= 0xDF) {
    cp = b0 & 0x1F, n = 2;
  } else if (b0 >= 0xE0 && b0 <= 0xEF) {
    cp = b0 & 0x0F, n = 3;
  } else if (b0 >= 0xF0 && b0 <= 0xF4) {
    cp = b0 & 0x07, n = 4;
  } else {
    ++i;
    return -1;
  }
  if (n > s.size() - i) {
    ++i;
    return -1;
  }
  for (size_t k = 1; k < n; ++k) {
    const auto b = static_cast<unsigned char>(s[i + k]);
    if ((b & 0xC0) != 0x80) {
      ++i;
      return -1;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++i;
    return -1;
  }
  i += n;
  return static_cast<int32_t>(cp);
}

// Code point to byte for one code page, built once through iconv (1252 from
// its own table, so the default never depends on the system's converters).
class CodePageTable {
public:
  explicit CodePageTable(int codePage) {
    if (codePage == 1252) {
      for (int b = 0; b < 256; ++b) {
        const char16_t cp = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b);
        map_.emplace(cp, static_cast<unsigned char>(b));
      }
      return;
    }
    const std::string name = codePage == 437 || codePage == 850 ? "CP" + std::to_string(codePage)
                                                                : "WINDOWS-" + std::to_string(codePage);
    iconv_t cd = iconv_open("UTF-32LE", name.c_str());
    if (cd == reinterpret_cast<iconv_t>(-1)) return;
    for (int b = 0; b < 256; ++b) {
      char in = static_cast<char>(b);
      unsigned char out[4];
      char* inp = &in;
      char* outp = reinterpret_cast<char*>(out);
      size_t inLeft = 1, outLeft = 4;
      if (iconv(cd, &inp, &inLeft, &outp, &outLeft) != static_cast<size_t>(-1) && outLeft == 0) {
        const uint32_t cp = out[0] | out[1] << 8 | out[2] << 16 | static_cast<uint32_t>(out[3]) << 24;
        map_.emplace(cp, static_cast<unsigned char>(b));
      }
      iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
  }
  bool empty() const { return map_.empty(); }
  int Find(uint32_t cp) const {
    const auto it = map_.find(cp);
    return it == map_.end() ? -1 : it->second;
  }

private:
  std::unordered_map<uint32_t, unsigned char> map_;
};

const CodePageTable& TableFor(int codePage) {
  static std::mutex mutex;
  static std::unordered_map<int, std::unique_ptr<CodePageTable>> tables;
  std::lock_guard<std::mutex> lock(mutex);
  if (!IsSupportedCodePage(codePage)) codePage = 1252;
  auto& slot = tables[codePage];
  if (!slot) {
    slot = std::make_unique<CodePageTable>(codePage);
    if (slot->empty()) slot = std::make_unique<CodePageTable>(1252);
  }
  return *slot;
}

}  // namespace

bool IsSupportedCodePage(int codePage) {
  return (codePage >= 1250 && codePage <= 1258) || codePage == 874 || codePage == 437 || codePage == 850;
}

std::string Utf8ToCodePage(std::string_view utf8, int codePage) {
  const CodePageTable& table = TableFor(codePage);
  std::string out;
  out.reserve(utf8.size());
  size_t i = 0;
  while (i < utf8.size()) {
    const int32_t cp = NextCodePoint(utf8, i);
    const int b = cp < 0 ? -1 : table.Find(static_cast<uint32_t>(cp));
    out.push_back(b < 0 ? '?' : static_cast<char>(b));
  }
  return out;
}

}  // namespace conv
