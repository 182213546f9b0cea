// The night-screen colour object (made at initialisation step 9).
#include "core/night_screen.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "core/init_steps.h"
#include "platform/system_colours.h"
#include "vmlib/bmp.h"

namespace vm {
namespace {

CNightScreen* g_nightScreen = nullptr;

constexpr uint32_t kColourRefSpecial = 0x80000000u;
constexpr int32_t kFormatX8R8G8B8 = 8;
constexpr int32_t kFormatA8R8G8B8 = 9;

struct SavedColour {
  uint32_t* address;
  uint32_t saved;
};

struct SavedBitmap {
  CBmp32* bitmap;
  CBmp32* copy;  // the undimmed pixels while night mode is active
};

struct Listener {
  NightScreenListener callback;
  void* userData;
};

// Rows of a surface that can be touched: positive size, and a row length
// that fits in the pitch.
bool UsableRows(const BmpSurfaceDesc& s, int32_t bytesPerPixel) {
  if (s.width <= 0 || s.height <= 0) return false;
  const int64_t rowBytes = int64_t{s.width} * bytesPerPixel;
  return rowBytes <= std::abs(int64_t{s.pitch});
}

class NightScreen final : public CNightScreen {
public:
  ~NightScreen() override {
    // The library goes: put back what is still dimmed, without telling the
    // listeners, whose owners may be gone already.
    if (active_) SwitchOff();
    for (SavedBitmap& b : bitmaps_) ReleaseCopy(b);
  }

  void DimPixels(void* pixels, const BmpSurfaceDesc* surface) override {
    if (!active_ || pixels == nullptr || surface == nullptr) return;
    const BmpSurfaceDesc& s = *surface;
    if (s.pixelFormat != kFormatX8R8G8B8 && s.pixelFormat != kFormatA8R8G8B8) return;
    DimSurface32(pixels, s);
  }

  uint32_t DimColour(uint32_t colour) override { return active_ ? DimLowBytes(colour, factor_) : colour; }

  void DimBitmap(CBmp32* bitmap) override {
    if (!active_ || bitmap == nullptr) return;
    BmpSurfaceDesc desc{};
    bitmap->GetSurfaceDesc(&desc);
    DimSurface32(bitmap->GetPixels(), desc);
  }

  uint32_t DimColourRef(uint32_t colour) override { return active_ ? DimRef(colour) : colour; }

  void DimRgbRows(void* rows, const BmpSurfaceDesc* surface) override {
    if (!active_ || rows == nullptr || surface == nullptr) return;
    const BmpSurfaceDesc& s = *surface;
    if (!UsableRows(s, 3)) return;
    for (int32_t y = 0; y < s.height; ++y) {
      auto* p = static_cast<uint8_t*>(rows) + int64_t{y} * s.pitch;
      for (int32_t x = 0; x < s.width * 3; ++x) p[x] = static_cast<uint8_t>((p[x] * factor_) >> 8);
    }
  }

  bool IsActive() override { return active_; }
  double GetBrightness() override { return brightness_; }
  double GetMaxBrightness() override { return maximum_; }
  double GetMinBrightness() override { return minimum_; }

  void RegisterColour(uint32_t* colour) override { RegisterValue(colours_, colour, false); }
  void RegisterColourRef(uint32_t* colourRef) override { RegisterValue(colourRefs_, colourRef, true); }

  void RegisterBitmap(CBmp32* bitmap) override {
    if (bitmap == nullptr) return;
    const bool known = FindBitmap(bitmap) != nullptr;
    bitmaps_.push_back({bitmap, nullptr});
    if (active_ && !known) SaveAndDim(bitmaps_.back());
  }

  void AddListener(NightScreenListener listener, void* userData) override {
    if (listener != nullptr) listeners_.push_back({listener, userData});
  }

  void SetActive(bool active) override {
    if (active == active_) return;
    if (active)
      SwitchOn();
    else
      SwitchOff();
    Notify(active ? kNightEventOn : kNightEventOff);
  }

