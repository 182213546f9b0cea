#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "platform/registry.h"
#include "support/test_support.h"

namespace {

namespace reg = vm::registry;

const char kSystemReg[] = R"(WINE REGISTRY Version 2
;; All keys relative to \\Machine

#arch=win64

[Software\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009\\Details] 1700000000
#time=1da0c7f3a0b1c2d
"Installed"=dword:00000001

[Software\\Microsoft\\Windows\\CurrentVersion] 1700000000
#time=1da0c7f3a0b1c2d
"ProgramFilesDir"="C:\\Program Files"
"Quote"="say \"hi\"\tend"
"Accents"="Caf\x00e9 \xd83d\xde00"
"Raw"="Café"
@="the default"
"Count"=dword:0000002a
"Big"=hex(b):01,00,00,00,02,00,00,00
"Blob"=hex:de,ad,\
  be,ef,\
  01
"Expand"=str(2):"%ProgramFiles%\\GPS"
"Multi"=str(7):"one\0two\0"
"Wide"=hex(2):43,00,3a,00,5c,00,00,00
"Broken"=dword:xyz

[SYSTEM\\CurrentControlSet\\Control\\ProductOptions] 1700000000
"ProductType"="WinNT"
)";

TEST(Registry, ReadsEveryKindOfValue) {
  const std::string text = kSystemReg;
  const char* key = "software\\MICROSOFT\\Windows\\CurrentVersion";
  auto s = reg::FindValueIn(text, key, "programfilesdir");
  ASSERT_TRUE(s);
  EXPECT_EQ(s->type, 1u);
  EXPECT_EQ(s->text, "C:\\Program Files");
  EXPECT_EQ(reg::FindValueIn(text, key, "Quote")->text, "say \"hi\"\tend");
  EXPECT_EQ(reg::FindValueIn(text, key, "Accents")->text, "Caf\xC3\xA9 \xF0\x9F\x98\x80");
  EXPECT_EQ(reg::FindValueIn(text, key, "Raw")->text, "Caf\xC3\xA9");
  EXPECT_EQ(reg::FindValueIn(text, key, "")->text, "the default");
  EXPECT_EQ(reg::FindValueIn(text, key, "Count")->number, 42u);
  EXPECT_EQ(reg::FindValueIn(text, key, "Big")->number, 0x0000000200000001u);
  EXPECT_EQ(reg::FindValueIn(text, key, "Blob")->bytes, (std::vector<uint8_t>{0xDE, 0xAD, 0xBE, 0xEF, 0x01}));
  auto expand = reg::FindValueIn(text, key, "Expand");
  EXPECT_EQ(expand->type, 2u);
  EXPECT_EQ(expand->text, "%ProgramFiles%\\GPS");
  EXPECT_EQ(reg::FindValueIn(text, key, "Multi")->strings, (std::vector<std::string>{"one", "two"}));
  EXPECT_EQ(reg::FindValueIn(text, key, "Wide")->text, "C:\\");
  EXPECT_FALSE(reg::FindValueIn(text, key, "Broken"));
  EXPECT_FALSE(reg::FindValueIn(text, key, "Missing"));
  // A value of another key is not found under this one.
  EXPECT_FALSE(reg::FindValueIn(text, key, "ProductType"));
  EXPECT_EQ(reg::FindValueIn(text, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions", "ProductType")->text,
            "WinNT");
}

TEST(Registry, KeysExistWithOrWithoutValuesOfTheirOwn) {
  const std::string text = kSystemReg;
  EXPECT_TRUE(reg::KeyExistsIn(text, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q246009"));
  EXPECT_TRUE(reg::KeyExistsIn(text, "\\software\\microsoft\\windows nt\\currentversion\\hotfix\\q246009\\"));
  EXPECT_TRUE(reg::KeyExistsIn(text, "Software\\Microsoft\\Windows\\CurrentVersion"));
  EXPECT_FALSE(reg::KeyExistsIn(text, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Hotfix\\Q24600"));
  EXPECT_FALSE(reg::KeyExistsIn(text, "Software\\Nothing"));
  // Not a registry file: nothing exists in it.
  EXPECT_FALSE(reg::KeyExistsIn("[Software\\\\Microsoft]\n", "Software\\Microsoft"));
  EXPECT_FALSE(reg::FindValueIn("", "Software", "x"));
}

class ScopedPrefix {
public:
  explicit ScopedPrefix(const std::string& path) {
    if (const char* old = std::getenv("WINEPREFIX")) old_ = old, hadOld_ = true;
    setenv("WINEPREFIX", path.c_str(), 1);
  }
  ~ScopedPrefix() {
    if (hadOld_)
      setenv("WINEPREFIX", old_.c_str(), 1);
    else
      unsetenv("WINEPREFIX");
  }

private:
  std::string old_;
  bool hadOld_ = false;
};

TEST(Registry, HivesComeFromThePrefixFiles) {
  vmtest::TempDir prefix;
  std::ofstream(prefix.str() + "/system.reg") << kSystemReg;
  std::ofstream(prefix.str() + "/user.reg")
      << "WINE REGISTRY Version 2\n\n[Software\\\\VB and VBA Program Settings\\\\GPS\\\\GPS] 1700000000\n"
         "\"Database\"=\"D:\\\\Data\\\\gps.mdb\"\n";
  std::filesystem::create_directories(prefix.path() / "drive_c" / "Program Files");
  std::filesystem::create_directories(prefix.path() / "dosdevices");
  std::filesystem::create_directory_symlink("../drive_c", prefix.path() / "dosdevices" / "c:");
  ScopedPrefix scoped(prefix.str() + "/");
  EXPECT_EQ(reg::PrefixFolder(), prefix.str());

  EXPECT_EQ(
      reg::ReadString(reg::Hive::kCurrentUser, "Software\\VB and VBA Program Settings\\GPS\\GPS", "Database"),
      "D:\\Data\\gps.mdb");
  EXPECT_FALSE(reg::ReadString(reg::Hive::kLocalMachine, "Software\\VB and VBA Program Settings\\GPS\\GPS",
                               "Database"));
  EXPECT_FALSE(
      reg::ReadString(reg::Hive::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "Count"));
  const auto programFiles = reg::ReadString(
      reg::Hive::kLocalMachine, "Software\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir");
  ASSERT_TRUE(programFiles);
  const auto mapped = reg::MapDrivePath(*programFiles);
  ASSERT_TRUE(mapped);
  EXPECT_EQ(*mapped, prefix.str() + "/dosdevices/c:/Program Files");
  EXPECT_TRUE(std::filesystem::is_directory(*mapped));
  EXPECT_EQ(reg::MapDrivePath("c:"), prefix.str() + "/dosdevices/c:");
  EXPECT_FALSE(reg::MapDrivePath("D:\\Data\\gps.mdb"));  // drive not mapped
  EXPECT_FALSE(reg::MapDrivePath("\\\\server\\share\\gps.mdb"));
  EXPECT_FALSE(reg::MapDrivePath("relative\\gps.mdb"));
  EXPECT_TRUE(reg::KeyExists(reg::Hive::kLocalMachine, "SYSTEM\\CurrentControlSet\\Control\\ProductOptions"));
}

TEST(Registry, WithoutAPrefixNothingIsFound) {
  vmtest::TempDir dir;
  ScopedPrefix scoped(dir.str() + "/missing");
  EXPECT_EQ(reg::PrefixFolder(), "");
  EXPECT_FALSE(reg::KeyExists(reg::Hive::kLocalMachine, "Software"));
  EXPECT_FALSE(reg::ReadValue(reg::Hive::kCurrentUser, "Software", ""));
  EXPECT_FALSE(reg::MapDrivePath("C:\\Windows"));
}

}  // namespace
