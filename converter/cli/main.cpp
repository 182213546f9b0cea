// ankrum3-convert: for now, starts the library, prints a few of its messages
// in English and Dutch, and stops it.
#include <cstdio>

#include "vmlib/errors.h"
#include "vmlib/frame.h"
#include "vmlib/languages.h"

int main() {
  VmLibInitialize("vmlib.dll");
  SetAvailableLanguages(3);
  const int codes[] = {0x0, 0x10000, 0x1001F, 0xA0000};
  for (int language : {kLangEnglish, kLangDutch}) {
    SetCurrentLanguage(language);
    for (int code : codes)
      std::printf("%-2s 0x%06X %s\n", language == kLangEnglish ? "EN" : "NL", code, ErrorToStr(code));
  }
  VmLibFinalize();
  return 0;
}
