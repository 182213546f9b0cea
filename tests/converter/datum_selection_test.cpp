// Datum choice and the mapping of the old database's datum keys, on
// databases written with jetwrite and read back through the source reader;
// defined datums are checked against PROJ.
#include "datum_selection.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>
#include <numbers>

#include "jetwrite/jet_database.h"
#include "library_binding.h"
#include "support/test_support.h"
#include "texts.h"
#include "vmlib/languages.h"

namespace {

namespace fs = std::filesystem;
using jetwrite::ColumnType;
using jetwrite::kNull;
using jetwrite::Value;

constexpr double kDeg = std::numbers::pi / 180.0;

Value I(int64_t v) { return v; }
Value S(const char* s) { return std::string(s); }

struct DatumRow {
  Value key, description, ellipse, x, y, z;
};
struct EllipsoidRow {
  Value key, major, minor;
};

// A database with the three tables the datum decisions read; a table is left
// out when its rows are nullopt.
fs::path WriteDatumDatabase(const fs::path& dir, const std::optional<std::vector<DatumRow>>& datums,
                            const std::optional<std::vector<EllipsoidRow>>& ellipsoids,
                            const std::optional<std::vector<Value>>& gpsDatum, const char* file = "gps.mdb") {
  jetwrite::Database db;
  if (datums) {
    auto& t = db.AddTable("Datums", {{"Datum", ColumnType::Long},
                                     {"Description", ColumnType::Text, 50},
                                     {"Ellipse", ColumnType::Long},
                                     {"x", ColumnType::Double},
                                     {"y", ColumnType::Double},
                                     {"z", ColumnType::Double}});
    for (const DatumRow& r : *datums) t.AddRow({r.key, r.description, r.ellipse, r.x, r.y, r.z});
  }
  if (ellipsoids) {
    auto& t = db.AddTable("Ellipsoids", {{"Ellipse", ColumnType::Long},
                                         {"Majoraxis", ColumnType::Double},
                                         {"Minoraxis", ColumnType::Double}});
    for (const EllipsoidRow& r : *ellipsoids) t.AddRow({r.key, r.major, r.minor});
  }
  if (gpsDatum) {
    auto& t = db.AddTable("System", {{"GPS datum", ColumnType::Long}});
    for (const Value& v : *gpsDatum) t.AddRow({v});
  }
  const fs::path path = dir / file;
  db.Write(path);
  return path;
}

// The old program's own datum table in miniature: built-in names (one padded),
// datums defined by parameters, duplicate keys, and rows the conversion
// cannot use.
const std::vector<DatumRow> kDatums = {
    {I(1), S("WGS-84"), I(1), 0.0, 0.0, 0.0},
    {I(2), S("  European 1950\t"), I(2), -87.0, -98.0, -121.0},
    {I(3), S("Harbour survey 1931"), I(2), -87.5, 98.25, -121.0},
    {I(4), S("Round earth"), I(3), 10.0, -20.0, 30.0},
    {I(3), S("WGS-84"), I(1), 0.0, 0.0, 0.0},   // a later row of key 3: never read
    {kNull, S("WGS-84"), I(1), 0.0, 0.0, 0.0},  // matches no key
    {I(6), S("Missing shift"), I(2), kNull, 1.0, 2.0},
    {I(7), S("No ellipsoid"), I(99), 1.0, 2.0, 3.0},
    {I(8), S("Egg"), I(4), 1.0, 2.0, 3.0},
    {I(9), S("Same as three"), I(5), -87.5, 98.25, -121.0},
    {I(10), S(""), I(6), 0.0, 0.0, 0.0},
    {I(11), S("Null axis"), I(7), 0.0, 0.0, 0.0},
};
const std::vector<EllipsoidRow> kEllipsoids = {
    {I(1), 6378137.0, 6356752.3142},
    {I(2), 6378388.0, 6356911.946},
    {I(3), 6371000.0, 6371000.0},      // a sphere
    {I(2), 6377397.155, 6356078.963},  // a later row of key 2: never read
    {I(4), 6356000.0, 6378000.0},      // minor axis longer than major
    {I(5), 6378388.0, 6356911.946},    // the same axes as key 2
    {I(6), 0.0, 0.0},
    {I(7), 6378000.0, kNull},
};

class DatumSelection : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    binding_ = new conv::LibraryBinding;
    dir_ = new vmtest::TempDir;
  }
  static void TearDownTestSuite() {
    delete dir_;
    delete binding_;
  }
  static const conv::GeodesyGlobals& Geodesy() { return binding_->geodesy(); }

  // The full table, opened once for the whole suite.
  static const conv::SourceDatabase& Standard() {
    static conv::SourceDatabase* db = [] {
      auto* d = new conv::SourceDatabase;
      EXPECT_TRUE(d->Open(
          WriteDatumDatabase(dir_->path(), kDatums, kEllipsoids, std::vector<Value>{I(2)}, "standard.mdb")))
          << d->failureDetail();
      return d;
    }();
    return *db;
  }
  static const GeodeticDatum* BuiltIn(const char* code) {
    int32_t status = 0;
    const GeodeticDatum* d = GeodeticDatumCreateByCode(code, &status);
    EXPECT_EQ(status, 0) << code;
    return d;
  }

  static conv::LibraryBinding* binding_;
  static vmtest::TempDir* dir_;
};
conv::LibraryBinding* DatumSelection::binding_ = nullptr;
vmtest::TempDir* DatumSelection::dir_ = nullptr;

