// The stream between the reading process and the converter.
#include "source_stream.h"

#include <gtest/gtest.h>

namespace {

std::string SampleStream() {
  conv::SourceStreamWriter w(1);
  w.BeginTable("Waypoint types", {{"Type", conv::SourceKind::Integer},
                                  {"Description", conv::SourceKind::Text},
                                  {"Size", conv::SourceKind::Float},
                                  {"Shown", conv::SourceKind::Boolean}});
  w.BeginRow();
  w.Integer(-7);
  w.Text("Harbour");
  w.Float(1.25);
  w.Boolean(true);
  w.BeginRow();
  w.Null();
  w.Null();
  w.Null();
  w.Boolean(false);
  w.EndTable();
  w.Finish();
  return w.Take();
}

TEST(SourceStream, RoundTripKeepsTablesAndValues) {
  conv::ParsedSource parsed;
  std::string error;
  ASSERT_TRUE(conv::ParseSourceStream(SampleStream(), 1252, parsed, error)) << error;
  EXPECT_EQ(parsed.jetVersion, 1);
  ASSERT_EQ(parsed.tables.size(), 1u);
  const auto& t = parsed.tables[0];
  EXPECT_EQ(t.name(), "Waypoint types");
  ASSERT_EQ(t.rowCount(), 2u);
  EXPECT_EQ(t.ReadInteger(0, "Type"), -7);
  EXPECT_EQ(t.ReadText(0, "Description"), "Harbour");
  EXPECT_EQ(t.ReadFloat(0, "Size"), 1.25);
  EXPECT_TRUE(t.IsNull(1, "Type"));
  EXPECT_FALSE(std::get<bool>(t.Value(1, "Shown")));
}

TEST(SourceStream, EveryTruncationAndTrailingByteIsRefused) {
  const std::string full = SampleStream();
  for (size_t n = 0; n < full.size(); ++n) {
    conv::ParsedSource parsed;
    std::string error;
    EXPECT_FALSE(conv::ParseSourceStream(full.substr(0, n), 1252, parsed, error)) << n;
    EXPECT_TRUE(parsed.tables.empty());
  }
  conv::ParsedSource parsed;
  std::string error;
  EXPECT_FALSE(conv::ParseSourceStream(full + "x", 1252, parsed, error));
}

TEST(SourceStream, CellsThatDoNotMatchTheirColumnAreRefused) {
  conv::SourceStreamWriter w(0);
  w.BeginTable("T", {{"A", conv::SourceKind::Integer}});
  w.BeginRow();
  w.Text("not a number");
  w.EndTable();
  w.Finish();
  conv::ParsedSource parsed;
  std::string error;
  EXPECT_FALSE(conv::ParseSourceStream(w.Take(), 1252, parsed, error));
  // A text length beyond the bytes left.
  std::string s = SampleStream();
  const size_t at = s.find("Harbour") - 4;
  s[at + 3] = '\x7F';
  EXPECT_FALSE(conv::ParseSourceStream(s, 1252, parsed, error));
}

}  // namespace
