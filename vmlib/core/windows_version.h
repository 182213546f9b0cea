// The Windows system name composed from what the system's version call
// reports, kept as pure functions so every named system can be checked on a
// recorded report.
#pragma once

#include <cstdint>
#include <string>

#include "vmlib/sysinfo.h"

namespace vm {

// What the system's version call gives: the basic fields always, the service
// pack numbers, suite mask and product type only when the extended call
// succeeded.
struct SystemVersionReport {
  bool extended = false;
  uint32_t platformId = 0;
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;
  std::string servicePackText;  // as the system gives it, blanks and all
  uint16_t servicePackMajor = 0;
  uint16_t servicePackMinor = 0;
  uint16_t suiteMask = 0;
  uint8_t productType = 0;  // system values: 1 workstation, 2 domain controller, 3 server
};

// The answers of the two registry questions the name may ask.
struct WindowsRegistryAnswers {
  // HKEY_LOCAL_MACHINE\SYSTEM\CurrentControlSet\Control\ProductOptions
  // "ProductType" ("WINNT", "LANMANNT", "SERVERNT"); empty when absent.
  std::string productOptionsType;
  // Whether the hotfix key Q246009 (service pack 6a) exists under
  // HKEY_LOCAL_MACHINE "Software\Microsoft\Windows NT\CurrentVersion\Hotfix".
  bool hotfixQ246009 = false;
};

// Fills info (zeroed first) from report, name included.
void FillWindowsVersion(const SystemVersionReport& report, const WindowsRegistryAnswers& registry,
                        WindowsVersionInfo* info);

// The composed name of a filled record; extended tells whether the service
// pack, suite and product type fields came from the extended call.
std::string ComposeWindowsName(const WindowsVersionInfo& info, bool extended,
                               const WindowsRegistryAnswers& registry);

// The record of the running Linux host (uname).
void FillHostVersion(WindowsVersionInfo* info);

}  // namespace vm
