// Tables and rows of a generated database. Positions lie around the North Sea
// and the Baltic, where the sample's waypoints and tracks are.
#include "large_db.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>

#include "icon_file.h"
#include "sailing.h"

namespace largedb {
namespace {

using jetwrite::Column;
using jetwrite::ColumnType;
using jetwrite::Database;
using jetwrite::Value;

Column Long(const char* name) { return {name, ColumnType::Long}; }
Column Double(const char* name) { return {name, ColumnType::Double}; }
Column Text(const char* name, int chars) { return {name, ColumnType::Text, chars}; }

std::string IconName(int32_t type) {
  char name[32];
  std::snprintf(name, sizeof name, "type%02d.ico", static_cast<int>(type));
  return name;
}

uint32_t IconColour(int32_t type) { return 0x102030u * static_cast<uint32_t>(type + 1) & 0xFFFFFF; }

struct DatumRow {
  const char* description;  // built-in when the lookup knows the text
  int32_t ellipse;
  double x, y, z;
};

// Described datums the lookup knows (one with blanks around it) and defined
// ones it does not, which become datums of their own shift.
constexpr DatumRow kDatums[] = {
    {"WGS-84", 1, 0, 0, 0},
    {"European 1950", 2, -87, -98, -121},
    {"  European 1950 mean ", 2, -87, -98, -121},
    {"Ordnance Survey of GB 36", 4, 375, -111, 431},
    {"Rome 1940", 2, -225, -65, 9},
    {"Bessel (NL.RD)", 3, 565.04, 49.91, 465.84},
    {"Harbour survey 1987", 3, 593.0, 26.0, 478.0},
    {"Local grid Kattegat", 2, -81.1, -89.4, -115.8},
    {"Club datum (old charts)", 5, -8, 160, 176},
    {"WGS-72", 1, 0, 0, 4.5},
};
constexpr int32_t kDatumCount = static_cast<int32_t>(std::size(kDatums));

struct EllipseRow {
  int32_t key;
  double a, b;
};
constexpr EllipseRow kEllipses[] = {
    {1, 6378137.0, 6356752.314245},   {2, 6378388.0, 6356911.946128}, {3, 6377397.155, 6356078.962818},
    {4, 6377563.396, 6356256.909237}, {5, 6378206.4, 6356583.8},
};

const char* const kPlaces[] = {"Harbour", "Buoy", "Anchorage", "Light", "Wreck", "Marina",
                               "Fuel",    "Reef", "Bridge",    "Lock",  "Beacon"};

class Builder {
public:
  Builder(const Scale& scale, uint64_t seed) : scale_(scale), random_(seed) {}

  Database Build() {
    Database db;
    Types(db);
    Groups(db);
    Waypoints(db);
    Routes(db);
    Tracks(db);
    Datums(db);
    auto& system = db.AddTable("System", {Long("GPS datum")});
    system.AddRow({int64_t{1}});
    return db;
  }

private:
  double Uniform(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(random_); }
  int64_t Key(int64_t count) { return std::uniform_int_distribution<int64_t>(1, count)(random_); }

  void Types(Database& db) {
    auto& t = db.AddTable("Waypoint types", {Long("Type"), Text("Description", 50), Text("Icon", 255)});
    for (int32_t i = 1; i <= scale_.types; ++i) {
      Value icon;
      if (i <= scale_.typesWithIcons) icon = "C:\\Program Files\\Ankrum Pro 3\\Icons\\" + IconName(i);
      t.AddRow({int64_t{i}, std::string(kPlaces[i % std::size(kPlaces)]) + " " + std::to_string(i), icon});
    }
  }

  void Groups(Database& db) {
    auto& t = db.AddTable("Waypoint groups", {Long("Group"), Text("Description", 50)});
    // Every fiftieth group repeats an earlier name, which the importer merges.
    for (int32_t i = 1; i <= scale_.groups; ++i)
      t.AddRow({int64_t{i}, "Area " + std::to_string(i % 50 == 0 ? i - 1 : i)});
  }

