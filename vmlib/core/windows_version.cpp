// GetWindowsVersion: the name composition of the Windows systems and the
// record of the Linux host the library actually runs on.
#include "core/windows_version.h"

#include <cstdio>
#include <cstring>
#include <string_view>

#include "platform/host_system.h"

namespace vm {
namespace {

constexpr int32_t kPlatformWin9x = 1;
constexpr int32_t kPlatformNt = 2;

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

template <size_t N>
void CopyText(std::string_view text, char (&out)[N]) {
  const size_t n = text.size() < N - 1 ? text.size() : N - 1;
  std::memcpy(out, text.data(), n);
  out[n] = '\0';
}

std::string Format(const char* format, auto... values) {
  char buffer[160];
  std::snprintf(buffer, sizeof buffer, format, values...);
  return buffer;
}

bool IsServer(const WindowsVersionInfo& info) {
  return info.productType == kProductTypeDomainController || info.productType == kProductTypeServer;
}

const char* DesktopEdition(const WindowsVersionInfo& info) {
  return (info.suiteFlags & kSuitePersonal) ? " Home Edition" : " Professional";
}

void AppendNt4(const WindowsVersionInfo& info, bool extended, const WindowsRegistryAnswers& registry,
               std::string& name) {
  name += "NT";
  if (extended) {
    if (info.productType == kProductTypeWorkstation) {
      name += " Workstation 4.0";
    } else if (IsServer(info)) {
      name += (info.suiteFlags & kSuiteEnterprise) ? " Server 4.0 Enterprise Edition" : " Server 4.0";
    }
    return;
  }
  const std::string& type = registry.productOptionsType;
  if (type == "WINNT")
    name += " Workstation";
  else if (type == "LANMANNT")
    name += " Server";
  else if (type == "SERVERNT")
    name += " Advanced Server";
  name += Format(" %u.%u", info.major, info.minor);
}

void AppendNtProduct(const WindowsVersionInfo& info, bool extended, const WindowsRegistryAnswers& registry,
                     std::string& name) {
  const uint32_t major = info.major, minor = info.minor;
  if (major == 3 && minor == 10) {
    name += "NT 3.1";
  } else if (major == 3 && minor == 50) {
    name += "NT 3.5";
  } else if (major == 3 && minor == 51) {
    name += "NT 3.51";
  } else if (major == 4) {
    AppendNt4(info, extended, registry, name);
  } else if (major == 5 && minor == 0) {
    name += "2000";
    if (!extended) return;
    if (info.productType == kProductTypeWorkstation) {
      name += DesktopEdition(info);
    } else if (IsServer(info)) {
      if (info.suiteFlags & kSuiteDatacenter)
        name += " Datacenter Server";
      else if (info.suiteFlags & kSuiteEnterprise)
        name += " Advanced Server";
      else
        name += " Server";
    }
  } else if (major == 5 && minor == 1) {
    name += "XP";
    if (extended && info.productType == kProductTypeWorkstation) name += DesktopEdition(info);
  } else if (major == 5 && minor == 2) {
    name += "Server 2003";
    if (!extended) return;
    if (info.productType == kProductTypeWorkstation) {
      name += DesktopEdition(info);
    } else if (IsServer(info)) {
      if (info.suiteFlags & kSuiteDatacenter)
        name += " Datacenter Edition";
      else if (info.suiteFlags & kSuiteEnterprise)
        name += " Enterprise Edition";
      else if (info.suiteFlags & kSuiteBlade)
        name += " Web Edition";
      else
        name += " Standard Edition";
    }
  }
}

void AppendWin9xProduct(const WindowsVersionInfo& info, std::string& name) {
  const std::string_view sp = info.servicePackText;
  if (info.minor <= 9) {
    name += "95";
    if (sp == "C")
      name += " OSR2.5";
    else if (sp == "B")
      name += " OSR2";
  } else if (info.minor <= 89) {
    name += sp == "A" ? "98SE" : "98";
  } else if (info.minor == 90) {
    name += "ME";
  }
}

}  // namespace

std::string ComposeWindowsName(const WindowsVersionInfo& info, bool extended,
                               const WindowsRegistryAnswers& registry) {
  std::string name = "Microsoft Windows ";
  if (info.platformId == kPlatformWin9x) {
    AppendWin9xProduct(info, name);
    name += Format(" Build %u", info.build);
  } else if (info.platformId == kPlatformNt) {
    AppendNtProduct(info, extended, registry, name);
    const std::string_view sp = info.servicePackText;
    if (info.major == 4 && sp == "Service Pack 6") {
      name += registry.hotfixQ246009 ? Format(" Service Pack 6a (Build %u)", info.build & 0xFFFF)
                                     : Format(" %s (Build %u)", info.servicePackText, info.build & 0xFFFF);
    } else {
      name += Format(" %s Build %u", info.servicePackText, info.build);
    }
  }
  return name;
}

void FillWindowsVersion(const SystemVersionReport& report, const WindowsRegistryAnswers& registry,
                        WindowsVersionInfo* info) {
  std::memset(info, 0, sizeof *info);
  info->platformId = static_cast<int32_t>(report.platformId);
  info->major = report.major;
  info->minor = report.minor;
  info->build = report.platformId == kPlatformWin9x ? report.build & 0xFFFF : report.build;
  CopyText(TrimBlanks(report.servicePackText), info->servicePackText);
  if (report.extended) {
    info->servicePackMajor = report.servicePackMajor;
    info->servicePackMinor = report.servicePackMinor;
    info->suiteFlags = report.suiteMask & 0x7FF;
    // The system counts product types from 1.
    info->productType = report.productType > 0 ? report.productType - 1 : 0;
  }
  CopyText(ComposeWindowsName(*info, report.extended, registry), info->name);
}

void FillHostVersion(WindowsVersionInfo* info) {
  std::memset(info, 0, sizeof *info);
  const HostSystem host = ReadHostSystem();
  info->platformId = kPlatformIdLinux;
  info->productType = kProductTypeWorkstation;
  ParseReleaseNumbers(host.release, &info->major, &info->minor, &info->build);
  std::string name = host.sysname;
  if (!host.release.empty()) name += " " + host.release;
  if (!host.machine.empty()) name += " (" + host.machine + ")";
  CopyText(name, info->name);
}

}  // namespace vm

VMLIB_EXPORT void GetWindowsVersion(WindowsVersionInfo* info) {
  if (info != nullptr) vm::FillHostVersion(info);
}
