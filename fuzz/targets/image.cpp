// The image readers over arbitrary bytes. The first byte picks the reader
// (bits 0-1: BMP, PCX, TGA, scrambled BMP), the bitmap kind (bit 2: 16-bit,
// else 32-bit) and the alpha option (bit 3); the rest is the file. Each file
// is loaded at scale 1 and 2.
#include <memory>

#include "fuzz_support.h"
#include "vmlib/bmp.h"

namespace {
struct Deleter {
  void operator()(CObject* o) const { ObjectDelete(o); }
};

void LoadAt(CBmp* bitmap, const Str* path, int32_t scale, int32_t alphaOption) {
  BmpSurfaceDesc desc{};
  int32_t status = 0;
  bitmap->Load(path, scale, alphaOption, &desc, &status);
  vmfuzz::Trace("load", scale, status);
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  vmfuzz::EnsureLibrary();
  const uint8_t selector = data[0];
  static const char* const kExtensions[] = {".bmp", ".pcx", ".tga", ".dat"};
  const int kind = selector & 3;
  const vmfuzz::ScratchFile file(data + 1, size - 1, kExtensions[kind]);
  const vmfuzz::OwnedStr path(file.path());

  std::unique_ptr<CBmp, Deleter> bitmap;
  if (selector & 4)
    bitmap.reset(Bmp16Create(0, 0, false));
  else
    bitmap.reset(Bmp32Create(0, 0, false));
  if (!bitmap) return 0;

  if (kind == 3) {
    int32_t status = 0;
    WAReadImage(path.get(), bitmap.get(), &status);
    vmfuzz::Trace("scrambled", 1, status);
    return 0;
  }
  const int32_t alphaOption = (selector >> 3) & 1;
  LoadAt(bitmap.get(), path.get(), 1, alphaOption);
  LoadAt(bitmap.get(), path.get(), 2, alphaOption);
  return 0;
}
