// The parser of the reading process's table stream over arbitrary bytes; the
// first byte picks the code page of the texts.
#include <string_view>

#include "source_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  static const int kCodePages[] = {1252, 1250, 1251, 65001};
  const int codePage = kCodePages[data[0] & 3];
  conv::ParsedSource parsed;
  std::string error;
  conv::ParseSourceStream(std::string_view(reinterpret_cast<const char*>(data + 1), size - 1), codePage,
                          parsed, error);
  return 0;
}
