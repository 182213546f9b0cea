#include "platform/file_bytes.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace vm {

bool ByteSource::ReadBytes(uint64_t offset, size_t n, std::vector<uint8_t>& out) const {
  if (!Contains(offset, n)) return false;
  std::vector<uint8_t> bytes(n);
  if (n > 0 && !Read(offset, bytes.data(), n)) return false;
  out = std::move(bytes);
  return true;
}

bool MemoryByteSource::Read(uint64_t offset, void* out, size_t n) const {
  if (!Contains(offset, n)) return false;
  if (n > 0) std::memcpy(out, bytes_.data() + offset, n);
  return true;
}

FileByteSource::~FileByteSource() {
  if (fd_ >= 0) close(fd_);
}

bool FileByteSource::Open(const std::string& path) {
  if (fd_ >= 0) close(fd_);
  fd_ = -1;
  size_ = 0;
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return false;
  }
  fd_ = fd;
  size_ = static_cast<uint64_t>(st.st_size);
  return true;
}

bool FileByteSource::Read(uint64_t offset, void* out, size_t n) const {
  if (fd_ < 0 || !Contains(offset, n)) return false;
  auto* p = static_cast<uint8_t*>(out);
  while (n > 0) {
    const ssize_t got = pread(fd_, p, n, static_cast<off_t>(offset));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return false;
    p += got;
    n -= static_cast<size_t>(got);
    offset += static_cast<uint64_t>(got);
  }
  return true;
}

}  // namespace vm
