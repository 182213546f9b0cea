#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <cstring>
#include <string>

#include "core/windows_version.h"
#include "platform/host_system.h"
#include "vmlib/sysinfo.h"

namespace {

using vm::SystemVersionReport;
using vm::WindowsRegistryAnswers;

SystemVersionReport Report(uint32_t platform, uint32_t major, uint32_t minor, uint32_t build, const char* sp,
                           bool extended = true, uint8_t productType = 1, uint16_t suite = 0) {
  SystemVersionReport r;
  r.extended = extended;
  r.platformId = platform;
  r.major = major;
  r.minor = minor;
  r.build = build;
  r.servicePackText = sp;
  r.productType = productType;
  r.suiteMask = suite;
  return r;
}

struct NameCase {
  const char* what;
  SystemVersionReport report;
  WindowsRegistryAnswers registry;
  const char* name;
};

class WindowsName : public ::testing::TestWithParam<NameCase> {};

TEST_P(WindowsName, IsComposedFromTheReport) {
  const NameCase& c = GetParam();
  WindowsVersionInfo info;
  vm::FillWindowsVersion(c.report, c.registry, &info);
  EXPECT_STREQ(info.name, c.name) << c.what;
}

constexpr uint8_t kWorkstation = 1, kServer = 3;
const WindowsRegistryAnswers kNoRegistry{};

INSTANTIATE_TEST_SUITE_P(
    KnownSystems, WindowsName,
    ::testing::Values(
        // The 9x family keeps only the low 16 bits of the build.
        NameCase{"95 OSR2.5", Report(1, 4, 0, 0x040003B6, "  C "), kNoRegistry,
                 "Microsoft Windows 95 OSR2.5 Build 950"},
        NameCase{"95 OSR2", Report(1, 4, 3, 1212, " B"), kNoRegistry, "Microsoft Windows 95 OSR2 Build 1212"},
        NameCase{"95", Report(1, 4, 0, 950, ""), kNoRegistry, "Microsoft Windows 95 Build 950"},
        NameCase{"98SE", Report(1, 4, 10, 0x040A08AE, " A "), kNoRegistry,
                 "Microsoft Windows 98SE Build 2222"},
        NameCase{"98", Report(1, 4, 10, 1998, " "), kNoRegistry, "Microsoft Windows 98 Build 1998"},
        NameCase{"98 upper range", Report(1, 4, 89, 1998, "A"), kNoRegistry,
                 "Microsoft Windows 98SE Build 1998"},
        NameCase{"ME", Report(1, 4, 90, 3000, " "), kNoRegistry, "Microsoft Windows ME Build 3000"},
        NameCase{"NT 3.1", Report(2, 3, 10, 528, ""), kNoRegistry, "Microsoft Windows NT 3.1  Build 528"},
        NameCase{"NT 3.51", Report(2, 3, 51, 1057, "Service Pack 5"), kNoRegistry,
                 "Microsoft Windows NT 3.51 Service Pack 5 Build 1057"},
        NameCase{"NT 4 server 6a",
                 Report(2, 4, 0, 1381, "Service Pack 6", true, kServer),
                 {"", true},
                 "Microsoft Windows NT Server 4.0 Service Pack 6a (Build 1381)"},
        NameCase{"NT 4 server 6", Report(2, 4, 0, 1381, " Service Pack 6 ", true, 2), kNoRegistry,
                 "Microsoft Windows NT Server 4.0 Service Pack 6 (Build 1381)"},
        NameCase{"NT 4 enterprise", Report(2, 4, 0, 1381, "Service Pack 5", true, kServer, 0x2), kNoRegistry,
                 "Microsoft Windows NT Server 4.0 Enterprise Edition Service Pack 5 Build 1381"},
        NameCase{"NT 4 workstation",
                 Report(2, 4, 0, 1381, "Service Pack 6", true, kWorkstation),
                 {"", true},
                 "Microsoft Windows NT Workstation 4.0 Service Pack 6a (Build 1381)"},
        NameCase{"NT 4 basic, LANMANNT",
                 Report(2, 4, 0, 1381, "Service Pack 3", false),
                 {"LANMANNT", false},
                 "Microsoft Windows NT Server 4.0 Service Pack 3 Build 1381"},
        NameCase{"NT 4 basic, WINNT",
                 Report(2, 4, 0, 1381, "", false),
                 {"WINNT", false},
                 "Microsoft Windows NT Workstation 4.0  Build 1381"},
        NameCase{"NT 4 basic, SERVERNT",
                 Report(2, 4, 0, 1381, "", false),
                 {"SERVERNT", false},
                 "Microsoft Windows NT Advanced Server 4.0  Build 1381"},
        NameCase{"NT 4 basic, no value", Report(2, 4, 0, 1381, "", false), kNoRegistry,
                 "Microsoft Windows NT 4.0  Build 1381"},
        NameCase{"2000 Professional", Report(2, 5, 0, 2195, "Service Pack 4", true, kWorkstation),
                 kNoRegistry, "Microsoft Windows 2000 Professional Service Pack 4 Build 2195"},
        NameCase{"2000 Datacenter", Report(2, 5, 0, 2195, "", true, kServer, 0x82), kNoRegistry,
                 "Microsoft Windows 2000 Datacenter Server  Build 2195"},
        NameCase{"2000 Advanced", Report(2, 5, 0, 2195, "", true, 2, 0x2), kNoRegistry,
                 "Microsoft Windows 2000 Advanced Server  Build 2195"},
        NameCase{"2000 Server", Report(2, 5, 0, 2195, "", true, kServer), kNoRegistry,
                 "Microsoft Windows 2000 Server  Build 2195"},
        NameCase{"XP Professional", Report(2, 5, 1, 2600, "Service Pack 2", true, kWorkstation), kNoRegistry,
                 "Microsoft Windows XP Professional Service Pack 2 Build 2600"},
        NameCase{"XP Home, no service pack", Report(2, 5, 1, 2600, "", true, kWorkstation, 0x200),
                 kNoRegistry, "Microsoft Windows XP Home Edition  Build 2600"},
        NameCase{"XP basic", Report(2, 5, 1, 2600, "Service Pack 1", false, kWorkstation, 0x200), kNoRegistry,
                 "Microsoft Windows XP Service Pack 1 Build 2600"},
        NameCase{"2003 Web", Report(2, 5, 2, 3790, "", true, kServer, 0x400), kNoRegistry,
                 "Microsoft Windows Server 2003 Web Edition  Build 3790"},
        NameCase{"2003 Enterprise", Report(2, 5, 2, 3790, "", true, kServer, 0x402), kNoRegistry,
                 "Microsoft Windows Server 2003 Enterprise Edition  Build 3790"},
        NameCase{"2003 Datacenter", Report(2, 5, 2, 3790, "", true, kServer, 0x482), kNoRegistry,
                 "Microsoft Windows Server 2003 Datacenter Edition  Build 3790"},
        NameCase{"2003 Standard", Report(2, 5, 2, 3790, "Service Pack 1", true, kServer), kNoRegistry,
                 "Microsoft Windows Server 2003 Standard Edition Service Pack 1 Build 3790"},
        NameCase{"unknown platform", Report(3, 4, 0, 1, "x"), kNoRegistry, "Microsoft Windows "}));

TEST(WindowsVersion, RecordKeepsTheReportedFields) {
  WindowsVersionInfo info;
  SystemVersionReport r = Report(2, 5, 1, 0x12345678, "  Service Pack 3\t", true, 3, 0xF840);
  r.servicePackMajor = 3;
  r.servicePackMinor = 1;
  vm::FillWindowsVersion(r, kNoRegistry, &info);
  EXPECT_EQ(info.platformId, 2);
  EXPECT_EQ(info.build, 0x12345678u);  // the NT family keeps the whole build
  EXPECT_STREQ(info.servicePackText, "Service Pack 3");
  EXPECT_EQ(info.servicePackMajor, 3);
  EXPECT_EQ(info.servicePackMinor, 1);
  EXPECT_EQ(info.suiteFlags, 0x040u);  // bits above 10 are not suite flags
  EXPECT_EQ(info.productType, kProductTypeServer);

  vm::FillWindowsVersion(Report(2, 5, 1, 2600, "", true, 2, kSuiteEmbedded), kNoRegistry, &info);
  EXPECT_EQ(info.suiteFlags, kSuiteEmbedded);
  EXPECT_EQ(info.productType, kProductTypeDomainController);

  // Without the extended call, service pack numbers, suite and type stay 0.
  r.extended = false;
  vm::FillWindowsVersion(r, kNoRegistry, &info);
  EXPECT_EQ(info.servicePackMajor, 0);
  EXPECT_EQ(info.suiteFlags, 0u);
  EXPECT_EQ(info.productType, 0);
  EXPECT_STREQ(info.servicePackText, "Service Pack 3");
}

TEST(WindowsVersion, LongServicePackTextIsCutToTheField) {
  WindowsVersionInfo info;
  vm::FillWindowsVersion(Report(2, 5, 1, 2600, std::string(300, 'x').c_str()), kNoRegistry, &info);
  EXPECT_EQ(std::strlen(info.servicePackText), sizeof info.servicePackText - 1);
  EXPECT_EQ(std::strlen(info.name), sizeof info.name - 1);
}

TEST(WindowsVersion, LinuxHostIsNamedAsItself) {
  WindowsVersionInfo info;
  std::memset(&info, 0xCC, sizeof info);
  GetWindowsVersion(&info);
  utsname u{};
  ASSERT_EQ(uname(&u), 0);
  EXPECT_EQ(std::string(info.name), std::string(u.sysname) + " " + u.release + " (" + u.machine + ")");
  EXPECT_EQ(std::string(info.name).rfind("Microsoft Windows", 0), std::string::npos);
  EXPECT_EQ(info.platformId, kPlatformIdLinux);
  EXPECT_EQ(info.productType, kProductTypeWorkstation);
  EXPECT_STREQ(info.servicePackText, "");
  uint32_t major, minor, build;
  vm::ParseReleaseNumbers(u.release, &major, &minor, &build);
  EXPECT_EQ(info.major, major);
  EXPECT_EQ(info.minor, minor);
  EXPECT_EQ(info.build, build);
  EXPECT_GT(info.major, 0u);
}

TEST(WindowsVersion, ReleaseNumbersAreTheLeadingDecimalParts) {
  struct Case {
    const char* release;
    uint32_t major, minor, build;
  };
  for (const Case& c :
       {Case{"6.1.0-31-amd64", 6, 1, 0}, Case{"5.15.153.1-microsoft-standard", 5, 15, 153},
        Case{"6.8", 6, 8, 0}, Case{"4.19-rc1", 4, 19, 0}, Case{"", 0, 0, 0}, Case{"abc", 0, 0, 0},
        Case{"7.x.3", 7, 0, 0}, Case{"99999999999.1.1", 0, 0, 0}, Case{"3.2.99999999999", 3, 2, 0}}) {
    uint32_t major = 9, minor = 9, build = 9;
    vm::ParseReleaseNumbers(c.release, &major, &minor, &build);
    EXPECT_EQ(major, c.major) << c.release;
    EXPECT_EQ(minor, c.minor) << c.release;
    EXPECT_EQ(build, c.build) << c.release;
  }
}

}  // namespace
