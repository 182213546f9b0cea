// Splitting text into list lines over arbitrary bytes; the lines are joined
// again so every entry is read.
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  vmfuzz::EnsureLibrary();
  const vmfuzz::OwnedStr text(std::string(reinterpret_cast<const char*>(data), size));
  StrList* list = StrListCreate();
  if (!list) return 0;
  StrListSetText(text.get(), list);
  StrListSetText(text.get(), list);  // replacing a filled list
  const vmfuzz::OwnedStr joined("");
  StrListGetText(joined.get(), list);
  ObjectDelete(list);
  return 0;
}
