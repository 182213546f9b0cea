// Bitmaps and image files: the bitmap objects CBmp, CBmp16 and CBmp32, the
// pixel-format table, and the TGA, BMP and PCX readers and the BMP writer.
//
// Pixels: a 32-bit pixel is the little-endian value 0xAARRGGBB (bytes blue,
// green, red, alpha in memory); alpha 0 is fully transparent, 255 opaque.
// Bitmap memory is top-down: row 0 is the top row, rows are `pitch` bytes
// apart. Coordinates in doubles are pixel-centre coordinates: a bitmap of
// width w spans -0.5 to w - 0.5 (see GetBounds).
//
// Errors: image files report through ErrorStatus (0x10020 bad header, 0x10021
// unknown header version, 0x1001F damaged data, 0x1000C file shorter than its
// header promises, 0x1001E unknown file type, 0x60001..0x60007 unsupported
// pixel format, alpha layout, bit count, compression, plane count, row order,
// and the file-open and read errors). Programming faults throw CException
// with the texts given at each operation.
#pragma once

#include <cstdint>

#include "vmlib/frame.h"

// Pixel formats.
enum BmpPixelFormat : int32_t {
  kPixPal1 = 0,      // palette, 2 colours
  kPixPal2 = 1,      // palette, 4 colours
  kPixPal4 = 2,      // palette, 16 colours
  kPixPal8 = 3,      // palette, 256 colours
  kPixX1R5G5B5 = 4,  // 16 bits, top bit unused
  kPixA1R5G5B5 = 5,  // 16 bits, top bit alpha (CBmp16)
  kPixR5G6B5 = 6,    // 16 bits
  kPixB8G8R8 = 7,    // 24 bits: blue, green, red bytes
  kPixX8R8G8B8 = 8,  // 32 bits, top byte unused
  kPixA8R8G8B8 = 9,  // 32 bits with alpha (CBmp32)
};

// Blend modes of Draw, StretchDraw and DrawTransform.
enum BmpBlendMode : int32_t {
  bmBlendCopy = 0,        // d = s
  bmBlendMask = 1,        // d = s where s.a != 0
  bmBlendAlpha = 2,       // colour blended by s.a, d.a kept
  bmBlendMaxAlpha = 3,    // as bmBlendAlpha, d.a = max(d.a, s.a)
  bmBlendConstAlpha = 4,  // blended by s.a * alpha / 65025, d.a kept
  bmBlendDisabled = 5,    // a faded grey copy, d.a kept
};

// Text alignment of TextOut and DrawText: vertical top/middle/bottom within
// left (0-2), centre (3-5) and right (6-8); other values are top left. For
// TextOut the middle codes put the baseline at y.
enum BmpTextAlign : int32_t {
  kAlignTopLeft = 0,
  kAlignMiddleLeft = 1,
  kAlignBottomLeft = 2,
  kAlignTopCentre = 3,
  kAlignMiddleCentre = 4,
  kAlignBottomCentre = 5,
  kAlignTopRight = 6,
  kAlignMiddleRight = 7,
  kAlignBottomRight = 8,
};

// Layouts of DrawText.
enum BmpTextLayout : int32_t {
  kLayoutSingleLine = 0,
  kLayoutWordWrap = 1,
  kLayoutSingleLineMeasure = 2,  // only computes the rect
  kLayoutWordWrapMeasure = 3,    // only computes the rect
};

// Description of a block of pixels: format, bytes per row, size in pixels and
// row direction (1: row 0 is the top row; -1: row 0 is the bottom row).
struct BmpSurfaceDesc {
  int32_t pixelFormat;
  int32_t pitch;
  int32_t width;
  int32_t height;
  int32_t direction;
};

// Integer rectangle; right and bottom are exclusive.
struct BmpRect {
  int32_t left;
  int32_t top;
  int32_t right;
  int32_t bottom;
};

// Rectangle in pixel-centre coordinates (doubles).
struct BmpRectF {
  double left;
  double top;
  double right;
  double bottom;
};

struct BmpPointF {
  double x;
  double y;
};

struct BmpSize {
  int32_t cx;
  int32_t cy;
};

// Affine map from source to destination pixel coordinates:
// x' = m11*x + m12*y + dx, y' = m21*x + m22*y + dy.
struct BmpTransform {
  double m11, m12, m21, m22;
  double dx, dy;
};

