// Conversion of the Unicode texts of the old database into the single-byte
// Windows code page in which the library's data files keep their texts.
#pragma once

#include <string>
#include <string_view>

namespace conv {

constexpr int kDefaultCodePage = 1252;

// True when codePage is a single-byte Windows code page we can write (1250 to
// 1258, 874, and the DOS pages 437 and 850).
bool IsSupportedCodePage(int codePage);

// The bytes of a UTF-8 text in the code page; a character the code page cannot
// hold, and every malformed UTF-8 sequence, becomes "?". An unsupported code
// page converts as 1252.
std::string Utf8ToCodePage(std::string_view utf8, int codePage = kDefaultCodePage);

}  // namespace conv
