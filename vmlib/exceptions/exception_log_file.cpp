// ExceptionLogWrite with plain POSIX file calls.
#include "exceptions/exception_log_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "core/str_internal.h"
#include "vmlib/exceptions.h"

namespace vm {
namespace {

enum class Access { kRead, kWrite, kNeither };

// errno as the Windows error it stands for, then as the library's code, with
// the operation's default for everything else.
int32_t FileErrorCode(int error, Access access, int32_t fallback, const std::string& path) {
  switch (error) {
    case ENOENT: {
      // A missing folder on the way is "path not found", a missing file "file not found".
      const size_t slash = path.find_last_of('/');
      struct stat st {};
      if (slash != std::string::npos && slash > 0 && stat(path.substr(0, slash).c_str(), &st) != 0) return 0x15;
      return 0x10000;
    }
    case ENOTDIR:
      return 0x15;
    case EACCES:
    case EPERM:
      return access == Access::kRead ? 0x10004 : access == Access::kWrite ? 0x10005 : 0x10003;
    case ENOMEM:
      return 0x6;
    case EROFS:
      return 0x10006;
    case EBUSY:
    case ETXTBSY:
      return 0x10007;
    case ENOSPC:
    case EDQUOT:
      return 0x20;
    case ENAMETOOLONG:
    case EINVAL:
      return 0x14;
    default:
      return fallback;
  }
}

// 0, or the code of the failure.
int32_t ReadWholeFile(const std::string& path, std::string* out) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return FileErrorCode(errno, Access::kRead, 0x10001, path);
  int32_t code = 0;
  char buffer[65536];
  for (;;) {
    const ssize_t n = read(fd, buffer, sizeof(buffer));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      code = FileErrorCode(errno, Access::kRead, 0x10008, path);
      break;
    }
    if (n == 0) break;
    out->append(buffer, static_cast<size_t>(n));
  }
  close(fd);
  return code;
}

int32_t WriteWholeFile(const std::string& path, std::string_view text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return FileErrorCode(errno, Access::kWrite, 0x10001, path);
  int32_t code = 0;
  size_t done = 0;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      code = FileErrorCode(errno, Access::kWrite, 0x1000A, path);
      break;
    }
    if (n == 0) {
      code = 0x1000B;
      break;
    }
    done += static_cast<size_t>(n);
  }
  if (close(fd) != 0 && code == 0) code = FileErrorCode(errno, Access::kWrite, 0x1000A, path);
  return code;
}

}  // namespace

size_t CountLogLines(std::string_view text) {
  const size_t crs = static_cast<size_t>(std::count(text.begin(), text.end(), '\r'));
  const bool endsLine =
      !text.empty() &&
      (text.back() == '\r' || (text.size() >= 2 && text.back() == '\n' && text[text.size() - 2] == '\r'));
  return crs + (endsLine ? 0 : 1);
}

std::string CombineLog(std::string_view entry, std::string_view old) {
  std::string combined;
  combined.reserve(entry.size() + old.size());
  combined.append(entry);
  combined.append(old);
  const size_t keep = std::max(CountLogLines(entry), kExceptionLogLines);
  size_t lines = 0;
  for (size_t i = 0; i < combined.size(); ++i) {
    if (combined[i] != '\r') continue;
    size_t end = i + 1;
    if (end < combined.size() && combined[end] == '\n') ++end;
    if (++lines == keep) {
      combined.resize(end);
      break;
    }
  }
  return combined;
}

}  // namespace vm

VMLIB_EXPORT void ExceptionLogWrite(const Str* fileName, const Str* text, bool keepOld, int32_t /*reserved*/,
                                    ErrorStatus status) {
  using namespace vm;
  int32_t code = 0;
  try {
    const std::string path(StrView(fileName));
    if (path.empty()) {
      code = 0x14;
    } else {
      std::string old;
      struct stat st {};
      if (keepOld && stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode)) code = ReadWholeFile(path, &old);
      if (code == 0) code = WriteWholeFile(path, CombineLog(StrView(text), old));
    }
  } catch (...) {
    code = 0x6;
  }
  if (status != nullptr) *status = code;
}
