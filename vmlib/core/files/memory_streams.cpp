// CMemoryStream (growable, owns its block) and CMemoryViewStream (read-only
// view of a caller's block).
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "vmlib/streams.h"

namespace {

// Bytes from position that a read of count may take.
int32_t ReadableFrom(int64_t position, int64_t size, int32_t count) {
  if (count <= 0 || position >= size) return 0;
  return static_cast<int32_t>(std::min<int64_t>(count, size - position));
}

// The target of a memory seek. Any position from 0 on is allowed (a later
// write fills the gap with zeros); a negative one would address memory before
// the block and is refused.
int64_t MemorySeek(int64_t* position, int64_t size, const int64_t* offset, int32_t origin, ErrorStatus err) {
  int64_t base;
  switch (origin) {
    case kSeekFromStart:
      base = 0;
      break;
    case kSeekFromCurrent:
      base = *position;
      break;
    case kSeekFromEnd:
      base = size;
      break;
    default:
      *err = 0x1000C;
      return -1;
  }
  int64_t target;
  if (__builtin_add_overflow(base, *offset, &target) || target < 0) {
    *err = 0x1000C;
    return -1;
  }
  *err = 0;
  *position = target;
  return target;
}

}  // namespace

CMemoryStream::CMemoryStream(int64_t initialCapacity) {
  if (initialCapacity > 0) Reserve(initialCapacity);
}

CMemoryStream::~CMemoryStream() { std::free(data_); }

bool CMemoryStream::Reserve(int64_t capacity) {
  if (capacity == 0) {
    std::free(data_);
    data_ = nullptr;
    capacity_ = 0;
    return true;
  }
  void* p = std::realloc(data_, static_cast<size_t>(capacity));
  if (p == nullptr) return false;
  data_ = static_cast<uint8_t*>(p);
  capacity_ = capacity;
  return true;
}

int64_t CMemoryStream::GetPosition() { return position_; }
int64_t CMemoryStream::GetSize() { return size_; }

int32_t CMemoryStream::Read(void* buffer, int32_t count, ErrorStatus err) {
  *err = 0;
  const int32_t n = ReadableFrom(position_, size_, count);
  if (n > 0) std::memcpy(buffer, data_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int32_t CMemoryStream::Write(const void* buffer, int32_t count, ErrorStatus err) {
  *err = 0;
  if (count <= 0) return 0;
  int64_t end;
  if (__builtin_add_overflow(position_, count, &end)) {
    *err = 0x6;
    return 0;
  }
  if (end > capacity_) {
    int64_t grown = capacity_ <= 4096 ? capacity_ + 1024 : capacity_ + capacity_ / 4;
    if (end > grown) grown = end;
    if (!Reserve(grown)) {
      *err = 0x6;
      return 0;
    }
  }
  // A seek beyond the end leaves a gap; it reads as zeros, never as old heap.
  if (position_ > size_) std::memset(data_ + size_, 0, static_cast<size_t>(position_ - size_));
  std::memcpy(data_ + position_, buffer, static_cast<size_t>(count));
  position_ = end;
  if (end > size_) size_ = end;
  return count;
}

int64_t CMemoryStream::Seek(const int64_t* offset, int32_t origin, ErrorStatus err) {
  return MemorySeek(&position_, size_, offset, origin, err);
}

bool CMemoryStream::SetSize(const int64_t* size, ErrorStatus err) {
  const int64_t wanted = *size;
  if (wanted < 0) {
    *err = 0x10012;
    return false;
  }
  if (wanted != capacity_ && !Reserve(wanted)) {
    *err = 0x6;
    return false;
  }
  if (wanted > size_) std::memset(data_ + size_, 0, static_cast<size_t>(wanted - size_));
  size_ = wanted;
  if (position_ > size_) position_ = size_;
  *err = 0;
  return true;
}

CMemoryViewStream::CMemoryViewStream(const void* block, int64_t size)
    : block_(static_cast<const uint8_t*>(block)), size_(block != nullptr && size > 0 ? size : 0) {}

int64_t CMemoryViewStream::GetPosition() { return position_; }
int64_t CMemoryViewStream::GetSize() { return size_; }

int32_t CMemoryViewStream::Read(void* buffer, int32_t count, ErrorStatus err) {
  *err = 0;
  const int32_t n = ReadableFrom(position_, size_, count);
  if (n > 0) std::memcpy(buffer, block_ + position_, static_cast<size_t>(n));
  position_ += n;
  return n;
}

int64_t CMemoryViewStream::Seek(const int64_t* offset, int32_t origin, ErrorStatus err) {
  return MemorySeek(&position_, size_, offset, origin, err);
}

bool CMemoryViewStream::SetSize(const int64_t* /*size*/, ErrorStatus err) {
  *err = 0x10012;
  return false;
}

int32_t CMemoryViewStream::Write(const void* /*buffer*/, int32_t /*count*/, ErrorStatus err) {
  *err = 0;
  return 0;
}
