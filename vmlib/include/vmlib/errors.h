// Error codes and their messages. A code's high 16 bits name the area, the low
// 16 bits the error: 0x0 general, 0x1 files, 0x2 registry, 0x3 devices, 0x4
// Windows CE remote access, 0x5 version resource, 0x6 bitmaps and image files,
// 0x7 geodesy, 0x9 raster chart files, 0xA waypoint store, 0xB device
// communication, 0xE raster chart SDK, 0xF elevation models, 0x10 tracks,
// 0x11 headers.
#pragma once

#include "vmlib/export.h"

// The message of code in the current language (UTF-8), English when the
// language has no text; "Unspecified" for codes the library does not know.
// The text is static and owned by the library.
VMLIB_EXPORT const char* ErrorToStr(int32_t code);
