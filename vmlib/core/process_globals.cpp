// Process-wide values of the core made by VmLibInitialize: the UTC century,
// the timer period, the number and date formats, the screen metrics, the
// lookup tables and the object registries.
#include <langinfo.h>
#include <clocale>
#include <ctime>

#include "core/init_steps.h"
#include "core/process_globals.h"
#include "vmlib/frame.h"

namespace vm {
namespace {
ProcessGlobals g_globals;
}  // namespace

const ProcessGlobals& Globals() { return g_globals; }

void init::UtcCentury() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  tm utc{};
  gmtime_r(&now.tv_sec, &utc);
  g_globals.utcYear = utc.tm_year + 1900;
  g_globals.utcCentury = g_globals.utcYear - g_globals.utcYear % 100;
}

void init::TimerPeriod() {
  timespec res{};
  if (clock_getres(CLOCK_MONOTONIC, &res) != 0 || (res.tv_sec == 0 && res.tv_nsec == 0))
    throw CException("High performance counter not supported");
  // The monotonic clock is read in nanoseconds whatever its resolution, so
  // one tick of the counter is one nanosecond.
  g_globals.timerPeriod = 1e-9;
}

void init::FormatSettings() {
  RegisterFinalizer([] {
    g_globals.userFormat = FormatSettingsRecord{};
    g_globals.fixedFormat = FormatSettingsRecord{};
  });
  // The user's separators come from the environment's locale, read without
  // changing the process locale.
  FormatSettingsRecord user;
  if (locale_t loc = newlocale(LC_ALL_MASK, "", static_cast<locale_t>(0))) {
    const char* dec = nl_langinfo_l(RADIXCHAR, loc);
    const char* thou = nl_langinfo_l(THOUSEP, loc);
    if (dec != nullptr && dec[0] != '\0') user.decimalSeparator = dec;
    user.thousandSeparator = thou != nullptr ? thou : "";
    freelocale(loc);
  }
  g_globals.userFormat = user;
  g_globals.fixedFormat = FormatSettingsRecord{};
}

void init::ScreenMetrics() {
  // Without a display connection the library assumes the common desktop: the
  // values only scale drawing and never reach a file.
  RegisterFinalizer([] { g_globals.screen = ScreenMetricsRecord{}; });
  g_globals.screen = ScreenMetricsRecord{1024, 768, 96};
}

void init::LookupTables() {
  // Upper-case table of Windows-1252, the code page of names in data files,
  // for comparisons without regard to case.
  for (int i = 0; i < 256; ++i) {
    int u = i;
    if ((i >= 'a' && i <= 'z') || (i >= 0xE0 && i <= 0xFE && i != 0xF7))
      u = i - 0x20;
    else if (i == 0x9A || i == 0x9C || i == 0x9E)
      u = i - 0x10;  // š œ ž
    else if (i == 0xFF)
      u = 0x9F;  // ÿ
    g_globals.upper1252[i] = static_cast<unsigned char>(u);
  }
}

void init::ObjectRegistries() {
  RegisterFinalizer([] { g_globals.registriesReady = false; });
  g_globals.registriesReady = true;
}

}  // namespace vm
