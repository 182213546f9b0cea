// Initialisation step 10: the geodetics registry, and the export that hands
// out its well-known records.
#include "core/init_steps.h"
#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {
namespace {

Registry* g_registry = nullptr;

void FinalizeGeodetics() {
  delete g_registry;
  g_registry = nullptr;
}

}  // namespace

Registry* TheRegistry() { return g_registry; }

// Ellipsoids first, then datums (they refer to the ellipsoids), then the
// lookups (they refer to the datums), then the default reference.
Registry::Registry()
    : ellipsoids_(std::make_unique<CGeodeticEllipsoidManager>()),
      datums_(std::make_unique<CGeodeticDatumManager>(ellipsoids_.get())),
      packed_(MakePackedCodeLookup(datums_.get())),
      index_(MakeIndexLookup(datums_.get())),
      longName_(MakeLongNameLookup(datums_.get())),
      shortName_(MakeShortNameLookup(datums_.get())) {
  defaultRef_.kind = kGeodeticRefGeographic;
  defaultRef_.datum = datums_->Wgs84();
}

Registry::~Registry() = default;

}  // namespace vm::geodesy

namespace vm {

void init::Geodetics() {
  RegisterFinalizer(geodesy::FinalizeGeodetics);
  if (geodesy::g_registry == nullptr) geodesy::g_registry = new geodesy::Registry;
}

}  // namespace vm

VMLIB_EXPORT void GeodeticsGetGlobals(CGeodeticRegistry** registry, const GeodeticEllipsoid** wgs84Ellipsoid,
                                      const GeodeticDatum** wgs84Datum, const GeodeticDatum** oldDutchDatum,
                                      const GeodeticRef** defaultRef) {
  vm::geodesy::Registry* r = vm::geodesy::TheRegistry();
  if (registry) *registry = r;
  if (wgs84Ellipsoid) *wgs84Ellipsoid = r ? r->GetEllipsoidManager()->Wgs84() : nullptr;
  if (wgs84Datum) *wgs84Datum = r ? r->GetDatumManager()->Wgs84() : nullptr;
  if (oldDutchDatum) *oldDutchDatum = r ? r->GetDatumManager()->OldDutch() : nullptr;
  if (defaultRef) *defaultRef = r ? r->DefaultRef() : nullptr;
}
