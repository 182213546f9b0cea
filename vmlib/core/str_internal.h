// Library-internal helpers around Str.
#pragma once

#include <string>
#include <string_view>

#include "vmlib/frame.h"

namespace vm {

// The bytes of a Str (empty for null).
inline std::string_view StrView(const Str* s) {
  if (s == nullptr || s->text == nullptr || s->length <= 0) return {};
  return {s->text, static_cast<size_t>(s->length)};
}

// New Str from bytes; throws CException "Out of memory" when it cannot be made.
Str* StrNew(std::string_view text);
// Replaces the text of s (its wide copy is dropped); false when memory runs out.
bool StrAssign(Str* s, std::string_view text);
// The UTF-16 copy of s, made on first use and kept until the text changes or
// the string is released. Valid UTF-8 is decoded as such; any other byte
// sequence is read as Windows-1252, the code page of the data files.
const char16_t* StrWide(Str* s);
// The library's default comparison: bytes as unsigned, shorter first on a tie.
int StrCompareDefault(const Str* a, const Str* b);
// UTF-16 of a byte text with the rule of StrWide.
std::u16string WideFromBytes(std::string_view bytes);
// UTF-8 of UTF-16 units; unpaired surrogates become U+FFFD.
std::string Utf8FromUtf16(std::u16string_view text);

}  // namespace vm
