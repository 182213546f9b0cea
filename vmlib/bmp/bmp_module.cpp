#include "bmp/bmp_module.h"

#include <cmath>

#include "core/init_steps.h"

namespace vm {
namespace {
uint8_t g_gamma[256];
std::recursive_mutex* g_lock = nullptr;
}  // namespace

const uint8_t* BitmapGammaTable() { return g_gamma; }
std::recursive_mutex* BitmapLock() { return g_lock; }

void init::BitmapModule() {
  // Only the lock is released at finish; the tables are plain data.
  RegisterFinalizer([] {
    delete g_lock;
    g_lock = nullptr;
  });
  g_lock = new std::recursive_mutex;
  for (int i = 0; i < 256; ++i)
    g_gamma[i] = static_cast<uint8_t>(std::floor(255.0 * std::pow(i / 255.0, 0.7) + 0.5));
}

}  // namespace vm
