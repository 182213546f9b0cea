// CBufferedFileStream: one buffer of B bytes that always starts at a multiple
// of B in the file. The buffer holds validLength_ bytes of the file from
// bufferOffset_ on (the file's own bytes, or newer ones when dirty_); the
// logical size counts bytes not yet written.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/files/file_common.h"
#include "core/files/stream_open.h"
#include "vmlib/streams.h"

using namespace vm;
using namespace vm::files;

namespace {

bool NotOpen(ErrorStatus err, int32_t defaultCode, Access kind) {
  sys::SetLastError(sys::kWinInvalidHandle);
  return Fail(err, defaultCode, kind);
}

bool SeekHandle(FileHandle h, int64_t position, ErrorStatus err) {
  const auto raw = static_cast<uint64_t>(position);
  return FileSeek(h, static_cast<uint32_t>(raw), static_cast<int32_t>(raw >> 32), kFileBegin, err) >= 0;
}

}  // namespace

CBufferedFileStream::CBufferedFileStream(ErrorStatus err, const Str* path, uint16_t mode,
                                         int32_t bufferSize) {
  Open(err, StrView(path), mode, bufferSize);
}
CBufferedFileStream::CBufferedFileStream(ErrorStatus err, std::string_view path, uint16_t mode,
                                         int32_t bufferSize) {
  Open(err, path, mode, bufferSize);
}

void CBufferedFileStream::Open(ErrorStatus err, std::string_view path, uint16_t mode, int32_t bufferSize) {
  bufferSize_ = bufferSize > 0 ? bufferSize : kStreamBufferSize;
  handle_ = OpenForStream(path, mode, err);
  if (handle_ == kInvalidFileHandle) return;
  writable_ = ModeWrites(mode) ? 1 : 0;
  fileName_ = StrCreate(path.data(), static_cast<int32_t>(path.size()));
  buffer_ = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bufferSize_)));
  if (fileName_ == nullptr || buffer_ == nullptr) {
    *err = 0x6;
  } else {
    logicalSize_ = FileSeek(handle_, 0, 0, kFileEnd, err);
  }
  if (*err != 0) {
    std::free(buffer_);
    buffer_ = nullptr;
    sys::CloseFile(handle_);
    handle_ = kInvalidFileHandle;
    StrDelete(fileName_);
    fileName_ = nullptr;
    logicalSize_ = 0;
  }
}

CBufferedFileStream::~CBufferedFileStream() {
  int32_t ignored = 0;
  Release(&ignored);
  if (deleteOnDestroy_ && fileName_ != nullptr) sys::DeleteRegularFile(PathOf(fileName_));
  StrDelete(fileName_);
}

// Writes a dirty buffer, flushes, frees the buffer and closes the handle,
// going on after a failure so that nothing is left open; err gets the first
// failure. The name stays.
bool CBufferedFileStream::Release(ErrorStatus err) {
  *err = 0;
  if (handle_ == kInvalidFileHandle) return true;
  int32_t step = 0;
  if (dirty_ && !WriteBuffer(&step)) *err = step;
  if (writable_ && !FileFlushBuffers(handle_, &step) && *err == 0) *err = step;
  std::free(buffer_);
  buffer_ = nullptr;
  if (!FileClose(handle_, &step) && *err == 0) *err = step;
  handle_ = kInvalidFileHandle;
  validLength_ = 0;
  innerPosition_ = 0;
  dirty_ = 0;
  return *err == 0;
}

bool CBufferedFileStream::Close(ErrorStatus err) {
  // After a failure the name stays, so that a delete-on-destroy file whose
  // last bytes never reached the disk is still removed.
  if (!Release(err)) return false;
  StrDelete(fileName_);
  fileName_ = nullptr;
  return true;
}

int64_t CBufferedFileStream::GetPosition() { return bufferOffset_ + innerPosition_; }
int64_t CBufferedFileStream::GetSize() { return logicalSize_; }

bool CBufferedFileStream::WriteBuffer(ErrorStatus err) {
  if (!SeekHandle(handle_, bufferOffset_, err)) return false;
  uint32_t done = 0;
  if (!FileWrite(handle_, buffer_, static_cast<uint32_t>(validLength_), &done, nullptr, err)) return false;
  if (done != static_cast<uint32_t>(validLength_)) {
    *err = 0x1000A;
    return false;
  }
  dirty_ = 0;
  return true;
}

bool CBufferedFileStream::FillBuffer(ErrorStatus err) {
  const int64_t want = std::min<int64_t>(bufferSize_, logicalSize_ - bufferOffset_);
  if (!SeekHandle(handle_, bufferOffset_, err)) return false;
  uint32_t done = 0;
  const bool ok = FileRead(handle_, buffer_, static_cast<uint32_t>(want), &done, nullptr, err);
  validLength_ = static_cast<int32_t>(done);
  if (!ok) return false;
  if (done != static_cast<uint32_t>(want)) {
    *err = 0x10008;
    return false;
  }
  return true;
}

