#include "fuzz_support.h"

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace vmfuzz {

void EnsureLibrary() {
  static const bool initialised = [] {
    VmLibInitialize("vmlib.dll");
    std::atexit(VmLibFinalize);
    return true;
  }();
  (void)initialised;
}

void Trace(const char* what, int64_t value, int32_t status) {
  static const bool enabled = std::getenv("VMFUZZ_TRACE") != nullptr;
  if (enabled) std::fprintf(stderr, "%s %lld status 0x%X\n", what, static_cast<long long>(value), status);
}

ScratchFile::ScratchFile(const uint8_t* data, size_t size, const std::string& extension) {
  // One name per process and extension: parallel fuzzing jobs never share it.
  path_ =
      (std::filesystem::temp_directory_path() / ("vmfuzz-" + std::to_string(getpid()) + extension)).string();
  std::ofstream f(path_, std::ios::binary | std::ios::trunc);
  if (size != 0) f.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  if (!f) {
    std::fprintf(stderr, "cannot write the scratch file %s\n", path_.c_str());
    std::abort();
  }
}

ScratchFile::~ScratchFile() { std::remove(path_.c_str()); }

OwnedStr::OwnedStr(const std::string& text)
    : str_(StrCreate(text.data(), static_cast<int32_t>(text.size()))) {}

}  // namespace vmfuzz
