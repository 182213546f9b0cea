// Track logging and track files. Logging is fed the fixes of a boat under way
// (straight legs, turns, speed changes, gaps), so thinning works as it does at
// sea. Saving and loading are timed against a plain write and read of the
// same number of bytes in the same folder.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <numbers>
#include <random>
#include <string>
#include <vector>

#include "make_large_db/sailing.h"
#include "support/summary.h"
#include "vmlib/frame.h"
#include "vmlib/tracks.h"

namespace {

namespace fs = std::filesystem;

constexpr double kDegree = std::numbers::pi / 180.0;
constexpr int kLogFixes = 200000;         // one logging round without write-through
constexpr int kWriteThroughFixes = 2000;  // one round with it (a file write per kept fix)
constexpr int kFilePoints = 500000;       // points of the saved and loaded track

struct Fix {
  double time;         // day count
  double position[2];  // radians
};

// The fixes of the generated databases' boat (10 or 30 s apart, a few gaps).
std::vector<Fix> SailingLog(int count) {
  std::mt19937_64 random(11);
  largedb::Boat boat(random, 45000.25, 54.2, 7.9);
  std::vector<Fix> log;
  log.reserve(count);
  for (int i = 0; i < count; ++i) {
    const largedb::Fix f = boat.Next();
    log.push_back({f.dayCount, {f.latitude * kDegree, f.longitude * kDegree}});
  }
  return log;
}

// A folder of its own for the benchmark's files, removed at exit.
const fs::path& Folder() {
  static const struct TempFolder {
    fs::path path;
    TempFolder() {
      std::string pattern = (fs::temp_directory_path() / "tracks-bench-XXXXXX").string();
      if (mkdtemp(pattern.data()) == nullptr) {
        std::perror("tracks_bench: mkdtemp");
        std::exit(1);
      }
      path = pattern;
    }
    ~TempFolder() {
      std::error_code ec;
      fs::remove_all(path, ec);
    }
  } folder;
  return folder.path;
}

struct OwnedStr {
  explicit OwnedStr(const std::string& s) : p(StrCreate(s.data(), static_cast<int32_t>(s.size()))) {}
  ~OwnedStr() { StrDelete(p); }
  OwnedStr(const OwnedStr&) = delete;
  OwnedStr& operator=(const OwnedStr&) = delete;
  Str* p;
};

void Fail(benchmark::State& state, const char* what, int32_t err) {
  char text[128];
  std::snprintf(text, sizeof text, "%s failed with code 0x%x", what, static_cast<unsigned>(err));
  state.SkipWithError(text);
}

void Log(benchmark::State& state, int writeThrough, int fixes) {
  const std::vector<Fix> log = SailingLog(fixes);
  const OwnedStr file((Folder() / "logging.trk").string());
  int64_t kept = 0;
  for (auto _ : state) {
    CNavTrack* track = NavTrackCreate1(writeThrough);
    track->SetFileName(file.p);
    int32_t err = 0;
    for (const Fix& f : log) {
      track->AddTrackPoint(f.time, f.position, &err);
      if (err != 0) break;
    }
    kept = track->GetPointCount();
    ObjectDelete(track);
    if (err != 0) return Fail(state, "AddTrackPoint", err);
  }
  state.SetItemsProcessed(state.iterations() * fixes);
  state.counters["kept"] = static_cast<double>(kept);
}

void BM_LoggingNoWriteThrough(benchmark::State& state) { Log(state, 0, kLogFixes); }
void BM_LoggingWriteThrough(benchmark::State& state) { Log(state, 1, kWriteThroughFixes); }

// A track every point of which stays: the boat zigzags 20° each second, so
// thinning keeps each fix. Saved once to learn the file's size.
struct SavedTrack {
  CNavTrack* track = nullptr;
  fs::path path;
  size_t bytes = 0;
  SavedTrack() {
    path = Folder() / "saved.trk";
    track = NavTrackCreate1(0);
    double lat = 54.2 * kDegree, lon = 7.9 * kDegree, time = 45000.25;
    int32_t err = 0;
    for (int i = 0; i < kFilePoints; ++i) {
      const double course = (i % 2 ? 20.0 : -20.0) * kDegree;
      lat += 5 * std::cos(course) / 6378137.0;
      lon += 5 * std::sin(course) / (6378137.0 * std::cos(lat));
      time += 1.0 / 86400.0;
      const double p[2] = {lat, lon};
      track->AddTrackPoint(time, p, &err);
    }
    const OwnedStr file(path.string());
    track->SaveToFile(file.p, &err);
    if (err != 0 || track->GetPointCount() < kFilePoints / 2) {
      std::fprintf(stderr, "tracks_bench: cannot make the saved track (code 0x%x)\n",
                   static_cast<unsigned>(err));
      std::exit(1);
    }
    bytes = fs::file_size(path);
  }
  ~SavedTrack() { ObjectDelete(track); }
};

// Made on first use, deleted by main before the library is finalised.
SavedTrack* savedTrack = nullptr;
SavedTrack& Saved() {
  if (savedTrack == nullptr) savedTrack = new SavedTrack;
  return *savedTrack;
}

void BM_SaveToFile(benchmark::State& state) {
  SavedTrack& s = Saved();
  const OwnedStr file((Folder() / "save.trk").string());
  for (auto _ : state) {
    int32_t err = 0;
    s.track->SaveToFile(file.p, &err);
    if (err != 0) return Fail(state, "SaveToFile", err);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.bytes));
  state.counters["points"] = s.track->GetPointCount();
}

