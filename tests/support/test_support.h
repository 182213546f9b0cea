// Helpers shared by the tests.
#pragma once

#include <filesystem>
#include <string>

namespace vmtest {

// A fresh folder under the temporary folder, removed with its contents when
// the object goes.
class TempDir {
public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

private:
  std::filesystem::path path_;
};

// The folder of the shared reference data (datum tables, Access files), or
// empty when it is not beside the project.
std::filesystem::path SharedDataDir();

// The project's source folder.
std::filesystem::path SourceDir();

}  // namespace vmtest
