// The Jet writer's files, read back by mdbtools and by our own reader.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <fstream>
#include <limits>

#include "jetwrite/jet_database.h"
#include "source_database.h"
#include "support/jet_fixture.h"
#include "support/test_support.h"

namespace {

using jetwrite::Column;
using jetwrite::ColumnType;
using jetwrite::Database;
using jetwrite::kNull;
using jetwrite::Value;
using vmtest::Lines;
using vmtest::RunCommand;
using vmtest::ShellQuote;

std::string Export(const std::filesystem::path& file, const std::string& table) {
  const auto r = RunCommand("mdb-export -0 '~' -T '%Y-%m-%d %H:%M:%S' " + ShellQuote(file.string()) + " " +
                            ShellQuote(table) + " 2>&1");
  EXPECT_TRUE(r.ok) << r.output;
  return r.output;
}

int64_t I(int64_t v) { return v; }

class JetWriteTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (!vmtest::HaveMdbTools()) GTEST_SKIP() << "mdbtools is not installed";
  }
  std::filesystem::path Write(const Database& db, const std::string& name = "test.mdb") {
    const auto path = dir_.path() / name;
    db.Write(path);
    return path;
  }
  vmtest::TempDir dir_;
};

TEST_F(JetWriteTest, EveryTypeWithNullsExtremesAndNonAsciiTextReadsBackExactly) {
  Database db;
  auto& t = db.AddTable("Every type", {{"Long", ColumnType::Long},
                                       {"Short", ColumnType::Integer},
                                       {"Number", ColumnType::Double},
                                       {"When", ColumnType::DateTime},
                                       {"Flag", ColumnType::Boolean},
                                       {"Name", ColumnType::Text, 20},
                                       {"Note", ColumnType::Memo}});
  std::string mixedMemo;
  for (int i = 0; i < 3000; ++i) mixedMemo += "é東";
  t.AddRow(
      {I(1), I(-32768), 1.5, 39978.432002314815, true, std::string("Harbour"), std::string("short memo")});
  t.AddRow({I(std::numeric_limits<int32_t>::min()), I(32767), -1e300, 0.0, false, std::string("é ü Ā Ω 東京"),
            std::string(9000, 'x')});
  t.AddRow({I(std::numeric_limits<int32_t>::max()), kNull, kNull, kNull, true, kNull, kNull});
  t.AddRow({kNull, I(0), 0.1, 36526.5, false, std::string("ab"), mixedMemo});
  t.AddRow({I(7), I(-1), 53.123456789012345, 1.0, true, std::string("Ā"), std::string("Ω")});
  const auto file = Write(db);

  EXPECT_EQ(RunCommand("mdb-ver " + ShellQuote(file.string())).output, "JET4\n");
  EXPECT_EQ(RunCommand("mdb-tables -1 " + ShellQuote(file.string())).output, "Every type\n");
  const std::string schema = RunCommand("mdb-schema " + ShellQuote(file.string()) + " access").output;
  for (const char* decl :
       {"[Long]\t\t\tLong Integer", "[Short]\t\t\tInteger", "[Number]\t\t\tDouble", "[When]\t\t\tDateTime",
        "[Flag]\t\t\tBoolean", "[Name]\t\t\tText (20)", "[Note]\t\t\tMemo"})
    EXPECT_NE(schema.find(decl), std::string::npos) << decl << "\n" << schema;

  const auto lines = Lines(Export(file, "Every type"));
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[0], "Long,Short,Number,When,Flag,Name,Note");
  EXPECT_EQ(lines[1], "1,-32768,1.5,\"2009-06-14 10:22:05\",1,\"Harbour\",\"short memo\"");
  EXPECT_EQ(lines[2], "-2147483648,32767,-1e+300,\"1899-12-30 00:00:00\",0,\"é ü Ā Ω 東京\",\"" +
                          std::string(9000, 'x') + "\"");
  EXPECT_EQ(lines[3], "2147483647,~,~,~,1,~,~");
  EXPECT_EQ(lines[4], "~,0,0.1,\"2000-01-01 12:00:00\",0,\"ab\",\"" + mixedMemo + "\"");
  EXPECT_EQ(lines[5], "7,-1,53.12345678901234,\"1899-12-31 00:00:00\",1,\"Ā\",\"Ω\"");

  conv::SourceDatabase src;
  ASSERT_TRUE(src.Open(file)) << src.failureDetail();
  EXPECT_EQ(src.jetVersion(), 4);
  const conv::SourceTable* r = src.FindTable("EVERY TYPE");
  ASSERT_NE(r, nullptr);
  ASSERT_EQ(r->rowCount(), 5u);
  EXPECT_EQ(r->ReadInteger(1, "Long"), std::numeric_limits<int32_t>::min());
  EXPECT_EQ(r->ReadInteger(0, "short"), -32768);
  EXPECT_EQ(r->ReadFloat(1, "Number"), -1e300);
  EXPECT_EQ(r->ReadFloat(4, "Number"), 53.123456789012345);
  EXPECT_EQ(r->ReadDateTime(0, "When"), 39978.432002314815);
  EXPECT_EQ(std::get<bool>(r->Value(2, "Flag")), true);
  EXPECT_EQ(std::get<bool>(r->Value(3, "Flag")), false);
  EXPECT_EQ(r->ReadTextUtf8(1, "Name"), "é ü Ā Ω 東京");
  EXPECT_EQ(r->ReadTextUtf8(3, "Note"), mixedMemo);
  EXPECT_EQ(r->ReadTextUtf8(1, "Note"), std::string(9000, 'x'));
  EXPECT_TRUE(r->IsNull(2, "Number"));
  EXPECT_TRUE(r->IsNull(3, "Long"));
}

