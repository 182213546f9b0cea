// Readable descriptions of databases and the text storage they turn into.
#include <gtest/gtest.h>

#include "jet_text.h"
#include "jetwrite/jet_description.h"

namespace {

TEST(JetDescription, DayCountsOfDateTexts) {
  struct Case {
    const char* text;
    double days;
  };
  const Case cases[] = {
      {"1899-12-30", 0.0},
      {"1899-12-31 00:00", 1.0},
      {"1900-03-01", 61.0},
      {"2000-01-01 12:00", 36526.5},
      {"2009-06-14 10:22:05", 39978.432002314815},
      {"1899-12-29 06:00", -1.25},
      {"2000-02-29", 36585.0},
  };
  for (const Case& c : cases) {
    const auto d = jetwrite::DayCountFromText(c.text);
    ASSERT_TRUE(d.has_value()) << c.text;
    EXPECT_DOUBLE_EQ(*d, c.days) << c.text;
  }
  for (const char* bad : {"", "2009-6-14", "2009-02-29", "2009-13-01", "2009-06-14T10:00", "2009-06-14 24:00",
                          "2009-06-14 10:22:05 ", "1900-02-29"})
    EXPECT_FALSE(jetwrite::DayCountFromText(bad).has_value()) << bad;
}

TEST(JetDescription, DescriptionBecomesTablesWithTypedValues) {
  const auto db = jetwrite::DatabaseFromDescription(R"({
    "tables": [ { "name": "Track data",
                  "columns": [ { "name": "Track", "type": "long" }, { "name": "Date", "type": "datetime" },
                               { "name": "Note", "type": "text", "length": 10 }, { "name": "On", "type": "boolean" } ],
                  "rows": [ [ 1, "2000-01-01 12:00", "é", true ], [ 2, 36526.25, null, false ] ] } ] })");
  ASSERT_EQ(db.tables().size(), 1u);
  const auto& t = *db.tables()[0];
  EXPECT_EQ(t.columns()[2].maxChars, 10);
  ASSERT_EQ(t.rows().size(), 2u);
  EXPECT_EQ(std::get<double>(t.rows()[0][1]), 36526.5);
  EXPECT_EQ(std::get<double>(t.rows()[1][1]), 36526.25);
  EXPECT_EQ(std::get<std::string>(t.rows()[0][2]), "é");
  EXPECT_TRUE(std::holds_alternative<std::monostate>(t.rows()[1][2]));
}

TEST(JetDescription, MistakesAreNamed) {
  struct Case {
    const char* json;
    const char* mentions;
  };
  const Case cases[] = {
      {"{", "not valid JSON"},
      {R"({"tables":[{"name":"T","columns":[{"name":"A","type":"float"}]}]})",
       "unknown column type \"float\""},
      {R"({"tables":[{"name":"T","columns":[{"name":"A","type":"long"}],"rows":[[1,2]]}]})",
       "a row of 2 values"},
      {R"({"tables":[{"name":"T","columns":[{"name":"A","type":"datetime"}],"rows":[["yesterday"]]}]})",
       "is not a date"},
      {R"({"tables":[{"name":"T","columns":[{"name":"A","type":"long"}],"rows":[["x"]]}]})",
       "table \"T\", column \"A\" (long), row 1"},
      {R"({"tables":[{"columns":[]}]})", "description:"},
  };
  for (const Case& c : cases) {
    try {
      jetwrite::DatabaseFromDescription(c.json);
      ADD_FAILURE() << c.json;
    } catch (const jetwrite::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.mentions), std::string::npos) << e.what();
    }
  }
}

TEST(JetText, CompressedFormOnlyWhenStrictlyShorterAndSafe) {
  using jetwrite::StoredTextBytes;
  using Bytes = std::vector<uint8_t>;
  EXPECT_EQ(StoredTextBytes(u"", true), Bytes{});
  EXPECT_EQ(StoredTextBytes(u"ab", true), (Bytes{'a', 0, 'b', 0}));  // 4 bytes either way
  EXPECT_EQ(StoredTextBytes(u"abc", true), (Bytes{0xFF, 0xFE, 'a', 'b', 'c'}));
  EXPECT_EQ(StoredTextBytes(u"\u00e9t\u00e9", true), (Bytes{0xFF, 0xFE, 0xE9, 't', 0xE9}));
  EXPECT_EQ(StoredTextBytes(u"abc", false), (Bytes{'a', 0, 'b', 0, 'c', 0}));
  EXPECT_EQ(StoredTextBytes(u"ab\u0100", true), (Bytes{'a', 0, 'b', 0, 0x00, 0x01}));  // low byte 0
  EXPECT_EQ(StoredTextBytes(u"ab\u03a9", true), (Bytes{'a', 0, 'b', 0, 0xA9, 0x03}));
}

}  // namespace
