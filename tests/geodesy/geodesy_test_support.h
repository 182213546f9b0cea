// Shared pieces of the geodesy tests.
#pragma once

#include <gtest/gtest.h>

#include <numbers>

#include "vmlib/geodesy.h"

namespace geotest {

constexpr double kDeg = std::numbers::pi / 180.0;

// Initialises the library for one test suite and finalises it afterwards.
class GeodesyTest : public ::testing::Test {
protected:
  static void SetUpTestSuite() { VmLibInitialize("vmlib.dll"); }
  static void TearDownTestSuite() { VmLibFinalize(); }

  static const GeodeticDatum* Datum(const char* code) {
    int32_t status = -1;
    const GeodeticDatum* d = GeodeticDatumCreateByCode(code, &status);
    EXPECT_EQ(status, 0) << code;
    return d;
  }
  static const GeodeticEllipsoid* Ellipsoid(const char* code) {
    const GeodeticEllipsoid* e = nullptr;
    EXPECT_TRUE(GeodeticEllipsoidCreateByCode(code, &e)) << code;
    return e;
  }
};

}  // namespace geotest