TEST_F(JetWriteTest, MemosOfEveryStorageKeepTheirTextAndTheFixedValuesAfterThem) {
  // Lengths around each storage limit: inline up to 64 bytes, one long-value
  // row up to 4000, chains beyond; compressed up to 1024 characters. A long
  // memo is read from its own pages between the fixed values of its row.
  const size_t lengths[] = {0,    10,   31,   32,   33,   63,   64,   65,    800,
                            1024, 1025, 1999, 2000, 2001, 4000, 4001, 12000, 65535};
  Database db;
  auto& t = db.AddTable("Notes",
                        {{"Note", ColumnType::Memo}, {"Id", ColumnType::Long}, {"At", ColumnType::Double}});
  auto text = [](size_t i, size_t n) {
    std::string s;
    for (size_t k = 0; k < n; ++k) s += static_cast<char>('a' + (i + k) % 26);
    return s;
  };
  for (size_t i = 0; i < std::size(lengths); ++i) t.AddRow({text(i, lengths[i]), I(i * 1000), i + 0.25});
  t.AddRow(
      {std::string("\xC3\xA9") + std::string(1500, 'e'), I(-1), -1.0});  // é: 1501 characters, uncompressed
  const auto file = Write(db);
  const auto lines = Lines(Export(file, "Notes"));
  ASSERT_EQ(lines.size(), std::size(lengths) + 2);
  for (size_t i = 0; i < std::size(lengths); ++i) {
    const std::string expected = lengths[i] == 0 ? "~" : "\"" + text(i, lengths[i]) + "\"";
    EXPECT_EQ(lines[i + 1], expected + "," + std::to_string(i * 1000) + "," + std::to_string(i) + ".25")
        << lengths[i];
  }
  conv::SourceDatabase src;
  ASSERT_TRUE(src.Open(file)) << src.failureDetail();
  const auto* r = src.FindTable("Notes");
  ASSERT_EQ(r->rowCount(), std::size(lengths) + 1);
  for (size_t i = 0; i < std::size(lengths); ++i) {
    EXPECT_EQ(r->ReadInteger(i, "Id"), static_cast<int>(i) * 1000);
    EXPECT_EQ(r->ReadFloat(i, "At"), i + 0.25);
    EXPECT_EQ(r->ReadTextUtf8(i, "Note"), text(i, lengths[i])) << lengths[i];
  }
  EXPECT_EQ(r->ReadTextUtf8(std::size(lengths), "Note"), std::string("\xC3\xA9") + std::string(1500, 'e'));
}

