// Writes the seed corpora: small valid inputs of every version and kind,
// made by the system's own writers where it has one and by byte builders
// for the formats it only reads. Usage: fuzz_seed_generator <corpus folder>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "ico_decoder.h"
#include "nav/track_fixtures.h"
#include "source_stream.h"
#include "vmlib/bmp.h"
#include "vmlib/tracks.h"

namespace {
namespace fs = std::filesystem;
using tracktest::Bytes;
using Buffer = std::vector<uint8_t>;

fs::path g_root;

void Put(const std::string& target, const std::string& name, const Buffer& bytes) {
  const fs::path dir = g_root / target;
  fs::create_directories(dir);
  tracktest::WriteFile((dir / name).string(), bytes);
}

Buffer Prefixed(uint8_t selector, const Buffer& file) {
  Buffer out{selector};
  out.insert(out.end(), file.begin(), file.end());
  return out;
}

const std::string kTrackMagic = "AKRM4L_TrackFile";

// A track with times saved by the track writer (the current version).
Buffer SavedTrack(const fs::path& scratch) {
  CNavTrack* track = NavTrackCreate1(0);
  int32_t err = 0;
  for (int i = 0; i < 6; ++i) {
    const double position[2] = {(50.0 + i * 0.001) * tracktest::kDegree,
                                (7.0 + (i % 3) * 0.002) * tracktest::kDegree};
    track->AddTrackPoint(45000.0 + i * 10 * tracktest::kSecond, position, &err);
  }
  const vmfuzz::OwnedStr name("Harbour");
  track->SetName(name.get());
  const vmfuzz::OwnedStr path((scratch / "saved.trk").string());
  track->SaveToFile(path.get(), &err);
  ObjectDelete(track);
  if (err != 0) std::fprintf(stderr, "saving the track failed: %d\n", err);
  return tracktest::ReadFile((scratch / "saved.trk").string());
}

void Tracks(const fs::path& scratch) {
  std::vector<std::pair<std::string, Buffer>> files = {
      {"v1.2-saved.trk", SavedTrack(scratch)},
      // 1.2 with an escaped time, position and distance in its records.
      {"v1.2-escapes.trk", Bytes()
                               .raw(kTrackMagic)
                               .u32(0x01020000)
                               .str8("Log")
                               .u8(1)
                               .f64(100)
                               .i32(5)
                               .i32(6)
                               .u16(10)
                               .i16(1)
                               .i16(1)
                               .u16(7)
                               .u16(0xFFFF)
                               .f64(100.5)
                               .i16(0x7FFF)
                               .i32(40000)
                               .i32(2000)
                               .u16(0xFFFF)
                               .i32(90000)
                               .f64(100.5)
                               .i32(90000)
                               .i32(3)
                               .b},
      {"v1.2-no-times.trk", Bytes()
                                .raw(kTrackMagic)
                                .u32(0x01020000)
                                .str8("Plain")
                                .u8(0)
                                .i32(5)
                                .i32(6)
                                .i16(1)
                                .i16(0)
                                .u16(2)
                                .f64(0)
                                .i32(2)
                                .i32(2)
                                .b},
      {"v1.1.trk", Bytes()
                       .raw(kTrackMagic)
                       .u32(0x01010000)
                       .str32("Old")
                       .f64(200)
                       .i32(5)
                       .i32(6)
                       .u16(10)
                       .i16(1)
                       .i16(1)
                       .u16(7)
                       .i32(456)
                       .f64(201)
                       .i32(2)
                       .b},
      {"v1.0.1.trk", Bytes()
                         .raw(kTrackMagic)
                         .u32(0x01000001)
                         .str32("Older")
                         .f64(300)
                         .i32(1000)
                         .i32(2000)
                         .pad(20)
                         .f64(301)
                         .i32(1010)
                         .i32(2010)
                         .pad(20)
                         .b},
      {"v1.0.trk", Bytes()
                       .raw(kTrackMagic)
                       .u32(0x01000000)
                       .f64(400)
                       .pad(28)
                       .f64(401)
                       .i32(5)
                       .i32(5)
                       .pad(20)
                       .f64(402)
                       .pad(28)
                       .b},
  };
  for (const auto& [name, bytes] : files) {
    Put("track_info", name, bytes);
    Put("track_load", name, bytes);
  }
}

// A 5 x 3 picture with a gradient and some transparency, saved in the
// formats the BMP writer offers.
void Images(const fs::path& scratch) {
  CBmp32* bitmap = Bmp32Create(5, 3, false);
  for (int32_t y = 0; y < 3; ++y)
    for (int32_t x = 0; x < 5; ++x)
      bitmap->GetRow(y)[x] =
          (x == 0 ? 0x80u : 0xFFu) << 24 | (x * 50u) << 16 | (y * 90u) << 8 | ((x + y) % 2 ? 3u : 200u);
  const struct {
    const char* name;
    int32_t format;
    int32_t compression;
  } saves[] = {
      {"rgb555.bmp", kPixX1R5G5B5, 0}, {"rgb24.bmp", kPixB8G8R8, 0}, {"argb32.bmp", kPixA8R8G8B8, 0}};
  for (const auto& s : saves) {
    const fs::path file = scratch / s.name;
    const vmfuzz::OwnedStr path(file.string());
    int32_t status = 0;
    bitmap->Save(path.get(), s.format, s.compression, &status);
    if (status != 0) {
      std::fprintf(stderr, "saving %s failed: %d\n", s.name, status);
      continue;
    }
    const Buffer bytes = tracktest::ReadFile(file.string());
    const bool alpha = s.format == kPixA8R8G8B8 || s.format == kPixX1R5G5B5;
    Put("image", std::string("bmp-") + s.name, Prefixed(alpha ? 0x08 : 0x00, bytes));
    if (s.format == kPixB8G8R8) Put("image", std::string("bmp16-") + s.name, Prefixed(0x04, bytes));
    if (s.format == kPixB8G8R8) {
      Buffer scrambled = bytes;
      for (uint8_t& b : scrambled) b ^= 0xA5;
      Put("image", std::string("wa-") + s.name, Prefixed(0x03, scrambled));
    }
  }
  ObjectDelete(bitmap);

  // Palette BMPs (the writer only saves palette formats from palette pixels):
  // 40-byte info header, palette, pixels.
  auto bmp40 = [](int32_t w, int32_t h, uint16_t bits, uint32_t compression, uint32_t colours,
                  const std::string& px) {
    const uint32_t offset = 14 + 40 + 4 * colours;
    Bytes b;
    b.raw("BM").u32(offset + static_cast<uint32_t>(px.size())).u32(0).u32(offset);
    b.u32(40).i32(w).i32(h).u16(1).u16(bits).u32(compression).u32(static_cast<uint32_t>(px.size()));
    b.u32(2835).u32(2835).u32(colours).u32(0);
    for (uint32_t i = 0; i < colours; ++i) b.u32(0x00050A0Fu * i);
    return b.raw(px).b;
  };
  Put("image", "bmp-pal8-rle.bmp",
      Prefixed(0x00,
               bmp40(5, 3, 8, 1, 8, std::string("\3\1\0\2\7\0\0\0\5\2\0\2\1\1\0\0\0\3\1\2\3\0\0\1", 24))));
  Put("image", "bmp-pal4-rle.bmp",
      Prefixed(0x00, bmp40(4, 2, 4, 2, 16, std::string("\4\x12\0\0\0\4\x34\x56\0\1", 10))));
  Put("image", "bmp-pal4.bmp",
      Prefixed(0x00, bmp40(3, 2, 4, 0, 16, std::string("\x12\x30\0\0\x45\x60\0\0", 8))));
  Put("image", "bmp-pal1-topdown.bmp",
      Prefixed(0x00, bmp40(9, -2, 1, 0, 2, std::string("\xA5\x80\0\0\x5A\0\0\0", 8))));

  // TGA: uncompressed true colour, run-length 32-bit top-down, colour-mapped.
  auto tga = [](uint8_t mapType, uint8_t type, uint16_t mapLength, uint8_t entryBits, uint16_t w, uint16_t h,
                uint8_t depth, uint8_t descriptor) {
    return Bytes()
        .u8(0)
        .u8(mapType)
        .u8(type)
        .u16(0)
        .u16(mapLength)
        .u8(entryBits)
        .u32(0)
        .u16(w)
        .u16(h)
        .u8(depth)
        .u8(descriptor);
  };
  Put("image", "tga-rgb24.tga",
      Prefixed(0x02, tga(0, 2, 0, 0, 2, 2, 24, 0).raw("\1\2\3\4\5\6\7\10\11\12\13\14").b));
  Put("image", "tga-rle32.tga",
      Prefixed(0x02, tga(0, 10, 0, 0, 2, 2, 32, 0x28)
                         .raw(std::string("\x81\1\2\3\4\x01\5\6\7\x80\x01\1\2\3\4\x81\11\12\13\14", 20))
                         .raw(std::string(8, '\0'))
                         .raw("TRUEVISION-XFILE.")
                         .u8(0)
                         .b));
  Put("image", "tga-mapped.tga",
      Prefixed(0x02, tga(1, 1, 2, 16, 2, 1, 8, 0).u16(0x001F).u16(0x7C00).u8(1).u8(0).b));
  Put("image", "tga-rgb16.tga", Prefixed(0x0A, tga(0, 2, 0, 0, 2, 1, 16, 0x21).u16(0xFC00).u16(0x03E0).b));

  // PCX: 8-bit run-length with its 256-colour palette, 4 planes of 1 bit, 24-bit in 3 planes.
  auto pcx = [](uint8_t bits, uint16_t xmax, uint16_t ymax, uint8_t planes, uint16_t bytesPerLine) {
    Bytes b;
    b.u8(10).u8(5).u8(1).u8(bits).u16(0).u16(0).u16(xmax).u16(ymax).u16(72).u16(72);
    for (int i = 0; i < 16; ++i)
      b.u8(static_cast<uint8_t>(i * 16)).u8(static_cast<uint8_t>(255 - i * 16)).u8(0x40);
    b.u8(0).u8(planes).u16(bytesPerLine);
    b.b.resize(128, 0);
    return b;
  };
  {
    Bytes p = pcx(8, 3, 1, 1, 4);
    p.u8(0xC2).u8(5).u8(7).u8(0xC1).u8(0xC8).u8(1).u8(2).u8(3).u8(4).u8(12);
    for (int i = 0; i < 256; ++i) p.u8(static_cast<uint8_t>(i)).u8(static_cast<uint8_t>(i ^ 0x55)).u8(0x80);
    Put("image", "pcx-pal8.pcx", Prefixed(0x01, p.b));
  }
  Put("image", "pcx-planar4.pcx",
      Prefixed(0x01, pcx(1, 7, 1, 4, 2).raw(std::string("\x80\0\x40\0\x60\0\x70\0\1\0\2\0\4\0\10\0", 16)).b));
  Put("image", "pcx-rgb24.pcx",
      Prefixed(0x05, pcx(8, 1, 0, 3, 2).raw(std::string("\x10\x20\xC2\x30\x40\x50", 6)).b));
}

// Icons: a 4-bit and a 32-bit DIB entry with their masks.
void Icons() {
  auto dib = [](uint32_t side, uint16_t bits) {
    Bytes b;
    b.u32(40)
        .i32(static_cast<int32_t>(side))
        .i32(static_cast<int32_t>(side * 2))
        .u16(1)
        .u16(bits)
        .u32(0)
        .u32(0);
    b.u32(0).u32(0).u32(0).u32(0);
    const uint32_t colours = bits <= 8 ? 1u << bits : 0;
    for (uint32_t i = 0; i < colours; ++i) b.u32(0x00102030u * i);
    const uint32_t xorPitch = (side * bits + 31) / 32 * 4, andPitch = (side + 31) / 32 * 4;
    for (uint32_t y = 0; y < side; ++y)
      for (uint32_t x = 0; x < xorPitch; ++x) b.u8(static_cast<uint8_t>(x * 37 + y * 11));
    for (uint32_t y = 0; y < side; ++y)
      for (uint32_t x = 0; x < andPitch; ++x) b.u8(y % 2 ? 0x0F : 0x00);
    return b.b;
  };
  auto ico = [](const std::vector<std::pair<uint32_t, Buffer>>& entries, uint16_t bits) {
    Bytes b;
    b.u16(0).u16(1).u16(static_cast<uint16_t>(entries.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(entries.size());
    for (const auto& [side, image] : entries) {
      b.u8(static_cast<uint8_t>(side)).u8(static_cast<uint8_t>(side)).u8(0).u8(0).u16(1).u16(bits);
      b.u32(static_cast<uint32_t>(image.size())).u32(offset);
      offset += static_cast<uint32_t>(image.size());
    }
    for (const auto& entry : entries) b.b.insert(b.b.end(), entry.second.begin(), entry.second.end());
    return b.b;
  };
  Put("ico", "dib4.ico", ico({{4, dib(4, 4)}}, 4));
  Put("ico", "dib32.ico", ico({{2, dib(2, 32)}}, 32));
  Put("ico", "two-entries.ico", ico({{3, dib(3, 8)}, {2, dib(2, 24)}}, 8));
  Put("ico", "dib1.ico", ico({{8, dib(8, 1)}}, 1));
}

// Table streams as the reading process writes them.
void Streams() {
  auto finish = [](conv::SourceStreamWriter& w, uint8_t codeSelector) {
    const std::string s = w.Take();
    Buffer out{codeSelector};
    out.insert(out.end(), s.begin(), s.end());
    return out;
  };
  {
    conv::SourceStreamWriter w(1);
    w.BeginTable("Waypoints", {{"ID", conv::SourceKind::Integer},
                               {"Name", conv::SourceKind::Text},
                               {"Lat", conv::SourceKind::Float},
                               {"Created", conv::SourceKind::DateTime},
                               {"Hidden", conv::SourceKind::Boolean},
                               {"Blob", conv::SourceKind::Other}});
    w.BeginRow(), w.Integer(1), w.Text("Harbour"), w.Float(0.5), w.Float(45000.25), w.Boolean(true), w.Null();
    w.BeginRow(), w.Null(), w.Text("K\xC3\xB6ln"), w.Null(), w.Null(), w.Boolean(false), w.Null();
    w.EndTable();
    w.BeginTable("Empty", {{"X", conv::SourceKind::Text}});
    w.EndTable();
    w.Finish();
    Put("source_stream", "two-tables.bin", finish(w, 0));
  }
  {
    conv::SourceStreamWriter w(0);
    w.Finish();
    Put("source_stream", "no-tables.bin", finish(w, 1));
  }
  {
    conv::SourceStreamWriter w(0);
    w.BeginTable("T", {{"A", conv::SourceKind::Integer}, {"B", conv::SourceKind::Text}});
    for (int i = 0; i < 3; ++i) w.BeginRow(), w.Integer(-i), w.Text(std::string(static_cast<size_t>(i), 'x'));
    w.EndTable();
    w.Finish();
    Put("source_stream", "rows.bin", finish(w, 2));
  }
}

void Texts() {
  const std::vector<std::string> texts = {
      "one\r\ntwo\r\nthree", "cr\rlone\nlf\r\n", "", "\r\n\r\n\r", "K\xC3\xB6ln\r\nM\xC3\xBCnchen\r\n",
  };
  for (size_t i = 0; i < texts.size(); ++i)
    Put("strlist_text", "text" + std::to_string(i), Buffer(texts[i].begin(), texts[i].end()));
}
}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <corpus folder>\n", argv[0]);
    return 2;
  }
  g_root = argv[1];
  vmfuzz::EnsureLibrary();
  const fs::path scratch = fs::temp_directory_path() / ("vmfuzz-seeds-" + std::to_string(getpid()));
  fs::create_directories(scratch);
  Tracks(scratch);
  Images(scratch);
  Icons();
  Streams();
  Texts();
  fs::remove_all(scratch);
  return 0;
}
