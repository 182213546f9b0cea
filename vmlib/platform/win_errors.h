// System errors as the library sees them: every failing system call is turned
// into the Windows error number it stands for, kept per thread as the "last
// error", and turned into a library code through one table with the
// operation's default code and access kind.
#pragma once

#include <cstdint>

namespace vm::sys {

// Windows error numbers the layer produces.
enum WinError : uint32_t {
  kWinSuccess = 0,
  kWinFileNotFound = 2,
  kWinPathNotFound = 3,
  kWinTooManyOpenFiles = 4,
  kWinAccessDenied = 5,
  kWinInvalidHandle = 6,
  kWinNotEnoughMemory = 8,
  kWinNotSameDevice = 17,
  kWinWriteProtect = 19,
  kWinNotReady = 21,
  kWinGenFailure = 31,
  kWinSharingViolation = 32,
  kWinFileExists = 80,
  kWinInvalidParameter = 87,
  kWinDiskFull = 112,
  kWinInvalidName = 123,
  kWinDirNotEmpty = 145,
  kWinAlreadyExists = 183,
  kWinIoPending = 997,
  kWinIoDevice = 1117,
  kWinNoAssociation = 1155,
  kWinDdeFail = 1156,
  kWinDllNotFound = 1157,
  kWinCancelled = 1223,
  kWinRequestAborted = 1235,
};

// The access kind of an operation: decides the code of "access denied".
enum class Access { kNeither, kRead, kWrite };

// The library code of a Windows error for an operation with this default
// code and access kind.
int32_t CodeFromWinError(uint32_t winError, int32_t defaultCode, Access kind);

// The Windows error an errno stands for. path is the path the failing call
// named, or null for calls on a handle: a missing entry is "path not found"
// when its parent folder is missing too, and EINVAL means an invalid name
// only for a path.
uint32_t WinErrorFromErrno(int error, const char* path);

// The calling thread's last error, as set by every failing call of this layer.
uint32_t LastError();
void SetLastError(uint32_t winError);
// Sets the last error from errno and returns false, for failure paths.
bool FailErrno(int error, const char* path);

// CodeFromWinError of the last error.
inline int32_t LastErrorCode(int32_t defaultCode, Access kind) {
  return CodeFromWinError(LastError(), defaultCode, kind);
}

}  // namespace vm::sys