// A font: face name (UTF-8; "Tahoma" and faces that are not installed fall
// back to the closest installed face), size in points at 96 dpi (pixel
// height = pointSize * 96 / 72 rounded), weight 400 regular or 700 bold.
struct BmpFont {
  const char* faceName;
  int32_t pointSize;
  int32_t weight;
  bool italic;
  bool underline;
};

// Metrics of a font in pixels; height = ascent + descent.
struct BmpTextMetrics {
  int32_t height;
  int32_t ascent;
  int32_t descent;
  int32_t internalLeading;
  int32_t externalLeading;
  int32_t aveCharWidth;
  int32_t maxCharWidth;
  int32_t weight;
  bool italic;
  bool underlined;
};

// A device context: drawing state bound to one bitmap. Owned by its bitmap
// (DCCreate/DCDelete); opaque to clients.
struct BmpDc;

// Progress of a reader or writer: called with 0.0 at the start and then every
// max(rows / 200, 5) rows with the fraction of rows done. A non-zero return
// stops the work and becomes its status.
struct BmpProgress {
  int32_t (*callback)(BmpProgress* self, double fraction);
  void* context;
};

// BMP file header and info header as read from a file (core layouts are
// widened into these fields; absent fields are 0).
struct BmpFileHeader {
  uint32_t fileSize;
  uint32_t pixelOffset;
  uint32_t infoSize;  // 12, 40 or 240
  int32_t width;
  int32_t height;  // negative: rows stored top-down
  uint16_t planes;
  uint16_t bitCount;
  uint32_t compression;  // 0 none, 1 RLE8, 2 RLE4
  uint32_t imageSize;
  int32_t xPelsPerMeter;
  int32_t yPelsPerMeter;
  uint32_t coloursUsed;
  uint32_t coloursImportant;
};

// 256 entries of blue, green, red, 0; unused entries are zero.
struct BmpPalette {
  uint32_t entries[256];
};

