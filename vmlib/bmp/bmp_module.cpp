#include "bmp/bmp_module.h"

#include <cmath>

#include "core/init_steps.h"
#include "platform/dc.h"

namespace vm {
namespace {
std::recursive_mutex* g_lock = nullptr;

struct GammaTable {
  uint8_t entries[256];
  GammaTable() {
    for (int i = 0; i < 256; ++i)
      entries[i] = static_cast<uint8_t>(std::floor(255.0 * std::pow(i / 255.0, 0.7) + 0.5));
  }
};
// Built once on first use (at the latest by the initialisation step), then
// only read, so bitmaps drawn before initialisation still see it.
const GammaTable& Gamma() {
  static const GammaTable table;
  return table;
}
}  // namespace

const uint8_t* BitmapGammaTable() { return Gamma().entries; }
std::recursive_mutex* BitmapLock() { return g_lock; }

void init::BitmapModule() {
  // The lock and the font engine are released at finish; the tables are
  // plain data. The blend routines are a constant table (bmp/blend.cpp).
  RegisterFinalizer([] {
    platform::FontsShutdown();
    delete g_lock;
    g_lock = nullptr;
  });
  g_lock = new std::recursive_mutex;
  Gamma();
}

}  // namespace vm
