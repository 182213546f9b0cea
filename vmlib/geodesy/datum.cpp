// Geodetic datums: the built-in table, creation by definition and by shift,
// the transformation matrices and the exports that reach them.
#include <algorithm>
#include <cmath>
#include <numbers>

#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {

void FinishDatum(GeodeticDatum* d, const GeodeticEllipsoid* wgs84) {
  d->isWgs84 = d->ellipsoid == wgs84 && d->dx == 0.0 && d->dy == 0.0 && d->dz == 0.0 && d->rx == 0.0 &&
               d->ry == 0.0 && d->rz == 0.0 && d->scale == 1.0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) d->toWgs84[i][j] = d->fromWgs84[i][j] = i == j ? 1.0 : 0.0;
  }
  if (d->isWgs84) return;

  // Column-vector rotations, applied Rx first, then Ry, then Rz, each by the
  // negated stored angle; exact sines and cosines so large rotations of
  // created datums stay rotations.
  const double cx = std::cos(-d->rx), sx = std::sin(-d->rx);
  const double cy = std::cos(-d->ry), sy = std::sin(-d->ry);
  const double cz = std::cos(-d->rz), sz = std::sin(-d->rz);
  const double rx[3][3] = {{1, 0, 0}, {0, cx, -sx}, {0, sx, cx}};
  const double ry[3][3] = {{cy, 0, sy}, {0, 1, 0}, {-sy, 0, cy}};
  const double rz[3][3] = {{cz, -sz, 0}, {sz, cz, 0}, {0, 0, 1}};
  double ryx[3][3], r[3][3];
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      ryx[i][j] = ry[i][0] * rx[0][j] + ry[i][1] * rx[1][j] + ry[i][2] * rx[2][j];
    }
  }
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) r[i][j] = rz[i][0] * ryx[0][j] + rz[i][1] * ryx[1][j] + rz[i][2] * ryx[2][j];
  }
  // Row-vector form: the transpose, scaled.
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) d->toWgs84[i][j] = d->scale * r[j][i];
  }
  d->toWgs84[3][0] = d->dx;
  d->toWgs84[3][1] = d->dy;
  d->toWgs84[3][2] = d->dz;
  InvertAffine(d->fromWgs84, d->toWgs84);
}

}  // namespace vm::geodesy

using namespace vm::geodesy;

namespace {

GeodeticDatum BlankDatum() {
  GeodeticDatum d{};
  d.code = d.area = d.name = d.reference = "";
  d.scale = 1.0;
  return d;
}

bool CodeLess(const GeodeticDatum& a, const GeodeticDatum& b) { return CompareNoCase(a.code, b.code) < 0; }

}  // namespace

CGeodeticDatumManager::CGeodeticDatumManager(CGeodeticEllipsoidManager* ellipsoids)
    : ellipsoids_(ellipsoids) {
  constexpr double kArcSecond = std::numbers::pi / 648000.0;
  builtIn_.reserve(kBuiltInDatumCount);
  for (const DatumRow& row : kDatumRows) {
    GeodeticDatum d = BlankDatum();
    d.code = row.code;
    d.area = row.area;
    d.name = row.name;
    d.reference = ReferenceText(row.reference);
    d.ellipsoid = ellipsoids->FindByCode(PackCode(row.ellipsoid));
    if (d.ellipsoid == nullptr)
      throw CException("CGeodeticDatumManager: unknown ellipsoid of datum " + std::string(row.code));
    d.kind = kGeodeticDatumBuiltIn;
    // Published in the usual earth-centred frame; the global frame mirrors Y,
    // which flips the sign of dy and of the rotations about X and Z.
    d.dx = row.dx;
    d.dy = -row.dy;
    d.dz = row.dz;
    d.rx = -row.rx * kArcSecond;
    d.ry = row.ry * kArcSecond;
    d.rz = -row.rz * kArcSecond;
    d.scale = 1.0 + row.ppm * 1e-6;
    FinishDatum(&d, ellipsoids->Wgs84());
    builtIn_.push_back(d);
  }
  std::sort(builtIn_.begin(), builtIn_.end(), CodeLess);
  wgs84_ = FindByCode("WGE");
  oldDutch_ = FindByCode("RD-OLD");
}

const GeodeticDatum* CGeodeticDatumManager::FindByCode(const char* code) const {
  if (code == nullptr) return nullptr;
  auto it = std::lower_bound(
      builtIn_.begin(), builtIn_.end(), code,
      [](const GeodeticDatum& d, const char* key) { return CompareNoCase(d.code, key) < 0; });
  return it != builtIn_.end() && CompareNoCase(it->code, code) == 0 ? &*it : nullptr;
}

