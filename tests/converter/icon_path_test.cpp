// Icon paths written on Windows, found on this machine.
#include "icon_path.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <fstream>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

void Touch(const fs::path& p) {
  fs::create_directories(p.parent_path());
  std::ofstream(p) << "icon";
}

TEST(IconPath, WindowsPathsResolveThroughThePrefixOrBesideTheDatabase) {
  vmtest::TempDir dir;
  const fs::path db = dir.path() / "data";
  Touch(db / "Anchor.ico");
  Touch(db / "Icons" / "FLAG.ICO");
  const fs::path prefix = dir.path() / "wine";
  Touch(prefix / "drive_c" / "Program Files" / "Ankrum Pro 3" / "Icons" / "Buoy.ico");
  fs::create_directories(prefix / "dosdevices");
  fs::create_directory_symlink("../drive_c", prefix / "dosdevices" / "c:");
  const char* old = getenv("WINEPREFIX");
  const std::string saved = old ? old : "";
  setenv("WINEPREFIX", prefix.c_str(), 1);

  struct Case {
    std::string stored;
    fs::path expected;  // empty: resolves nowhere
  };
  const Case cases[] = {
      {(db / "Anchor.ico").string(), db / "Anchor.ico"},
      {"C:\\PROGRAM FILES\\ankrum pro 3\\icons\\buoy.ico",
       prefix / "dosdevices" / "c:" / "Program Files" / "Ankrum Pro 3" / "Icons" / "Buoy.ico"},
      {"D:\\Old disk\\Pictures\\anchor.ICO", db / "Anchor.ico"},
      {"C:\\Program Files\\Ankrum Pro 3\\flag.ico", db / "Icons" / "FLAG.ICO"},
      {"flag.ico", db / "Icons" / "FLAG.ICO"},
      {"C:\\Program Files\\Ankrum Pro 3\\missing.ico", {}},
      {"C:\\Program Files\\Ankrum Pro 3\\Icons", {}},
      {"C:\\..\\..\\Icons", {}},
      {"", {}},
  };
  for (const Case& c : cases) {
    const auto found = conv::ResolveIconPath(c.stored, db);
    if (c.expected.empty()) {
      EXPECT_FALSE(found.has_value()) << c.stored << " -> " << found.value_or("");
    } else {
      ASSERT_TRUE(found.has_value()) << c.stored;
      EXPECT_TRUE(fs::equivalent(*found, c.expected)) << c.stored << " -> " << *found;
    }
  }
  if (old)
    setenv("WINEPREFIX", saved.c_str(), 1);
  else
    unsetenv("WINEPREFIX");
}

}  // namespace
