// Datum transformations per point: the library against PROJ's pipeline of the
// same transformation (cart, helmert, inverse cart) over the same points, in
// one process. Before timing, both are checked to agree within the geodesy
// tests' tolerances, so the race is between equal results.
#include <benchmark/benchmark.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <numbers>
#include <random>
#include <vector>

#include "support/summary.h"
#include "vmlib/frame.h"
#include "vmlib/geodesy.h"

namespace {

constexpr int kPoints = 4096;
constexpr double kDegree = std::numbers::pi / 180.0;

// (latitude, longitude, height) in radians and metres, spread over Europe
// and its seas; also as PROJ's separate (longitude, latitude, height) arrays.
struct PointSet {
  std::vector<double> geo;  // 3 per point
  std::vector<double> lon, lat, h;
  PointSet() {
    std::mt19937_64 random(7);
    std::uniform_real_distribution<double> latitude(35, 71), longitude(-12, 32), height(-50, 1500);
    for (int i = 0; i < kPoints; ++i) {
      const double p[3] = {latitude(random) * kDegree, longitude(random) * kDegree, height(random)};
      geo.insert(geo.end(), p, p + 3);
      lat.push_back(p[0]);
      lon.push_back(p[1]);
      h.push_back(p[2]);
    }
  }
};

const PointSet& Points() {
  static const PointSet points;
  return points;
}

struct Datums {
  const GeodeticDatum* wgs84 = nullptr;
  const GeodeticDatum* threeParameter = nullptr;  // European 1950, a shift only
  const GeodeticDatum* sevenParameter = nullptr;  // Bessel 1841 with rotations and scale
};

const Datums& TheDatums() {
  static const Datums d = [] {
    VmLibInitialize("vmlib.dll");
    Datums r;
    int32_t status = 0;
    r.wgs84 = GeodeticDatumCreateByCode("WGE", &status);
    r.threeParameter = GeodeticDatumCreateByCode("EUR-A", &status);
    const GeodeticEllipsoid* bessel = nullptr;
    GeodeticEllipsoidCreateByCode("BR", &bessel);
    r.sevenParameter = GeodeticDatumCreateByDef(bessel, 565.417, 50.3319, 465.552, -1.9342e-6, 1.6677e-6,
                                                -9.1019e-6, 1.0000040772);
    if (status != 0 || r.wgs84 == nullptr || r.threeParameter == nullptr || r.sevenParameter == nullptr) {
      std::fprintf(stderr, "geodesy_bench: the library's datums are missing\n");
      std::exit(1);
    }
    return r;
  }();
  return d;
}

// The pipeline of datum d to WGS 84 as the geodesy tests build it: the stored
// global-frame values turned back into PROJ's coordinate-frame parameters.
class ProjPipeline {
public:
  explicit ProjPipeline(const GeodeticDatum* d) {
    const double toArcsec = 648000.0 / std::numbers::pi;
    char text[1024];
    std::snprintf(text, sizeof text,
                  "+proj=pipeline +step +proj=cart +a=%.17g +rf=%.17g "
                  "+step +proj=helmert +x=%.17g +y=%.17g +z=%.17g +rx=%.17g +ry=%.17g +rz=%.17g +s=%.17g "
                  "+convention=coordinate_frame +exact "
                  "+step +inv +proj=cart +ellps=WGS84",
                  d->ellipsoid->a, d->ellipsoid->invF, d->dx, -d->dy, d->dz, -d->rx * toArcsec,
                  d->ry * toArcsec, -d->rz * toArcsec, (d->scale - 1.0) * 1e6);
    ctx_ = proj_context_create();
    pj_ = proj_create(ctx_, text);
    if (pj_ == nullptr) {
      std::fprintf(stderr, "geodesy_bench: PROJ refused %s\n", text);
      std::exit(1);
    }
  }
  ~ProjPipeline() {
    proj_destroy(pj_);
    proj_context_destroy(ctx_);
  }
  ProjPipeline(const ProjPipeline&) = delete;
  ProjPipeline& operator=(const ProjPipeline&) = delete;
  PJ* get() const { return pj_; }

private:
  PJ_CONTEXT* ctx_ = nullptr;
  PJ* pj_ = nullptr;
};

// Largest horizontal and vertical disagreement (metres) over the point set.
void CheckAgreement(const GeodeticDatum* source, const ProjPipeline& proj, double tolerance) {
  const PointSet& p = Points();
  std::vector<double> lon = p.lon, lat = p.lat, h = p.h;
  proj_trans_generic(proj.get(), PJ_FWD, lon.data(), sizeof(double), kPoints, lat.data(), sizeof(double),
                     kPoints, h.data(), sizeof(double), kPoints, nullptr, 0, 0);
  double worst = 0;
  for (int i = 0; i < kPoints; ++i) {
    double ours[3];
    GeodeticDatumTransform3(ours, TheDatums().wgs84, &p.geo[3 * i], source);
    const double north = (ours[0] - lat[i]) * 6378137.0;
    const double east = (ours[1] - lon[i]) * 6378137.0 * std::cos(lat[i]);
    worst = std::max({worst, std::hypot(north, east), std::fabs(ours[2] - h[i])});
  }
  if (!(worst < tolerance)) {
    std::fprintf(stderr, "geodesy_bench: the library and PROJ differ by %.3g m\n", worst);
    std::exit(1);
  }
}

void LibraryTransform(benchmark::State& state, const GeodeticDatum* source) {
  const PointSet& p = Points();
  const GeodeticDatum* wgs84 = TheDatums().wgs84;
  std::vector<double> out(3 * kPoints);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) GeodeticDatumTransform3(&out[3 * i], wgs84, &p.geo[3 * i], source);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

// PROJ transforms in place, so each round first copies the points back into
// its arrays (a copy of 96 KiB, small beside the transformation).
void ProjTransform(benchmark::State& state, const GeodeticDatum* source, double tolerance) {
  const PointSet& p = Points();
  ProjPipeline proj(source);
  CheckAgreement(source, proj, tolerance);
  std::vector<double> lon(kPoints), lat(kPoints), h(kPoints);
  for (auto _ : state) {
    std::memcpy(lon.data(), p.lon.data(), sizeof(double) * kPoints);
    std::memcpy(lat.data(), p.lat.data(), sizeof(double) * kPoints);
    std::memcpy(h.data(), p.h.data(), sizeof(double) * kPoints);
    proj_trans_generic(proj.get(), PJ_FWD, lon.data(), sizeof(double), kPoints, lat.data(), sizeof(double),
                       kPoints, h.data(), sizeof(double), kPoints, nullptr, 0, 0);
    benchmark::DoNotOptimize(lon.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_Transform3_3Param_VmLib(benchmark::State& s) { LibraryTransform(s, TheDatums().threeParameter); }
void BM_Transform3_3Param_Proj(benchmark::State& s) { ProjTransform(s, TheDatums().threeParameter, 0.001); }
void BM_Transform3_7Param_VmLib(benchmark::State& s) { LibraryTransform(s, TheDatums().sevenParameter); }
void BM_Transform3_7Param_Proj(benchmark::State& s) { ProjTransform(s, TheDatums().sevenParameter, 0.01); }

void BM_GeoToGlobal3(benchmark::State& state) {
  const PointSet& p = Points();
  const GeodeticEllipsoid* e = TheDatums().threeParameter->ellipsoid;
  std::vector<double> out(3 * kPoints);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) GeoToGlobal3(&out[3 * i], &p.geo[3 * i], e);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

void BM_GlobalToGeo(benchmark::State& state) {
  const PointSet& p = Points();
  const GeodeticEllipsoid* e = TheDatums().threeParameter->ellipsoid;
  std::vector<double> global(3 * kPoints), out(3 * kPoints);
  for (int i = 0; i < kPoints; ++i) GeoToGlobal3(&global[3 * i], &p.geo[3 * i], e);
  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) GlobalToGeo(&out[3 * i], &global[3 * i], e);
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}

BENCHMARK(BM_Transform3_3Param_VmLib);
BENCHMARK(BM_Transform3_3Param_Proj);
BENCHMARK(BM_Transform3_7Param_VmLib);
BENCHMARK(BM_Transform3_7Param_Proj);
BENCHMARK(BM_GeoToGlobal3);
BENCHMARK(BM_GlobalToGeo);

}  // namespace

int main(int argc, char** argv) {
  benchsummary::Reporter reporter;
  if (!benchsummary::RunAll(&argc, argv, &reporter)) return 1;
  auto ratio = [&](const char* ours, const char* theirs) {
    const double b = reporter.Rate(theirs);
    return b > 0 ? reporter.Rate(ours) / b : 0.0;
  };
  std::printf("\n");
  benchsummary::PrintRow("Transform3, 3 parameters: VmLib / PROJ",
                         ratio("BM_Transform3_3Param_VmLib", "BM_Transform3_3Param_Proj"), "x", 1.0);
  benchsummary::PrintRow("Transform3, 7 parameters: VmLib / PROJ",
                         ratio("BM_Transform3_7Param_VmLib", "BM_Transform3_7Param_Proj"), "x", 1.0);
  benchsummary::PrintRow("Transform3, 3 parameters", reporter.Rate("BM_Transform3_3Param_VmLib") / 1e6,
                         "Mpt/s", 0);
  benchsummary::PrintRow("Transform3, 7 parameters", reporter.Rate("BM_Transform3_7Param_VmLib") / 1e6,
                         "Mpt/s", 0);
  benchsummary::PrintRow("GeoToGlobal3", reporter.Rate("BM_GeoToGlobal3") / 1e6, "Mpt/s", 0);
  benchsummary::PrintRow("GlobalToGeo", reporter.Rate("BM_GlobalToGeo") / 1e6, "Mpt/s", 0);
  VmLibFinalize();
  return 0;
}
