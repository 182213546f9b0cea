// Text layout and drawing on pixel surfaces.
#include <algorithm>
#include <string>
#include <vector>

#include "platform/dc.h"
#include "platform/font.h"

namespace vm::platform {
namespace {

struct Clip {
  int32_t left, top, right, bottom;
};

// Composites colour with the glyph's coverage: 32-bit pixels straight-alpha
// "over", 16-bit pixels blended per channel with the alpha bit set from half
// coverage on.
void PutCoverage(const DcSurface& s, int32_t x, int32_t y, uint32_t colour, uint32_t c) {
  if (c == 0) return;
  uint8_t* row = s.bits + static_cast<size_t>(y) * s.pitch;
  const uint32_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
  if (s.format == kPixA8R8G8B8) {
    uint32_t& d = reinterpret_cast<uint32_t*>(row)[x];
    const uint32_t da = d >> 24, keep = da * (255 - c) / 255, outA = c + keep;
    auto mix = [&](uint32_t v, int shift) { return (v * c + ((d >> shift) & 0xFF) * keep) / outA; };
    d = (outA << 24) | (mix(r, 16) << 16) | (mix(g, 8) << 8) | mix(b, 0);
  } else {
    uint16_t& d = reinterpret_cast<uint16_t*>(row)[x];
    auto mix = [&](uint32_t v, int shift) {
      const uint32_t old = (d >> shift) & 0x1F;
      return ((v >> 3) * c + old * (255 - c)) / 255;
    };
    const uint16_t a = (d & 0x8000) || c >= 128 ? 0x8000 : 0;
    d = static_cast<uint16_t>(a | (mix(r, 10) << 10) | (mix(g, 5) << 5) | mix(b, 0));
  }
}

int64_t LineAdvance(FontFace* face, std::string_view text) {
  int64_t adv = 0;
  for (size_t pos = 0; pos < text.size();) adv += FaceAdvance(face, NextCodePoint(text, &pos));
  return adv;
}
int32_t LineWidth(FontFace* face, std::string_view text) {
  return static_cast<int32_t>((LineAdvance(face, text) + 32) >> 6);
}

// Draws one line with its pen starting at x and its baseline at y.
void DrawLine(const DcSurface& s, const Clip& clip, FontFace* face, bool underline, std::string_view text,
              int32_t x, int32_t y, uint32_t colour) {
  int64_t pen = static_cast<int64_t>(x) * 64;
  for (size_t pos = 0; pos < text.size();) {
    const char32_t cp = NextCodePoint(text, &pos);
    const int32_t penPixels = static_cast<int32_t>((pen + 32) >> 6);
    FaceRender(face, cp, [&](const GlyphImage& g) {
      for (int32_t gy = 0; gy < g.height; ++gy) {
        const int32_t py = y - g.top + gy;
        if (py < clip.top || py >= clip.bottom) continue;
        const uint8_t* cov = g.coverage + static_cast<ptrdiff_t>(gy) * g.pitch;
        for (int32_t gx = 0; gx < g.width; ++gx) {
          const int32_t px = penPixels + g.left + gx;
          if (px >= clip.left && px < clip.right) PutCoverage(s, px, py, colour, cov[gx]);
        }
      }
    });
    pen += FaceAdvance(face, cp);
  }
  if (underline) {
    const LineMetrics lm = FaceLineMetrics(face);
    const int32_t x1 = static_cast<int32_t>((pen + 32) >> 6);
    for (int32_t t = 0; t < lm.underlineThickness; ++t) {
      const int32_t py = y + lm.underlinePosition + t;
      if (py < clip.top || py >= clip.bottom) continue;
      for (int32_t px = std::max(x, clip.left); px < std::min(x1, clip.right); ++px)
        PutCoverage(s, px, py, colour, 255);
    }
  }
}

// Lines of text: CR LF, CR and LF end a line; with wrap, words move to the
// next line when the line would grow wider than width (a word wider than
// the whole line keeps a line of its own).
std::vector<std::string> LayoutLines(FontFace* face, std::string_view text, bool wrap, int32_t width) {
  std::vector<std::string> lines;
  if (!wrap) {
    std::string line;
    for (char c : text)
      if (c != '\r' && c != '\n') line += c;
    lines.push_back(line);
    return lines;
  }
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = text.find_first_of("\r\n", start);
    std::string_view para =
        text.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
    std::string line;
    size_t i = 0;
    while (i < para.size()) {
      size_t wordEnd = para.find(' ', i);
      if (wordEnd == std::string_view::npos) wordEnd = para.size();
      std::string candidate = line.empty() ? std::string(para.substr(i, wordEnd - i))
                                           : line + " " + std::string(para.substr(i, wordEnd - i));
      if (!line.empty() && LineWidth(face, candidate) > width) {
        lines.push_back(line);
        line = std::string(para.substr(i, wordEnd - i));
      } else {
        line = candidate;
      }
      i = wordEnd + 1;
    }
    lines.push_back(line);
    if (end == std::string_view::npos) break;
    start = end + 1;
    if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
  }
  return lines;
}

int32_t Horizontal(int32_t align) { return align >= 0 && align <= 8 ? align / 3 : 0; }
int32_t Vertical(int32_t align) { return align >= 0 && align <= 8 ? align % 3 : 0; }
}  // namespace

