// The converter's texts: the language rule, the table's contents and the
// "%s" substitution.
#include "texts.h"

#include <gtest/gtest.h>

#include <vector>

#include "vmlib/languages.h"

namespace {

using conv::Text;
using conv::TextId;

// Leaves the process-wide language as it found it.
class LanguageGuard {
public:
  explicit LanguageGuard(int32_t language) : saved_(GetCurrentLanguage()) { SetCurrentLanguage(language); }
  ~LanguageGuard() { SetCurrentLanguage(saved_); }

private:
  int32_t saved_;
};

TEST(ConverterTexts, FollowTheCurrentLanguage) {
  {
    LanguageGuard dutch(kLangDutch);
    EXPECT_EQ(Text(TextId::Page1Header), "Database selectie");
    EXPECT_EQ(Text(TextId::Next), "Volgende");
    EXPECT_EQ(Text(TextId::PartTracks), "Trajecten...");
    EXPECT_EQ(Text(TextId::Total), "Totaal:");
  }
  LanguageGuard english(kLangEnglish);
  EXPECT_EQ(Text(TextId::Page1Header), "Database selection");
  EXPECT_EQ(Text(TextId::Next), "Next");
  EXPECT_EQ(Text(TextId::Page3Header), "Target location");
}

TEST(ConverterTexts, LanguagesWithoutAnEntryFallBackToEnglish) {
  // German set by another client, numbers outside 1 to 8, and the English-only
  // captions in Dutch.
  for (int32_t language : {int32_t{kLangGerman}, int32_t{kLangSwedish}, 9, -1, 100}) {
    LanguageGuard guard(language);
    EXPECT_EQ(Text(TextId::Page1Header), "Database selection") << language;
    EXPECT_EQ(Text(TextId::Convert), "Convert") << language;
  }
  LanguageGuard dutch(kLangDutch);
  EXPECT_EQ(Text(TextId::LanguageDutch), "Nederlands");
  EXPECT_EQ(Text(TextId::LanguageEnglish), "English");
  EXPECT_EQ(Text(TextId::GetDatumFailed), "GetDatum: Error getting geodetic datum.");
  EXPECT_EQ(Text(TextId::NoHighResTimer), "High resolution timer not available.");
}

TEST(ConverterTexts, ResolveTakesTheLanguageEntryOrEnglish) {
  const conv::ConverterText text{"en", "nl", "", "fr"};
  EXPECT_EQ(conv::ResolveText(text, kLangEnglish), "en");
  EXPECT_EQ(conv::ResolveText(text, kLangDutch), "nl");
  EXPECT_EQ(conv::ResolveText(text, kLangGerman), "en");
  EXPECT_EQ(conv::ResolveText(text, kLangFrench), "fr");
  EXPECT_EQ(conv::ResolveText(text, 0), "en");
  EXPECT_EQ(conv::ResolveText(text, kLanguageCount + 1), "en");
}

TEST(ConverterTexts, MessagesKeepTheirLineBreaksAndPlaces) {
  LanguageGuard english(kLangEnglish);
  EXPECT_EQ(Text(TextId::NoTargetFolder),
            "No target folder specified.\r\n\r\nPlease specify an existing folder as target location.");
  EXPECT_EQ(Text(TextId::RouteWaypointMissing, {"WP1", "Home"}),
            "Waypoint: WP1, part of route: Home could not be found.\r\n"
            "Check the route in Ankrum 3 and solve the problem there.");
  SetCurrentLanguage(kLangDutch);
  EXPECT_EQ(Text(TextId::Converted, {"/tmp/Ankrum3.a4db"}),
            "De database is succesvol geconverteerd en opgeslagen in:\r\n\r\n/tmp/Ankrum3.a4db");
  EXPECT_EQ(Text(TextId::TableNotOpened, {"Routes"}),
            "De tabel Routes in de opgegeven Ankrum 3 database kon niet geopend worden.\r\n"
            "Verzeker u ervan dat de opgegeven database een Ankrum 3 database is.");
}

// A translation that lost or gained a place would shift or drop an argument.
TEST(ConverterTexts, EveryTranslationHasTheEnglishPlaces) {
  auto places = [](std::string_view s) {
    int n = 0;
    for (size_t i = 0; i + 1 < s.size(); ++i) {
      if (s[i] == '%' && s[i + 1] == 's') ++n;
    }
    return n;
  };
  for (int id = 0; id < static_cast<int>(TextId::Count); ++id) {
    const conv::ConverterText& text = conv::TextOf(static_cast<TextId>(id));
    for (size_t language = 1; language < text.size(); ++language) {
      if (!text[language].empty()) {
        EXPECT_EQ(places(text[language]), places(text[0])) << "text " << id;
      }
    }
  }
  EXPECT_THROW(conv::TextOf(TextId::Count), std::out_of_range);
}

TEST(ConverterTexts, FormatFillsPlacesInOrder) {
  struct Case {
    std::string_view pattern;
    std::vector<std::string_view> args;
    std::string_view expected;
  };
  const Case cases[] = {
      {"%s, part of %s.", {"A", "B"}, "A, part of B."},
      {"100%% of %s", {"x"}, "100% of x"},
      {"%s%s", {"%s", "%%"}, "%s%%"},  // arguments are not expanded again
      {"no places", {"ignored"}, "no places"},
      {"%s", {""}, ""},
      {"", {}, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(conv::Format(c.pattern, c.args), c.expected) << c.pattern;
}

TEST(ConverterTexts, FormatRefusesBadPatterns) {
  EXPECT_THROW(conv::Format("%s and %s", {"one"}), conv::FormatError);
  EXPECT_THROW(conv::Format("%d", {"1"}), conv::FormatError);
  EXPECT_THROW(conv::Format("trailing %", {}), conv::FormatError);
  LanguageGuard english(kLangEnglish);
  EXPECT_THROW(Text(TextId::Converted), conv::FormatError);
}

}  // namespace
