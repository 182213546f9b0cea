#include "helper_location.h"

#include <system_error>
#include <vector>

namespace conv {

std::filesystem::path FindReaderHelper() {
  namespace fs = std::filesystem;
  std::error_code ec;
  std::vector<fs::path> candidates;
  const fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (!ec) candidates.push_back(self.parent_path() / "ankrum3-mdbread");
  candidates.push_back(fs::path(VM_INSTALL_BINDIR) / "ankrum3-mdbread");
  candidates.push_back(fs::path(VM_BUILD_HELPER));
  for (const fs::path& p : candidates) {
    if (fs::is_regular_file(p, ec)) return p;
  }
  return {};
}

}  // namespace conv
