// Process-wide values of the core, made by VmLibInitialize.
#pragma once

#include <cstdint>
#include <string>

namespace vm {

// Number and date formats (the fixed record is the library's own, locale-free).
struct FormatSettingsRecord {
  std::string decimalSeparator = ".";
  std::string thousandSeparator = ",";
  std::string dateSeparator = "/";
  std::string timeSeparator = ":";
  std::string listSeparator = ",";
  std::string currency = "$";
  int currencyDecimals = 2;
  std::string shortDate = "m/d/yyyy";
  std::string longDate = "mmmm d yyyy";
  std::string time = "hh:nn:ss";
  std::string am = "am";
  std::string pm = "pm";
};

struct ScreenMetricsRecord {
  int32_t width = 0;   // pixels
  int32_t height = 0;  // pixels
  int32_t dpiY = 0;    // vertical dots per inch
};

struct ProcessGlobals {
  int32_t utcYear = 0;
  int32_t utcCentury = 0;    // utcYear minus utcYear modulo 100
  double timerPeriod = 0.0;  // seconds per performance-counter tick
  FormatSettingsRecord userFormat;
  FormatSettingsRecord fixedFormat;
  ScreenMetricsRecord screen;
  unsigned char upper1252[256] = {};
  bool registriesReady = false;
};

const ProcessGlobals& Globals();

}  // namespace vm
