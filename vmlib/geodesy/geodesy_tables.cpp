// The built-in rows, generated at build time from data/ellipsoids.csv and
// data/datums.csv.
#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {
#include "geodesy/geodesy_tables.inc"
}  // namespace vm::geodesy
