// The file functions over handles and paths: open, read, write, seek, size,
// times, attributes, delete and rename.
#include "core/files/file_common.h"

using namespace vm;
using namespace vm::files;

namespace {

Access AccessKindOf(uint32_t access) {
  const bool r = (access & kFileAccessRead) != 0, w = (access & kFileAccessWrite) != 0;
  if (r && !w) return Access::kRead;
  if (w && !r) return Access::kWrite;
  return Access::kNeither;
}

bool InvalidArgument(ErrorStatus err, int32_t defaultCode, Access kind) {
  sys::SetLastError(sys::kWinInvalidParameter);
  return Fail(err, defaultCode, kind);
}

}  // namespace

VMLIB_EXPORT FileHandle FileCreate(const Str* path, uint32_t access, uint32_t share, uint32_t disposition,
                                   uint32_t attributes, ErrorStatus err) {
  const FileHandle h = sys::OpenFile(PathOf(path), access, share, disposition, attributes);
  Report(h != kInvalidFileHandle, err, 0x10001, AccessKindOf(access));
  return h;
}

VMLIB_EXPORT bool FileClose(FileHandle handle, ErrorStatus err) {
  return Report(sys::CloseFile(handle), err, 0x10016, Access::kNeither);
}

VMLIB_EXPORT bool FileRead(FileHandle handle, void* buffer, uint32_t count, uint32_t* bytesRead,
                           void* /*overlapped*/, ErrorStatus err) {
  uint32_t done = 0;
  if (bytesRead != nullptr) *bytesRead = 0;
  if (count == 0) {
    SetOk(err);
    return true;
  }
  if (buffer == nullptr) return InvalidArgument(err, 0x10008, Access::kRead);
  const bool ok = sys::ReadFile(handle, buffer, count, &done);
  if (bytesRead != nullptr) *bytesRead = done;
  return Report(ok, err, 0x10008, Access::kRead);
}

VMLIB_EXPORT bool FileWrite(FileHandle handle, const void* buffer, uint32_t count, uint32_t* bytesWritten,
                            void* /*overlapped*/, ErrorStatus err) {
  uint32_t done = 0;
  if (bytesWritten != nullptr) *bytesWritten = 0;
  if (count == 0) {
    SetOk(err);
    return true;
  }
  if (buffer == nullptr) return InvalidArgument(err, 0x1000A, Access::kWrite);
  const bool ok = sys::WriteFile(handle, buffer, count, &done);
  if (bytesWritten != nullptr) *bytesWritten = done;
  return Report(ok, err, 0x1000A, Access::kWrite);
}

VMLIB_EXPORT int64_t FileSeek(FileHandle handle, uint32_t offsetLow, int32_t offsetHigh, uint32_t origin,
                              ErrorStatus err) {
  const int64_t offset =
      static_cast<int64_t>((static_cast<uint64_t>(static_cast<uint32_t>(offsetHigh)) << 32) | offsetLow);
  int64_t position = -1;
  if (!Report(sys::SeekFile(handle, offset, origin, &position), err, 0x1000C, Access::kNeither)) return -1;
  return position;
}

VMLIB_EXPORT bool FileSetEOF(FileHandle handle, ErrorStatus err) {
  return Report(sys::SetEndOfFile(handle), err, 0x10012, Access::kWrite);
}

VMLIB_EXPORT bool FileFlushBuffers(FileHandle handle, ErrorStatus err) {
  return Report(sys::FlushFile(handle), err, 0x10015, Access::kWrite);
}

VMLIB_EXPORT int64_t FileGetSize(FileHandle handle, ErrorStatus err) {
  int64_t size = 0;
  if (!Report(sys::GetFileSize(handle, &size), err, 0x10011, Access::kRead)) return 0;
  return size;
}

// The full 64-bit size: the lookup of the original kept only the low part.
VMLIB_EXPORT int64_t FileGetSize_F(const Str* path, ErrorStatus err) {
  sys::FileInfo info;
  if (!Report(sys::GetFileInfo(PathOf(path), &info), err, 0x10011, Access::kRead)) return 0;
  return info.size;
}