int32_t CBufferedFileStream::ReadableBytes(ErrorStatus err) {
  if (validLength_ > innerPosition_) return validLength_ - innerPosition_;
  if (GetPosition() >= logicalSize_) {
    *err = 0x10009;
    return -1;
  }
  if (validLength_ != 0) {
    if (dirty_ && !WriteBuffer(err)) return -1;
    bufferOffset_ += bufferSize_;
    validLength_ = 0;
    innerPosition_ = 0;
    dirty_ = 0;
  }
  if (!FillBuffer(err)) return -1;
  return validLength_ > innerPosition_ ? validLength_ - innerPosition_ : 0;
}

int32_t CBufferedFileStream::WritableRoom(ErrorStatus err) {
  if (innerPosition_ == bufferSize_) {
    if (dirty_ && !WriteBuffer(err)) return -1;
    bufferOffset_ += bufferSize_;
    innerPosition_ = 0;
    validLength_ = 0;
    dirty_ = 0;
  }
  // Bytes of the file that this buffer covers must survive a partial write.
  if (validLength_ == 0 && bufferOffset_ < logicalSize_ && !FillBuffer(err)) return -1;
  return bufferSize_ - innerPosition_;
}

int32_t CBufferedFileStream::Read(void* buffer, int32_t count, ErrorStatus err) {
  *err = 0;
  if (handle_ == kInvalidFileHandle) {
    NotOpen(err, 0x10008, Access::kRead);
    return 0;
  }
  auto* dst = static_cast<uint8_t*>(buffer);
  int32_t total = 0;
  while (count > 0) {
    const int32_t available = ReadableBytes(err);
    if (available <= 0) break;
    const int32_t n = std::min(count, available);
    std::memcpy(dst + total, buffer_ + innerPosition_, static_cast<size_t>(n));
    innerPosition_ += n;
    total += n;
    count -= n;
  }
  return total;
}

int32_t CBufferedFileStream::Write(const void* buffer, int32_t count, ErrorStatus err) {
  *err = 0;
  if (handle_ == kInvalidFileHandle) {
    NotOpen(err, 0x1000A, Access::kWrite);
    return 0;
  }
  // Refused at once: bytes buffered here could never reach the file.
  if (!writable_ && count > 0) {
    sys::SetLastError(sys::kWinAccessDenied);
    Fail(err, 0x1000A, Access::kWrite);
    return 0;
  }
  const auto* src = static_cast<const uint8_t*>(buffer);
  int32_t total = 0;
  while (count > 0) {
    const int32_t room = WritableRoom(err);
    if (room < 0) break;
    const int32_t n = std::min(count, room);
    std::memcpy(buffer_ + innerPosition_, src + total, static_cast<size_t>(n));
    innerPosition_ += n;
    validLength_ = std::max(validLength_, innerPosition_);
    logicalSize_ = std::max(logicalSize_, GetPosition());
    dirty_ = 1;
    total += n;
    count -= n;
  }
  return total;
}

int64_t CBufferedFileStream::Seek(const int64_t* offset, int32_t origin, ErrorStatus err) {
  *err = 0;
  if (handle_ == kInvalidFileHandle) {
    NotOpen(err, 0x1000C, Access::kNeither);
    return -1;
  }
  int64_t base;
  switch (origin) {
    case kSeekFromStart:
      base = 0;
      break;
    case kSeekFromCurrent:
      base = GetPosition();
      break;
    case kSeekFromEnd:
      base = logicalSize_;
      break;
    default:
      *err = 0x1000C;
      return -1;
  }
  int64_t target;
  if (__builtin_add_overflow(base, *offset, &target) || target < 0 || target > logicalSize_) {
    *err = 0x1000C;
    return -1;
  }
  const int64_t newOffset = target - target % bufferSize_;
  if (newOffset != bufferOffset_) {
    if (dirty_ && !WriteBuffer(err)) return -1;
    bufferOffset_ = newOffset;
    validLength_ = 0;
    dirty_ = 0;
  }
  innerPosition_ = static_cast<int32_t>(target - bufferOffset_);
  return target;
}

bool CBufferedFileStream::SetSize(const int64_t* size, ErrorStatus err) {
  *err = 0;
  if (handle_ == kInvalidFileHandle) return NotOpen(err, 0x10012, Access::kWrite);
  const int64_t wanted = *size;
  if (wanted < 0) {
    *err = 0x10012;
    return false;
  }
  if (wanted == logicalSize_) return true;
  if (wanted > logicalSize_) {
    // The buffer covers the old end: the file grows with zero bytes there, so
    // the buffer does too, and later reads and writes stay in place.
    if (validLength_ > 0 && bufferOffset_ + bufferSize_ > logicalSize_) {
      const auto grown = static_cast<int32_t>(std::min<int64_t>(bufferSize_, wanted - bufferOffset_));
      if (grown > validLength_)
        std::memset(buffer_ + validLength_, 0, static_cast<size_t>(grown - validLength_));
      validLength_ = grown;
    }
    logicalSize_ = wanted;
  } else {
    logicalSize_ = wanted;
    if (GetPosition() > wanted && SeekTo(wanted, err) < 0) return false;
    if (bufferOffset_ + validLength_ > wanted) validLength_ = static_cast<int32_t>(wanted - bufferOffset_);
  }
  if (!SeekHandle(handle_, wanted, err) || !FileSetEOF(handle_, err)) {
    Fail(err, 0x10012, Access::kWrite);
    return false;
  }
  return true;
}