TEST_F(DatumSelection, ListHoldsEveryBuiltInDatumAsNameAndCode) {
  const std::vector<conv::DatumEntry> list = conv::BuiltInDatumList();
  ASSERT_EQ(list.size(), 232u);
  for (size_t i = 0; i < list.size(); ++i) {
    EXPECT_EQ(list[i].code, list[i].datum->code);
    EXPECT_EQ(list[i].text, std::string(list[i].datum->name) + " (" + list[i].code + ")");
    if (i > 0) {
      EXPECT_LT(list[i - 1].code, list[i].code);
    }
  }
  const int eur = conv::FindDatumEntryByCode(list, "eur-a");
  ASSERT_GE(eur, 0);
  EXPECT_EQ(list[eur].text, "European 1950 (EUR-A)");
  EXPECT_EQ(conv::FindDatumEntry(list, BuiltIn("EUR-A")), eur);
  EXPECT_EQ(conv::FindDatumEntry(list, nullptr), -1);
  EXPECT_EQ(conv::FindDatumEntryByCode(list, "NOPE"), -1);
}

TEST_F(DatumSelection, DescriptionsOfTheOldProgramGiveBuiltInDatums) {
  conv::SourceDatums datums(Standard(), Geodesy());
  EXPECT_EQ(datums.DatumOfKey(1, nullptr), Geodesy().wgs84);
  // Blanks and control characters around the description do not matter.
  EXPECT_EQ(datums.DatumOfKey(2, nullptr), BuiltIn("EUR-A"));
}

TEST_F(DatumSelection, OtherDescriptionsDefineADatumFromShiftAndAxes) {
  conv::SourceDatums datums(Standard(), Geodesy());
  const GeodeticDatum* d = datums.DatumOfKey(3, nullptr);
  ASSERT_NE(d, nullptr);
  // The first row of key 3 and of ellipsoid key 2; the shift exactly as stored.
  EXPECT_EQ(d->kind, kGeodeticDatumByDef);
  EXPECT_EQ(d->ellipsoid->a, 6378388.0);
  EXPECT_EQ(d->ellipsoid->invF, 6378388.0 / (6378388.0 - 6356911.946));
  EXPECT_EQ(d->dx, -87.5);
  EXPECT_EQ(d->dy, 98.25);
  EXPECT_EQ(d->dz, -121.0);
  EXPECT_EQ(d->rx, 0.0);
  EXPECT_EQ(d->ry, 0.0);
  EXPECT_EQ(d->rz, 0.0);
  EXPECT_EQ(d->scale, 1.0);
  EXPECT_EQ(conv::FindDatumEntry(conv::BuiltInDatumList(), d), -1);
  // Asking again, or for another key of the same definition, gives the same
  // record rather than a new one.
  EXPECT_EQ(datums.DatumOfKey(3, nullptr), d);
  EXPECT_EQ(datums.DatumOfKey(9, nullptr), d);
  conv::SourceDatums again(Standard(), Geodesy());
  EXPECT_EQ(again.DatumOfKey(3, nullptr), d);
}

