// The build-time generator of the built-in tables refuses faulty data files.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>

#include <sys/wait.h>

#include "support/test_support.h"

namespace {

const char* const kEllipsoidHeader = "code,name,area,a,invf,reference\n";
const char* const kDatumHeader = "code,name,area,ellipsoid,dx,dy,dz,rx,ry,rz,ppm,reference\n";

std::string Ellipsoids(int count) {
  std::string text = kEllipsoidHeader;
  for (int i = 0; i < count; ++i) {
    text +=
        std::string("E") + static_cast<char>('A' + i) + ",Name,\"Area, with comma\",6378137,298.25,NIMA\n";
  }
  return text;
}

std::string Datums(int count, const std::string& ellipsoid = "EA") {
  std::string text = kDatumHeader;
  for (int i = 0; i < count; ++i) {
    char code[16];
    std::snprintf(code, sizeof code, "D%03d", i);
    text += std::string(code) + ",Name,Area," + ellipsoid + ",1,-2,3.5,0,0,0,0,NIMA\n";
  }
  return text;
}

class TablesGenerator : public ::testing::Test {
protected:
  // Exit status of the generator on the two texts; the output is written
  // only on success.
  int Run(const std::string& ellipsoids, const std::string& datums) {
    const std::string e = dir_.str() + "/e.csv", d = dir_.str() + "/d.csv";
    std::ofstream(e) << ellipsoids;
    std::ofstream(d) << datums;
    const std::string command =
        std::string(GEODESY_TABLES_GEN) + " " + e + " " + d + " " + out() + " 2>/dev/null";
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string out() const { return dir_.str() + "/tables.inc"; }
  vmtest::TempDir dir_;
};

TEST_F(TablesGenerator, WritesInitialisersForSoundFiles) {
  ASSERT_EQ(Run(Ellipsoids(25), Datums(232)), 0);
  std::ifstream in(out());
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_NE(text.find("{\"EA\", \"Name\", \"Area, with comma\", 6378137.0, 298.25, \"NIMA\"}"),
            std::string::npos);
  EXPECT_NE(text.find("{\"D000\", \"Name\", \"Area\", \"EA\", 1.0, -2.0, 3.5,"), std::string::npos);
}

TEST_F(TablesGenerator, RejectsFaultyFiles) {
  std::string unsortedDatums = Datums(232);
  unsortedDatums.replace(unsortedDatums.find("D001"), 4, "D999");
  std::string badNumber = Datums(232);
  badNumber.replace(badNumber.find("3.5"), 3, "3,5");
  std::string notANumber = Datums(232);
  notANumber.replace(notANumber.find("3.5"), 3, "3.x");
  std::string openQuote = Ellipsoids(25);
  openQuote.replace(openQuote.find("comma\""), 6, "comma,");
  const struct {
    const char* what;
    std::string ellipsoids, datums;
  } cases[] = {
      {"24 ellipsoids", Ellipsoids(24), Datums(232)},
      {"231 datums", Ellipsoids(25), Datums(231)},
      {"unsorted datums", Ellipsoids(25), unsortedDatums},
      {"unknown ellipsoid", Ellipsoids(25), Datums(232, "ZZ")},
      {"extra field", Ellipsoids(25), badNumber},
      {"not a number", Ellipsoids(25), notANumber},
      {"unterminated quote", openQuote, Datums(232)},
      {"wrong header", std::string("code,name\n") + Ellipsoids(25).substr(std::strlen(kEllipsoidHeader)),
       Datums(232)},
  };
  for (const auto& c : cases) EXPECT_EQ(Run(c.ellipsoids, c.datums), 1) << c.what;
}

}  // namespace
