#include "bmp/bmp_test_support.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>

namespace bmptest {
namespace {
// The library is set up once for every test of the executable.
class LibraryEnvironment : public ::testing::Environment {
public:
  void SetUp() override { VmLibInitialize("vmlib.dll"); }
  void TearDown() override { VmLibFinalize(); }
};
const auto* const g_environment = ::testing::AddGlobalTestEnvironment(new LibraryEnvironment);
}  // namespace

StrPtr MakeStr(const std::string& s) { return StrPtr(StrCreate(s.data(), static_cast<int32_t>(s.size()))); }

Bmp32Ptr NewBmp32(int32_t w, int32_t h) { return Bmp32Ptr(Bmp32Create(w, h, false)); }

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

bool HaveConvert() {
  static const bool have = std::system("convert -version > /dev/null 2>&1") == 0;
  return have;
}

bool Convert(const std::string& args) {
  return std::system(("convert " + args + " 2>/dev/null").c_str()) == 0;
}

std::vector<uint8_t> DecodeRgba(const std::string& file, int32_t* width, int32_t* height) {
  const std::string raw = file + ".rgba";
  FILE* p = popen(("identify -format '%w %h' '" + file + "' 2>/dev/null").c_str(), "r");
  if (p == nullptr) return {};
  int w = 0, h = 0;
  if (std::fscanf(p, "%d %d", &w, &h) != 2) w = h = 0;
  pclose(p);
  *width = w, *height = h;
  // -auto-orient applies the file's row order (ImageMagick keeps TGA rows as
  // stored and only records their origin).
  if (!Convert("'" + file + "' -auto-orient -depth 8 rgba:'" + raw + "'")) return {};
  return ReadBytes(raw);
}

}  // namespace bmptest
