#include <gtest/gtest.h>

#include "vmlib/languages.h"

namespace {

class Languages : public ::testing::Test {
protected:
  void SetUp() override {
    SetAvailableLanguages(1);
    SetCurrentLanguage(kLangEnglish);
  }
};

TEST_F(Languages, StartWithEnglishOnly) {
  EXPECT_EQ(GetAvailableLanguages(), 1);
  EXPECT_EQ(GetAvailableLanguageCount(), 1);
  EXPECT_EQ(GetCurrentLanguage(), kLangEnglish);
}

TEST_F(Languages, AvailableSetRules) {
  const struct {
    int32_t current;
    int32_t set;
    int32_t storedSet;
    int32_t currentAfter;
  } cases[] = {
      {kLangDutch, 0, 1, kLangEnglish},  // empty set means English
      {kLangDutch, 3, 3, kLangDutch},    // Dutch stays in {English, Dutch}
      {kLangEnglish, 6, 6, kLangDutch},  // lowest of {Dutch, German}
      {kLangSwedish, 0xFF, 0xFF, kLangSwedish}, {kLangEnglish, 0x40, 0x40, kLangDanish},
  };
  for (const auto& c : cases) {
    SetAvailableLanguages(c.storedSet == 0xFF ? 1 : 0xFF);  // make the next call a change
    SetCurrentLanguage(c.current);
    SetAvailableLanguages(c.set);
    EXPECT_EQ(GetAvailableLanguages(), c.storedSet) << c.set;
    EXPECT_EQ(GetCurrentLanguage(), c.currentAfter) << c.set;
  }
}

TEST_F(Languages, AnUnchangedSetLeavesTheCurrentLanguage) {
  SetAvailableLanguages(6);
  SetCurrentLanguage(kLangSwedish);
  SetAvailableLanguages(6);
  EXPECT_EQ(GetCurrentLanguage(), kLangSwedish);
}

TEST_F(Languages, CountsBitsOneToEight) {
  SetAvailableLanguages(0x1FF);  // bit 8 is no language
  EXPECT_EQ(GetAvailableLanguageCount(), 8);
  SetAvailableLanguages(0x83);
  EXPECT_EQ(GetAvailableLanguageCount(), 3);
}

TEST_F(Languages, SetCurrentLanguageStoresWithoutCheck) {
  EXPECT_EQ(SetCurrentLanguage(0), kLangEnglish);
  EXPECT_EQ(GetCurrentLanguage(), kLangEnglish);
  EXPECT_EQ(SetCurrentLanguage(kLangDanish), kLangDanish);
  EXPECT_EQ(GetCurrentLanguage(), kLangDanish);
  EXPECT_EQ(GetAvailableLanguages(), 1);
}

}  // namespace
