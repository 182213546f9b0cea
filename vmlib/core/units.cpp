// Display names of measurement units.
#include "core/init_steps.h"
#include "core/str_internal.h"
#include "vmlib/frame.h"

namespace vm {
namespace {

struct UnitName {
  int32_t code;
  const char* name;
};

constexpr UnitName kUnitNames[] = {
    {kUnitMetre, "m"},
    {kUnitKilometre, "km"},
    {kUnitNauticalMile, "NM"},
    {kUnitStatuteMile, "mi"},
    {kUnitFoot, "ft"},
    {kUnitKnot, "kn"},
    {kUnitKilometrePerHour, "km/h"},
    {kUnitMetrePerSecond, "m/s"},
    {kUnitDegree, "\xC2\xB0"},
};

// The unit table is made at initialisation so that its place in the order of
// process-wide objects is kept; it is constant data here.
const UnitName* g_units = nullptr;

}  // namespace

void init::MeasurementUnits() {
  RegisterFinalizer([] { g_units = nullptr; });
  g_units = kUnitNames;
}

}  // namespace vm

VMLIB_EXPORT Str* StrCreateFromUnit(int32_t unitCode) {
  for (const auto& u : vm::kUnitNames)
    if (u.code == unitCode)
      return StrCreate(u.name, static_cast<int32_t>(std::char_traits<char>::length(u.name)));
  return StrCreate("", 0);
}
