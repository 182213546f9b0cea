// Str: the counted string in which texts cross the library boundary.
#include <cstdlib>
#include <cstring>

#include "core/str_internal.h"
#include "vmlib/frame.h"

namespace vm {
namespace {

// Windows-1252 code points of bytes 0x80 to 0x9F; the rest equal Latin-1.
constexpr char16_t kCp1252High[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                      0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                      0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                      0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

// Decodes strict UTF-8 into out; false on any malformed sequence.
bool DecodeUtf8(std::string_view s, std::u16string& out) {
  out.clear();
  size_t i = 0;
  while (i < s.size()) {
    const auto b0 = static_cast<unsigned char>(s[i]);
    uint32_t cp;
    size_t n;
    if (b0 < 0x80) {
      cp = b0;
      n = 1;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
      cp = b0 & 0x1F;
      n = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
      cp = b0 & 0x0F;
      n = 3;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
      cp = b0 & 0x07;
      n = 4;
    } else {
      return false;
    }
    if (i + n > s.size()) return false;
    for (size_t k = 1; k < n; ++k) {
      const auto b = static_cast<unsigned char>(s[i + k]);
      if ((b & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (b & 0x3F);
    }
    const bool overlong = (n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000);
    if (overlong || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    if (cp >= 0x10000) {
      cp -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(cp));
    }
    i += n;
  }
  return true;
}

char* CopyText(std::string_view text) {
  auto* p = static_cast<char*>(std::malloc(text.size() + 1));
  if (p == nullptr) return nullptr;
  if (!text.empty()) std::memcpy(p, text.data(), text.size());
  p[text.size()] = '\0';
  return p;
}

}  // namespace

std::u16string WideFromBytes(std::string_view bytes) {
  std::u16string out;
  if (DecodeUtf8(bytes, out)) return out;
  out.clear();
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    out.push_back(b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : static_cast<char16_t>(b));
  }
  return out;
}

std::string Utf8FromUtf16(std::u16string_view text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t cp = text[i];
    if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] <= 0xDFFF) {
      cp = 0x10000 + ((cp - 0xD800) << 10) + (text[++i] - 0xDC00u);
    } else if (cp >= 0xD800 && cp <= 0xDFFF) {
      cp = 0xFFFD;
    }
    if (cp < 0x80) {
      out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
      out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
      out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
      out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
      out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
  }
  return out;
}

Str* StrNew(std::string_view text) {
  Str* s = StrCreate(text.data(), static_cast<int32_t>(text.size()));
  if (s == nullptr) throw CException("Out of memory");
  return s;
}

bool StrAssign(Str* s, std::string_view text) {
  char* copy = CopyText(text);
  if (copy == nullptr) return false;
  std::free(s->text);
  std::free(s->wide);
  s->text = copy;
  s->length = static_cast<int32_t>(text.size());
  s->wide = nullptr;
  return true;
}

const char16_t* StrWide(Str* s) {
  if (s == nullptr) return nullptr;
  if (s->wide == nullptr) {
    const std::u16string w = WideFromBytes(StrView(s));
    auto* p = static_cast<char16_t*>(std::malloc((w.size() + 1) * sizeof(char16_t)));
    if (p == nullptr) return nullptr;
    std::memcpy(p, w.data(), w.size() * sizeof(char16_t));
    p[w.size()] = u'\0';
    s->wide = p;
  }
  return s->wide;
}

int StrCompareDefault(const Str* a, const Str* b) {
  const std::string_view x = StrView(a), y = StrView(b);
  const size_t n = x.size() < y.size() ? x.size() : y.size();
  const int c = n ? std::memcmp(x.data(), y.data(), n) : 0;
  if (c != 0) return c;
  return x.size() < y.size() ? -1 : (x.size() > y.size() ? 1 : 0);
}

}  // namespace vm

VMLIB_EXPORT Str* StrCreate(const char* text, int32_t length) {
  auto* s = static_cast<Str*>(std::malloc(sizeof(Str)));
  if (s == nullptr) return nullptr;
  const std::string_view bytes = (text == nullptr || length <= 0)
                                     ? std::string_view{}
                                     : std::string_view{text, static_cast<size_t>(length)};
  s->text = vm::CopyText(bytes);
  if (s->text == nullptr) {
    std::free(s);
    return nullptr;
  }
  s->length = static_cast<int32_t>(bytes.size());
  s->wide = nullptr;
  return s;
}

VMLIB_EXPORT void StrDelete(Str* str) {
  if (str == nullptr) return;
  std::free(str->text);
  std::free(str->wide);
  std::free(str);
}
