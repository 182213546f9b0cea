#include "support/test_support.h"

#include <cstdlib>
#include <system_error>

namespace vmtest {

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string tmpl = std::string(base && *base ? base : "/tmp") + "/vmtest-XXXXXX";
  if (mkdtemp(tmpl.data()) == nullptr) throw std::system_error(errno, std::generic_category(), "mkdtemp");
  path_ = tmpl;
}

TempDir::~TempDir() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::filesystem::path SharedDataDir() {
  const char* dir = std::getenv("VM_SHARED_DIR");
  if (dir == nullptr || *dir == '\0') return {};
  std::filesystem::path p = std::filesystem::path(dir) / "data";
  std::error_code ec;
  return std::filesystem::is_directory(p, ec) ? p : std::filesystem::path{};
}

std::filesystem::path SourceDir() {
  const char* dir = std::getenv("VM_SOURCE_DIR");
  return dir ? std::filesystem::path(dir) : std::filesystem::path{};
}

}  // namespace vmtest
