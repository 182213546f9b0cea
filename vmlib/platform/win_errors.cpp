// The one mapping from system errors to library codes.
#include "platform/win_errors.h"

#include <sys/stat.h>

#include <cerrno>
#include <string>

namespace vm::sys {
namespace {

thread_local uint32_t t_lastError = kWinSuccess;

struct WinCode {
  uint32_t winError;
  int32_t code;
};

// Windows error -> library code; access denied depends on the access kind and
// is handled apart; everything else falls back to the operation's default.
constexpr WinCode kWinCodes[] = {
    {kWinFileNotFound, 0x10000},  {kWinPathNotFound, 0x15},  {kWinNotEnoughMemory, 0x6},
    {kWinWriteProtect, 0x10006},  {kWinNotReady, 0x30006},   {kWinSharingViolation, 0x10007},
    {kWinDiskFull, 0x20},         {kWinInvalidName, 0x14},   {kWinIoPending, 0x28},
    {kWinNoAssociation, 0x10018}, {kWinDdeFail, 0x3C},       {kWinDllNotFound, 0x10019},
    {kWinCancelled, 0x2},         {kWinRequestAborted, 0x2},
};

struct ErrnoWin {
  int error;
  uint32_t winError;
};

// errno -> Windows error. ENOENT and EINVAL depend on the call (see below).
constexpr ErrnoWin kErrnoWins[] = {
    {ENOTDIR, kWinPathNotFound},   {EACCES, kWinAccessDenied},      {EPERM, kWinAccessDenied},
    {EISDIR, kWinAccessDenied},    {ENOMEM, kWinNotEnoughMemory},   {EROFS, kWinWriteProtect},
    {EBUSY, kWinSharingViolation}, {ETXTBSY, kWinSharingViolation}, {ENOSPC, kWinDiskFull},
    {EDQUOT, kWinDiskFull},        {ENAMETOOLONG, kWinInvalidName}, {EEXIST, kWinFileExists},
    {EBADF, kWinInvalidHandle},    {EMFILE, kWinTooManyOpenFiles},  {ENFILE, kWinTooManyOpenFiles},
    {ENOTEMPTY, kWinDirNotEmpty},  {EXDEV, kWinNotSameDevice},      {ENOMEDIUM, kWinNotReady},
    {EIO, kWinIoDevice},           {ECANCELED, kWinCancelled},
};

// True when the folder that would hold path exists.
bool ParentExists(const char* path) {
  const std::string p(path);
  const size_t slash = p.find_last_of('/');
  if (slash == std::string::npos) return !p.empty();
  const std::string parent = slash == 0 ? std::string("/") : p.substr(0, slash);
  struct stat st {};
  return ::stat(parent.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

}  // namespace

int32_t CodeFromWinError(uint32_t winError, int32_t defaultCode, Access kind) {
  if (winError == kWinAccessDenied) {
    switch (kind) {
      case Access::kRead:
        return 0x10004;
      case Access::kWrite:
        return 0x10005;
      case Access::kNeither:
        return 0x10003;
    }
  }
  for (const WinCode& entry : kWinCodes) {
    if (entry.winError == winError) return entry.code;
  }
  return defaultCode;
}

uint32_t WinErrorFromErrno(int error, const char* path) {
  if (error == ENOENT) {
    if (path == nullptr) return kWinFileNotFound;
    return ParentExists(path) ? kWinFileNotFound : kWinPathNotFound;
  }
  if (error == EINVAL) return path != nullptr ? kWinInvalidName : kWinInvalidParameter;
  for (const ErrnoWin& entry : kErrnoWins) {
    if (entry.error == error) return entry.winError;
  }
  return kWinGenFailure;
}

uint32_t LastError() { return t_lastError; }
void SetLastError(uint32_t winError) { t_lastError = winError; }

bool FailErrno(int error, const char* path) {
  t_lastError = WinErrorFromErrno(error, path);
  return false;
}

}  // namespace vm::sys