  void Waypoints(Database& db) {
    auto& t =
        db.AddTable("Waypoints", {Long("Waypoint"), Long("Type"), Text("Description", 50), Double("Latitude"),
                                  Double("Longitude"), Long("Datum"), Long("Group")});
    for (int32_t i = 1; i <= scale_.waypoints; ++i) {
      // Most positions are in the page-2 datum (key 0); the rest name a row.
      const int64_t datum = Uniform(0, 1) < 0.7 ? 0 : Key(kDatumCount);
      const std::string name = std::string(kPlaces[i % std::size(kPlaces)]) + " " + std::to_string(i);
      t.AddRow({int64_t{i}, Key(scale_.types), name, Uniform(51.0, 59.5), Uniform(2.5, 21.0), datum,
                Key(scale_.groups)});
    }
  }

  void Routes(Database& db) {
    auto& routes = db.AddTable("Routes", {Long("Route"), Text("Description", 50)});
    auto& points = db.AddTable("Route points", {Long("Route"), Long("Waypoint")});
    for (int32_t r = 1; r <= scale_.routes; ++r) {
      routes.AddRow({int64_t{r}, "Route " + std::to_string(r)});
      for (int32_t p = 0; p < scale_.routePoints; ++p) points.AddRow({int64_t{r}, Key(scale_.waypoints)});
    }
  }

  void Tracks(Database& db) {
    auto& tracks = db.AddTable("Tracks", {Long("Track"), Text("Description", 50)});
    auto& data =
        db.AddTable("Track data",
                    {Long("Track"), {"Date", ColumnType::DateTime}, Double("Latitude"), Double("Longitude")});
    if (scale_.tracks <= 0) return;
    // Track lengths vary around the mean (half to one and a half times it)
    // and add up to the total exactly.
    const int64_t mean = scale_.trackPoints / scale_.tracks;
    int64_t left = scale_.trackPoints;
    double day = 38718.4;  // 2006-01-01 09:36
    for (int32_t k = 1; k <= scale_.tracks; ++k) {
      int64_t n = k == scale_.tracks ? left : std::min<int64_t>(left, mean / 2 + Key(mean + 1) - 1);
      left -= n;
      tracks.AddRow({int64_t{k}, "Trip " + std::to_string(k)});
      Boat boat(random_, day, Uniform(52.0, 58.0), Uniform(3.0, 12.0));
      for (int64_t i = 0; i < n; ++i) {
        const Fix f = boat.Next();
        data.AddRow({int64_t{k}, f.dayCount, f.latitude, f.longitude});
      }
      day += 1 + std::floor(Uniform(0, 4));
    }
  }

  void Datums(Database& db) {
    auto& datums = db.AddTable("Datums", {Long("Datum"), Text("Description", 50), Long("Ellipse"),
                                          Double("x"), Double("y"), Double("z")});
    for (int32_t i = 0; i < kDatumCount; ++i) {
      const DatumRow& d = kDatums[i];
      datums.AddRow({int64_t{i + 1}, std::string(d.description), int64_t{d.ellipse}, d.x, d.y, d.z});
    }
    auto& ellipses = db.AddTable("Ellipsoids", {Long("Ellipse"), Double("Majoraxis"), Double("Minoraxis")});
    for (const EllipseRow& e : kEllipses) ellipses.AddRow({int64_t{e.key}, e.a, e.b});
  }

  const Scale& scale_;
  std::mt19937_64 random_;
};

}  // namespace

jetwrite::Database BuildLargeDatabase(const Scale& scale, uint64_t seed) {
  return Builder(scale, seed).Build();
}

void WriteIcons(const Scale& scale, const std::filesystem::path& folder) {
  const std::filesystem::path icons = folder / "Icons";
  std::filesystem::create_directories(icons);
  for (int32_t i = 1; i <= scale.typesWithIcons; ++i) {
    const std::vector<uint8_t> bytes = MakeIconFile(IconColour(i));
    std::ofstream out(icons / IconName(i), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw jetwrite::Error("cannot write " + (icons / IconName(i)).string());
  }
}

std::optional<Scale> ScalePreset(std::string_view name) {
  if (name == "large") return Scale{};
  if (name == "medium") return Scale{20000, 100, 100, 10, 400, 50, 200, 400000};
  if (name == "small") return Scale{1000, 20, 30, 5, 50, 20, 20, 20000};
  return std::nullopt;
}

}  // namespace largedb
