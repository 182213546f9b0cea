// Reference ellipsoids: derived constants, the built-in table, creation from
// parameters and the exports that reach them.
#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstring>

#include "geodesy/geodesy_internal.h"

namespace vm::geodesy {

const char* ReferenceText(const char* key) {
  if (std::strcmp(key, "NIMA") == 0) {
    return "\"Department of Defence World Geodetic System 1984, It's definition and relationships with "
           "Local Geodetic Systems\", NIMA TR8350.2 Third edition Amendment 1, 3 January 2000.";
  }
  if (std::strcmp(key, "EUROPEAN_CRS") == 0) {
    return "Information service for European coordinate reference systems, Federal Agency for "
           "Cartography and Geodesy, Germany.";
  }
  return key;
}

int32_t PackCode(const char* code) {
  uint32_t packed = 0;
  for (int i = 0; i < 4 && code != nullptr && code[i] != '\0'; ++i) {
    packed |= static_cast<uint32_t>(static_cast<unsigned char>(code[i])) << (24 - 8 * i);
  }
  return static_cast<int32_t>(packed);
}

int CompareNoCase(const char* a, const char* b) {
  for (;; ++a, ++b) {
    const int ca = std::tolower(static_cast<unsigned char>(*a));
    const int cb = std::tolower(static_cast<unsigned char>(*b));
    if (ca != cb || ca == 0) return ca - cb;
  }
}

void BuildEllipsoid(GeodeticEllipsoid* e, double a, double invF) {
  *e = GeodeticEllipsoid{};
  e->name = e->area = e->reference = "";
  e->kind = kGeodeticDefined;
  e->a = a;
  e->invF = invF;
  e->f = 1.0 / invF;
  e->b = a - a * e->f;
  e->e2 = 2.0 * e->f - e->f * e->f;
  e->e = std::sqrt(e->e2);
  e->e2prime = e->e2 / (1.0 - e->e2);

  const double e2 = e->e2, e4 = e2 * e2, e6 = e4 * e2, e8 = e6 * e2;
  e->conformal[0] = -(e2 / 2 + 5 * e4 / 24 + 3 * e6 / 32 + 281 * e8 / 5760);
  e->conformal[1] = 5 * e4 / 48 + 7 * e6 / 80 + 697 * e8 / 11520;
  e->conformal[2] = -(13 * e6 / 480 + 461 * e8 / 13440);
  e->conformal[3] = 1237 * e8 / 161280;
  e->invConformal[0] = e2 / 2 + 5 * e4 / 24 + e6 / 12 + 13 * e8 / 360;
  e->invConformal[1] = 7 * e4 / 48 + 29 * e6 / 240 + 811 * e8 / 11520;
  e->invConformal[2] = 7 * e6 / 120 + 81 * e8 / 1120;
  e->invConformal[3] = 4279 * e8 / 161280;

  const double root = std::sqrt(1 - e2);
  const double n = (1 - root) / (1 + root), n2 = n * n, n3 = n2 * n, n4 = n3 * n;
  e->footpoint[0] = 3 * n / 2 - 27 * n3 / 32;
  e->footpoint[1] = 21 * n2 / 16 - 55 * n4 / 32;
  e->footpoint[2] = 151 * n3 / 96;
  e->footpoint[3] = 1097 * n4 / 512;

  e->meridian[0] = 1 - e2 / 4 - 3 * e4 / 64 - 5 * e6 / 256;
  e->meridian[1] = 3 * e2 / 8 + 3 * e4 / 32 + 45 * e6 / 1024;
  e->meridian[2] = 15 * e4 / 256 + 45 * e6 / 1024;
  e->meridian[3] = 35 * e6 / 3072;
  e->invAm0 = 1.0 / (a * e->meridian[0]);
}

}  // namespace vm::geodesy

using namespace vm::geodesy;

CGeodeticEllipsoidManager::CGeodeticEllipsoidManager() {
  for (int32_t i = 0; i < kBuiltInEllipsoidCount; ++i) {
    const EllipsoidRow& row = kEllipsoidRows[i];
    GeodeticEllipsoid& e = builtIn_[i];
    BuildEllipsoid(&e, row.a, row.invF);
    e.code = PackCode(row.code);
    e.name = row.name;
    e.area = row.area;
    e.reference = ReferenceText(row.reference);
    e.kind = kGeodeticBuiltIn;
  }
  // The generator checks the order already; the sort keeps the binary search
  // sound should a table ever arrive unsorted.
  std::sort(builtIn_.begin(), builtIn_.end(),
            [](const GeodeticEllipsoid& x, const GeodeticEllipsoid& y) { return x.code < y.code; });
  wgs84_ = FindByCode(PackCode("WE"));
}

const GeodeticEllipsoid* CGeodeticEllipsoidManager::FindByCode(int32_t packed) const {
  auto it = std::lower_bound(builtIn_.begin(), builtIn_.end(), packed,
                             [](const GeodeticEllipsoid& e, int32_t code) { return e.code < code; });
  return it != builtIn_.end() && it->code == packed ? &*it : nullptr;
}

const GeodeticEllipsoid* CGeodeticEllipsoidManager::CreateByDef(double a, double invF) {
  std::lock_guard<std::mutex> lock(criticalSection_);
  for (auto it = defined_.rbegin(); it != defined_.rend(); ++it) {
    if ((*it)->a == a && (*it)->invF == invF) return it->get();
  }
  auto e = std::make_unique<GeodeticEllipsoid>();
  BuildEllipsoid(e.get(), a, invF);
  defined_.push_back(std::move(e));
  return defined_.back().get();
}

namespace {
CGeodeticEllipsoidManager* Ellipsoids() {
  Registry* r = TheRegistry();
  return r ? r->GetEllipsoidManager() : nullptr;
}
}  // namespace

VMLIB_EXPORT bool GeodeticEllipsoidCreateByCode(const char* code, const GeodeticEllipsoid** out) {
  const CGeodeticEllipsoidManager* m = Ellipsoids();
  const GeodeticEllipsoid* found = m && code ? m->FindByCode(PackCode(code)) : nullptr;
  if (out) *out = found;
  return found != nullptr;
}

VMLIB_EXPORT const GeodeticEllipsoid* GeodeticEllipsoidCreateByDef(double a, double invF) {
  CGeodeticEllipsoidManager* m = Ellipsoids();
  return m ? m->CreateByDef(a, invF) : nullptr;
}

VMLIB_EXPORT bool GeodeticEllipsoidGetList(int32_t* count, const GeodeticEllipsoid** array) {
  if (count == nullptr) return false;
  const CGeodeticEllipsoidManager* m = Ellipsoids();
  const int32_t wanted = *count;
  *count = kBuiltInEllipsoidCount;
  if (m == nullptr || wanted < kBuiltInEllipsoidCount || array == nullptr) return false;
  for (int32_t i = 0; i < kBuiltInEllipsoidCount; ++i) array[i] = &m->BuiltIn()[i];
  return true;
}

VMLIB_EXPORT bool GeodeticEllipsoidCodeToStr(int32_t code, int32_t* size, char* buffer) {
  if (size == nullptr) return false;
  const uint32_t bits = static_cast<uint32_t>(code);
  const int32_t room = buffer ? *size : 0;
  int32_t n = 0;
  for (; n < 4; ++n) {
    const char c = static_cast<char>((bits >> (24 - 8 * n)) & 0xFF);
    if (c == '\0') break;
    if (n < room) buffer[n] = c;
  }
  *size = n + 1;
  if (n < room) {
    buffer[n] = '\0';
    return true;
  }
  return false;
}