TEST_F(JetWriteTest, LargeTableSpansManyPagesWithAPagedUsageMap) {
  Database db;
  auto& t = db.AddTable("Track data", {{"Track", ColumnType::Long},
                                       {"Date", ColumnType::DateTime},
                                       {"Latitude", ColumnType::Double},
                                       {"Longitude", ColumnType::Double}});
  constexpr int kRows = 200000;
  for (int i = 0; i < kRows; ++i) t.AddRow({I(i), 40000.0 + i / 86400.0, 53.0 + i * 1e-6, 5.0 - i * 1e-6});
  const auto file = Write(db);
  ASSERT_GT(std::filesystem::file_size(file), 512u * 4096u) << "the table must outgrow an inline usage map";

  const auto lines = Lines(Export(file, "Track data"));
  ASSERT_EQ(lines.size(), kRows + 1u);
  EXPECT_EQ(lines[1].substr(0, 2), "0,");
  EXPECT_EQ(lines[kRows].substr(0, 7), "199999,");

  conv::SourceDatabase src;
  ASSERT_TRUE(src.Open(file)) << src.failureDetail();
  const auto* r = src.FindTable("track data");
  ASSERT_EQ(r->rowCount(), static_cast<size_t>(kRows));
  for (size_t i : {size_t{0}, size_t{254}, size_t{255}, size_t{123456}, size_t{kRows - 1}}) {
    EXPECT_EQ(r->ReadInteger(i, "Track"), static_cast<int>(i));
    EXPECT_EQ(r->ReadFloat(i, "Latitude"), 53.0 + i * 1e-6);
    EXPECT_EQ(r->ReadDateTime(i, "Date"), 40000.0 + i / 86400.0);
  }
}

// Rows of every length from 1 to 60 characters: for some of them a page fills
// to its last byte, and the next row must then open a new page instead of
// overwriting the row offsets.
TEST_F(JetWriteTest, RowsThatFillAPageExactlyStartTheNextPage) {
  Database db;
  constexpr int kRows = 600;
  for (int length = 1; length <= 60; ++length) {
    auto& t = db.AddTable("T" + std::to_string(length), {{"D", ColumnType::Text, 60}});
    for (int i = 0; i < kRows; ++i) t.AddRow({std::string(length, static_cast<char>('a' + i % 26))});
  }
  const auto file = Write(db);
  for (int length = 1; length <= 60; ++length) {
    const std::string out = Export(file, "T" + std::to_string(length));
    const auto lines = Lines(out);
    ASSERT_EQ(lines.size(), kRows + 1u) << "length " << length << ": " << out.substr(0, 200);
    EXPECT_EQ(lines[kRows], "\"" + std::string(length, static_cast<char>('a' + (kRows - 1) % 26)) + "\"")
        << "length " << length;
  }
}

TEST_F(JetWriteTest, SeventyTablesFillTheCatalogOverSeveralPages) {
  Database db;
  std::string expected;
  for (int i = 1; i <= 70; ++i) {
    const std::string name = "Table with a rather long name number " + std::to_string(i);
    db.AddTable(name, {{"Id", ColumnType::Long}}).AddRow({I(i)});
    expected += name + "\n";
  }
  const auto file = Write(db);
  EXPECT_EQ(RunCommand("mdb-tables -1 " + ShellQuote(file.string())).output, expected);
  EXPECT_EQ(Lines(Export(file, "Table with a rather long name number 70"))[1], "70");
  conv::SourceDatabase src;
  ASSERT_TRUE(src.Open(file)) << src.failureDetail();
  ASSERT_EQ(src.tables().size(), 70u);
  EXPECT_EQ(src.FindTable("table with a rather long name number 33")->ReadInteger(0, "ID"), 33);
}

TEST_F(JetWriteTest, DefinitionLongerThanAPageContinuesOnTheNextPage) {
  std::vector<Column> columns;
  std::vector<Value> row;
  std::string header;
  for (int i = 0; i < 120; ++i) {
    columns.push_back({"A column with a long name " + std::to_string(i), ColumnType::Long});
    row.emplace_back(std::in_place_type<int64_t>, i * 3);
    header += (i ? "," : "") + columns.back().name;
  }
  Database db;
  db.AddTable("Wide", columns).AddRow(row);
  const auto file = Write(db);
  const auto lines = Lines(Export(file, "Wide"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], header);
  conv::SourceDatabase src;
  ASSERT_TRUE(src.Open(file)) << src.failureDetail();
  EXPECT_EQ(src.FindTable("Wide")->ReadInteger(0, "A column with a long name 119"), 357);
}

