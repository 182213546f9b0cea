// FileGetChecksum32 / FileGetChecksum64: XOR of the file's little-endian words.
#include <cstdlib>
#include <cstring>

#include "core/files/file_common.h"

using namespace vm;
using namespace vm::files;

namespace {

constexpr uint32_t kPiece = 65536;  // a multiple of both word sizes

template <typename Word>
Word Checksum(FileHandle handle, ErrorStatus err) {
  const int64_t saved = FileSeek(handle, 0, 0, kFileCurrent, err);
  if (saved < 0) return 0;
  const int64_t size = FileSeek(handle, 0, 0, kFileEnd, err);
  if (size < 0 || FileSeek(handle, 0, 0, kFileBegin, err) < 0) return 0;
  auto* buffer = static_cast<uint8_t*>(std::malloc(kPiece));
  if (buffer == nullptr) {
    SetCode(err, 0x6);
    return 0;
  }
  Word sum = 0;
  int64_t left = size;
  bool ok = true;
  while (ok && left > 0) {
    const uint32_t want = left < kPiece ? static_cast<uint32_t>(left) : kPiece;
    uint32_t got = 0;
    ok = FileRead(handle, buffer, want, &got, nullptr, err);
    if (ok && got != want) {
      SetCode(err, 0x10008);
      ok = false;
    }
    if (!ok) break;
    // Pad the last incomplete word with zero bytes.
    const uint32_t padded = (got + sizeof(Word) - 1) / sizeof(Word) * sizeof(Word);
    std::memset(buffer + got, 0, padded - got);
    for (uint32_t i = 0; i < padded; i += sizeof(Word)) {
      Word w = 0;
      for (size_t k = sizeof(Word); k-- > 0;) w = static_cast<Word>((w << 8) | buffer[i + k]);
      sum ^= w;
    }
    left -= got;
  }
  std::free(buffer);
  int32_t restore = 0;
  FileSeek(handle, static_cast<uint32_t>(saved), static_cast<int32_t>(static_cast<uint64_t>(saved) >> 32),
           kFileBegin, ok ? err : &restore);
  if (!ok || (err != nullptr && *err != 0)) return 0;
  return sum;
}

}  // namespace

VMLIB_EXPORT uint32_t FileGetChecksum32(FileHandle handle, ErrorStatus err) {
  return Checksum<uint32_t>(handle, err);
}
VMLIB_EXPORT uint64_t FileGetChecksum64(FileHandle handle, ErrorStatus err) {
  return Checksum<uint64_t>(handle, err);
}
