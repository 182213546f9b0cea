#include "code_page.h"

#include <gtest/gtest.h>

namespace {

TEST(CodePage, Utf8BecomesWindows1252WithQuestionMarksForTheRest) {
  struct Case {
    const char* utf8;
    const char* expected;
  };
  const Case cases[] = {
      {"Harlingen", "Harlingen"},
      {"\xC3\xA9t\xC3\xA9 \xC3\xBC", "\xE9t\xE9 \xFC"},        // é ü: Latin-1 range
      {"\xE2\x82\xAC \xE2\x80\x9C\xC5\x93", "\x80 \x93\x9C"},  // € “ œ: the 0x80..0x9F block
      {"\xC4\x80\xCE\xA9", "??"},                              // Ā Ω
      {"\xE6\x9D\xB1\xE4\xBA\xAC", "??"},                      // 東京: one ? per character
      {"\xF0\x9F\x98\x80!", "?!"},                             // outside the BMP
      {"a\xC3(b", "a?(b"},                                     // malformed UTF-8
      {"\xED\xA0\x80", "???"},                                 // an encoded surrogate
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(conv::Utf8ToCodePage(c.utf8), c.expected) << c.utf8;
}

TEST(CodePage, OtherSingleByteCodePages) {
  EXPECT_EQ(conv::Utf8ToCodePage("\xC5\x91", 1250), "\xF5");  // ő
  EXPECT_EQ(conv::Utf8ToCodePage("\xCE\xA9", 1253), "\xD9");  // Ω
  EXPECT_EQ(conv::Utf8ToCodePage("\xC3\xA9", 437), "\x82");   // é
  EXPECT_EQ(conv::Utf8ToCodePage("\xC5\x91", 9999), "?");     // unknown page: 1252
  EXPECT_FALSE(conv::IsSupportedCodePage(65001));
}

}  // namespace