TEST_F(JetWriteTest, HeaderIsMaskedWithAnEmptyPasswordAndNoPageKey) {
  Database db;
  db.SetCreationDate(40123.75);
  db.AddTable("T", {{"Id", ColumnType::Long}});
  std::vector<uint8_t> file = db.Build();
  ASSERT_EQ(file.size() % 4096, 0u);
  EXPECT_EQ(std::memcmp(file.data() + 4, "Standard Jet DB", 15), 0);
  EXPECT_EQ(file[0x14], 1);
  // RC4 with the fixed key unmasks the header.
  uint8_t s[256];
  for (int i = 0; i < 256; ++i) s[i] = static_cast<uint8_t>(i);
  const uint8_t key[4] = {0xC7, 0xDA, 0x39, 0x6B};
  for (int i = 0, j = 0; i < 256; ++i) {
    j = (j + s[i] + key[i % 4]) & 0xFF;
    std::swap(s[i], s[j]);
  }
  for (int k = 0, i = 0, j = 0; k < 128; ++k) {
    i = (i + 1) & 0xFF;
    j = (j + s[i]) & 0xFF;
    std::swap(s[i], s[j]);
    file[0x18 + k] ^= s[(s[i] + s[j]) & 0xFF];
  }
  EXPECT_EQ(file[0x3C] | file[0x3D] << 8, 1252);
  EXPECT_EQ(file[0x3E] | file[0x3F] | file[0x40] | file[0x41], 0);
  double date;
  std::memcpy(&date, file.data() + 0x72, 8);
  EXPECT_EQ(date, 40123.75);
  for (int i = 0; i < 40; ++i) EXPECT_EQ(file[0x42 + i], (40123 >> (8 * (i % 4))) & 0xFF) << i;
}

TEST(JetWriteValues, ValuesThatDoNotFitTheirColumnAreRefused) {
  struct Case {
    ColumnType type;
    Value value;
    const char* why;
  };
  const Case cases[] = {
      {ColumnType::Long, I(2147483648LL), "out of range"},
      {ColumnType::Integer, I(32768), "out of range"},
      {ColumnType::Integer, I(-32769), "out of range"},
      {ColumnType::Long, 1.5, "an integer is expected"},
      {ColumnType::Double, std::string("1"), "a number is expected"},
      {ColumnType::Boolean, kNull, "cannot be Null"},
      {ColumnType::Boolean, I(1), "a boolean is expected"},
      {ColumnType::Text, std::string(21, 'a'), "too long"},
      {ColumnType::Text, std::string("\xC3("), "UTF-8"},
      {ColumnType::Memo, std::string(65536, 'a'), "too long"},
  };
  for (const Case& c : cases) {
    Database db;
    auto& t = db.AddTable("T", {{"C", c.type, 20}});
    try {
      t.AddRow({c.value});
      ADD_FAILURE() << c.why;
    } catch (const jetwrite::Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.why), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("column \"C\""), std::string::npos) << e.what();
    }
    EXPECT_TRUE(t.rows().empty());
  }
}

TEST(JetWriteValues, BadDefinitionsAreRefused) {
  Database db;
  db.AddTable("Waypoints", {{"Id", ColumnType::Long}});
  EXPECT_THROW(db.AddTable("WAYPOINTS", {{"Id", ColumnType::Long}}), jetwrite::Error);
  EXPECT_THROW(db.AddTable("MSysThing", {{"Id", ColumnType::Long}}), jetwrite::Error);
  EXPECT_THROW(db.AddTable("", {{"Id", ColumnType::Long}}), jetwrite::Error);
  EXPECT_THROW(db.AddTable("No columns", {}), jetwrite::Error);
  EXPECT_THROW(db.AddTable("Twice", {{"Id", ColumnType::Long}, {"ID", ColumnType::Double}}), jetwrite::Error);
  EXPECT_THROW(db.AddTable("Text", {{"T", ColumnType::Text, 256}}), jetwrite::Error);
  EXPECT_THROW(db.FindTable("Waypoints")->AddRow({I(1), I(2)}), jetwrite::Error);
  EXPECT_THROW(db.SetCreationDate(std::nan("")), jetwrite::Error);
  EXPECT_THROW(db.SetCreationDate(1e12), jetwrite::Error);
}

TEST(JetWriteValues, RowLargerThanAPageIsRefusedWhenBuilt) {
  Database db;
  std::vector<Column> columns;
  std::vector<Value> row;
  for (int i = 0; i < 17; ++i) {
    columns.push_back({"T" + std::to_string(i), ColumnType::Text, 255});
    row.push_back(
        std::string(255, static_cast<char>('a' + i)).replace(0, 2, "Ā"));  // uncompressed: 510 bytes
  }
  db.AddTable("Big", columns).AddRow(row);
  try {
    db.Build();
    ADD_FAILURE() << "a row over 4 KiB was accepted";
  } catch (const jetwrite::Error& e) {
    EXPECT_NE(std::string(e.what()).find("do not fit in a page"), std::string::npos) << e.what();
  }
}

}  // namespace