const GeodeticDatum* CGeodeticDatumManager::CreateByDef(const GeodeticEllipsoid* ellipsoid,
                                                        const double p[7]) {
  std::lock_guard<std::mutex> lock(criticalSection_);
  for (auto it = byDef_.rbegin(); it != byDef_.rend(); ++it) {
    const GeodeticDatum& d = **it;
    if (d.ellipsoid == ellipsoid && d.dx == p[0] && d.dy == p[1] && d.dz == p[2] && d.rx == p[3] &&
        d.ry == p[4] && d.rz == p[5] && d.scale == p[6]) {
      return &d;
    }
  }
  auto d = std::make_unique<GeodeticDatum>(BlankDatum());
  d->ellipsoid = ellipsoid;
  d->kind = kGeodeticDatumByDef;
  d->dx = p[0];
  d->dy = p[1];
  d->dz = p[2];
  d->rx = p[3];
  d->ry = p[4];
  d->rz = p[5];
  d->scale = p[6];
  FinishDatum(d.get(), ellipsoids_->Wgs84());
  byDef_.push_back(std::move(d));
  return byDef_.back().get();
}

const GeodeticDatum* CGeodeticDatumManager::CreateByShift(const double origin[2], const double shift[2]) {
  std::lock_guard<std::mutex> lock(criticalSection_);
  for (auto it = byShift_.rbegin(); it != byShift_.rend(); ++it) {
    const GeodeticDatum& d = **it;
    if (d.shiftOrigin[0] == origin[0] && d.shiftOrigin[1] == origin[1] && d.shift[0] == shift[0] &&
        d.shift[1] == shift[1]) {
      return &d;
    }
  }
  const GeodeticEllipsoid* wgs84 = ellipsoids_->Wgs84();
  const double moved[2] = {origin[0] + shift[0], origin[1] + shift[1]};
  double p0[3], p1[3];
  GeoToGlobal2(p0, origin, wgs84);
  GeoToGlobal2(p1, moved, wgs84);
  auto d = std::make_unique<GeodeticDatum>(BlankDatum());
  d->ellipsoid = wgs84;
  d->kind = kGeodeticDatumByShift;
  d->dx = p1[0] - p0[0];
  d->dy = p1[1] - p0[1];
  d->dz = p1[2] - p0[2];
  d->shiftOrigin[0] = origin[0];
  d->shiftOrigin[1] = origin[1];
  d->shift[0] = shift[0];
  d->shift[1] = shift[1];
  FinishDatum(d.get(), wgs84);
  byShift_.push_back(std::move(d));
  return byShift_.back().get();
}

bool CGeodeticDatumManager::IsCreated(const GeodeticDatum* datum) {
  std::lock_guard<std::mutex> lock(criticalSection_);
  auto same = [datum](const std::unique_ptr<GeodeticDatum>& d) { return d.get() == datum; };
  return std::any_of(byShift_.begin(), byShift_.end(), same) ||
         std::any_of(byDef_.begin(), byDef_.end(), same);
}

namespace {
CGeodeticDatumManager* Datums() {
  Registry* r = TheRegistry();
  return r ? r->GetDatumManager() : nullptr;
}
}  // namespace

VMLIB_EXPORT const GeodeticDatum* GeodeticDatumCreateByCode(const char* code, ErrorStatus status) {
  const CGeodeticDatumManager* m = Datums();
  const GeodeticDatum* d = m ? m->FindByCode(code) : nullptr;
  if (status) *status = d ? 0 : 0x70014;
  return d;
}

VMLIB_EXPORT const GeodeticDatum* GeodeticDatumCreateByDef(const GeodeticEllipsoid* ellipsoid, double dx,
                                                           double dy, double dz, double rx, double ry,
                                                           double rz, double scale) {
  CGeodeticDatumManager* m = Datums();
  const double params[7] = {dx, dy, dz, rx, ry, rz, scale};
  return m && ellipsoid ? m->CreateByDef(ellipsoid, params) : nullptr;
}

VMLIB_EXPORT const GeodeticDatum* GeodeticDatumCreateByShift(const double origin[2], const double shift[2]) {
  CGeodeticDatumManager* m = Datums();
  return m && origin && shift ? m->CreateByShift(origin, shift) : nullptr;
}

VMLIB_EXPORT bool GeodeticDatumGetList(int32_t* count, const GeodeticDatum** array) {
  if (count == nullptr) return false;
  const CGeodeticDatumManager* m = Datums();
  const int32_t wanted = *count;
  *count = kBuiltInDatumCount;
  if (m == nullptr || wanted < kBuiltInDatumCount || array == nullptr) return false;
  for (int32_t i = 0; i < kBuiltInDatumCount; ++i) array[i] = &m->BuiltIn()[i];
  return true;
}

VMLIB_EXPORT bool GeodeticDatumIsValid(const GeodeticDatum* datum) {
  CGeodeticDatumManager* m = Datums();
  if (m == nullptr || datum == nullptr) return false;
  if (datum->code != nullptr && m->FindByCode(datum->code) != nullptr) return true;
  return m->IsCreated(datum);
}

VMLIB_EXPORT bool GeodeticDatumIsEqualParams(const GeodeticDatum* a, const GeodeticDatum* b) {
  if (a == nullptr || b == nullptr) return false;
  if (a == b || (a->isWgs84 && b->isWgs84)) return true;
  return a->dx == b->dx && a->dy == b->dy && a->dz == b->dz && a->rx == b->rx && a->ry == b->ry &&
         a->rz == b->rz && a->scale == b->scale;
}
