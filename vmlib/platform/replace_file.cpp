#include "platform/replace_file.h"

#include <cerrno>
#include <cstdio>

#include "platform/posix_files.h"
#include "platform/win_errors.h"

namespace vm::sys {

bool ReplaceFile(const std::string& from, const std::string& to) {
  if (IsDirectory(to)) {
    SetLastError(kWinAccessDenied);
    return false;
  }
  if (std::rename(from.c_str(), to.c_str()) != 0) return FailErrno(errno, to.c_str());
  return true;
}

}  // namespace vm::sys
