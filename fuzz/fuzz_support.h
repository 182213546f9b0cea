// Shared pieces of the fuzz targets: the library brought up once, and the
// input handed to APIs that take a path through a scratch file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "vmlib/frame.h"

namespace vmfuzz {

// Initialises the library on first use and finalises it at exit, so leak
// checking sees only what a single input left behind.
void EnsureLibrary();

// With VMFUZZ_TRACE set, prints what a reader returned (to check that seeds
// are read as valid files).
void Trace(const char* what, int64_t value, int32_t status);

// A scratch file of this process holding the input; removed on destruction.
class ScratchFile {
public:
  ScratchFile(const uint8_t* data, size_t size, const std::string& extension);
  ~ScratchFile();
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;
  const std::string& path() const { return path_; }

private:
  std::string path_;
};

// Owns a Str.
class OwnedStr {
public:
  explicit OwnedStr(const std::string& text);
  ~OwnedStr() { StrDelete(str_); }
  OwnedStr(const OwnedStr&) = delete;
  OwnedStr& operator=(const OwnedStr&) = delete;
  Str* get() const { return str_; }

private:
  Str* str_;
};

}  // namespace vmfuzz