// Base of the bitmap objects; deleted with ObjectDelete.
class CBmp : public CObject {
public:
  // Slot 2: owned copy of the alpha bytes of rect (clipped to the bitmap),
  // row by row; pass it to AlphaRestore, which frees it. Null for an empty
  // rect. CBmp16 throws "CBmp16::AlphaBackup: not implemented".
  virtual uint8_t* AlphaBackup(const BmpRect& rect) = 0;
  // Slot 3: writes saved alpha bytes back into the same rect and frees them.
  // CBmp16 throws "CBmp16::AlphaRestore: not implemented".
  virtual void AlphaRestore(const BmpRect& rect, uint8_t* saved) = 0;
  // Slot 4: the bitmap's device context, made on the first call and counted;
  // each call needs one DCDelete. Null for an empty bitmap.
  virtual BmpDc* DCCreate() = 0;
  // Slot 5: releases one DCCreate; the context goes with the last one.
  virtual void DCDelete() = 0;
  // Slot 6: copies src of this bitmap into dst of the bitmap behind dc, all
  // 32 bits of each pixel, scaled by nearest neighbour when sizes differ.
  virtual void DrawToDc(BmpDc* dc, const BmpRect& dst, const BmpRect& src) = 0;
  // Slot 7: draws text (UTF-8) anti-aliased in colour (0x..RRGGBB; drawn
  // pixels become opaque) with its anchor at (x, y).
  virtual void TextOut(const Str* text, int32_t x, int32_t y, const BmpFont& font, uint32_t colour,
                       int32_t align) = 0;
  // Slot 8: draws text inside rect with the alignment and layout; the
  // measuring layouts set rect's right and bottom to the text's extent and
  // draw nothing. keepAlpha keeps the rect's alpha bytes. Returns the height
  // of the text in pixels.
  virtual int32_t DrawText(const Str* text, BmpRect* rect, const BmpFont& font, uint32_t colour,
                           int32_t align, int32_t layout, bool keepAlpha) = 0;
  // Slot 9: the current device context or null.
  virtual BmpDc* GetDc() const = 0;
  virtual int32_t GetHeight() const = 0;
  // Slot 11: bytes of pixel memory (and of the object when includeObject):
  // CBmp pitch*height (+64), CBmp16 and CBmp32 (pitch + 4)*height (+72).
  virtual int32_t GetMemorySize(bool includeObject) const = 0;
  virtual int32_t GetPitch() const = 0;
  virtual int32_t GetPixelFormat() const = 0;
  // Slot 14: (0, 0, width, height).
  virtual void GetRect(BmpRect* out) const = 0;
  // Slot 15: (-0.5, -0.5, width - 0.5, height - 0.5).
  virtual void GetBounds(double* left, double* top, double* right, double* bottom) const = 0;
  // Slot 16: (pixel format, pitch, width, height, 1).
  virtual void GetSurfaceDesc(BmpSurfaceDesc* out) const = 0;
  // Slot 17: size of text in pixels; throws "CBmp::GetTextExtent: can't get
  // size of text" when the font cannot be opened.
  virtual void GetTextExtent(const Str* text, const BmpFont& font, BmpSize* out) = 0;
  // Slot 18: throws "CBmp::GetTextMetrics: can't get text metrics" when the
  // font cannot be opened.
  virtual void GetTextMetrics(const BmpFont& font, BmpTextMetrics* out) = 0;
  virtual int32_t GetWidth() const = 0;
  // Slot 20: loads by extension (case-insensitive): .bmp -> LoadBmp;
  // .pcx, .pcc, .scr -> LoadPcx; .tga -> LoadTga; others 0x1001E with the
  // bitmap unchanged. scale: integer reduction factor (1 none); alphaOption:
  // 16- and 32-bit BMP files carry alpha in their top bits; fileDescOut
  // (may be null) receives the file's own description.
  virtual void Load(const Str* fileName, int32_t scale, int32_t alphaOption, BmpSurfaceDesc* fileDescOut,
                    ErrorStatus status) = 0;
  // Slots 21-23: size the bitmap to file size / scale and read the pixels.
  virtual void LoadBmp(const Str* fileName, int32_t scale, int32_t alphaOption, BmpSurfaceDesc* fileDescOut,
                       ErrorStatus status) = 0;
  virtual void LoadPcx(const Str* fileName, int32_t scale, BmpSurfaceDesc* fileDescOut,
                       ErrorStatus status) = 0;
  virtual void LoadTga(const Str* fileName, int32_t scale, BmpSurfaceDesc* fileDescOut,
                       ErrorStatus status) = 0;
  // Slot 24: BmpSave of the pixels (compression 0 none, 2 RLE8).
  virtual void Save(const Str* fileName, int32_t outputFormat, int32_t compression, ErrorStatus status) = 0;
  // Slot 25: sizes dst to width/factor by height/factor (rounded up with
  // roundUp) and fills it with the block means (ImageScale).
  virtual void ScaleDown(CBmp* dst, int32_t factor, bool roundUp) = 0;
  // Slot 26: new size; the same size keeps the pixels, otherwise the pixels
  // are undefined. Throws "CBmp::SetSize: can't allocate DIB handle" when
  // memory runs out and "CBmp::InitBitmapInfo: unsupported pixel format".
  virtual void SetSize(int32_t width, int32_t height) = 0;

protected:
  CBmp() = default;
};

// 16-bit bitmap, format 5 (A1R5G5B5).
class CBmp16 : public CBmp {
public:
  // Copies src of this into dst of destination when both rects have the same
  // size (nothing otherwise); with transparent set, source pixels whose top
  // bit is set are skipped. Rects are clipped to both bitmaps.
  virtual void DrawTo(CBmp16* destination, const BmpRect& dst, const BmpRect& src, bool transparent) = 0;
  // Two reserved operations without effect.
  virtual void Reserved1(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) = 0;
  virtual bool Reserved2(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) = 0;
  // Fills the pixels whose centres lie in [left, right) x [top, bottom).
  virtual void FillRect(double left, double top, double right, double bottom, uint16_t colour) = 0;
  virtual void Fill(uint16_t colour) = 0;
  virtual uint16_t* GetPixels() = 0;
  // Row y (0 <= y <= height, height giving the end of the last row); null
  // outside that range.
  virtual uint16_t* GetRow(int32_t y) = 0;

protected:
  CBmp16() = default;
};