bool FontMetrics(const BmpFont& font, BmpTextMetrics* out) {
  std::lock_guard<std::recursive_mutex> hold(FontLock());
  FontFace* face = FaceFor(font);
  if (face == nullptr) return false;
  FaceMetrics(face, font, out);
  return true;
}

bool TextExtent(const BmpFont& font, std::string_view text, BmpSize* out) {
  std::lock_guard<std::recursive_mutex> hold(FontLock());
  FontFace* face = FaceFor(font);
  if (face == nullptr) return false;
  const LineMetrics lm = FaceLineMetrics(face);
  out->cx = LineWidth(face, text);
  out->cy = lm.ascent + lm.descent;
  return true;
}

bool TextDraw(const DcSurface& s, const BmpFont& font, std::string_view text, int32_t x, int32_t y,
              uint32_t colour, int32_t align) {
  std::lock_guard<std::recursive_mutex> hold(FontLock());
  FontFace* face = FaceFor(font);
  if (face == nullptr) return false;
  const LineMetrics lm = FaceLineMetrics(face);
  const int32_t width = LineWidth(face, text);
  const int32_t h = Horizontal(align), v = Vertical(align);
  const int32_t penX = h == 0 ? x : h == 1 ? x - width / 2 : x - width;
  const int32_t baseline = v == 0 ? y + lm.ascent : v == 1 ? y : y - lm.descent;
  DrawLine(s, Clip{0, 0, s.width, s.height}, face, font.underline, text, penX, baseline, colour);
  return true;
}

int32_t TextDrawRect(const DcSurface* s, const BmpFont& font, std::string_view text, BmpRect* rect,
                     uint32_t colour, int32_t align, bool wordWrap, bool measure) {
  std::lock_guard<std::recursive_mutex> hold(FontLock());
  FontFace* face = FaceFor(font);
  if (face == nullptr) return -1;
  const LineMetrics lm = FaceLineMetrics(face);
  const int32_t lineHeight = lm.ascent + lm.descent;
  const std::vector<std::string> lines = LayoutLines(face, text, wordWrap, rect->right - rect->left);
  const int32_t total = lineHeight * static_cast<int32_t>(lines.size());
  if (measure) {
    int32_t widest = 0;
    for (const auto& line : lines) widest = std::max(widest, LineWidth(face, line));
    rect->right = rect->left + widest;
    rect->bottom = rect->top + total;
    return total;
  }
  if (s == nullptr) return total;
  const int32_t h = Horizontal(align), v = Vertical(align);
  const int32_t boxH = rect->bottom - rect->top;
  int32_t top = v == 0 ? rect->top : v == 1 ? rect->top + (boxH - total) / 2 : rect->bottom - total;
  const Clip clip{std::max(0, rect->left), std::max(0, rect->top), std::min(s->width, rect->right),
                  std::min(s->height, rect->bottom)};
  for (const auto& line : lines) {
    const int32_t w = LineWidth(face, line), boxW = rect->right - rect->left;
    const int32_t x = h == 0 ? rect->left : h == 1 ? rect->left + (boxW - w) / 2 : rect->right - w;
    DrawLine(*s, clip, face, font.underline, line, x, top + lm.ascent, colour);
    top += lineHeight;
  }
  return total;
}

void FontsShutdown() { FontsRelease(); }

}  // namespace vm::platform
