#include "library_binding.h"

#include <stdexcept>

#include "vmlib/frame.h"

namespace conv {
namespace {

// Only the main thread makes and ends bindings, as only it may set the
// library up.
bool g_bound = false;

}  // namespace

GeodesyGlobals TakeGeodesyGlobals() {
  GeodesyGlobals globals;
  GeodeticsGetGlobals(&globals.registry, nullptr, &globals.wgs84, nullptr, nullptr);
  if (globals.registry == nullptr || globals.wgs84 == nullptr)
    throw std::runtime_error("The library's geodetics registry is not available.");
  return globals;
}

LibraryBinding::LibraryBinding() {
  if (g_bound) throw std::logic_error("conv::LibraryBinding: the library is already bound");
  VmLibInitialize("vmlib.dll");
  try {
    geodesy_ = TakeGeodesyGlobals();
  } catch (...) {
    VmLibFinalize();
    throw;
  }
  g_bound = true;
}

LibraryBinding::~LibraryBinding() {
  VmLibFinalize();
  g_bound = false;
}

}  // namespace conv
