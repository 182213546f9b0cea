// Random access to the bytes of a file or of a buffer, for the readers of
// executable formats: every read names its offset and length and fails,
// rather than returning short, when the bytes are not all there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace vm {

class ByteSource {
public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Copies n bytes at offset into out; false when they lie beyond the end or
  // cannot be read.
  virtual bool Read(uint64_t offset, void* out, size_t n) const = 0;

  // n bytes at offset, or false (out untouched) as Read.
  bool ReadBytes(uint64_t offset, size_t n, std::vector<uint8_t>& out) const;
  // True when [offset, offset + n) lies inside the source.
  bool Contains(uint64_t offset, uint64_t n) const { return offset <= Size() && n <= Size() - offset; }
};

class MemoryByteSource final : public ByteSource {
public:
  explicit MemoryByteSource(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool Read(uint64_t offset, void* out, size_t n) const override;

private:
  std::span<const uint8_t> bytes_;
};

// A file opened read-only; Open() false when it cannot be opened or is not a
// regular file.
class FileByteSource final : public ByteSource {
public:
  FileByteSource() = default;
  ~FileByteSource() override;
  FileByteSource(const FileByteSource&) = delete;
  FileByteSource& operator=(const FileByteSource&) = delete;

  bool Open(const std::string& path);
  uint64_t Size() const override { return size_; }
  bool Read(uint64_t offset, void* out, size_t n) const override;

private:
  int fd_ = -1;
  uint64_t size_ = 0;
};

// Little-endian values from a byte span; the caller checks the bounds.
inline uint16_t Le16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }
inline uint32_t Le32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
         (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline uint64_t Le64(const uint8_t* p) { return Le32(p) | (static_cast<uint64_t>(Le32(p + 4)) << 32); }

}  // namespace vm
