// A bounds-checked little-endian cursor over bytes held in memory.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace vm::bmp {

class ByteCursor {
public:
  ByteCursor(const uint8_t* data, size_t size) : data_(data), size_(size) {}

  size_t Position() const { return pos_; }
  size_t Size() const { return size_; }
  size_t Remaining() const { return size_ - pos_; }
  // Moves to an absolute position; false (cursor unchanged) past the end.
  bool Seek(size_t pos) {
    if (pos > size_) return false;
    pos_ = pos;
    return true;
  }
  // The next n bytes, or null (cursor unchanged) when fewer remain.
  const uint8_t* Take(size_t n) {
    if (n > Remaining()) return nullptr;
    const uint8_t* p = data_ + pos_;
    pos_ += n;
    return p;
  }
  bool U8(uint8_t* v) {
    const uint8_t* p = Take(1);
    if (p) *v = *p;
    return p != nullptr;
  }
  const uint8_t* At(size_t pos) const { return data_ + pos; }

private:
  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
};

inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
         static_cast<uint32_t>(p[3]) << 24;
}

}  // namespace vm::bmp