TEST_F(DatumSelection, EqualAxesDefineASphere) {
  conv::SourceDatums datums(Standard(), Geodesy());
  const GeodeticDatum* d = datums.DatumOfKey(4, nullptr);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(d->ellipsoid->a, 6371000.0);
  EXPECT_EQ(d->ellipsoid->b, 6371000.0);
  EXPECT_TRUE(std::isinf(d->ellipsoid->invF));
  EXPECT_EQ(d->ellipsoid->e2, 0.0);
  double p[3] = {52.0 * kDeg, 4.5 * kDeg, 0.0};
  conv::TransformToWgs84(Geodesy(), d, p);
  for (double v : p) EXPECT_TRUE(std::isfinite(v));
}

// PROJ's helmert on cartesian coordinates, with the library's mirrored Y
// axis undone, is the reference for what a defined datum does to a position.
TEST_F(DatumSelection, DefinedDatumsMovePositionsAsProjDoes) {
  conv::SourceDatums datums(Standard(), Geodesy());
  PJ_CONTEXT* ctx = proj_context_create();
  for (int32_t key : {3, 4}) {
    const GeodeticDatum* d = datums.DatumOfKey(key, nullptr);
    char text[512];
    std::snprintf(text, sizeof text,
                  "+proj=pipeline +step +proj=cart +a=%.17g +b=%.17g "
                  "+step +proj=helmert +x=%.17g +y=%.17g +z=%.17g "
                  "+step +inv +proj=cart +ellps=WGS84",
                  d->ellipsoid->a, d->ellipsoid->b, d->dx, -d->dy, d->dz);
    PJ* pj = proj_create(ctx, text);
    ASSERT_NE(pj, nullptr) << text;
    for (double lat : {-60.0, 0.0, 52.37, 89.0}) {
      for (double lon : {-170.0, 4.9, 120.0}) {
        double ours[3] = {lat * kDeg, lon * kDeg, 15.0};
        conv::TransformToWgs84(Geodesy(), d, ours);
        PJ_COORD c = proj_trans(pj, PJ_FWD, proj_coord(lon * kDeg, lat * kDeg, 15.0, 0));
        const double north = (ours[0] - c.lpz.phi) * 6378137.0;
        const double east =
            std::remainder(ours[1] - c.lpz.lam, 2 * std::numbers::pi) * 6378137.0 * std::cos(c.lpz.phi);
        EXPECT_LT(std::hypot(north, east), 0.001) << key << " at " << lat << " " << lon;
        EXPECT_NEAR(ours[2], c.lpz.z, 0.001) << key << " at " << lat << " " << lon;
      }
    }
    proj_destroy(pj);
  }
  proj_context_destroy(ctx);
}

TEST_F(DatumSelection, Wgs84PassesUnchanged) {
  conv::SourceDatums datums(Standard(), Geodesy());
  double p[3] = {0.9, -2.1, 12.5};
  conv::TransformToWgs84(Geodesy(), datums.DatumOfKey(1, nullptr), p);
  EXPECT_EQ(p[0], 0.9);
  EXPECT_EQ(p[1], -2.1);
  EXPECT_EQ(p[2], 12.5);
}

TEST_F(DatumSelection, KeyZeroIsTheChosenDatum) {
  conv::SourceDatums datums(Standard(), Geodesy());
  const GeodeticDatum* chosen = BuiltIn("NAS-C");
  EXPECT_EQ(datums.DatumOfKey(0, chosen), chosen);
  SetCurrentLanguage(kLangEnglish);
  try {
    datums.DatumOfKey(0, nullptr, "Lighthouse");
    FAIL() << "no error without a chosen datum";
  } catch (const conv::DatumNotChosenError& e) {
    EXPECT_EQ(std::string(e.what()),
              "Waypoint: Lighthouse uses the geodetic datum chosen for the conversion, but no datum has "
              "been chosen.\r\nChoose a geodetic datum and try again.");
  }
}

