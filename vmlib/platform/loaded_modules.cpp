// Modules from dl_iterate_phdr: the base is the lowest loaded segment, the
// code the executable segment.
#include "platform/loaded_modules.h"

#include <link.h>

#include <algorithm>

namespace vm {
namespace {

struct Walk {
  const std::string* executablePath;
  std::vector<LoadedModule>* modules;
  bool first = true;
};

int OnModule(dl_phdr_info* info, size_t, void* data) {
  auto* walk = static_cast<Walk*>(data);
  const bool first = walk->first;
  walk->first = false;
  LoadedModule module;
  if (info->dlpi_name != nullptr && info->dlpi_name[0] != '\0')
    module.path = info->dlpi_name;
  else if (first)
    module.path = *walk->executablePath;
  else
    return 0;
  bool haveBase = false;
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& ph = info->dlpi_phdr[i];
    if (ph.p_type != PT_LOAD) continue;
    const uint64_t start = info->dlpi_addr + ph.p_vaddr;
    if (!haveBase || start < module.base) module.base = start;
    haveBase = true;
    if ((ph.p_flags & PF_X) != 0 && module.codeBase == 0) {
      module.codeBase = start;
      module.codeSize = ph.p_memsz;
    }
  }
  if (haveBase) walk->modules->push_back(std::move(module));
  return 0;
}

}  // namespace

std::vector<LoadedModule> ListLoadedModules(const std::string& executablePath) {
  std::vector<LoadedModule> modules;
  Walk walk{&executablePath, &modules};
  dl_iterate_phdr(OnModule, &walk);
  std::sort(modules.begin(), modules.end(),
            [](const LoadedModule& a, const LoadedModule& b) { return a.base < b.base; });
  modules.erase(std::unique(modules.begin(), modules.end(),
                            [](const LoadedModule& a, const LoadedModule& b) { return a.base == b.base; }),
                modules.end());
  return modules;
}

}  // namespace vm
