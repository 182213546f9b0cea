// Typed helpers over any stream: little-endian integers, strings, magic,
// copy.
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/str_internal.h"
#include "vmlib/streams.h"

namespace {

constexpr int32_t kCopyPiece = 65536;

}  // namespace

bool StreamReadBytes(CStream* s, void* buffer, int32_t count, ErrorStatus err) {
  if (count <= 0) {
    *err = 0;
    return true;
  }
  const int32_t n = s->Read(buffer, count, err);
  if (n == count && *err == 0) return true;
  // A memory stream reports a short read with no code; it is still one.
  if (*err == 0) *err = 0x10009;
  return false;
}

bool StreamWriteBytes(CStream* s, const void* buffer, int32_t count, ErrorStatus err) {
  if (count <= 0) {
    *err = 0;
    return true;
  }
  const int32_t n = s->Write(buffer, count, err);
  if (n == count && *err == 0) return true;
  if (*err == 0) *err = 0x1000B;
  return false;
}

namespace {

template <typename T>
bool WriteLittle(CStream* s, T value, ErrorStatus err) {
  uint8_t bytes[sizeof(T)];
  auto bits = static_cast<uint64_t>(value);
  for (size_t i = 0; i < sizeof(T); ++i, bits >>= 8) bytes[i] = static_cast<uint8_t>(bits);
  return StreamWriteBytes(s, bytes, sizeof(T), err);
}

template <typename T>
bool ReadLittle(CStream* s, T* value, ErrorStatus err) {
  uint8_t bytes[sizeof(T)];
  if (!StreamReadBytes(s, bytes, sizeof(T), err)) return false;
  uint64_t bits = 0;
  for (size_t i = sizeof(T); i-- > 0;) bits = (bits << 8) | bytes[i];
  *value = static_cast<T>(bits);
  return true;
}

}  // namespace

bool StreamWriteUInt8(CStream* s, uint8_t value, ErrorStatus err) { return WriteLittle(s, value, err); }
bool StreamWriteInt16(CStream* s, int16_t value, ErrorStatus err) { return WriteLittle(s, value, err); }
bool StreamWriteUInt16(CStream* s, uint16_t value, ErrorStatus err) { return WriteLittle(s, value, err); }
bool StreamWriteInt32(CStream* s, int32_t value, ErrorStatus err) { return WriteLittle(s, value, err); }
bool StreamWriteUInt32(CStream* s, uint32_t value, ErrorStatus err) { return WriteLittle(s, value, err); }
bool StreamWriteInt64(CStream* s, int64_t value, ErrorStatus err) { return WriteLittle(s, value, err); }
bool StreamWriteDouble(CStream* s, double value, ErrorStatus err) {
  uint64_t bits;
  std::memcpy(&bits, &value, sizeof bits);
  return WriteLittle(s, bits, err);
}
bool StreamReadUInt8(CStream* s, uint8_t* value, ErrorStatus err) { return ReadLittle(s, value, err); }
bool StreamReadInt16(CStream* s, int16_t* value, ErrorStatus err) { return ReadLittle(s, value, err); }
bool StreamReadUInt16(CStream* s, uint16_t* value, ErrorStatus err) { return ReadLittle(s, value, err); }
bool StreamReadInt32(CStream* s, int32_t* value, ErrorStatus err) { return ReadLittle(s, value, err); }
bool StreamReadUInt32(CStream* s, uint32_t* value, ErrorStatus err) { return ReadLittle(s, value, err); }
bool StreamReadInt64(CStream* s, int64_t* value, ErrorStatus err) { return ReadLittle(s, value, err); }
bool StreamReadDouble(CStream* s, double* value, ErrorStatus err) {
  uint64_t bits;
  if (!ReadLittle(s, &bits, err)) return false;
  std::memcpy(value, &bits, sizeof bits);
  return true;
}