TEST_F(DatumSelection, UnusableRowsGiveClearErrors) {
  conv::SourceDatums datums(Standard(), Geodesy());
  SetCurrentLanguage(kLangEnglish);
  auto message = [&](int32_t key) -> std::string {
    try {
      datums.DatumOfKey(key, nullptr);
    } catch (const std::exception& e) {
      return e.what();
    }
    return "no error";
  };
  EXPECT_EQ(message(42), "The table Datums in the given Ankrum 3 database has no datum with key 42.");
  EXPECT_EQ(
      message(7),
      "The table Ellipsoids in the given Ankrum 3 database has no ellipsoid with key 99 (used by datum 7).");
  EXPECT_EQ(
      message(8),
      "The ellipsoid with key 4 in the given Ankrum 3 database has unusable axes (major axis 6356000 m, "
      "minor axis 6378000 m).");
  EXPECT_NE(message(10).find("unusable axes (major axis 0 m, minor axis 0 m)"), std::string::npos);
  // A Null number names the table, the column, the row and its key.
  EXPECT_EQ(message(6), "Table Datums, column x, row 7: Null cannot be read as a number (Datum 6)");
  EXPECT_EQ(message(11),
            "Table Ellipsoids, column Minoraxis, row 8: Null cannot be read as a number (Ellipse 7)");
  EXPECT_THROW(datums.DatumOfKey(6, nullptr), conv::SourceValueError);
  EXPECT_THROW(datums.DatumOfKey(42, nullptr), conv::DatumError);
  // Errors are not remembered as datums: the good keys still resolve.
  EXPECT_EQ(datums.DatumOfKey(1, nullptr), Geodesy().wgs84);
}

TEST_F(DatumSelection, GpsDatumOfTheDatabase) {
  conv::SourceDatums standard(Standard(), Geodesy());
  EXPECT_EQ(standard.GpsDatum(nullptr), BuiltIn("EUR-A"));

  struct Case {
    std::optional<std::vector<Value>> system;
    bool chosenExpected;   // the chosen datum comes back
    bool definedExpected;  // a datum outside the list comes back
  };
  const Case cases[] = {
      {std::vector<Value>{I(3)}, false, true},
      {std::vector<Value>{I(0)}, true, false},
      {std::vector<Value>{}, false, false},
      {std::vector<Value>{kNull, I(1)}, false, false},  // the first row counts
  };
  const GeodeticDatum* chosen = BuiltIn("OGB-M");
  const auto list = conv::BuiltInDatumList();
  int n = 0;
  for (const Case& c : cases) {
    vmtest::TempDir dir;
    conv::SourceDatabase db;
    ASSERT_TRUE(db.Open(WriteDatumDatabase(dir.path(), kDatums, kEllipsoids, c.system)))
        << db.failureDetail();
    conv::SourceDatums datums(db, Geodesy());
    const GeodeticDatum* gps = datums.GpsDatum(chosen);
    if (c.chosenExpected) {
      EXPECT_EQ(gps, chosen) << n;
    } else if (c.definedExpected) {
      ASSERT_NE(gps, nullptr) << n;
      EXPECT_EQ(conv::FindDatumEntry(list, gps), -1) << n;
    } else {
      EXPECT_EQ(gps, nullptr) << n;
    }
    ++n;
  }
}

