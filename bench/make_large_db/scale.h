// The size of a generated database and its presets.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace largedb {

struct Scale {
  int32_t waypoints = 100000;
  int32_t groups = 500;
  int32_t types = 200;
  int32_t typesWithIcons = 20;
  int32_t routes = 2000;
  int32_t routePoints = 50;  // per route
  int32_t tracks = 1000;
  int64_t trackPoints = 2000000;  // over all tracks
};

// "small", "medium" or "large" (the default scale); nullopt for another name.
std::optional<Scale> ScalePreset(std::string_view name);

}  // namespace largedb