// 32-bit bitmap, format 9 (A8R8G8B8).
class CBmp32 : public CBmp {
public:
  // Takes source's size and pixels.
  virtual void CopyFrom(const CBmp32* source) = 0;
  // Sizes this so that the longer side of source becomes max(sizeA, sizeB)
  // and draws source scaled into it.
  virtual void ScaleToFit(const CBmp32* source, int32_t sizeA, int32_t sizeB) = 0;
  // Draws src of this into dst of destination by nearest neighbour, both
  // rects clipped; same rounded sizes become Draw. Modes 2, 3 and 5 divide
  // by 255 here. Other modes draw nothing.
  virtual void StretchDraw(CBmp32* destination, const BmpRectF& dst, const BmpRectF& src, int32_t mode,
                           uint8_t alpha) const = 0;
  // Outline of a circle of the given line width (pixels).
  virtual void DrawCircle(double cx, double cy, double radius, uint32_t colour, double lineWidth) = 0;
  // Copies src of this to (x, y) of destination with the blend mode
  // (shifts by 8; mode 4 divides by 65025). Clipped to both bitmaps.
  virtual void Draw(CBmp32* destination, int32_t x, int32_t y, const BmpRect& src, int32_t mode,
                    uint8_t alpha) const = 0;
  // Anti-aliased line of the given width; includeEnd also covers the
  // pixel at the end point (the last segment of an open polyline).
  virtual void DrawLine(double x1, double y1, double x2, double y2, uint32_t colour, double width,
                        bool includeEnd) = 0;
  // Filled polygon, anti-aliased at 8x sub-pixel resolution.
  virtual void FillPolygon(const BmpPointF* points, int32_t count, uint32_t colour) = 0;
  virtual void DrawPolyline(const BmpPointF* points, int32_t count, uint32_t colour, bool closed) = 0;
  // Rectangle with a border of borderWidth pixels centred on rect's edges.
  virtual void DrawRect(const BmpRectF& rect, uint32_t borderColour, uint32_t fillColour,
                        double borderWidth) = 0;
  // Draws src of this through the affine map into destination. Throws
  // "CBmp32::DrawTransform: bmBlendMaxAlpha not implemented" (mode 3),
  // "CBmp32::DrawTransform: bmBlendDisabled not implemented" (mode 5) and
  // "CBmp32::DrawTransform: unknown case" (above 5).
  virtual void DrawTransform(CBmp32* destination, const BmpRect& src, const BmpTransform& transform,
                             int32_t mode, uint8_t alpha) const = 0;
  virtual void Fill(uint32_t colour) = 0;
  virtual void MirrorHorizontal() = 0;
  virtual void MirrorVertical() = 0;
  virtual uint32_t* GetPixels() const = 0;
  // Row y (0 <= y <= height, height giving the end of the last row); null
  // outside that range and for an empty bitmap.
  virtual uint32_t* GetRow(int32_t y) const = 0;
  // Same size and byte-equal pixels.
  virtual bool IsEqual(const CBmp32* other) const = 0;
  virtual void SetAlpha(uint8_t alpha) = 0;
  // Pixels whose colour (low 24 bits) equals key's get keyAlpha, all others
  // otherAlpha; colours are kept.
  virtual void SetAlphaByColourKey(uint8_t keyAlpha, uint8_t otherAlpha, uint32_t key) = 0;
  // Bilinear splat of colour into the four pixels around (x, y), only for
  // 1 < x < width - 2 and 1 < y < height - 2.
  virtual void PlotAA(double x, double y, uint32_t colour) = 0;

protected:
  CBmp32() = default;
};

// Row-block reader of a BMP file: rows come top row first, converted to the
// destination description given at creation.
class CBmpLoader : public CObject {
public:
  // Reads up to count rows into pixels (rows pitch bytes apart); returns the
  // rows delivered, 0 at the end.
  virtual int32_t ReadRows(void* pixels, int32_t count) = 0;

protected:
  CBmpLoader() = default;
};

// Row-block writer of a BMP file: rows are given top row first; the file is
// written by Finish.
class CBmpSaver : public CObject {
public:
  virtual void WriteRows(const void* pixels, int32_t count) = 0;
  // Writes the file; status as BmpSave. Rows not given are written black.
  virtual void Finish(ErrorStatus status) = 0;

protected:
  CBmpSaver() = default;
};