  void SetBrightness(float brightness) override {
    if (std::isnan(brightness)) return;
    brightness_ = std::clamp(static_cast<double>(brightness), minimum_, maximum_);
    factor_ = BrightnessFactor(brightness_);
    if (active_) Redim();
    Notify(kNightEventBrightness);
  }

  void SetMaxBrightness(float brightness) override {
    if (std::isnan(brightness)) return;
    maximum_ = std::clamp(static_cast<double>(brightness), minimum_, 1.0);
    SetBrightness(static_cast<float>(brightness_));
  }

  void SetMinBrightness(float brightness) override {
    if (std::isnan(brightness)) return;
    minimum_ = std::clamp(static_cast<double>(brightness), 0.0, maximum_);
    SetBrightness(static_cast<float>(brightness_));
  }

  void UnregisterColour(uint32_t* colour) override { UnregisterValue(colours_, colour); }
  void UnregisterColourRef(uint32_t* colourRef) override { UnregisterValue(colourRefs_, colourRef); }

  void UnregisterBitmap(CBmp32* bitmap) override {
    for (auto it = bitmaps_.rbegin(); it != bitmaps_.rend(); ++it) {
      if (it->bitmap != bitmap) continue;
      SavedBitmap removed = *it;
      bitmaps_.erase(std::next(it).base());
      // A bitmap registered twice stays dimmed until its last entry goes.
      if (SavedBitmap* other = FindBitmap(bitmap)) {
        if (removed.copy != nullptr) other->copy = removed.copy;
      } else {
        RestoreAndRelease(removed);
      }
      return;
    }
  }

  void RemoveListener(NightScreenListener listener, void* userData) override {
    for (auto it = listeners_.rbegin(); it != listeners_.rend(); ++it) {
      if (it->callback == listener && it->userData == userData) {
        listeners_.erase(std::next(it).base());
        return;
      }
    }
  }

private:
  uint32_t DimRef(uint32_t colour) const {
    return (colour & kColourRefSpecial) ? colour : DimLowBytes(colour, factor_);
  }

  void DimSurface32(void* pixels, const BmpSurfaceDesc& s) const {
    if (pixels == nullptr || !UsableRows(s, 4)) return;
    for (int32_t y = 0; y < s.height; ++y) {
      auto* row = static_cast<uint8_t*>(pixels) + int64_t{y} * s.pitch;
      for (int32_t x = 0; x < s.width; ++x) {
        uint32_t v;
        std::memcpy(&v, row + 4 * x, 4);
        v = DimLowBytes(v, factor_);
        std::memcpy(row + 4 * x, &v, 4);
      }
    }
  }

  static SavedColour* FindValue(std::vector<SavedColour>& list, uint32_t* address) {
    for (SavedColour& c : list) {
      if (c.address == address) return &c;
    }
    return nullptr;
  }

  SavedBitmap* FindBitmap(CBmp32* bitmap) {
    for (SavedBitmap& b : bitmaps_) {
      if (b.bitmap == bitmap) return &b;
    }
    return nullptr;
  }

  // A variable registered twice is dimmed once: the later entry shares the
  // earlier one's undimmed value.
  void RegisterValue(std::vector<SavedColour>& list, uint32_t* address, bool isRef) {
    if (address == nullptr) return;
    const SavedColour* known = FindValue(list, address);
    const uint32_t saved = known != nullptr && active_ ? known->saved : *address;
    list.push_back({address, saved});
    if (active_ && known == nullptr) *address = isRef ? DimRef(*address) : DimLowBytes(*address, factor_);
  }

  void UnregisterValue(std::vector<SavedColour>& list, uint32_t* address) {
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
      if (it->address != address) continue;
      const uint32_t saved = it->saved;
      list.erase(std::next(it).base());
      if (active_ && FindValue(list, address) == nullptr) *address = saved;
      return;
    }
  }

  void SaveAndDim(SavedBitmap& b) {
    b.copy = Bmp32Create(0, 0, false);
    // Without an undimmed copy the bitmap could never be restored; leave it.
    if (b.copy == nullptr) return;
    b.copy->CopyFrom(b.bitmap);
    DimBitmap(b.bitmap);
  }

