// The store's value checks and the library-wide default route point radius.
#include "core/str_internal.h"
#include "vmlib/waypoints.h"

namespace {

constexpr int32_t kIconTooSmall = 0xA0014;
constexpr int32_t kIconTooLarge = 0xA0015;
constexpr int32_t kIconOriginOutside = 0xA0016;
constexpr int32_t kFontTooSmall = 0xA001E;
constexpr int32_t kFontTooLarge = 0xA001F;
constexpr int32_t kNameTooLong = 0xA0028;

float g_defaultRadius = 50.0f;

bool Fail(ErrorStatus status, int32_t code) {
  *status = code;
  return false;
}

}  // namespace

VMLIB_EXPORT bool WPMCheckName(const Str* name, ErrorStatus status) {
  *status = 0;
  return vm::StrView(name).size() <= 255 || Fail(status, kNameTooLong);
}

VMLIB_EXPORT bool WPMCheckFontSize(int32_t size, ErrorStatus status) {
  *status = 0;
  if (size < 1) return Fail(status, kFontTooSmall);
  if (size > 255) return Fail(status, kFontTooLarge);
  return true;
}

VMLIB_EXPORT bool WPMCheckIcon(int32_t width, int32_t height, float hotspotX, float hotspotY,
                               ErrorStatus status) {
  *status = 0;
  if (width <= 0 || height <= 0) return Fail(status, kIconTooSmall);
  if (width > 64 || height > 64) return Fail(status, kIconTooLarge);
  // Written so that a hotspot that is not a number fails too.
  if (!(hotspotX >= -0.5f && hotspotX <= width - 0.5f) || !(hotspotY >= -0.5f && hotspotY <= height - 0.5f)) {
    return Fail(status, kIconOriginOutside);
  }
  return true;
}

VMLIB_EXPORT bool WPMCheckIconOverlay(int32_t width, int32_t height, ErrorStatus status) {
  *status = 0;
  if (width <= 0 || height <= 0) return Fail(status, kIconTooSmall);
  if (width > 16 || height > 16) return Fail(status, kIconTooLarge);
  return true;
}

VMLIB_EXPORT float GetDefaultRadius() { return g_defaultRadius; }
VMLIB_EXPORT void SetDefaultRadius(float radius) { g_defaultRadius = radius; }
