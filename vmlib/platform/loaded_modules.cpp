// Modules from dl_iterate_phdr: the base is the lowest loaded segment, the
// code the executable segment.
#include "platform/loaded_modules.h"

#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

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

bool ReadModuleFileFacts(const std::string& path, ModuleFileFacts* out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  uint64_t checksum = 0;
  uint64_t total = 0;
  unsigned char buffer[65536];
  // Whole pieces are filled before they are summed, so that only the file's
  // last word can be short (it is padded with zero bytes).
  bool end = false;
  while (ok && !end) {
    ssize_t filled = 0;
    while (filled < static_cast<ssize_t>(sizeof(buffer))) {
      const ssize_t n = read(fd, buffer + filled, sizeof(buffer) - static_cast<size_t>(filled));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) ok = false;
      if (n <= 0) {
        end = true;
        break;
      }
      filled += n;
    }
    for (ssize_t i = 0; ok && i < filled; i += 8) {
      uint64_t word = 0;
      const ssize_t take = std::min<ssize_t>(8, filled - i);
      for (ssize_t b = 0; b < take; ++b) word |= uint64_t{buffer[i + b]} << (8 * b);
      checksum ^= word;
    }
    total += static_cast<uint64_t>(filled);
  }
  close(fd);
  if (!ok) return false;
  out->checksum = checksum;
  out->size = total;
  out->modified = st.st_mtime;
  return true;
}

}  // namespace vm
