#include "platform/image_file_io.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace vm::platform {
namespace {
std::string PathOf(const Str* path) {
  return path && path->text ? std::string(path->text, path->length) : std::string();
}
}  // namespace

int32_t ReadFileBytes(const Str* path, std::vector<uint8_t>* out) {
  const std::string p = PathOf(path);
  if (p.empty() || p.find('\0') != std::string::npos) return 0x10000;
  const int fd = ::open(p.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0)
    return errno == ENOENT || errno == ENOTDIR ? 0x10000
           : errno == EACCES || errno == EPERM ? 0x10004
                                               : 0x10008;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return 0x10008;
  }
  out->clear();
  out->reserve(static_cast<size_t>(st.st_size));
  uint8_t chunk[65536];
  for (;;) {
    const ssize_t n = ::read(fd, chunk, sizeof chunk);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return 0x10008;
    }
    if (n == 0) break;
    out->insert(out->end(), chunk, chunk + n);
  }
  ::close(fd);
  return 0;
}

int32_t WriteFileBytes(const Str* path, const std::vector<uint8_t>& bytes) {
  const std::string p = PathOf(path);
  if (p.empty() || p.find('\0') != std::string::npos) return 0x10001;
  const int fd = ::open(p.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) return errno == EACCES || errno == EPERM || errno == EROFS ? 0x10005 : 0x10001;
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ::close(fd);
      ::unlink(p.c_str());
      return 0x1000A;
    }
    done += static_cast<size_t>(n);
  }
  if (::close(fd) != 0) {
    ::unlink(p.c_str());
    return 0x1000A;
  }
  return 0;
}

}  // namespace vm::platform
