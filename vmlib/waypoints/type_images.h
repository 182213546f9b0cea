// What a waypoint type needs of bitmaps and fonts: copies and comparison of
// its images, the composed display icon, label fonts and their text heights.
#pragma once

#include <cstdint>
#include <string_view>

#include "vmlib/waypoints.h"

namespace vm {

// A new bitmap holding a copy of source; null for null.
CBmp32* CopyBitmap(const CBmp32* source);
void DeleteBitmap(CBmp32* bitmap);
int32_t BitmapWidth(const CBmp32* bitmap);   // 0 for null
int32_t BitmapHeight(const CBmp32* bitmap);  // 0 for null
// Same size and every pixel equal (two nulls are equal).
bool SameBitmaps(const CBmp32* a, const CBmp32* b);
// The picture a type is drawn with, or null when the icon itself is drawn
// (type flag 0 by day). With type flag 1 the overlay is centred on the
// hotspot over the icon, the canvas grown to hold both; at night the result
// (or a copy of the icon) is dimmed.
CBmp32* BuildDisplayIcon(const CBmp32* icon, const CBmp32* overlay, uint8_t typeFlag, float hotspotX,
                         float hotspotY, bool night);

// A label font: face, size in points, style bits 1 bold, 2 italic, 4 underline.
WptFontHandle CreateLabelFont(std::string_view face, int32_t points, int32_t style);
void DeleteLabelFont(WptFontHandle font);
// Text-metrics height in pixels of font on a device context of icon.
int32_t MeasureTextHeight(const CBmp32* icon, WptFontHandle font);

}  // namespace vm
