#include "waypoints/type_images.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <string>

#include "waypoints/night_link.h"

namespace vm {
namespace {

// A font description with its own copy of the face name; the handle handed
// out is the address of the description, its first member.
struct OwnedFont {
  BmpFont font;
  std::string face;
};

CBmp32* NewBitmap() {
  CBmp32* bitmap = Bmp32Create(0, 0, false);
  if (bitmap == nullptr) throw std::bad_alloc();
  return bitmap;
}

struct Edges {
  double left, top, right, bottom;
};

Edges BoundsOf(const CBmp32* bitmap) {
  Edges e{};
  bitmap->GetBounds(&e.left, &e.top, &e.right, &e.bottom);
  return e;
}

}  // namespace

CBmp32* CopyBitmap(const CBmp32* source) {
  if (source == nullptr) return nullptr;
  CBmp32* copy = NewBitmap();
  copy->CopyFrom(source);
  return copy;
}

void DeleteBitmap(CBmp32* bitmap) { ObjectDelete(bitmap); }
int32_t BitmapWidth(const CBmp32* bitmap) { return bitmap != nullptr ? bitmap->GetWidth() : 0; }
int32_t BitmapHeight(const CBmp32* bitmap) { return bitmap != nullptr ? bitmap->GetHeight() : 0; }

bool SameBitmaps(const CBmp32* a, const CBmp32* b) {
  if (a == nullptr || b == nullptr) return a == b;
  return a->IsEqual(b);
}

CBmp32* BuildDisplayIcon(const CBmp32* icon, const CBmp32* overlay, uint8_t typeFlag, float hotspotX,
                         float hotspotY, bool night) {
  if (icon == nullptr || (typeFlag == 0 && !night)) return nullptr;
  CBmp32* display = NewBitmap();
  try {
    if (typeFlag == 1 && overlay != nullptr) {
      Edges iconRect = BoundsOf(icon);
      const double ow = overlay->GetWidth();
      const double oh = overlay->GetHeight();
      Edges overlayRect{hotspotX - ow * 0.5, hotspotY - oh * 0.5, 0.0, 0.0};
      overlayRect.right = overlayRect.left + ow;
      overlayRect.bottom = overlayRect.top + oh;
      double right = std::max(overlayRect.right, iconRect.right);
      double bottom = std::max(overlayRect.bottom, iconRect.bottom);
      // An overlay reaching past the icon's left or top edge moves both
      // pictures so that the overlay starts at the canvas edge.
      if (overlayRect.left < 0.5) {
        const double d = overlayRect.left + 0.5;
        iconRect.left -= d;
        iconRect.right -= d;
        overlayRect.right -= d;
        right -= d;
        overlayRect.left = -0.5;
      }
      if (overlayRect.top < 0.5) {
        const double d = overlayRect.top + 0.5;
        iconRect.top -= d;
        iconRect.bottom -= d;
        overlayRect.bottom -= d;
        bottom -= d;
        overlayRect.top = -0.5;
      }
      display->SetSize(static_cast<int32_t>(std::floor(right + 1.0)),
                       static_cast<int32_t>(std::floor(bottom + 1.0)));
      display->Fill(0);
      const Edges iconSource = BoundsOf(icon);
      const Edges overlaySource = BoundsOf(overlay);
      icon->StretchDraw(display, {iconRect.left, iconRect.top, iconRect.right, iconRect.bottom},
                        {iconSource.left, iconSource.top, iconSource.right, iconSource.bottom}, bmBlendCopy,
                        255);
      overlay->StretchDraw(display,
                           {overlayRect.left, overlayRect.top, overlayRect.right, overlayRect.bottom},
                           {overlaySource.left, overlaySource.top, overlaySource.right, overlaySource.bottom},
                           bmBlendMaxAlpha, 255);
    } else {
      display->CopyFrom(icon);
    }
    if (night) NightDimBitmap(display);
  } catch (...) {
    ObjectDelete(display);
    throw;
  }
  return display;
}

WptFontHandle CreateLabelFont(std::string_view face, int32_t points, int32_t style) {
  auto* owned = new OwnedFont{};
  owned->face.assign(face);
  owned->font.faceName = owned->face.c_str();
  owned->font.pointSize = points;
  owned->font.weight = (style & kWptFontBold) != 0 ? 700 : 400;
  owned->font.italic = (style & kWptFontItalic) != 0;
  owned->font.underline = (style & kWptFontUnderline) != 0;
  return &owned->font;
}

void DeleteLabelFont(WptFontHandle font) {
  static_assert(offsetof(OwnedFont, font) == 0);
  delete reinterpret_cast<const OwnedFont*>(font);
}

int32_t MeasureTextHeight(const CBmp32* icon, WptFontHandle font) {
  if (font == nullptr) return 0;
  // The context is opened on the type's icon (a scratch bitmap when there is
  // none), as the text layer measures fonts through a device context.
  CBmp32* target = const_cast<CBmp32*>(icon);
  CBmp32* scratch = nullptr;
  if (target == nullptr) target = scratch = NewBitmap();
  BmpTextMetrics metrics{};
  try {
    target->DCCreate();
    target->GetTextMetrics(*font, &metrics);
    target->DCDelete();
  } catch (...) {
    target->DCDelete();
    ObjectDelete(scratch);
    throw;
  }
  ObjectDelete(scratch);
  return metrics.height;
}

}  // namespace vm
