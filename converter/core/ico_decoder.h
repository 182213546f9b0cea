// Windows icon files (.ico) of the old program's waypoint types.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace conv {

// A decoded icon: rows top-down, four bytes per pixel in the order blue,
// green, red, alpha. The icon is composed over white, as drawing it on a new
// bitmap does, so every alpha byte is 255.
struct IconImage {
  uint32_t width = 0;
  uint32_t height = 0;
  std::vector<uint8_t> pixels;  // width * height * 4
};

// Decodes the entry closest to 32 × 32 (smallest |w - 32| + |h - 32|; among
// equals the one with the most colours, then the first). Entries are DIBs of
// 1, 4, 8, 24 or 32 bits per pixel with their AND mask (a 32-bit entry with
// any non-zero alpha is blended by its alpha, its mask ignored), or PNG
// images. False, with the reason in error, for anything that is not a valid
// icon; nothing is read beyond the bytes given.
bool DecodeIco(std::span<const uint8_t> bytes, IconImage& out, std::string* error = nullptr);

// Reads and decodes a file (at most 16 MiB).
bool LoadIcoFile(const std::filesystem::path& path, IconImage& out, std::string* error = nullptr);

}  // namespace conv
