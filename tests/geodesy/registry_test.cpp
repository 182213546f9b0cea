// Ellipsoids, datums, their registry, lookups and finder.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "core/str_internal.h"
#include "geodesy/geodesy_internal.h"
#include "geodesy/geodesy_test_support.h"

namespace {

using geotest::GeodesyTest;
using geotest::kDeg;

// The documented code order of the built-in datums.
const char* const kDocumentedCodes[] = {
    "ADI-A", "ADI-B",  "ADI-C", "ADI-D", "ADI-E",  "ADI-F", "ADI-M", "AFG",   "AIA",    "AIN-A", "AIN-B",
    "AMA",   "ANO",    "ARF-A", "ARF-B", "ARF-C",  "ARF-D", "ARF-E", "ARF-F", "ARF-G",  "ARF-H", "ARF-M",
    "ARS-A", "ARS-B",  "ARS-M", "ASC",   "ASM",    "ASQ",   "ATF",   "AUA",   "AUG",    "BAT",   "BER",
    "BID",   "BOO",    "BUR",   "CAC",   "CAI",    "CAO",   "CAP",   "CAZ",   "CCD",    "CGE",   "CHI",
    "CHU",   "COA",    "DAL",   "DID",   "DOB",    "EAS",   "ENW",   "EST",   "EUR-A",  "EUR-B", "EUR-C",
    "EUR-D", "EUR-E",  "EUR-F", "EUR-G", "EUR-H",  "EUR-I", "EUR-J", "EUR-K", "EUR-L",  "EUR-M", "EUR-S",
    "EUR-T", "EUS",    "FAH",   "FLO",   "FOT",    "GAA",   "GEO",   "GIZ",   "GRA",    "GSE",   "GUA",
    "HEN",   "HER",    "HIT",   "HJO",   "HKD",    "HTN",   "IBE",   "IDN",   "IND-B",  "IND-I", "IND-P",
    "INF-A", "ING-A",  "ING-B", "INH-A", "INH-A1", "IRL",   "ISG",   "IST",   "JOH",    "KAN",   "KEA",
    "KEG",   "KGS",    "KUS",   "LCF",   "LEH",    "LIB",   "LUZ-A", "LUZ-B", "MAS",    "MER",   "MID",
    "MIK",   "MIN-A",  "MIN-B", "MOD",   "MPO",    "MVS",   "NAH-A", "NAH-B", "NAH-C",  "NAP",   "NAR-A",
    "NAR-B", "NAR-C",  "NAR-D", "NAR-E", "NAR-H",  "NAS-A", "NAS-B", "NAS-C", "NAS-D",  "NAS-E", "NAS-F",
    "NAS-G", "NAS-H",  "NAS-I", "NAS-J", "NAS-L",  "NAS-N", "NAS-O", "NAS-P", "NAS-Q",  "NAS-R", "NAS-T",
    "NAS-U", "NAS-V",  "NAS-W", "NSD",   "OEG",    "OGB-A", "OGB-B", "OGB-C", "OGB-D",  "OGB-M", "OHA-A",
    "OHA-B", "OHA-C",  "OHA-D", "OHA-M", "OHI-A",  "OHI-B", "OHI-C", "OHI-D", "OHI-M",  "PD",    "PHA",
    "PIT",   "PLN",    "POS",   "PRP-A", "PRP-B",  "PRP-C", "PRP-D", "PRP-E", "PRP-F",  "PRP-G", "PRP-H",
    "PRP-M", "PTB",    "PTN",   "PUK",   "PUR",    "QAT",   "QUO",   "RD",    "RD-OLD", "REU",   "RTS",
    "SAE",   "SAN-A",  "SAN-B", "SAN-C", "SAN-D",  "SAN-E", "SAN-F", "SAN-G", "SAN-H",  "SAN-I", "SAN-J",
    "SAN-K", "SAN-L",  "SAN-M", "SAO",   "SAP",    "SCK",   "SGM",   "SHB",   "SIR",    "SOA",   "SPK-A",
    "SPK-B", "SPK-C",  "SPK-D", "SPK-E", "SPK-F",  "SPK-G", "SRL",   "TAN",   "TDC",    "TIL",   "TOY-A",
    "TOY-B", "TOY-B1", "TOY-C", "TOY-M", "TRN",    "VOI",   "VOR",   "WAK",   "WGC",    "WGE",   "YAC",
    "ZAN"};

using Registry = GeodesyTest;

TEST_F(Registry, BuiltInDatumsAreListedInTheDocumentedCodeOrder) {
  ASSERT_EQ(std::size(kDocumentedCodes), 232u);
  int32_t count = 232;
  std::vector<const GeodeticDatum*> list(232);
  ASSERT_TRUE(GeodeticDatumGetList(&count, list.data()));
  ASSERT_EQ(count, 232);
  for (int i = 0; i < 232; ++i) {
    EXPECT_STREQ(list[i]->code, kDocumentedCodes[i]) << i;
    EXPECT_EQ(list[i]->kind, kGeodeticDatumBuiltIn);
    EXPECT_TRUE(GeodeticDatumIsValid(list[i]));
  }
}

TEST_F(Registry, BuiltInEllipsoidsAreSortedByPackedCodeWithDerivedConstants) {
  int32_t count = 25;
  const GeodeticEllipsoid* list[25] = {};
  ASSERT_TRUE(GeodeticEllipsoidGetList(&count, list));
  for (int i = 1; i < 25; ++i) EXPECT_LT(list[i - 1]->code, list[i]->code);
  EXPECT_EQ(list[0]->code, 0x41410000);  // "AA"
  EXPECT_STREQ(list[0]->name, "Airy");

  const GeodeticEllipsoid* we = Ellipsoid("WE");
  EXPECT_EQ(we->a, 6378137.0);
  EXPECT_EQ(we->invF, 298.257223563);
  EXPECT_NEAR(we->b, 6356752.314245, 1e-6);
  EXPECT_NEAR(we->e2, 0.00669437999014, 1e-14);
  EXPECT_NEAR(we->e2prime, 0.00673949674228, 1e-14);
  EXPECT_EQ(we->kind, kGeodeticBuiltIn);
  EXPECT_EQ(we->reserved, 0);
  EXPECT_NE(std::string(we->reference).find("NIMA TR8350.2"), std::string::npos);
  // The meridian series against the rectifying radius of WGS 84 (6367449.146 m).
  EXPECT_NEAR(we->a * we->meridian[0], 6367449.1458, 1e-3);
  EXPECT_DOUBLE_EQ(we->invAm0, 1.0 / (we->a * we->meridian[0]));
  // The conformal series and its inverse undo each other to well below a
  // micro-radian at 50°.
  const double phi = 50 * kDeg;
  double chi = phi, back;
  for (int k = 0; k < 4; ++k) chi += we->conformal[k] * std::sin(2 * (k + 1) * phi);
  back = chi;
  for (int k = 0; k < 4; ++k) back += we->invConformal[k] * std::sin(2 * (k + 1) * chi);
  EXPECT_NEAR(back, phi, 1e-11);
}

TEST_F(Registry, GlobalsAreTheWgs84AndOldDutchRecords) {
  CGeodeticRegistry* registry = nullptr;
  const GeodeticEllipsoid* we = nullptr;
  const GeodeticDatum* wge = nullptr;
  const GeodeticDatum* rdOld = nullptr;
  const GeodeticRef* ref = nullptr;
  GeodeticsGetGlobals(&registry, &we, &wge, &rdOld, &ref);
  ASSERT_NE(registry, nullptr);
  EXPECT_EQ(we, Ellipsoid("WE"));
  EXPECT_EQ(wge, Datum("WGE"));
  EXPECT_EQ(rdOld, Datum("RD-OLD"));
  EXPECT_TRUE(wge->isWgs84);
  EXPECT_STREQ(rdOld->name, "Bessel (NL.RD)");
  EXPECT_EQ(rdOld->ellipsoid, Ellipsoid("BR"));
  ASSERT_NE(ref, nullptr);
  EXPECT_EQ(ref->kind, kGeodeticRefGeographic);
  EXPECT_EQ(ref->datum, wge);
  EXPECT_NE(registry->GetDatumManager(), nullptr);
  EXPECT_NE(registry->GetEllipsoidManager(), nullptr);
  EXPECT_NE(registry->GetPackedCodeLookup(), nullptr);
  EXPECT_NE(registry->GetIndexLookup(), nullptr);
  EXPECT_NE(registry->GetLongNameLookup(), nullptr);
  EXPECT_NE(registry->GetShortNameLookup(), nullptr);
}

TEST_F(Registry, PublishedParametersAreStoredInTheGlobalFrame) {
  const double arcsec = std::numbers::pi / 648000;
  const GeodeticDatum* pd = Datum("PD");
  EXPECT_EQ(pd->dx, 598.1);
  EXPECT_EQ(pd->dy, -73.7);
  EXPECT_EQ(pd->dz, 418.2);
  EXPECT_DOUBLE_EQ(pd->rx, 0.202 * arcsec);
  EXPECT_DOUBLE_EQ(pd->ry, -0.045 * arcsec);
  EXPECT_DOUBLE_EQ(pd->rz, -2.455 * arcsec);
  EXPECT_DOUBLE_EQ(pd->scale, 1 + 6.7e-6);
  EXPECT_NE(std::string(pd->reference).find("European coordinate reference systems"), std::string::npos);

  const GeodeticDatum* adi = Datum("ADI-A");
  EXPECT_STREQ(adi->name, "Adindan");
  EXPECT_STREQ(adi->area, "Ethiopia");
  EXPECT_EQ(adi->ellipsoid, Ellipsoid("CD"));
  EXPECT_EQ(adi->dx, -165);
  EXPECT_EQ(adi->dy, 11);
  EXPECT_EQ(adi->dz, 206);
  EXPECT_EQ(adi->scale, 1.0);
  EXPECT_STREQ(Datum("WGC")->reference, "NATO STANAG 2211");
}

TEST_F(Registry, EllipsoidCodesAreCaseSensitiveAndPackedFromFourCharacters) {
  const GeodeticEllipsoid* e = reinterpret_cast<const GeodeticEllipsoid*>(1);
  EXPECT_FALSE(GeodeticEllipsoidCreateByCode("aa", &e));
  EXPECT_EQ(e, nullptr);
  ASSERT_TRUE(GeodeticEllipsoidCreateByCode("AA", &e));
  EXPECT_STREQ(e->name, "Airy");
  EXPECT_FALSE(GeodeticEllipsoidCreateByCode("", &e));
  EXPECT_EQ(vm::geodesy::PackCode("ABCDE"), vm::geodesy::PackCode("ABCD"));
  EXPECT_EQ(vm::geodesy::PackCode("AA"), 0x41410000);
}

TEST_F(Registry, CodeToStrStoresWhatFitsAndReportsTheSize) {
  struct Case {
    const char* code;
    int32_t size;
    bool result;
    const char* stored;  // bytes expected at the start of the buffer
  };
  const Case cases[] = {
      {"AA", 3, true, "AA"},     {"AA", 2, false, "AA#"},     {"AA", 0, false, "###"},
      {"ABCD", 5, true, "ABCD"}, {"ABCD", 4, false, "ABCD#"}, {"", 1, true, ""},
  };
  for (const Case& c : cases) {
    char buffer[8];
    std::memset(buffer, '#', sizeof buffer);
    int32_t size = c.size;
    EXPECT_EQ(GeodeticEllipsoidCodeToStr(vm::geodesy::PackCode(c.code), &size, buffer), c.result) << c.code;
    EXPECT_EQ(size, static_cast<int32_t>(std::strlen(c.code)) + 1) << c.code;
    EXPECT_EQ(std::memcmp(buffer, c.stored, std::strlen(c.stored) + (c.result ? 1 : 0)), 0)
        << c.code << c.size;
  }
}

TEST_F(Registry, DatumCodesAreCaseInsensitive) {
  int32_t status = -1;
  EXPECT_EQ(GeodeticDatumCreateByCode("adi-a", &status), Datum("ADI-A"));
  EXPECT_EQ(status, 0);
  EXPECT_STREQ(GeodeticDatumCreateByCode("Rd-Old", &status)->code, "RD-OLD");
  EXPECT_EQ(GeodeticDatumCreateByCode("ADI", &status), nullptr);
  EXPECT_EQ(status, 0x70014);
  status = -1;
  EXPECT_EQ(GeodeticDatumCreateByCode(nullptr, &status), nullptr);
  EXPECT_EQ(status, 0x70014);
}

TEST_F(Registry, ListCallsWithTooSmallACountLeaveTheArrayAlone) {
  const GeodeticDatum* sentinel = reinterpret_cast<const GeodeticDatum*>(0x1234);
  std::vector<const GeodeticDatum*> datums(232, sentinel);
  int32_t count = 231;
  EXPECT_FALSE(GeodeticDatumGetList(&count, datums.data()));
  EXPECT_EQ(count, 232);
  EXPECT_EQ(datums[0], sentinel);
  count = 0;
  EXPECT_FALSE(GeodeticDatumGetList(&count, nullptr));
  EXPECT_EQ(count, 232);

  const GeodeticEllipsoid* ellipsoids[25] = {};
  count = 24;
  EXPECT_FALSE(GeodeticEllipsoidGetList(&count, ellipsoids));
  EXPECT_EQ(count, 25);
  EXPECT_EQ(ellipsoids[0], nullptr);
}

TEST_F(Registry, DefinitionsAreInterned) {
  const GeodeticEllipsoid* bessel = Ellipsoid("BR");
  const GeodeticEllipsoid* defined = GeodeticEllipsoidCreateByDef(bessel->a, bessel->invF);
  EXPECT_NE(defined, bessel);
  EXPECT_EQ(GeodeticEllipsoidCreateByDef(bessel->a, bessel->invF), defined);
  EXPECT_NE(GeodeticEllipsoidCreateByDef(bessel->a, bessel->invF + 1e-9), defined);
  EXPECT_EQ(defined->kind, kGeodeticDefined);
  EXPECT_EQ(defined->code, 0);
  EXPECT_STREQ(defined->name, "");
  EXPECT_EQ(defined->b, bessel->b);

  const GeodeticDatum* d1 = GeodeticDatumCreateByDef(bessel, 593.16, -26.15, 478.54, 0, 0, 0, 1.0);
  EXPECT_EQ(GeodeticDatumCreateByDef(bessel, 593.16, -26.15, 478.54, 0, 0, 0, 1.0), d1);
  const GeodeticDatum* d2 = GeodeticDatumCreateByDef(defined, 593.16, -26.15, 478.54, 0, 0, 0, 1.0);
  EXPECT_NE(d2, d1);
  EXPECT_EQ(d1->kind, kGeodeticDatumByDef);
  EXPECT_STREQ(d1->code, "");
  // Stored as given: no conversion of sign or unit.
  EXPECT_EQ(d1->dy, -26.15);
  // Same parameters as the built-in RD-OLD once converted.
  EXPECT_TRUE(GeodeticDatumIsEqualParams(d1, Datum("RD-OLD")));
  EXPECT_TRUE(GeodeticDatumIsValid(d1));
  EXPECT_TRUE(GeodeticDatumIsValid(d2));

  GeodeticDatum copy = *d1;
  EXPECT_FALSE(GeodeticDatumIsValid(&copy));
  EXPECT_FALSE(GeodeticDatumIsValid(nullptr));
}

TEST_F(Registry, Wgs84FlagNeedsTheWgs84EllipsoidRecordAndNoParameters) {
  const GeodeticEllipsoid* we = Ellipsoid("WE");
  const GeodeticDatum* wge = Datum("WGE");
  const GeodeticDatum* zero = GeodeticDatumCreateByDef(we, 0, 0, 0, 0, 0, 0, 1.0);
  EXPECT_TRUE(zero->isWgs84);
  EXPECT_TRUE(GeodeticDatumIsEqualParams(zero, wge));
  const GeodeticEllipsoid* copyOfWe = GeodeticEllipsoidCreateByDef(we->a, we->invF);
  EXPECT_FALSE(GeodeticDatumCreateByDef(copyOfWe, 0, 0, 0, 0, 0, 0, 1.0)->isWgs84);
  EXPECT_FALSE(GeodeticDatumCreateByDef(we, 0, 0, 0, 0, 0, 0, 1.0 + 1e-12)->isWgs84);
  EXPECT_TRUE(Datum("KGS")->isWgs84);
  EXPECT_FALSE(Datum("NAR-C")->isWgs84);
  const double origin[2] = {52 * kDeg, 5 * kDeg}, none[2] = {0, 0};
  EXPECT_TRUE(GeodeticDatumCreateByShift(origin, none)->isWgs84);
}

TEST_F(Registry, EqualParamsIgnoreEllipsoids) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {
      {"WGE", "KGS", true},      {"NAR-C", "SIR", true}, {"NAR-C", "WGE", true},
      {"EUR-A", "EUR-B", false}, {"PD", "PD", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(GeodeticDatumIsEqualParams(Datum(c.a), Datum(c.b)), c.equal) << c.a << c.b;
  EXPECT_FALSE(GeodeticDatumIsEqualParams(nullptr, Datum("WGE")));
}

TEST_F(Registry, ShiftDatumMovesPositionsByTheShift) {
  const double origin[2] = {52 * kDeg, 5 * kDeg};
  const double shift[2] = {2e-6, -3e-6};
  const GeodeticDatum* d = GeodeticDatumCreateByShift(origin, shift);
  ASSERT_NE(d, nullptr);
  EXPECT_EQ(GeodeticDatumCreateByShift(origin, shift), d);
  EXPECT_EQ(d->kind, kGeodeticDatumByShift);
  EXPECT_EQ(d->ellipsoid, Ellipsoid("WE"));
  EXPECT_EQ(d->shiftOrigin[0], origin[0]);
  EXPECT_EQ(d->shift[1], shift[1]);
  EXPECT_EQ(d->rx, 0.0);
  EXPECT_EQ(d->scale, 1.0);
  EXPECT_TRUE(GeodeticDatumIsValid(d));
  double moved[3];
  const double at[3] = {origin[0], origin[1], 0};
  GeodeticDatumTransform3(moved, Datum("WGE"), at, d);
  // A translation of a few metres: the shift holds at the origin to well
  // below a millimetre (1e-10 rad is 0.6 mm).
  EXPECT_NEAR(moved[0] - origin[0], shift[0], 1e-10);
  EXPECT_NEAR(moved[1] - origin[1], shift[1], 1e-10);
  EXPECT_NEAR(moved[2], 0.0, 1e-3);
}

TEST_F(Registry, IndexLookupHasGapsAndDuplicates) {
  const CGeodeticDatumLookup* lookup = nullptr;
  CGeodeticRegistry* registry = nullptr;
  GeodeticsGetGlobals(&registry, nullptr, nullptr, nullptr, nullptr);
  lookup = registry->GetIndexLookup();
  struct Case {
    int16_t index;
    const char* code;  // null: the lookup fails
  };
  const Case cases[] = {{1, "ADI-E"},   {18, "ARF-M"},  {19, "ARF-M"}, {209, "WGE"},   {223, "KGS"},
                        {214, nullptr}, {220, nullptr}, {0, nullptr},  {224, nullptr}, {-1, nullptr}};
  for (const Case& c : cases) {
    int32_t status = -1;
    const GeodeticDatum* d = lookup->Find(&c.index, &status);
    if (c.code) {
      ASSERT_NE(d, nullptr) << c.index;
      EXPECT_STREQ(d->code, c.code);
      EXPECT_EQ(status, 0);
    } else {
      EXPECT_EQ(d, nullptr) << c.index;
      EXPECT_EQ(status, 0x70014);
    }
  }
}

TEST_F(Registry, PackedCodeLookupFollowsTheHyphenRule) {
  CGeodeticRegistry* registry = nullptr;
  GeodeticsGetGlobals(&registry, nullptr, nullptr, nullptr, nullptr);
  const CGeodeticDatumLookup* lookup = registry->GetPackedCodeLookup();
  struct Case {
    const char* key;
    const char* code;
  };
  const Case cases[] = {{"ADIA", "ADI-A"}, {"ADI", "ADI-M"}, {"AME", "RD"},     {"RD", "RD"},
                        {"EUR", "EUR-M"},  {"GDS", "WGE"},   {"STO", "RTS"},    {"TOYB", "TOY-B"},
                        {"WGE", "WGE"},    {"OHI", nullptr}, {"OHIA", nullptr}, {"RDOL", nullptr},
                        {"SPKA", nullptr}, {"SIR", nullptr}, {"EST", nullptr}};
  for (const Case& c : cases) {
    const int32_t key = vm::geodesy::PackCode(c.key);
    int32_t status = -1;
    const GeodeticDatum* d = lookup->Find(&key, &status);
    if (c.code) {
      ASSERT_NE(d, nullptr) << c.key;
      EXPECT_STREQ(d->code, c.code);
    } else {
      EXPECT_EQ(d, nullptr) << c.key;
      EXPECT_EQ(status, 0x70014);
    }
  }
  // 232 codes less 17 without a packed key, plus 18 further keys.
  EXPECT_EQ(vm::geodesy::PackedCodeTableSize(), 233);
}

TEST_F(Registry, NameLookupsFindAndNameDatums) {
  CGeodeticRegistry* registry = nullptr;
  GeodeticsGetGlobals(&registry, nullptr, nullptr, nullptr, nullptr);
  const CGeodeticDatumNameLookup* shortNames = registry->GetShortNameLookup();
  const CGeodeticDatumNameLookup* longNames = registry->GetLongNameLookup();
  int32_t status = -1;
  EXPECT_EQ(shortNames->Find("wgs-84", &status), Datum("WGE"));
  EXPECT_EQ(status, 0);
  EXPECT_EQ(shortNames->Find("Easter Island 1967", &status), nullptr);
  EXPECT_EQ(status, 0x70014);
  EXPECT_EQ(shortNames->Find("Easter lsland 1967", &status), Datum("EAS"));
  EXPECT_EQ(shortNames->Find("European 1950", &status), Datum("EUR-A"));
  EXPECT_EQ(shortNames->Find(nullptr, &status), nullptr);

  EXPECT_EQ(longNames->Find("ED50, EUR-A", &status), Datum("EUR-A"));
  EXPECT_EQ(longNames->Find("nad 1927, nas-s", &status), Datum("NAS-D"));
  EXPECT_EQ(longNames->Find("Bessel (NL.RD)", &status), Datum("RD-OLD"));
  EXPECT_EQ(longNames->Find("s-42, SPK", &status), Datum("SPK-A"));
  EXPECT_EQ(longNames->Find("Afgooye, AFG Somalia", &status), Datum("AFG"));
  EXPECT_EQ(longNames->Find("Deutsches Hauptdreiecksnetz (DHDN) (Rauenberg/Potsdam), PD", &status),
            Datum("PD"));
  // One entry per built-in datum and the six chart names, of which
  // "Adindan, ADI-A" is also a datum's own.
  EXPECT_EQ(vm::geodesy::LongNameTableSize(), 237);

  const char* name = nullptr;
  shortNames->FindName(Datum("COA"), &name, &status);
  EXPECT_STREQ(name, "Corrego Alegre (Prov.)");  // the last of its entries
  EXPECT_EQ(status, 0);
  longNames->FindName(Datum("eur-a"), &name, &status);
  EXPECT_STREQ(name, "European 1950, EUR-A");
  const GeodeticDatum* created = GeodeticDatumCreateByDef(Datum("WGE")->ellipsoid, 1, 2, 3, 0, 0, 0, 1);
  longNames->FindName(created, &name, &status);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(status, 0x70015);
  shortNames->FindName(Datum("PD"), &name, &status);
  EXPECT_EQ(name, nullptr);
  EXPECT_EQ(status, 0x70014);
}

TEST_F(Registry, FinderRanksByExactThenPartialMatches) {
  CGeodeticDatumFinder* finder = GeodeticDatumFinderCreate();
  ASSERT_NE(finder, nullptr);
  Str* text = vm::StrNew("European 1950");
  ASSERT_TRUE(finder->Find(text));
  ASSERT_GT(finder->GetCount(), 0);
  int eurCount = 0;
  for (int32_t i = 0; i < finder->GetCount(); ++i) {
    const GeodeticDatumMatch* m = finder->GetItem(i);
    const bool eur =
        std::strncmp(m->datum->code, "EUR-", 4) == 0 && std::strcmp(m->datum->name, "European 1950") == 0;
    if (eur) {
      EXPECT_EQ(m->exactCount, 2) << m->datum->code;
      EXPECT_EQ(i, eurCount) << "EUR- datums come first";
      ++eurCount;
    }
    if (i > 0) {
      const GeodeticDatumMatch* p = finder->GetItem(i - 1);
      EXPECT_TRUE(p->exactCount > m->exactCount ||
                  (p->exactCount == m->exactCount && p->partialCount >= m->partialCount));
    }
  }
  EXPECT_GE(eurCount, 10);
  EXPECT_EQ(finder->GetItem(finder->GetCount()), nullptr);
  EXPECT_EQ(finder->GetItem(-1), nullptr);

  // Single characters and separators give no token; the previous results go.
  ASSERT_TRUE(vm::StrAssign(text, "a - 1 ."));
  EXPECT_FALSE(finder->Find(text));
  EXPECT_EQ(finder->GetCount(), 0);
  // A partial match: "Potsdam" lies inside no token, "DHDN" is exact.
  ASSERT_TRUE(vm::StrAssign(text, "dhdn"));
  ASSERT_TRUE(finder->Find(text));
  EXPECT_STREQ(finder->GetItem(0)->datum->code, "PD");
  EXPECT_EQ(finder->GetItem(0)->exactCount, 1);
  ASSERT_TRUE(vm::StrAssign(text, "Hawai"));
  ASSERT_TRUE(finder->Find(text));
  EXPECT_EQ(finder->GetItem(0)->exactCount, 0);
  EXPECT_GT(finder->GetItem(0)->partialCount, 0);
  StrDelete(text);
  ObjectDelete(finder);
}

// Eight threads define the same and their own datums at once: every thread
// must get the one interned record of a definition.
TEST_F(Registry, ConcurrentCreationInternsRecords) {
  constexpr int kThreads = 8, kRounds = 200;
  std::vector<std::vector<const GeodeticDatum*>> shared(kThreads), own(kThreads);
  std::vector<const GeodeticEllipsoid*> ellipsoids(kThreads);
  std::atomic<int> ready{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      ++ready;
      while (ready < kThreads) std::this_thread::yield();
      for (int i = 0; i < kRounds; ++i) {
        const GeodeticEllipsoid* e = GeodeticEllipsoidCreateByDef(6378000.0 + i % 5, 298.0);
        shared[t].push_back(GeodeticDatumCreateByDef(e, 100.0 + i % 7, 0, 0, 0, 0, 0, 1));
        own[t].push_back(GeodeticDatumCreateByDef(e, 1000.0 + t, i % 3, 0, 0, 0, 0, 1));
        const double origin[2] = {0.1 * (i % 4), 0.2}, shift[2] = {1e-6 * t, 0};
        own[t].push_back(GeodeticDatumCreateByShift(origin, shift));
        if (i == 0) ellipsoids[t] = e;
        EXPECT_TRUE(GeodeticDatumIsValid(shared[t].back()));
      }
    });
  }
  for (std::thread& th : threads) th.join();
  for (int t = 1; t < kThreads; ++t) {
    EXPECT_EQ(shared[t], shared[0]) << t;
    EXPECT_EQ(ellipsoids[t], ellipsoids[0]);
  }
  for (int t = 0; t < kThreads; ++t) {
    // The same definition comes back 15 rounds later.
    for (int i = 0; i + 15 < kRounds; ++i) EXPECT_EQ(own[t][2 * i], own[t][2 * (i + 15)]);
    if (t > 0) {
      EXPECT_NE(own[t][0], own[0][0]);
    }
  }
}

}  // namespace
