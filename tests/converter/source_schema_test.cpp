// What the import needs of the old database, and the values it warns about.
#include "source_schema.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "jetwrite/jet_database.h"
#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;
using jetwrite::ColumnType;
using jetwrite::kNull;
using jetwrite::Value;

int64_t I(int64_t v) { return v; }

// The old program's tables with one row each; tweak changes the schema.
fs::path WriteOldDatabase(const fs::path& dir, const std::string& skipTable = "",
                          ColumnType latitudeType = ColumnType::Double, double latitude = 53.0,
                          double trackDate = 39978.5) {
  jetwrite::Database db;
  auto add = [&](const std::string& name, std::vector<jetwrite::Column> columns, std::vector<Value> row) {
    if (name == skipTable) return;
    db.AddTable(name, std::move(columns)).AddRow(std::move(row));
  };
  const Value lat = latitudeType == ColumnType::Double    ? Value(latitude)
                    : latitudeType == ColumnType::Boolean ? Value(true)
                                                          : Value(std::string("53"));
  add("Waypoints",
      {{"Waypoint", ColumnType::Long},
       {"Type", ColumnType::Long},
       {"Description", ColumnType::Text},
       {"Latitude", latitudeType},
       {"Longitude", ColumnType::Double},
       {"Datum", ColumnType::Long},
       {"Group", ColumnType::Long}},
      {I(17), I(1), std::string("Harlingen"), lat, 5.4, I(0), I(1)});
  add("Waypoint types",
      {{"Type", ColumnType::Long}, {"Description", ColumnType::Text}, {"Icon", ColumnType::Text}},
      {I(1), std::string("Harbour"), kNull});
  add("Waypoint groups", {{"Group", ColumnType::Long}, {"Description", ColumnType::Text}},
      {I(1), std::string("G")});
  add("Routes", {{"Route", ColumnType::Long}, {"Description", ColumnType::Text}}, {I(1), std::string("R")});
  add("Route points", {{"Route", ColumnType::Long}, {"Waypoint", ColumnType::Long}}, {I(1), I(17)});
  add("Tracks", {{"Track", ColumnType::Long}, {"Description", ColumnType::Text}}, {I(4), std::string("T")});
  add("Track data",
      {{"Track", ColumnType::Long},
       {"Date", ColumnType::DateTime},
       {"Latitude", ColumnType::Double},
       {"Longitude", ColumnType::Double}},
      {I(4), trackDate, 53.0, std::numeric_limits<double>::quiet_NaN()});
  add("Datums",
      {{"Datum", ColumnType::Long},
       {"Description", ColumnType::Text},
       {"Ellipse", ColumnType::Long},
       {"x", ColumnType::Double},
       {"y", ColumnType::Double},
       {"z", ColumnType::Double}},
      {I(1), std::string("WGS-84"), I(1), 0.0, 0.0, 0.0});
  add("Ellipsoids",
      {{"Ellipse", ColumnType::Long}, {"Majoraxis", ColumnType::Double}, {"Minoraxis", ColumnType::Double}},
      {I(1), 6378137.0, 6356752.314245});
  add("System", {{"GPS datum", ColumnType::Long}}, {I(1)});
  const fs::path file = dir / "gps.mdb";
  db.Write(file);
  return file;
}

TEST(SourceSchema, TheOldProgramsTablesAreUsable) {
  vmtest::TempDir dir;
  conv::SourceDatabase db;
  ASSERT_TRUE(db.Open(WriteOldDatabase(dir.path()))) << db.failureDetail();
  EXPECT_TRUE(conv::CheckSourceSchema(db, true).empty());
}

TEST(SourceSchema, MissingTablesAndUnusableColumnsAreNamed) {
  struct Case {
    std::string skip;
    ColumnType latitude;
    bool withTracks;
    std::vector<std::string> problems;
  };
  const Case cases[] = {
      {"Datums", ColumnType::Double, false, {"The table Datums is missing."}},
      {"Track data", ColumnType::Double, true, {"The table Track data is missing."}},
      {"Track data", ColumnType::Double, false, {}},
      {"",
       ColumnType::Text,
       false,
       {"The column Latitude of the table Waypoints has a type that cannot be read."}},
      {"", ColumnType::Boolean, false, {}},
  };
  for (const Case& c : cases) {
    vmtest::TempDir dir;
    conv::SourceDatabase db;
    ASSERT_TRUE(db.Open(WriteOldDatabase(dir.path(), c.skip, c.latitude)));
    EXPECT_EQ(conv::CheckSourceSchema(db, c.withTracks), c.problems) << c.skip;
  }
}

TEST(SourceSchema, ImplausibleValuesBecomeWarningsNamingTableColumnAndRow) {
  vmtest::TempDir dir;
  conv::SourceDatabase db;
  ASSERT_TRUE(db.Open(WriteOldDatabase(dir.path(), "", ColumnType::Double, 95.25, 73051.5)));
  const auto warnings = conv::CheckSourceValues(db, true);
  ASSERT_EQ(warnings.size(), 3u);
  EXPECT_EQ(warnings[0].text,
            "Table Waypoints, column Latitude, row 1 (Waypoint 17): the value 95.25 is outside ±90°.");
  EXPECT_EQ(warnings[1].text,
            "Table Track data, column Longitude, row 1 (Track 4): the value nan is not a number.");
  EXPECT_EQ(warnings[2].text,
            "Table Track data, column Date, row 1 (Track 4): the value 73051.5 is a date after 2100.");
  EXPECT_EQ(warnings[2].row, 1u);
  EXPECT_TRUE(conv::CheckSourceValues(db, false).size() == 1u);
}

}  // namespace
