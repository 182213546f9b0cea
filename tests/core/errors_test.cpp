#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>

#include "vmlib/errors.h"
#include "vmlib/languages.h"

namespace {

class Errors : public ::testing::Test {
protected:
  void TearDown() override { SetCurrentLanguage(kLangEnglish); }
};

TEST_F(Errors, MessagesFollowTheCurrentLanguage) {
  const struct {
    int32_t language;
    int32_t code;
    const char* text;
  } cases[] = {
      {kLangEnglish, 0x0, "No error"},
      {kLangDutch, 0x0, "Geen fout"},
      {kLangGerman, 0x0, "Keine Fehler"},
      {kLangDanish, 0x1, "Ukendt fejl"},
      {kLangSwedish, 0x1, "Okänt fel"},
      {kLangGerman, 0x10000, "Die Datei ist nicht gefunden"},
      {kLangDanish, 0x10000, "Filen kunne ikke finden"},
      {kLangSwedish, 0x10000, "Filen hittades inte"},
      {kLangDutch, 0x10005, "Scrhijf toegang geweigerd"},
      {kLangEnglish, 0x100002, "The track is not in logging mode"},
      {kLangDutch, 0x110001, "Header heeft onjuiste grootte"},
      {kLangDutch, 0x60006, "Deze"},
      // Empty entries fall back to English.
      {kLangDanish, 0x6, "Out of memory"},
      {kLangFrench, 0x10000, "The file could not be found"},
      {kLangGerman, 0x10020, "The file has an invalid header"},
      // Codes the library does not know.
      {kLangEnglish, 0x7, "Unspecified"},
      {kLangDutch, 0x50003, "Niet gespecificeerd"},
      {kLangDanish, 0x50003, "Uspeciferet"},
      {kLangSwedish, -1, "Ospecificerad"},
      {kLangItalian, 0x7FFFFFFF, "Unspecified"},
  };
  for (const auto& c : cases) {
    SetCurrentLanguage(c.language);
    EXPECT_STREQ(ErrorToStr(c.code), c.text) << "code 0x" << std::hex << c.code << " language " << c.language;
  }
}

TEST_F(Errors, ServerPathsKeepTheirBackslashes) {
  EXPECT_STREQ(ErrorToStr(0x32),
               "The system cannot find the server specified (\\\\\\\\<server>\\\\share\\\\path)");
}

TEST_F(Errors, LanguageNumbersOutsideTheTableReadEnglish) {
  SetCurrentLanguage(42);
  EXPECT_STREQ(ErrorToStr(0x0), "No error");
  SetCurrentLanguage(-3);
  EXPECT_STREQ(ErrorToStr(0x0), "No error");
}

TEST_F(Errors, LanguagesAreFilledWhereTheLibraryPromises) {
  // Danish and Swedish are filled for every known code except five; German
  // only for five codes. A fallback shows as the English text.
  const int32_t englishDutchOnly[] = {0x6, 0x3C, 0x10007, 0x10018, 0x10019};
  const int32_t german[] = {0x0, 0x1, 0x2, 0x10000, 0x10001};
  int known = 0;
  for (int32_t code = 0; code < 0x120000; ++code) {
    SetCurrentLanguage(kLangEnglish);
    const std::string en = ErrorToStr(code);
    if (en == "Unspecified") continue;
    ++known;
    const bool twoOnly = std::find(std::begin(englishDutchOnly), std::end(englishDutchOnly), code) !=
                         std::end(englishDutchOnly);
    for (int32_t lang : {kLangDanish, kLangSwedish}) {
      SetCurrentLanguage(lang);
      EXPECT_EQ(std::string(ErrorToStr(code)) == en, twoOnly)
          << "language " << lang << " code 0x" << std::hex << code;
    }
    const bool hasGerman = std::find(std::begin(german), std::end(german), code) != std::end(german);
    SetCurrentLanguage(kLangGerman);
    EXPECT_EQ(std::string(ErrorToStr(code)) != en, hasGerman) << "German code 0x" << std::hex << code;
    for (int32_t lang : {kLangFrench, kLangSpanish, kLangItalian}) {
      SetCurrentLanguage(lang);
      EXPECT_EQ(std::string(ErrorToStr(code)), en) << "language " << lang << " code 0x" << std::hex << code;
    }
  }
  EXPECT_EQ(known, 198);
}

}  // namespace
