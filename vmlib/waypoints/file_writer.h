// The writer of waypoint database files: built from four item arrays, then
// written at a stream's current position.
//
// Layout (little-endian, offsets from the database's first byte): magic
// "VelmoraWptDB" (12), uint32 format version 0x02000000, a 43-byte header
// (8 reserved zero bytes, database GUID, uint32 database version, uint32 time
// stamp, int32 waypoint count, uint16 type, group and route counts, uint8
// flags), the name as string8, then the type, waypoint, group and route
// records.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>

#include "vmlib/guid.h"
#include "vmlib/streams.h"
#include "waypoints/pointer_list.h"

namespace vm {

constexpr uint32_t kWaypointFileVersion = 0x02000000;
constexpr int32_t kStatusNotExportable = 0xA0001;

struct CWaypointFileWriter {
  // Export GUIDs: each written object and the new GUID its record got.
  std::unordered_map<const void*, GUID> exportGuids;
  uint8_t exportable = 0;
  const CPointerList* groups = nullptr;
  GUID databaseGuid{};
  uint8_t exportCopy = 0;
  std::string name;
  uint8_t readOnly = 0;
  const CPointerList* routes = nullptr;
  uint32_t timeStamp = 0;
  const CPointerList* types = nullptr;
  uint32_t version = 0;
  const CPointerList* waypoints = nullptr;
};

// Fills writer. With exportCopy set every object of the arrays must be
// exportable (types, waypoints, groups, routes; each array from its last
// item): the first that is not stops with 0xA0001. Null arrays count as empty.
void WaypointFileWriterBuild(const Str* name, const CPointerList* groups, CWaypointFileWriter* writer,
                             const GUID* databaseGuid, uint32_t version, uint32_t timeStamp, bool exportable,
                             bool readOnly, const CPointerList* types, const CPointerList* waypoints,
                             const CPointerList* routes, bool exportCopy, ErrorStatus status);

// Writes the database at the stream's position, stopping at the first
// failing write with its code; what was written stays. With exportCopy set,
// every record gets a new GUID and references use the new GUIDs (a
// reference to an object not written is left out).
void WaypointFileWrite(ErrorStatus status, CWaypointFileWriter* writer, CStream* stream);

}  // namespace vm
