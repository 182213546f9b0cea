// POSIX under the file calls of the library.
#include "platform/posix_files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>

namespace vm::sys {
namespace {

// Seconds from 1601-01-01 to 1970-01-01, and file-time ticks per second.
constexpr int64_t kEpochDelta = 11644473600LL;
constexpr int64_t kTicksPerSecond = 10000000LL;

FileTime FileTimeFromUnix(int64_t seconds, int64_t nanoseconds) {
  const int64_t s = seconds + kEpochDelta;
  if (s < 0) return 0;
  return static_cast<FileTime>(s) * kTicksPerSecond + static_cast<FileTime>(nanoseconds / 100);
}

struct timespec UnixFromFileTime(FileTime t) {
  struct timespec ts {};
  ts.tv_sec = static_cast<time_t>(static_cast<int64_t>(t / kTicksPerSecond) - kEpochDelta);
  ts.tv_nsec = static_cast<long>((t % kTicksPerSecond) * 100);
  return ts;
}

int Fd(FileHandle handle) { return static_cast<int>(handle); }

// A call on a handle failed: EBADF on a descriptor that is open means the
// handle lacks the access the call needs, which Windows calls access denied.
bool FailHandle(FileHandle handle, int error) {
  if (error == EBADF && handle >= 0 && ::fcntl(Fd(handle), F_GETFD) != -1) {
    SetLastError(kWinAccessDenied);
    return false;
  }
  return FailErrno(error, nullptr);
}

bool ReadOnlyMode(mode_t mode) { return (mode & S_IWUSR) == 0; }

// The name part of a path, for the hidden attribute.
std::string BaseName(const std::string& path) {
  size_t end = path.size();
  while (end > 1 && path[end - 1] == '/') --end;
  const size_t slash = path.find_last_of('/', end - 1);
  return path.substr(slash == std::string::npos ? 0 : slash + 1,
                     end - (slash == std::string::npos ? 0 : slash + 1));
}

uint32_t AttributesOf(mode_t mode, const std::string& name) {
  uint32_t a = 0;
  if (S_ISDIR(mode)) a |= kFileAttributeDirectory;
  if (ReadOnlyMode(mode)) a |= kFileAttributeReadOnly;
  if (name.size() > 1 && name[0] == '.' && name != "..") a |= kFileAttributeHidden;
  return a == 0 ? kFileAttributeNormal : a;
}

void FillInfo(const struct statx& st, const std::string& name, FileInfo* info) {
  const bool dir = S_ISDIR(st.stx_mode);
  info->attributes = AttributesOf(st.stx_mode, name);
  info->size = dir ? 0 : static_cast<int64_t>(st.stx_size);
  const struct statx_timestamp& born = (st.stx_mask & STATX_BTIME) ? st.stx_btime : st.stx_ctime;
  info->created = FileTimeFromUnix(born.tv_sec, born.tv_nsec);
  info->accessed = FileTimeFromUnix(st.stx_atime.tv_sec, st.stx_atime.tv_nsec);
  info->written = FileTimeFromUnix(st.stx_mtime.tv_sec, st.stx_mtime.tv_nsec);
}

int OpenFlags(uint32_t access) {
  const bool r = (access & kFileAccessRead) != 0, w = (access & kFileAccessWrite) != 0;
  if (r && w) return O_RDWR;
  if (w) return O_WRONLY;
  return O_RDONLY;
}

}  // namespace

FileHandle OpenFile(const std::string& path, uint32_t access, uint32_t /*share*/, uint32_t disposition,
                    uint32_t attributes) {
  int flags = OpenFlags(access) | O_CLOEXEC;
  const bool writing = (access & kFileAccessWrite) != 0;
  switch (disposition) {
    case kFileCreateNew:
      flags |= O_CREAT | O_EXCL;
      break;
    case kFileCreateAlways:
      flags |= O_CREAT | O_TRUNC;
      break;
    case kFileOpenExisting:
      break;
    case kFileOpenAlways:
      flags |= O_CREAT;
      break;
    case kFileTruncateExisting:
      if (!writing) {
        SetLastError(kWinInvalidParameter);
        return kInvalidFileHandle;
      }
      flags |= O_TRUNC;
      break;
    default:
      SetLastError(kWinInvalidParameter);
      return kInvalidFileHandle;
  }
  struct stat st {};
  const bool exists = ::stat(path.c_str(), &st) == 0;
  // Linux lets a privileged user write anything; Windows refuses read-only
  // files and folders to everyone, and the library's callers rely on that.
  if (exists && (S_ISDIR(st.st_mode) ||
                 ((writing || (flags & O_TRUNC)) && S_ISREG(st.st_mode) && ReadOnlyMode(st.st_mode)))) {
    if (disposition != kFileCreateNew) {
      SetLastError(kWinAccessDenied);
      return kInvalidFileHandle;
    }
  }
  const mode_t mode = (attributes & kFileAttributeReadOnly) ? 0444 : 0666;
  int fd;
  do {
    fd = ::open(path.c_str(), flags, mode);
  } while (fd < 0 && errno == EINTR);
  if (fd < 0) {
    FailErrno(errno, path.c_str());
    return kInvalidFileHandle;
  }
  return fd;
}

bool CloseFile(FileHandle handle) {
  if (handle < 0) {
    SetLastError(kWinInvalidHandle);
    return false;
  }
  // The descriptor is gone even when close reports an error; never retry.
  if (::close(Fd(handle)) != 0 && errno != EINTR) return FailHandle(kInvalidFileHandle, errno);
  return true;
}

bool ReadFile(FileHandle handle, void* buffer, uint32_t count, uint32_t* done) {
  uint32_t total = 0;
  auto* p = static_cast<uint8_t*>(buffer);
  while (total < count) {
    const size_t want = count - total > 0x40000000u ? 0x40000000u : count - total;
    const ssize_t n = ::read(Fd(handle), p + total, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      *done = total;
      return FailHandle(handle, errno);
    }
    if (n == 0) break;
    total += static_cast<uint32_t>(n);
  }
  *done = total;
  return true;
}

bool WriteFile(FileHandle handle, const void* buffer, uint32_t count, uint32_t* done) {
  uint32_t total = 0;
  const auto* p = static_cast<const uint8_t*>(buffer);
  while (total < count) {
    const size_t want = count - total > 0x40000000u ? 0x40000000u : count - total;
    const ssize_t n = ::write(Fd(handle), p + total, want);
    if (n < 0) {
      if (errno == EINTR) continue;
      *done = total;
      return FailHandle(handle, errno);
    }
    if (n == 0) {
      *done = total;
      SetLastError(kWinDiskFull);
      return false;
    }
    total += static_cast<uint32_t>(n);
  }
  *done = total;
  return true;
}

bool SeekFile(FileHandle handle, int64_t offset, uint32_t origin, int64_t* newPosition) {
  static constexpr int kWhence[] = {SEEK_SET, SEEK_CUR, SEEK_END};
  if (origin > 2) {
    SetLastError(kWinInvalidParameter);
    return false;
  }
  const off_t pos = ::lseek(Fd(handle), static_cast<off_t>(offset), kWhence[origin]);
  if (pos < 0) return FailHandle(handle, errno);
  *newPosition = pos;
  return true;
}

bool SetEndOfFile(FileHandle handle) {
  const off_t pos = ::lseek(Fd(handle), 0, SEEK_CUR);
  if (pos < 0) return FailHandle(handle, errno);
  const int flags = ::fcntl(Fd(handle), F_GETFL);
  if (flags != -1 && (flags & O_ACCMODE) == O_RDONLY) {
    SetLastError(kWinAccessDenied);
    return false;
  }
  int rc;
  do {
    rc = ::ftruncate(Fd(handle), pos);
  } while (rc != 0 && errno == EINTR);
  if (rc != 0) return FailHandle(handle, errno);
  return true;
}

bool FlushFile(FileHandle handle) {
  if (::fsync(Fd(handle)) == 0) return true;
  // Devices and pipes keep nothing to write back.
  if (errno == EINVAL || errno == EROFS) return true;
  return FailHandle(handle, errno);
}

bool GetFileSize(FileHandle handle, int64_t* size) {
  struct stat st {};
  if (::fstat(Fd(handle), &st) != 0) return FailHandle(handle, errno);
  *size = st.st_size;
  return true;
}

bool GetFileInfo(FileHandle handle, FileInfo* info) {
  struct statx st {};
  if (::statx(Fd(handle), "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
    return FailHandle(handle, errno);
  }
  FillInfo(st, std::string(), info);
  return true;
}

bool GetFileInfo(const std::string& path, FileInfo* info) {
  struct statx st {};
  if (::statx(AT_FDCWD, path.c_str(), 0, STATX_BASIC_STATS | STATX_BTIME, &st) != 0) {
    return FailErrno(errno, path.c_str());
  }
  FillInfo(st, BaseName(path), info);
  return true;
}

bool SetFileTimes(FileHandle handle, const FileTime* accessed, const FileTime* written) {
  struct timespec times[2];
  times[0].tv_sec = times[1].tv_sec = 0;
  times[0].tv_nsec = times[1].tv_nsec = UTIME_OMIT;
  if (accessed != nullptr) times[0] = UnixFromFileTime(*accessed);
  if (written != nullptr) times[1] = UnixFromFileTime(*written);
  if (::futimens(Fd(handle), times) != 0) return FailHandle(handle, errno);
  return true;
}

bool SetFileAttributes(const std::string& path, uint32_t attributes) {
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return FailErrno(errno, path.c_str());
  const mode_t perms = st.st_mode & 07777;
  const mode_t wanted = (attributes & kFileAttributeReadOnly) ? (perms & ~mode_t{0222}) : (perms | S_IWUSR);
  if (wanted != perms && ::chmod(path.c_str(), wanted) != 0) return FailErrno(errno, path.c_str());
  return true;
}

bool DeleteFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FailErrno(errno, path.c_str());
  if (S_ISDIR(st.st_mode) || (S_ISREG(st.st_mode) && ReadOnlyMode(st.st_mode))) {
    SetLastError(kWinAccessDenied);
    return false;
  }
  if (::unlink(path.c_str()) != 0) return FailErrno(errno, path.c_str());
  return true;
}

bool DeleteRegularFile(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) != 0) return FailErrno(errno, path.c_str());
  if (!S_ISREG(st.st_mode)) {
    SetLastError(kWinAccessDenied);
    return false;
  }
  if (::unlink(path.c_str()) != 0) return FailErrno(errno, path.c_str());
  return true;
}

