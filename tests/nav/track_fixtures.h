// Byte builders and small helpers for the track tests.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "core/str_internal.h"
#include "vmlib/frame.h"
#include "vmlib/tracks.h"

namespace tracktest {

// Little-endian bytes as the track file stores them.
struct Bytes {
  std::vector<uint8_t> b;
  Bytes& raw(const std::string& s) {
    b.insert(b.end(), s.begin(), s.end());
    return *this;
  }
  Bytes& le(uint64_t v, int n) {
    for (int i = 0; i < n; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return *this;
  }
  Bytes& u8(uint8_t v) { return le(v, 1); }
  Bytes& u16(uint16_t v) { return le(v, 2); }
  Bytes& i16(int16_t v) { return le(static_cast<uint16_t>(v), 2); }
  Bytes& i32(int32_t v) { return le(static_cast<uint32_t>(v), 4); }
  Bytes& u32(uint32_t v) { return le(v, 4); }
  Bytes& f64(double v) {
    uint64_t r;
    std::memcpy(&r, &v, 8);
    return le(r, 8);
  }
  Bytes& str8(const std::string& s) { return u8(static_cast<uint8_t>(s.size())).raw(s); }
  Bytes& str32(const std::string& s) { return i32(static_cast<int32_t>(s.size())).raw(s); }
  // An 80-bit x87 value of a finite, normal double.
  Bytes& f80(double v) {
    if (v == 0) return le(0, 8).le(0, 2);
    int exp;
    const double m = std::frexp(std::fabs(v), &exp);  // m in [0.5, 1)
    const auto mantissa = static_cast<uint64_t>(std::ldexp(m, 64));
    const uint16_t se = static_cast<uint16_t>((exp - 1 + 16383) | (v < 0 ? 0x8000 : 0));
    return le(mantissa, 8).le(se, 2);
  }
  Bytes& pad(size_t n) {
    b.insert(b.end(), n, 0);
    return *this;
  }
};

inline void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

// Owns a Str for the length of a test.
struct S {
  explicit S(const std::string& text) : p(StrCreate(text.data(), static_cast<int32_t>(text.size()))) {}
  ~S() { StrDelete(p); }
  operator const Str*() const { return p; }
  Str* p;
};

// Owns a track.
struct Track {
  explicit Track(CNavTrack* t) : p(t) {}
  ~Track() { ObjectDelete(p); }
  CNavTrack* operator->() const { return p; }
  CNavTrack* p;
};

constexpr double kDegree = M_PI / 180.0;
constexpr double kSecond = 1.0 / 86400.0;  // in days

}  // namespace tracktest