bool StreamWriteString8(CStream* s, std::string_view text, ErrorStatus err) {
  const auto n = static_cast<uint8_t>(std::min<size_t>(text.size(), 255));
  return StreamWriteUInt8(s, n, err) && StreamWriteBytes(s, text.data(), n, err);
}
bool StreamWriteString8(CStream* s, const Str* text, ErrorStatus err) {
  return StreamWriteString8(s, vm::StrView(text), err);
}

bool StreamReadString8(CStream* s, std::string* out, ErrorStatus err) {
  out->clear();
  uint8_t n = 0;
  if (!StreamReadUInt8(s, &n, err)) return false;
  char bytes[255];
  if (!StreamReadBytes(s, bytes, n, err)) return false;
  out->assign(bytes, n);
  return true;
}
bool StreamReadString8(CStream* s, Str* out, ErrorStatus err) {
  std::string text;
  const bool ok = StreamReadString8(s, &text, err);
  if (!vm::StrAssign(out, text)) {
    *err = 0x6;
    return false;
  }
  return ok;
}

bool StreamWriteString32(CStream* s, std::string_view text, ErrorStatus err) {
  if (text.size() > 0x7FFFFFFF) {
    *err = 0x1001F;
    return false;
  }
  const auto n = static_cast<int32_t>(text.size());
  return StreamWriteInt32(s, n, err) && StreamWriteBytes(s, text.data(), n, err);
}
bool StreamWriteString32(CStream* s, const Str* text, ErrorStatus err) {
  return StreamWriteString32(s, vm::StrView(text), err);
}

bool StreamReadString32(CStream* s, std::string* out, ErrorStatus err) {
  out->clear();
  int32_t n = 0;
  if (!StreamReadInt32(s, &n, err)) return false;
  // Checked before anything is allocated: a damaged length must not ask for
  // more memory than the stream could ever fill.
  if (n < 0 || n > s->GetRemaining()) {
    *err = 0x1001F;
    return false;
  }
  std::string text(static_cast<size_t>(n), '\0');
  if (!StreamReadBytes(s, text.data(), n, err)) return false;
  *out = std::move(text);
  return true;
}
bool StreamReadString32(CStream* s, Str* out, ErrorStatus err) {
  std::string text;
  const bool ok = StreamReadString32(s, &text, err);
  if (!vm::StrAssign(out, text)) {
    *err = 0x6;
    return false;
  }
  return ok;
}

bool StreamReadExtended(CStream* s, double* value, ErrorStatus err) {
  uint8_t bytes[10];
  if (!StreamReadBytes(s, bytes, sizeof bytes, err)) return false;
  *value = ExtendedToDouble(bytes);
  return true;
}

bool StreamCheckMagic(CStream* s, const void* magic, int32_t length, ErrorStatus err) {
  if (length <= 0) {
    *err = 0;
    return true;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(length));
  if (!StreamReadBytes(s, bytes.data(), length, err)) return false;
  if (std::memcmp(bytes.data(), magic, bytes.size()) != 0) {
    *err = 0x10020;
    return false;
  }
  return true;
}

int64_t StreamCopy(CStream* destination, CStream* source, int64_t size, ErrorStatus err) {
  *err = 0;
  if (size <= 0) return 0;
  const auto bufferSize = static_cast<int32_t>(std::min<int64_t>(size, kCopyPiece));
  auto* buffer = static_cast<uint8_t*>(std::malloc(static_cast<size_t>(bufferSize)));
  if (buffer == nullptr) {
    *err = 0x6;
    return 0;
  }
  int64_t done = 0;
  while (done < size) {
    const auto piece = static_cast<int32_t>(std::min<int64_t>(size - done, bufferSize));
    const int32_t got = source->Read(buffer, piece, err);
    if (got <= 0) {
      if (*err == 0) *err = 0x10009;
      break;
    }
    // What was read is passed on even when the source ran short.
    const int32_t readError = (got < piece && *err == 0) ? 0x10009 : *err;
    if (!StreamWriteBytes(destination, buffer, got, err)) break;
    done += got;
    if (readError != 0) {
      *err = readError;
      break;
    }
  }
  std::free(buffer);
  return done;
}