TEST_F(DatumSelection, MissingTablesAreNamed) {
  SetCurrentLanguage(kLangDutch);
  vmtest::TempDir dir;
  conv::SourceDatabase db;
  ASSERT_TRUE(db.Open(WriteDatumDatabase(dir.path(), std::nullopt, std::nullopt, std::nullopt)))
      << db.failureDetail();
  conv::SourceDatums datums(db, Geodesy());
  try {
    datums.GpsDatum(nullptr);
    FAIL() << "no error without System";
  } catch (const conv::DatumError& e) {
    EXPECT_EQ(std::string(e.what()), conv::Text(conv::TextId::TableNotOpened, {"System"}));
    EXPECT_NE(std::string(e.what()).find("De tabel System"), std::string::npos);
  }
  EXPECT_THROW(datums.DatumOfKey(1, nullptr), conv::DatumError);
  // Without Datums, waypoints of the chosen datum still convert.
  EXPECT_EQ(datums.DatumOfKey(0, Geodesy().wgs84), Geodesy().wgs84);
  SetCurrentLanguage(kLangEnglish);

  // Datums without Ellipsoids: built-in names work, defined datums cannot.
  vmtest::TempDir dir2;
  conv::SourceDatabase db2;
  ASSERT_TRUE(db2.Open(WriteDatumDatabase(dir2.path(), kDatums, std::nullopt, std::nullopt)));
  conv::SourceDatums datums2(db2, Geodesy());
  EXPECT_EQ(datums2.DatumOfKey(1, nullptr), Geodesy().wgs84);
  EXPECT_THROW(datums2.DatumOfKey(3, nullptr), conv::DatumError);
}

TEST_F(DatumSelection, RunDatumFromTheCodeOrTheGpsDatum) {
  SetCurrentLanguage(kLangEnglish);
  const auto list = conv::BuiltInDatumList();
  conv::SourceDatums standard(Standard(), Geodesy());
  // A code wins over the database; codes ignore case.
  EXPECT_EQ(conv::ChooseRunDatum(std::string("nas-c"), standard, list).datum, BuiltIn("NAS-C"));
  const conv::DatumChoice unknown = conv::ChooseRunDatum(std::string("XYZ"), standard, list);
  EXPECT_EQ(unknown.datum, nullptr);
  EXPECT_EQ(unknown.message, "Unknown datum code: XYZ. 'ankrum3-convert --list-datums' lists the codes.");
  // The GPS datum when it is built in.
  const conv::DatumChoice gps = conv::ChooseRunDatum(std::nullopt, standard, list);
  EXPECT_EQ(gps.datum, BuiltIn("EUR-A"));
  EXPECT_TRUE(gps.message.empty());

  // A defined GPS datum, none, or no System table: --datum is asked for.
  const char* needed = "The database's GPS datum is not one of the built-in datums.";
  for (const auto& system :
       {std::optional<std::vector<Value>>(std::vector<Value>{I(3)}),
        std::optional<std::vector<Value>>(std::vector<Value>{}), std::optional<std::vector<Value>>()}) {
    vmtest::TempDir dir;
    conv::SourceDatabase db;
    ASSERT_TRUE(db.Open(WriteDatumDatabase(dir.path(), kDatums, kEllipsoids, system)));
    conv::SourceDatums datums(db, Geodesy());
    const conv::DatumChoice choice = conv::ChooseRunDatum(std::nullopt, datums, list);
    EXPECT_EQ(choice.datum, nullptr);
    EXPECT_NE(choice.message.find(needed), std::string::npos) << choice.message;
    if (!system) {
      EXPECT_NE(choice.message.find("The table System"), std::string::npos) << choice.message;
    }
    EXPECT_EQ(conv::ChooseRunDatum(std::string("WGE"), datums, list).datum, Geodesy().wgs84);
  }
}

TEST(LibraryBinding, HoldsTheLibraryForItsLifetime) {
  {
    conv::LibraryBinding binding;
    EXPECT_NE(binding.geodesy().registry, nullptr);
    ASSERT_NE(binding.geodesy().wgs84, nullptr);
    EXPECT_TRUE(binding.geodesy().wgs84->isWgs84);
    EXPECT_NE(binding.geodesy().registry->GetShortNameLookup(), nullptr);
    // A second owner would finalise the library under the first.
    EXPECT_THROW(conv::LibraryBinding second, std::logic_error);
    EXPECT_NE(conv::TakeGeodesyGlobals().registry, nullptr);
  }
  CGeodeticRegistry* registry = nullptr;
  GeodeticsGetGlobals(&registry, nullptr, nullptr, nullptr, nullptr);
  EXPECT_EQ(registry, nullptr);
  EXPECT_THROW(conv::TakeGeodesyGlobals(), std::runtime_error);
  // The process may bind again after the first binding ended.
  conv::LibraryBinding again;
  EXPECT_NE(again.geodesy().wgs84, nullptr);
}

}  // namespace
