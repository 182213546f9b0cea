// make-large-db: writes a database of the old program's schema at a chosen
// scale, with the icon files its types name, for the benchmarks.
//   make-large-db [--preset small|medium|large] [--waypoints N] [--groups N]
//                 [--types N] [--icons N] [--routes N] [--route-points N]
//                 [--tracks N] [--track-points N] [--seed N] <database.mdb>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <string>

#include "large_db.h"

namespace {

int Usage() {
  std::fprintf(stderr,
               "usage: make-large-db [--preset small|medium|large] [--waypoints N] [--groups N]\n"
               "                     [--types N] [--icons N] [--routes N] [--route-points N]\n"
               "                     [--tracks N] [--track-points N] [--seed N] <database.mdb>\n");
  return 2;
}

bool ParseCount(const char* text, int64_t lo, int64_t hi, int64_t* out) {
  const char* end = text + std::strlen(text);
  auto [p, ec] = std::from_chars(text, end, *out);
  return ec == std::errc() && p == end && *out >= lo && *out <= hi;
}

}  // namespace

int main(int argc, char** argv) {
  largedb::Scale scale;
  uint64_t seed = 1;
  const char* output = nullptr;
  struct Option {
    const char* name;
    int64_t lo;
    int64_t* value;
  };
  int64_t waypoints = -1, groups = -1, types = -1, icons = -1, routes = -1, routePoints = -1, tracks = -1,
          trackPoints = -1, seedValue = -1;
  const Option options[] = {
      {"--waypoints", 0, &waypoints}, {"--groups", 1, &groups},
      {"--types", 1, &types},         {"--icons", 0, &icons},
      {"--routes", 0, &routes},       {"--route-points", 0, &routePoints},
      {"--tracks", 0, &tracks},       {"--track-points", 0, &trackPoints},
      {"--seed", 0, &seedValue},
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--preset" && i + 1 < argc) {
      const auto preset = largedb::ScalePreset(argv[++i]);
      if (!preset) return Usage();
      scale = *preset;
      continue;
    }
    const Option* match = nullptr;
    for (const Option& o : options)
      if (arg == o.name) match = &o;
    if (match != nullptr) {
      if (i + 1 >= argc || !ParseCount(argv[++i], match->lo, INT32_MAX, match->value)) return Usage();
      continue;
    }
    if (output != nullptr || arg.starts_with("--")) return Usage();
    output = argv[i];
  }
  if (output == nullptr) return Usage();
  auto set = [](int64_t v, auto& field) {
    if (v >= 0) field = static_cast<std::remove_reference_t<decltype(field)>>(v);
  };
  set(waypoints, scale.waypoints);
  set(groups, scale.groups);
  set(types, scale.types);
  set(icons, scale.typesWithIcons);
  set(routes, scale.routes);
  set(routePoints, scale.routePoints);
  set(tracks, scale.tracks);
  set(trackPoints, scale.trackPoints);
  if (seedValue >= 0) seed = static_cast<uint64_t>(seedValue);
  if (scale.typesWithIcons > scale.types) scale.typesWithIcons = scale.types;
  if (scale.routePoints > 0 && scale.routes > 0 && scale.waypoints == 0) {
    std::fprintf(stderr, "make-large-db: route points need waypoints\n");
    return 2;
  }
  if (scale.trackPoints > 0 && scale.tracks == 0) {
    std::fprintf(stderr, "make-large-db: track points need tracks\n");
    return 2;
  }
  try {
    const std::filesystem::path path(output);
    largedb::BuildLargeDatabase(scale, seed).Write(path);
    largedb::WriteIcons(scale, path.parent_path().empty() ? "." : path.parent_path());
  } catch (const std::exception& e) {
    std::fprintf(stderr, "make-large-db: %s\n", e.what());
    return 1;
  }
  return 0;
}
