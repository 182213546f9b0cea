// VmLibInitialize / VmLibFinalize and the finaliser registry.
#include <cstdlib>
#include <cstring>

#include "core/growth.h"
#include "core/init_steps.h"
#include "vmlib/frame.h"

namespace vm {
namespace {

// The registry is a plain pointer array with the library's growth rule; it is
// null while the library is not initialised.
struct FinalizerRegistry {
  int32_t capacity = 0;
  int32_t count = 0;
  Finalizer* items = nullptr;
};

FinalizerRegistry* g_registry = nullptr;

}  // namespace

void RegisterFinalizer(Finalizer finalizer) {
  FinalizerRegistry* r = g_registry;
  if (r == nullptr || finalizer == nullptr) return;
  if (r->count == r->capacity) {
    const int32_t grown = GrowCapacity(r->capacity);
    void* items = std::realloc(r->items, sizeof(Finalizer) * static_cast<size_t>(grown));
    if (items == nullptr) throw CException("Out of memory");
    r->items = static_cast<Finalizer*>(items);
    r->capacity = grown;
  }
  r->items[r->count++] = finalizer;
}

bool LibraryInitialized() { return g_registry != nullptr; }

// Test access to the registry's shape.
int32_t FinalizerRegistryCapacity() { return g_registry ? g_registry->capacity : -1; }
int32_t FinalizerRegistryCount() { return g_registry ? g_registry->count : -1; }

}  // namespace vm

VMLIB_EXPORT void VmLibInitialize(const char* /*libraryName*/) {
  using namespace vm;
  if (g_registry != nullptr) return;
  g_registry = new FinalizerRegistry;
  init::ExceptionSupport();
  init::UtcCentury();
  init::ThreadNames();
  init::TimerPeriod();
  init::FormatSettings();
  init::BitmapModule();
  init::ScreenMetrics();
  init::ThemeLibrary();
  init::NightScreen();
  init::Geodetics();
  init::MeasurementUnits();
  init::WaypointNamePrefix();
  init::ChartSdk();
  init::LookupTables();
  init::GpsClock();
  init::ObjectRegistries();
  init::RemoteAccessLibrary();
}

VMLIB_EXPORT void VmLibFinalize() {
  using namespace vm;
  FinalizerRegistry* r = g_registry;
  if (r == nullptr) return;
  for (int32_t i = r->count - 1; i >= 0; --i) r->items[i]();
  std::free(r->items);
  delete r;
  g_registry = nullptr;
}