void BM_LoadFromFile(benchmark::State& state) {
  SavedTrack& s = Saved();
  const OwnedStr file(s.path.string());
  CNavTrack* track = NavTrackCreate1(0);
  for (auto _ : state) {
    int32_t err = 0;
    track->LoadFromFile(file.p, &err);
    if (err != 0) {
      ObjectDelete(track);
      return Fail(state, "LoadFromFile", err);
    }
  }
  ObjectDelete(track);
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(s.bytes));
}

// The floor: the same number of bytes written with one write(2) to a new file.
void BM_PlainWrite(benchmark::State& state) {
  const std::vector<char> bytes(Saved().bytes, 'x');
  const std::string path = (Folder() / "plain.bin").string();
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || write(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        close(fd) != 0)
      return state.SkipWithError("plain write failed");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

// The floor of loading: the saved file read with one read(2).
void BM_PlainRead(benchmark::State& state) {
  const std::string path = Saved().path.string();
  std::vector<char> bytes(Saved().bytes);
  for (auto _ : state) {
    const int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0 || read(fd, bytes.data(), bytes.size()) != static_cast<ssize_t>(bytes.size()) ||
        close(fd) != 0)
      return state.SkipWithError("plain read failed");
    benchmark::DoNotOptimize(bytes.data());
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(bytes.size()));
}

BENCHMARK(BM_LoggingNoWriteThrough)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoggingWriteThrough)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveToFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainWrite)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadFromFile)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlainRead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
  VmLibInitialize("vmlib.dll");
  benchsummary::Reporter reporter;
  if (!benchsummary::RunAll(&argc, argv, &reporter)) return 1;
  auto ratio = [&](const char* ours, const char* floor) {
    const double b = reporter.Rate(floor);
    return b > 0 ? reporter.Rate(ours) / b : 0.0;
  };
  std::printf("\n");
  benchsummary::PrintRow("Logging, no write-through", reporter.Rate("BM_LoggingNoWriteThrough") / 1e6,
                         "Mpt/s", 5.0);
  benchsummary::PrintRow("Logging, write-through", reporter.Rate("BM_LoggingWriteThrough") / 1e3, "kpt/s", 0);
  benchsummary::PrintRow("SaveToFile", reporter.Rate("BM_SaveToFile") / 1e6, "MB/s", 0);
  benchsummary::PrintRow("SaveToFile / plain write", ratio("BM_SaveToFile", "BM_PlainWrite"), "x", 0.8);
  benchsummary::PrintRow("LoadFromFile", reporter.Rate("BM_LoadFromFile") / 1e6, "MB/s", 0);
  benchsummary::PrintRow("LoadFromFile / plain read", ratio("BM_LoadFromFile", "BM_PlainRead"), "x", 0.8);
  benchsummary::PrintRow("LoadFromFile / plain write", ratio("BM_LoadFromFile", "BM_PlainWrite"), "x", 0.8);
  delete savedTrack;
  VmLibFinalize();
  return 0;
}
