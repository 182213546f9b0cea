// The converter's hold on the library for the life of the process: the
// library is set up when the binding is made and finalised when it goes, and
// the geodesy globals every datum decision needs are taken once in between.
#pragma once

#include "vmlib/geodesy.h"

namespace conv {

// What the converter keeps of the geodetics globals. The records belong to
// the library's registry and stay valid while the binding lives.
struct GeodesyGlobals {
  CGeodeticRegistry* registry = nullptr;
  const GeodeticDatum* wgs84 = nullptr;  // target of every transformation
};

// Takes the globals from an initialised library; throws std::runtime_error
// when the library holds no geodetics registry (it is not initialised).
GeodesyGlobals TakeGeodesyGlobals();

class LibraryBinding {
public:
  // VmLibInitialize("vmlib.dll"), then the geodesy globals. Throws what the
  // library's start throws (CException without a monotonic clock),
  // std::runtime_error without a registry (the library is finalised again),
  // and std::logic_error while another binding lives: the library is set up
  // once per process, and a second owner would finalise it under the first.
  LibraryBinding();
  // VmLibFinalize: every library object and record becomes invalid.
  ~LibraryBinding();
  LibraryBinding(const LibraryBinding&) = delete;
  LibraryBinding& operator=(const LibraryBinding&) = delete;

  const GeodesyGlobals& geodesy() const { return geodesy_; }

private:
  GeodesyGlobals geodesy_;
};

}  // namespace conv