namespace {

void StoreTimes(const sys::FileInfo& info, FileTime* created, FileTime* accessed, FileTime* written) {
  if (created != nullptr) *created = info.created;
  if (accessed != nullptr) *accessed = info.accessed;
  if (written != nullptr) *written = info.written;
}

}  // namespace

VMLIB_EXPORT bool FileGetTimeUTC(FileHandle handle, FileTime* created, FileTime* accessed, FileTime* written,
                                 ErrorStatus err) {
  sys::FileInfo info;
  if (!Report(sys::GetFileInfo(handle, &info), err, 0x1000F, Access::kRead)) return false;
  StoreTimes(info, created, accessed, written);
  return true;
}

VMLIB_EXPORT bool FileGetTimeUTC_F(const Str* path, FileTime* created, FileTime* accessed, FileTime* written,
                                   ErrorStatus err) {
  sys::FileInfo info;
  if (!Report(sys::GetFileInfo(PathOf(path), &info), err, 0x1000F, Access::kRead)) return false;
  StoreTimes(info, created, accessed, written);
  return true;
}

// Linux keeps no settable creation time; the other two are set.
VMLIB_EXPORT bool FileSetTimeUTC(FileHandle handle, const FileTime* /*created*/, const FileTime* accessed,
                                 const FileTime* written, ErrorStatus err) {
  if (accessed == nullptr && written == nullptr) {
    SetOk(err);
    return true;
  }
  return Report(sys::SetFileTimes(handle, accessed, written), err, 0x10010, Access::kWrite);
}

VMLIB_EXPORT bool FileSetTimeUTC_F(const Str* path, const FileTime* created, const FileTime* accessed,
                                   const FileTime* written, ErrorStatus err) {
  const FileHandle h =
      FileCreate(path, kFileAccessWrite, kFileShareRead, kFileOpenExisting, kFileAttributeNormal, err);
  if (h == kInvalidFileHandle) return false;
  const bool ok = FileSetTimeUTC(h, created, accessed, written, err);
  sys::CloseFile(h);
  return ok;
}

namespace {

double LocalTimeOf(const Str* path, bool created, ErrorStatus err) {
  sys::FileInfo info;
  if (!Report(sys::GetFileInfo(PathOf(path), &info), err, 0x1000F, Access::kRead)) return 0;
  return sys::LocalDayCount(created ? info.created : info.written);
}

}  // namespace

VMLIB_EXPORT double FileGetTimeCreated(const Str* path, ErrorStatus err) {
  return LocalTimeOf(path, true, err);
}
VMLIB_EXPORT double FileGetTimeModified(const Str* path, ErrorStatus err) {
  return LocalTimeOf(path, false, err);
}

VMLIB_EXPORT uint32_t FileGetAttributes(const Str* path, ErrorStatus err) {
  sys::FileInfo info;
  if (!Report(sys::GetFileInfo(PathOf(path), &info), err, 0x10013, Access::kRead))
    return kFileAttributeInvalid;
  return info.attributes;
}

VMLIB_EXPORT bool FileSetAttributes(const Str* path, uint32_t attributes, ErrorStatus err) {
  return Report(sys::SetFileAttributes(PathOf(path), attributes), err, 0x10014, Access::kWrite);
}

VMLIB_EXPORT bool FileSetReadOnly(const Str* path, bool readOnly, ErrorStatus err) {
  const uint32_t attributes = FileGetAttributes(path, err);
  if (attributes == kFileAttributeInvalid) return false;
  const bool isReadOnly = (attributes & kFileAttributeReadOnly) != 0;
  if (isReadOnly == readOnly) {
    SetOk(err);
    return true;
  }
  return FileSetAttributes(path, attributes ^ kFileAttributeReadOnly, err);
}

VMLIB_EXPORT bool FileDelete(const Str* path, ErrorStatus err) {
  return Report(sys::DeleteFile(PathOf(path)), err, 0x1000D, Access::kWrite);
}

VMLIB_EXPORT bool FileRename(const Str* oldPath, const Str* newPath, ErrorStatus err) {
  return Report(sys::MoveFile(PathOf(oldPath), PathOf(newPath)), err, 0x1000E, Access::kWrite);
}
