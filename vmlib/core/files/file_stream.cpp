// CFileStream: every Read and Write goes straight to the file.
#include <cstdlib>

#include "core/files/file_common.h"
#include "core/files/stream_open.h"
#include "vmlib/streams.h"

using namespace vm;
using namespace vm::files;

namespace {

int32_t NotOpen(ErrorStatus err, int32_t defaultCode, Access kind) {
  sys::SetLastError(sys::kWinInvalidHandle);
  Fail(err, defaultCode, kind);
  return -1;
}

}  // namespace

CFileStream::CFileStream(ErrorStatus err, const Str* path, uint16_t mode) { Open(err, StrView(path), mode); }
CFileStream::CFileStream(ErrorStatus err, std::string_view path, uint16_t mode) { Open(err, path, mode); }

void CFileStream::Open(ErrorStatus err, std::string_view path, uint16_t mode) {
  handle_ = OpenForStream(path, mode, err);
  if (handle_ == kInvalidFileHandle) return;
  fileName_ = StrCreate(path.data(), static_cast<int32_t>(path.size()));
  if (fileName_ == nullptr) {
    sys::CloseFile(handle_);
    handle_ = kInvalidFileHandle;
    *err = 0x6;
    return;
  }
  size_ = FileSeek(handle_, 0, 0, kFileEnd, err);
  if (size_ < 0 || FileSeek(handle_, 0, 0, kFileBegin, err) < 0) {
    Release(nullptr);
    size_ = 0;
  }
  position_ = 0;
}

CFileStream::~CFileStream() {
  Release(nullptr);
  if (deleteOnDestroy_ && fileName_ != nullptr) sys::DeleteRegularFile(PathOf(fileName_));
  StrDelete(fileName_);
}

// Closes the handle; the name stays for the destructor's delete.
void CFileStream::Release(ErrorStatus err) {
  if (handle_ == kInvalidFileHandle) return;
  const bool ok = sys::CloseFile(handle_);
  handle_ = kInvalidFileHandle;
  if (!ok && err != nullptr && *err == 0) Fail(err, 0x10016, Access::kNeither);
}

bool CFileStream::Close(ErrorStatus err) {
  SetOk(err);
  Release(err);
  if (*err != 0) return false;  // the name stays so that a delete-on-destroy file still goes
  StrDelete(fileName_);
  fileName_ = nullptr;
  return true;
}

bool CFileStream::Flush(ErrorStatus err) {
  if (handle_ == kInvalidFileHandle) return NotOpen(err, 0x10015, Access::kWrite) == 0;
  return FileFlushBuffers(handle_, err);
}

int64_t CFileStream::GetPosition() { return position_; }
int64_t CFileStream::GetSize() { return size_; }

int32_t CFileStream::Read(void* buffer, int32_t count, ErrorStatus err) {
  if (handle_ == kInvalidFileHandle) return NotOpen(err, 0x10008, Access::kRead);
  if (count <= 0) {
    SetOk(err);
    return 0;
  }
  uint32_t done = 0;
  if (!FileRead(handle_, buffer, static_cast<uint32_t>(count), &done, nullptr, err)) return -1;
  position_ += done;
  if (done < static_cast<uint32_t>(count)) *err = 0x10009;
  return static_cast<int32_t>(done);
}

int32_t CFileStream::Write(const void* buffer, int32_t count, ErrorStatus err) {
  if (handle_ == kInvalidFileHandle) return NotOpen(err, 0x1000A, Access::kWrite);
  if (count <= 0) {
    SetOk(err);
    return 0;
  }
  uint32_t done = 0;
  const bool ok = FileWrite(handle_, buffer, static_cast<uint32_t>(count), &done, nullptr, err);
  // Bytes that reached the file before a failure still move the pointer.
  position_ += done;
  if (position_ > size_) size_ = position_;
  if (!ok) return -1;
  if (done < static_cast<uint32_t>(count)) *err = 0x1000B;
  return static_cast<int32_t>(done);
}

int64_t CFileStream::Seek(const int64_t* offset, int32_t origin, ErrorStatus err) {
  if (handle_ == kInvalidFileHandle) {
    NotOpen(err, 0x1000C, Access::kNeither);
    return position_;
  }
  const auto raw = static_cast<uint64_t>(*offset);
  const int64_t p = FileSeek(handle_, static_cast<uint32_t>(raw), static_cast<int32_t>(raw >> 32),
                             static_cast<uint32_t>(origin), err);
  if (p < 0) return position_;
  position_ = p;
  return p;
}

bool CFileStream::SetSize(const int64_t* size, ErrorStatus err) {
  if (handle_ == kInvalidFileHandle) return NotOpen(err, 0x10012, Access::kWrite) == 0;
  const int64_t wanted = *size;
  const auto raw = static_cast<uint64_t>(wanted);
  bool ok = wanted >= 0 && FileSeek(handle_, static_cast<uint32_t>(raw), static_cast<int32_t>(raw >> 32),
                                    kFileBegin, err) >= 0;
  ok = ok && FileSetEOF(handle_, err);
  if (!ok) {
    if (wanted < 0) sys::SetLastError(sys::kWinInvalidParameter);
    Fail(err, 0x10012, Access::kWrite);
    int32_t ignored = 0;
    FileSeek(handle_, static_cast<uint32_t>(position_), static_cast<int32_t>(position_ >> 32), kFileBegin,
             &ignored);
    return false;
  }
  const int64_t actual = FileGetSize(handle_, err);
  if (*err != 0) return false;
  if (actual != wanted) {
    *err = 0x20;
    return false;
  }
  size_ = wanted;
  if (position_ > size_) position_ = size_;
  FileSeek(handle_, static_cast<uint32_t>(position_), static_cast<int32_t>(position_ >> 32), kFileBegin, err);
  return *err == 0;
}
