// The library-wide waypoint name prefix (initialisation step 12).
#include "core/init_steps.h"
#include "core/str_internal.h"
#include "vmlib/waypoints.h"

namespace vm {
namespace {
Str* g_prefix = nullptr;
}  // namespace

void init::WaypointNamePrefix() {
  RegisterFinalizer([] {
    StrDelete(g_prefix);
    g_prefix = nullptr;
  });
  g_prefix = StrNew("wp");
}

}  // namespace vm

VMLIB_EXPORT const Str* GetWaypointNamePrefix() { return vm::g_prefix; }

VMLIB_EXPORT void SetWaypointNamePrefix(const Str* prefix) {
  if (vm::g_prefix == nullptr || prefix == vm::g_prefix) return;
  if (!vm::StrAssign(vm::g_prefix, vm::StrView(prefix))) throw CException("Out of memory");
}
