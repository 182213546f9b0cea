#include "platform/font.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_OUTLINE_H

#include <cmath>
#include <map>
#include <memory>
#include <string>
#include <tuple>

namespace vm::platform {

class FontFace {
public:
  FT_Face face = nullptr;
  int32_t pixelHeight = 0;
  bool emboldenedByUs = false;  // no bold face installed: thicken outlines
  bool slantedByUs = false;     // no italic face installed: shear outlines
  ~FontFace() {
    if (face) FT_Done_Face(face);
  }
};

namespace {
using FaceKey = std::tuple<std::string, int32_t, bool, bool>;

struct Engine {
  FT_Library library = nullptr;
  std::map<FaceKey, std::unique_ptr<FontFace>> faces;
  std::map<FaceKey, bool> failed;
};
Engine* g_engine = nullptr;

Engine* GetEngine() {
  if (g_engine == nullptr) {
    auto* e = new Engine;
    if (FT_Init_FreeType(&e->library) != 0) {
      delete e;
      return nullptr;
    }
    g_engine = e;
  }
  return g_engine;
}

// fontconfig's choice for the face name, weight and slant. Faces that are
// not installed (among them the Windows default "Tahoma") fall back to the
// closest installed face.
std::unique_ptr<FontFace> OpenFace(FT_Library lib, const std::string& name, int32_t pixels, bool bold,
                                   bool italic) {
  FcPattern* pattern = FcPatternCreate();
  if (pattern == nullptr) return nullptr;
  if (!name.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddDouble(pattern, FC_PIXEL_SIZE, pixels);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (match == nullptr) return nullptr;
  FcChar8* file = nullptr;
  int index = 0, weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  std::unique_ptr<FontFace> out;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
    FcPatternGetInteger(match, FC_SLANT, 0, &slant);
    auto face = std::make_unique<FontFace>();
    if (FT_New_Face(lib, reinterpret_cast<const char*>(file), index, &face->face) == 0 &&
        FT_Set_Pixel_Sizes(face->face, 0, static_cast<FT_UInt>(pixels)) == 0) {
      face->pixelHeight = pixels;
      face->emboldenedByUs = bold && weight < FC_WEIGHT_DEMIBOLD;
      face->slantedByUs = italic && slant == FC_SLANT_ROMAN;
      out = std::move(face);
    }
  }
  FcPatternDestroy(match);
  return out;
}

int32_t Ceil26(FT_Pos v) { return static_cast<int32_t>((v + 63) >> 6); }
}  // namespace

int32_t FontPixelHeight(int32_t pointSize) {
  if (pointSize < 1) pointSize = 10;
  if (pointSize > 1000) pointSize = 1000;
  return static_cast<int32_t>(std::lround(pointSize * 96.0 / 72.0));
}

std::recursive_mutex& FontLock() {
  static std::recursive_mutex lock;
  return lock;
}

FontFace* FaceFor(const BmpFont& font) {
  Engine* e = GetEngine();
  if (e == nullptr) return nullptr;
  FaceKey key{font.faceName ? font.faceName : "", FontPixelHeight(font.pointSize), font.weight >= 600,
              font.italic};
  if (auto it = e->faces.find(key); it != e->faces.end()) return it->second.get();
  if (e->failed.count(key)) return nullptr;
  auto face = OpenFace(e->library, std::get<0>(key), std::get<1>(key), std::get<2>(key), std::get<3>(key));
  if (!face) {
    e->failed[key] = true;
    return nullptr;
  }
  return (e->faces[key] = std::move(face)).get();
}

LineMetrics FaceLineMetrics(FontFace* f) {
  const FT_Size_Metrics& m = f->face->size->metrics;
  LineMetrics out;
  out.ascent = Ceil26(m.ascender);
  out.descent = Ceil26(-m.descender);
  if (FT_IS_SCALABLE(f->face)) {
    out.underlinePosition = Ceil26(-FT_MulFix(f->face->underline_position, m.y_scale));
    out.underlineThickness = std::max(1, Ceil26(FT_MulFix(f->face->underline_thickness, m.y_scale)));
  } else {
    out.underlinePosition = std::max(1, out.descent / 2);
  }
  return out;
}

void FaceMetrics(FontFace* f, const BmpFont& font, BmpTextMetrics* out) {
  const LineMetrics lm = FaceLineMetrics(f);
  const FT_Size_Metrics& m = f->face->size->metrics;
  out->ascent = lm.ascent;
  out->descent = lm.descent;
  out->height = lm.ascent + lm.descent;
  out->internalLeading = std::max(0, out->height - f->pixelHeight);
  out->externalLeading = std::max(0, Ceil26(m.height) - out->height);
  out->aveCharWidth = static_cast<int32_t>((FaceAdvance(f, U'x') + 32) >> 6);
  out->maxCharWidth = Ceil26(m.max_advance);
  out->weight = font.weight >= 600 ? 700 : 400;
  out->italic = font.italic;
  out->underlined = font.underline;
}

namespace {
bool LoadGlyph(FontFace* f, char32_t cp) {
  FT_UInt index = FT_Get_Char_Index(f->face, cp);
  if (FT_Load_Glyph(f->face, index, FT_LOAD_DEFAULT | FT_LOAD_NO_BITMAP) != 0) return false;
  FT_GlyphSlot slot = f->face->glyph;
  if (slot->format == FT_GLYPH_FORMAT_OUTLINE) {
    if (f->slantedByUs) {
      FT_Matrix shear{0x10000, 0x0366A, 0, 0x10000};  // about 12 degrees
      FT_Outline_Transform(&slot->outline, &shear);
    }
    if (f->emboldenedByUs) {
      const FT_Pos strength = FT_MulFix(f->face->units_per_EM, f->face->size->metrics.y_scale) / 24;
      FT_Outline_Embolden(&slot->outline, strength);
      slot->advance.x += strength;
    }
  }
  return true;
}
}  // namespace

int64_t FaceAdvance(FontFace* f, char32_t cp) {
  if (!LoadGlyph(f, cp)) return 0;
  return f->face->glyph->advance.x;
}

void FaceRender(FontFace* f, char32_t cp, const std::function<void(const GlyphImage&)>& draw) {
  if (!LoadGlyph(f, cp)) return;
  FT_GlyphSlot slot = f->face->glyph;
  if (FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return;
  const FT_Bitmap& b = slot->bitmap;
  if (b.pixel_mode != FT_PIXEL_MODE_GRAY || b.buffer == nullptr) return;
  draw(GlyphImage{b.buffer, static_cast<int32_t>(b.width), static_cast<int32_t>(b.rows), b.pitch,
                  slot->bitmap_left, slot->bitmap_top});
}

char32_t NextCodePoint(std::string_view s, size_t* pos) {
  const auto byte = [&](size_t i) { return static_cast<uint8_t>(s[i]); };
  const uint8_t c = byte((*pos)++);
  if (c < 0x80) return c;
  int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
  if (extra < 0 || c > 0xF4) return 0xFFFD;
  char32_t cp = c & (0x3F >> extra);
  for (int i = 0; i < extra; ++i) {
    if (*pos >= s.size() || (byte(*pos) & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (byte((*pos)++) & 0x3F);
  }
  return cp;
}

void FontsRelease() {
  std::lock_guard<std::recursive_mutex> hold(FontLock());
  if (g_engine == nullptr) return;
  g_engine->faces.clear();
  FT_Done_FreeType(g_engine->library);
  delete g_engine;
  g_engine = nullptr;
}

}  // namespace vm::platform
