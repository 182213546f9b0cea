// Runs a fuzz target's entry point over files, or over every file of the
// folders, given on the command line, so corpora and regression inputs replay
// without libFuzzer. A missing or empty folder is not an error.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {
namespace fs = std::filesystem;

bool Replay(const fs::path& file) {
  std::ifstream f(file, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "cannot read %s\n", file.c_str());
    return false;
  }
  const std::vector<uint8_t> bytes{std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
  if (std::getenv("VMFUZZ_TRACE")) std::fprintf(stderr, "%s\n", file.c_str());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}
}  // namespace

int main(int argc, char** argv) {
  int replayed = 0;
  bool ok = true;
  for (int i = 1; i < argc; ++i) {
    const fs::path arg = argv[i];
    std::error_code ec;
    if (fs::is_directory(arg, ec)) {
      std::vector<fs::path> files;
      for (const auto& entry : fs::directory_iterator(arg))
        if (entry.is_regular_file() && entry.path().filename().string()[0] != '.' &&
            entry.path().extension() != ".txt")
          files.push_back(entry.path());
      std::sort(files.begin(), files.end());
      for (const auto& file : files) ok = Replay(file) && ok, ++replayed;
    } else if (fs::exists(arg, ec)) {
      ok = Replay(arg) && ok, ++replayed;
    }
  }
  std::printf("replayed %d input(s)\n", replayed);
  return ok ? 0 : 1;
}