  void RestoreAndRelease(SavedBitmap& b) {
    if (b.copy == nullptr) return;
    b.bitmap->CopyFrom(b.copy);
    ReleaseCopy(b);
  }

  static void ReleaseCopy(SavedBitmap& b) {
    ObjectDelete(b.copy);
    b.copy = nullptr;
  }

  // Colour values are taken at the switch, so a value set while night mode
  // was off is the one that comes back.
  // Visual styles would have to be switched off first, but the theme library
  // never exists here (ThemesEnabled is false).
  void SwitchOn() {
    active_ = true;
    for (int32_t i = 0; i < kSystemColourCount; ++i) savedSystem_[i] = GetSystemColour(i);
    for (SavedColour& c : colours_) c.saved = *c.address;
    for (SavedColour& c : colourRefs_) c.saved = *c.address;
    for (SavedBitmap& b : bitmaps_) {
      if (FindBitmap(b.bitmap) == &b) SaveAndDim(b);
    }
    WriteDimmedValues();
  }

  void SwitchOff() {
    active_ = false;
    int32_t indexes[kSystemColourCount];
    for (int32_t i = 0; i < kSystemColourCount; ++i) indexes[i] = i;
    SetSystemColours(kSystemColourCount, indexes, savedSystem_);
    for (SavedBitmap& b : bitmaps_) RestoreAndRelease(b);
    for (const SavedColour& c : colours_) *c.address = c.saved;
    for (const SavedColour& c : colourRefs_) *c.address = c.saved;
  }

  void WriteDimmedValues() {
    int32_t indexes[kSystemColourCount];
    uint32_t dimmed[kSystemColourCount];
    for (int32_t i = 0; i < kSystemColourCount; ++i) {
      indexes[i] = i;
      dimmed[i] = DimRef(savedSystem_[i]);
    }
    SetSystemColours(kSystemColourCount, indexes, dimmed);
    for (const SavedColour& c : colours_) *c.address = DimLowBytes(c.saved, factor_);
    for (const SavedColour& c : colourRefs_) *c.address = DimRef(c.saved);
  }

  void Redim() {
    for (SavedBitmap& b : bitmaps_) {
      if (b.copy == nullptr) continue;
      b.bitmap->CopyFrom(b.copy);
      DimBitmap(b.bitmap);
    }
    WriteDimmedValues();
  }

  // A listener may add or remove listeners; those called are the ones
  // present when the event happened.
  void Notify(int32_t event) {
    const std::vector<Listener> now = listeners_;
    for (const Listener& l : now) l.callback(l.userData, this, event);
  }

  bool active_ = false;
  double brightness_ = 0.5;
  double maximum_ = 1.0;
  double minimum_ = 0.0;
  int32_t factor_ = BrightnessFactor(0.5);
  std::vector<SavedColour> colours_;
  std::vector<SavedColour> colourRefs_;
  std::vector<SavedBitmap> bitmaps_;
  std::vector<Listener> listeners_;
  uint32_t savedSystem_[kSystemColourCount] = {};
};

}  // namespace

int32_t BrightnessFactor(double brightness) {
  return static_cast<int32_t>(std::floor(brightness * 256 + 0.5));
}

uint32_t DimLowBytes(uint32_t value, int32_t factor) {
  const auto f = static_cast<uint32_t>(factor);
  const uint32_t b0 = ((value & 0xFF) * f) >> 8;
  const uint32_t b1 = (((value >> 8) & 0xFF) * f) >> 8;
  const uint32_t b2 = (((value >> 16) & 0xFF) * f) >> 8;
  return (value & 0xFF000000u) | (std::min(b2, 255u) << 16) | (std::min(b1, 255u) << 8) | std::min(b0, 255u);
}

CNightScreen* NightScreenCreate() { return new NightScreen; }

void init::NightScreen() {
  RegisterFinalizer([] {
    delete g_nightScreen;
    g_nightScreen = nullptr;
  });
  g_nightScreen = NightScreenCreate();
}

}  // namespace vm

VMLIB_EXPORT CNightScreen* GetNightScreen() { return vm::g_nightScreen; }
