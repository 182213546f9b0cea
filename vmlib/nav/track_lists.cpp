// The track list and the display's draw list.
#include <memory>
#include <new>
#include <vector>

#include "vmlib/tracks.h"

namespace vm {
namespace {

class CNavTrackListImpl final : public CNavTrackList {
public:
  int32_t Add(CNavTrack* track) override {
    tracks_.push_back(track);
    return static_cast<int32_t>(tracks_.size()) - 1;
  }
  int32_t GetCount() override { return static_cast<int32_t>(tracks_.size()); }
  CNavTrack* Get(int32_t index) override {
    return index >= 0 && index < GetCount() ? tracks_[static_cast<size_t>(index)] : nullptr;
  }
  void Clear() override { tracks_.clear(); }

private:
  std::vector<CNavTrack*> tracks_;  // not owned
};

class CNavTrackDrawListImpl final : public CNavTrackDrawList {
public:
  NavTrackDrawItem* AddItem(CNavTrack* track) override {
    auto item = std::make_unique<NavTrackDrawItem>();
    item->track = track;
    item->lineCount = 0;
    items_.push_back(std::move(item));
    return items_.back().get();
  }
  int32_t GetCount() override { return static_cast<int32_t>(items_.size()); }
  NavTrackDrawItem* GetItem(int32_t index) override {
    return index >= 0 && index < GetCount() ? items_[static_cast<size_t>(index)].get() : nullptr;
  }
  void AddLine(NavTrackDrawItem* item, int32_t first, int32_t last) override {
    if (item == nullptr) return;
    const int32_t keep = item->lineCount < kNavTrackDrawLines ? item->lineCount : kNavTrackDrawLines - 1;
    for (int32_t i = keep; i > 0; --i) item->lines[i] = item->lines[i - 1];
    item->lines[0] = {first, last};
    item->lineCount = keep + 1;
  }

private:
  std::vector<std::unique_ptr<NavTrackDrawItem>> items_;
};

}  // namespace
}  // namespace vm

VMLIB_EXPORT CNavTrackList* NavTrackListCreate() { return new (std::nothrow) vm::CNavTrackListImpl; }

VMLIB_EXPORT CNavTrackDrawList* NavTrackDrawListCreate() {
  return new (std::nothrow) vm::CNavTrackDrawListImpl;
}

VMLIB_EXPORT int32_t FindTrackLineIndex(double time, const NavTrackDrawItem* item) {
  if (item == nullptr || item->track == nullptr || item->lineCount <= 0) return -1;
  CNavTrack* track = item->track;
  auto endTime = [&](int32_t i) { return track->GetPoint(item->lines[i].last)->time; };
  auto startTime = [&](int32_t i) { return track->GetPoint(item->lines[i].first)->time; };
  const int32_t n = item->lineCount < kNavTrackDrawLines ? item->lineCount : kNavTrackDrawLines;
  if (time > endTime(0)) return -1;
  // Lines are newest first, so end times fall with the index: find the last
  // line that still ends at or after the time.
  int32_t lo = 0, hi = n - 1;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo + 1) / 2;
    if (endTime(mid) >= time)
      lo = mid;
    else
      hi = mid - 1;
  }
  return startTime(lo) <= time ? lo : -1;
}
