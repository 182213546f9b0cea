// The icon decoder over arbitrary bytes.
#include <span>

#include "ico_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  conv::IconImage image;
  std::string error;
  if (conv::DecodeIco(std::span<const uint8_t>(data, size), image, &error) &&
      image.pixels.size() != static_cast<size_t>(image.width) * image.height * 4)
    __builtin_trap();  // a decoded icon must hold exactly its pixels
  return 0;
}
