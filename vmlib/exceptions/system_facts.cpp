// Machine and program facts for the exception log, from the library's
// system information.
#include "exceptions/system_facts.h"

#include <sys/sysinfo.h>

#include <cstring>
#include <memory>

#include "core/str_internal.h"
#include "vmlib/sysinfo.h"

namespace vm {

CpuFacts ReadCpuFacts() {
  CpuFacts facts;
  CpuInfo info{};
  if (!GetCPUInfo(&info)) return facts;
  facts.valid = true;
  // The brand string when the processor has one, else the vendor.
  facts.name = info.name[0] != '\0' ? std::string(info.name, strnlen(info.name, sizeof(info.name)))
                                    : std::string(info.vendor, strnlen(info.vendor, sizeof(info.vendor)));
  facts.family = info.family;
  facts.model = info.model;
  facts.stepping = info.stepping;
  facts.signature = info.signature;
  facts.features = info.features;
  facts.instructionSets = info.instructionSets;
  return facts;
}

OsFacts ReadOsFacts() {
  WindowsVersionInfo info{};
  GetWindowsVersion(&info);
  OsFacts facts;
  facts.name = std::string(info.name, strnlen(info.name, sizeof(info.name)));
  facts.major = info.major;
  facts.minor = info.minor;
  facts.build = info.build;
  facts.platform = static_cast<uint32_t>(info.platformId);
  facts.servicePackMajor = info.servicePackMajor;
  facts.servicePackMinor = info.servicePackMinor;
  facts.productType = info.productType;
  facts.suiteMask = info.suiteFlags;
  return facts;
}

ProgramFacts ReadProgramFacts(const std::string& executablePath) {
  ProgramFacts facts;
  if (executablePath.empty()) return facts;
  using Owned = std::unique_ptr<Str, decltype(&StrDelete)>;
  const Owned path(StrNew(executablePath), StrDelete);
  const Owned name(StrNew({}), StrDelete);
  const Owned version(StrNew({}), StrDelete);
  int32_t status = 0;
  // A program without a version block prints both values empty; one without
  // a product name still shows its version.
  VersionInfoGetProgNameAndVersion(path.get(), name.get(), version.get(), &status);
  facts.name = StrView(name.get());
  facts.version = StrView(version.get());
  return facts;
}

uint64_t TotalPhysicalMemory() {
  struct sysinfo info {};
  if (sysinfo(&info) != 0) return 0;
  return static_cast<uint64_t>(info.totalram) * info.mem_unit;
}

}  // namespace vm