bool MoveFile(const std::string& from, const std::string& to) {
  struct stat st {};
  if (::lstat(from.c_str(), &st) != 0) return FailErrno(errno, from.c_str());
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return FailErrno(errno, to.c_str());
  // File systems without the no-replace flag: check, then rename.
  if (::lstat(to.c_str(), &st) == 0) {
    SetLastError(kWinAlreadyExists);
    return false;
  }
  if (::rename(from.c_str(), to.c_str()) != 0) return FailErrno(errno, to.c_str());
  return true;
}

bool CreateDirectory(const std::string& path) {
  if (::mkdir(path.c_str(), 0777) != 0) {
    if (errno == EEXIST) {
      SetLastError(kWinAlreadyExists);
      return false;
    }
    return FailErrno(errno, path.c_str());
  }
  return true;
}

bool IsSameFile(FileHandle handle, const std::string& path) {
  struct stat a {
  }, b{};
  return ::fstat(Fd(handle), &a) == 0 && ::stat(path.c_str(), &b) == 0 && a.st_dev == b.st_dev &&
         a.st_ino == b.st_ino;
}

bool IsFile(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool ListDirectory(const std::string& path, std::vector<std::string>* names) {
  DIR* dir = ::opendir(path.empty() ? "." : path.c_str());
  if (dir == nullptr) {
    // The folder itself is missing: Windows reports the path as not found.
    if (errno == ENOENT || errno == ENOTDIR) {
      SetLastError(kWinPathNotFound);
      return false;
    }
    return FailErrno(errno, path.c_str());
  }
  names->clear();
  errno = 0;
  while (const struct dirent* entry = ::readdir(dir)) {
    const std::string name = entry->d_name;
    if (name != "." && name != "..") names->push_back(name);
  }
  const int error = errno;
  ::closedir(dir);
  if (error != 0) return FailErrno(error, path.c_str());
  return true;
}

bool RealPath(const std::string& path, std::string* out) {
  char* resolved = ::realpath(path.c_str(), nullptr);
  if (resolved == nullptr) return FailErrno(errno, path.c_str());
  *out = resolved;
  std::free(resolved);
  return true;
}

std::string TempDirectory() {
  const char* env = std::getenv("TMPDIR");
  std::string dir = (env != nullptr && *env != '\0') ? env : "/tmp";
  if (dir.back() != '/') dir += '/';
  return dir;
}

bool CreateTempFile(const std::string& folder, const std::string& prefix, std::string* path) {
  std::string base = folder;
  if (!base.empty() && base.back() != '/') base += '/';
  base += prefix;
  struct timespec now {};
  ::clock_gettime(CLOCK_REALTIME, &now);
  // Start at a number that differs from call to call, then walk all others.
  uint32_t number = static_cast<uint32_t>((now.tv_nsec / 1000) ^ ::getpid()) & 0xFFFF;
  for (uint32_t tries = 0; tries < 0xFFFF; ++tries) {
    number = number % 0xFFFF + 1;
    char digits[8];
    std::snprintf(digits, sizeof digits, "%04X", number);
    const std::string candidate = base + digits + ".tmp";
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      ::close(fd);
      *path = candidate;
      return true;
    }
    if (errno != EEXIST) return FailErrno(errno, candidate.c_str());
  }
  SetLastError(kWinFileExists);
  return false;
}

double LocalDayCount(FileTime time) {
  const int64_t seconds = static_cast<int64_t>(time / kTicksPerSecond) - kEpochDelta;
  const double fraction = static_cast<double>(time % kTicksPerSecond) / kTicksPerSecond;
  const time_t t = static_cast<time_t>(seconds);
  struct tm local {};
  if (::localtime_r(&t, &local) == nullptr) return 0;
  const double localSeconds = static_cast<double>(seconds + local.tm_gmtoff) + fraction;
  return localSeconds / 86400.0 + 25569.0;  // 25569: days from 1899-12-30 to 1970-01-01
}

}  // namespace vm::sys