// New bitmaps of the size (0 x 0 allowed); null when memory runs out.
// autoDc keeps a device context for the life of a non-empty bitmap.
VMLIB_EXPORT CBmp32* Bmp32Create(int32_t width, int32_t height, bool autoDc);
VMLIB_EXPORT CBmp16* Bmp16Create(int32_t width, int32_t height, bool autoDc);

// The pixel-format table; 0 for an unknown format.
VMLIB_EXPORT int32_t PixelGetACount(int32_t format);
VMLIB_EXPORT int32_t PixelGetRCount(int32_t format);
VMLIB_EXPORT int32_t PixelGetGCount(int32_t format);
VMLIB_EXPORT int32_t PixelGetBCount(int32_t format);
VMLIB_EXPORT int32_t PixelGetBitCount(int32_t format);

// Bytes per row: ((width*bits + align - 1) >> 3) & (~(align - 1) >> 3).
VMLIB_EXPORT uint32_t CalcPitch(uint32_t width, uint32_t bitsPerPixel, uint32_t alignBits);
// Copies count 32-bit palette entries swapping red and blue.
VMLIB_EXPORT void PaletteSwap(uint32_t* dst, const uint32_t* src, int32_t count);

// Reads and checks a BMP file's headers and palette.
VMLIB_EXPORT void BmpLoadHeader(const Str* fileName, BmpFileHeader* header, BmpPalette* palette,
                                ErrorStatus status);
// The file's own surface description (direction -1, or 1 for a negative height).
VMLIB_EXPORT void BmpSurfaceDescCreate(BmpSurfaceDesc* desc, const BmpFileHeader* header, int32_t alphaOption,
                                       ErrorStatus status);
// Reads the pixels of a BMP file (header and palette from BmpLoadHeader)
// into dst, converted to dstDesc and reduced by scale; dstDesc's size must be
// the file's size / scale.
VMLIB_EXPORT void BmpLoad(const Str* fileName, const BmpFileHeader* header, const BmpPalette* palette,
                          int32_t scale, int32_t alphaOption, void* dst, const BmpSurfaceDesc* dstDesc,
                          BmpSurfaceDesc* fileDescOut, BmpProgress* progress, ErrorStatus status);
// Writes pixels as a BMP file in outputFormat. compression: 0 none, 1 RLE4
// (throws "BmpWriteScanlineRLE4: not implemented"), 2 RLE8 (format 3 only);
// palette may be null for formats above 8 bits (for palette formats null
// writes a grey ramp). Format 6 gives 0x60001, other compressions 0x60004.
VMLIB_EXPORT void BmpSave(const Str* fileName, const void* pixels, const BmpSurfaceDesc* desc,
                          int32_t outputFormat, const BmpPalette* palette, int32_t compression,
                          BmpProgress* progress, ErrorStatus status);
// Row-block reader; null with the status set on failure.
VMLIB_EXPORT CBmpLoader* BmpLoaderCreate(const Str* fileName, BmpFileHeader* header, BmpPalette* palette,
                                         const BmpSurfaceDesc* dstDesc, int32_t rows, ErrorStatus status);
// Row-block writer of desc's size in outputFormat; null with the status set
// for a format or compression that BmpSave refuses.
VMLIB_EXPORT CBmpSaver* BmpSaverCreate(const Str* fileName, const BmpSurfaceDesc* desc, int32_t outputFormat,
                                       const BmpPalette* palette, int32_t compression, ErrorStatus status);
// Reads a BMP file stored with every byte exclusive-or 0xA5 into bitmap,
// sizing it first.
VMLIB_EXPORT void WAReadImage(const Str* fileName, CBmp* bitmap, ErrorStatus status);
// Reduces src by factor into dst (block means); rightRemainder and
// bottomRemainder (0 or 1, factor 2 between 32-bit formats only) add a last
// partial column or row. Throws "ImageScale: not supported" otherwise.
VMLIB_EXPORT void ImageScale(void* dst, const BmpSurfaceDesc* dstDesc, const void* src,
                             const BmpSurfaceDesc* srcDesc, const BmpPalette* palette, int32_t factor,
                             int32_t rightRemainder, int32_t bottomRemainder);
