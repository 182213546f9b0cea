#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "core/night_screen.h"
#include "platform/system_colours.h"
#include "vmlib/bmp.h"
#include "vmlib/sysinfo.h"

namespace {

// A 32-bit bitmap of width x 1 with the given pixels.
CBmp32* Row(const std::vector<uint32_t>& pixels) {
  CBmp32* b = Bmp32Create(static_cast<int32_t>(pixels.size()), 1, false);
  std::copy(pixels.begin(), pixels.end(), b->GetPixels());
  return b;
}

std::vector<uint32_t> PixelsOf(const CBmp32* b) {
  return std::vector<uint32_t>(b->GetPixels(), b->GetPixels() + b->GetWidth() * b->GetHeight());
}

const BmpSurfaceDesc* Desc(const BmpSurfaceDesc& s) { return &s; }

class NightScreenTest : public ::testing::Test {
protected:
  void SetUp() override {
    vm::ResetSystemColours();
    night.reset(vm::NightScreenCreate());
  }
  void TearDown() override {
    night.reset();
    vm::ResetSystemColours();
  }
  std::unique_ptr<CNightScreen> night;
};

TEST(NightArithmetic, FactorAndChannels) {
  EXPECT_EQ(vm::BrightnessFactor(1.0), 256);
  EXPECT_EQ(vm::BrightnessFactor(0.5), 128);
  EXPECT_EQ(vm::BrightnessFactor(0.3), 77);  // 76.8 rounds up
  EXPECT_EQ(vm::BrightnessFactor(0.0), 0);
  struct Case {
    uint32_t in;
    int32_t factor;
    uint32_t out;
  };
  for (const Case& c : {Case{0xFF804020, 128, 0xFF402010}, Case{0x12FFFFFF, 256, 0x12FFFFFF},
                        Case{0x80FFFFFF, 0, 0x80000000}, Case{0x00C86432, 77, 0x003C1E0F}}) {
    EXPECT_EQ(vm::DimLowBytes(c.in, c.factor), c.out) << std::hex << c.in << " " << c.factor;
  }
}

TEST_F(NightScreenTest, DimsColoursOnlyWhileActive) {
  EXPECT_EQ(night->DimColour(0xFF804020), 0xFF804020u);
  EXPECT_EQ(night->DimColourRef(0x00804020), 0x00804020u);
  night->SetActive(true);
  EXPECT_EQ(night->DimColour(0xFF804020), 0xFF402010u);
  EXPECT_EQ(night->DimColourRef(0x00804020), 0x00402010u);
  EXPECT_EQ(night->DimColourRef(0x80FFFFFF), 0x80FFFFFFu);  // a system colour reference stays
  night->SetActive(false);
}

TEST_F(NightScreenTest, DimsPixelRowsAndLeavesPaddingAlone) {
  night->SetActive(true);
  // Two rows of two 32-bit pixels with one padding word after each row.
  std::vector<uint32_t> px = {0xFF808080, 0x00FEFEFE, 0xDEADBEEF, 0xFF020406, 0x11223344, 0xDEADBEEF};
  night->DimPixels(px.data(), Desc(BmpSurfaceDesc{9, 12, 2, 2, -1}));
  EXPECT_EQ(px,
            (std::vector<uint32_t>{0xFF404040, 0x007F7F7F, 0xDEADBEEF, 0xFF010203, 0x11111922, 0xDEADBEEF}));
  std::vector<uint32_t> other = {0x80808080};
  night->DimPixels(other.data(), Desc(BmpSurfaceDesc{7, 4, 1, 1, 1}));  // not a 32-bit format
  night->DimPixels(other.data(), Desc(BmpSurfaceDesc{9, 2, 1, 1, 1}));  // pitch shorter than a row
  EXPECT_EQ(other[0], 0x80808080u);

  // 24-bit rows of two pixels, padded to 8 bytes.
  std::vector<uint8_t> rgb = {200, 100, 50, 2, 4, 6, 0xAA, 0xBB, 10, 20, 30, 40, 50, 60, 0xAA, 0xBB};
  night->DimRgbRows(rgb.data(), Desc(BmpSurfaceDesc{7, 8, 2, 2, 1}));
  EXPECT_EQ(rgb, (std::vector<uint8_t>{100, 50, 25, 1, 2, 3, 0xAA, 0xBB, 5, 10, 15, 20, 25, 30, 0xAA, 0xBB}));
  night->SetActive(false);
  night->DimRgbRows(rgb.data(), Desc(BmpSurfaceDesc{7, 8, 2, 2, 1}));
  EXPECT_EQ(rgb[0], 100);
}

TEST_F(NightScreenTest, RegisteredColoursAreDimmedFromSavedValuesAndRestored) {
  uint32_t colour = 0xFF804020, ref = 0x00C86432, special = 0x80000005;
  night->RegisterColour(&colour);
  night->RegisterColourRef(&ref);
  night->RegisterColourRef(&special);
  colour = 0xFF8040FF;  // changed while night mode is off: this value comes back
  night->SetActive(true);
  EXPECT_EQ(colour, 0xFF40207Fu);
  EXPECT_EQ(ref, 0x00643219u);
  EXPECT_EQ(special, 0x80000005u);
  night->SetBrightness(0.25f);  // from the saved values, not the dimmed ones
  EXPECT_EQ(colour, 0xFF20103Fu);
  uint32_t late = 0x00FFFFFF;
  night->RegisterColour(&late);  // dimmed at once while active
  EXPECT_EQ(late, 0x003F3F3Fu);
  night->UnregisterColour(&late);  // and restored when it leaves
  EXPECT_EQ(late, 0x00FFFFFFu);
  night->SetActive(false);
  EXPECT_EQ(colour, 0xFF8040FFu);
  EXPECT_EQ(ref, 0x00C86432u);
  night->UnregisterColour(&colour);
  night->UnregisterColourRef(&ref);
  night->UnregisterColourRef(&ref);  // nothing left: no effect
  night->SetActive(true);
  EXPECT_EQ(colour, 0xFF8040FFu);
  EXPECT_EQ(ref, 0x00C86432u);
  night->SetActive(false);
}

TEST_F(NightScreenTest, SystemColoursAreSavedDimmedAndRestored) {
  std::vector<uint32_t> before;
  for (int32_t i = 0; i < vm::kSystemColourCount; ++i) before.push_back(vm::GetSystemColour(i));
  night->SetBrightness(0.5f);
  night->SetActive(true);
  for (int32_t i = 0; i < vm::kSystemColourCount; ++i) {
    EXPECT_EQ(vm::GetSystemColour(i), vm::DimLowBytes(before[i], 128)) << i;
  }
  night->SetBrightness(1.0f);
  EXPECT_EQ(vm::GetSystemColour(5), before[5]);
  night->SetActive(false);
  for (int32_t i = 0; i < vm::kSystemColourCount; ++i) EXPECT_EQ(vm::GetSystemColour(i), before[i]) << i;
}

TEST_F(NightScreenTest, BitmapsKeepACopyWhileDimmed) {
  const std::vector<uint32_t> original = {0xFF808080, 0x40FFFFFF};
  CBmp32* icon = Row(original);
  CBmp32* empty = Bmp32Create(0, 0, false);
  night->RegisterBitmap(icon);
  night->RegisterBitmap(empty);
  night->SetActive(true);
  EXPECT_EQ(PixelsOf(icon), (std::vector<uint32_t>{0xFF404040, 0x407F7F7F}));
  night->SetBrightness(0.25f);  // from the copy, not from the dimmed pixels
  EXPECT_EQ(PixelsOf(icon), (std::vector<uint32_t>{0xFF202020, 0x403F3F3F}));
  night->SetActive(false);
  EXPECT_EQ(PixelsOf(icon), original);
  EXPECT_EQ(empty->GetWidth(), 0);

  night->SetActive(true);
  night->UnregisterBitmap(icon);  // leaves undimmed
  EXPECT_EQ(PixelsOf(icon), original);
  night->DimBitmap(icon);  // dims any bitmap, registered or not
  EXPECT_EQ(PixelsOf(icon)[0], 0xFF202020u);
  CBmp32* late = Row(original);
  night->RegisterBitmap(late);  // dimmed at once while active
  EXPECT_EQ(PixelsOf(late)[0], 0xFF202020u);
  night.reset();  // restores what is still registered; the asan build sees the copies freed
  EXPECT_EQ(PixelsOf(late), original);
  ObjectDelete(icon);
  ObjectDelete(empty);
  ObjectDelete(late);
}

TEST_F(NightScreenTest, TwiceRegisteredValuesAreDimmedOnceAndRestoredByTheLastEntry) {
  uint32_t colour = 0x00808080;
  const std::vector<uint32_t> original = {0xFF808080};
  CBmp32* icon = Row(original);
  night->RegisterColour(&colour);
  night->RegisterBitmap(icon);
  night->SetActive(true);
  night->RegisterColour(&colour);
  night->RegisterBitmap(icon);
  EXPECT_EQ(colour, 0x00404040u);
  EXPECT_EQ(PixelsOf(icon)[0], 0xFF404040u);
  night->SetBrightness(0.25f);
  EXPECT_EQ(colour, 0x00202020u);
  EXPECT_EQ(PixelsOf(icon)[0], 0xFF202020u);
  night->UnregisterColour(&colour);
  night->UnregisterBitmap(icon);
  EXPECT_EQ(colour, 0x00202020u);  // still registered once
  EXPECT_EQ(PixelsOf(icon)[0], 0xFF202020u);
  night->SetActive(false);
  EXPECT_EQ(colour, 0x00808080u);
  EXPECT_EQ(PixelsOf(icon), original);
  night->SetActive(true);  // the remaining entries still work
  EXPECT_EQ(PixelsOf(icon)[0], 0xFF202020u);
  night->UnregisterBitmap(icon);
  night->UnregisterColour(&colour);
  EXPECT_EQ(PixelsOf(icon), original);
  EXPECT_EQ(colour, 0x00808080u);
  ObjectDelete(icon);
}

struct Event {
  int who;
  int32_t event;
  bool operator==(const Event&) const = default;
};
std::vector<Event> g_events;
CNightScreen* g_seen = nullptr;

void Record(void* user, CNightScreen* n, int32_t event) {
  g_seen = n;
  g_events.push_back({static_cast<int>(reinterpret_cast<intptr_t>(user)), event});
}
void Other(void* user, CNightScreen*, int32_t event) {
  g_events.push_back({100 + static_cast<int>(reinterpret_cast<intptr_t>(user)), event});
}
void* User(intptr_t n) { return reinterpret_cast<void*>(n); }

TEST_F(NightScreenTest, ListenersHearEventsInTheOrderAdded) {
  g_events.clear();
  night->AddListener(Record, User(1));
  night->AddListener(Other, User(1));
  night->AddListener(Record, User(2));
  night->AddListener(Record, User(1));
  night->SetActive(true);
  night->SetActive(true);  // no change, no event
  EXPECT_EQ(g_seen, night.get());
  night->RemoveListener(Record, User(1));  // the newest (Record, 1) goes
  night->RemoveListener(Record, User(3));  // none: nothing happens
  night->SetBrightness(0.4f);
  night->SetActive(false);
  EXPECT_EQ(g_events,
            (std::vector<Event>{
                {1, 2}, {101, 2}, {2, 2}, {1, 2}, {1, 0}, {101, 0}, {2, 0}, {1, 1}, {101, 1}, {2, 1}}));
}

TEST_F(NightScreenTest, ListenerMayRemoveItselfWhileCalled) {
  g_events.clear();
  static NightScreenListener self;
  self = [](void*, CNightScreen* n, int32_t event) {
    g_events.push_back({7, event});
    n->RemoveListener(self, nullptr);
  };
  night->AddListener(self, nullptr);
  night->AddListener(Record, User(8));
  night->SetBrightness(0.5f);
  night->SetBrightness(0.5f);
  EXPECT_EQ(g_events, (std::vector<Event>{{7, 0}, {8, 0}, {8, 0}}));
}

TEST_F(NightScreenTest, BrightnessStaysWithinItsLimits) {
  EXPECT_DOUBLE_EQ(night->GetBrightness(), 0.5);
  EXPECT_DOUBLE_EQ(night->GetMaxBrightness(), 1.0);
  EXPECT_DOUBLE_EQ(night->GetMinBrightness(), 0.0);
  night->SetBrightness(2.0f);
  EXPECT_DOUBLE_EQ(night->GetBrightness(), 1.0);
  night->SetMaxBrightness(0.4f);  // pulls the brightness down with it
  EXPECT_NEAR(night->GetBrightness(), 0.4, 1e-6);
  night->SetMinBrightness(0.6f);  // cannot pass the maximum
  EXPECT_NEAR(night->GetMinBrightness(), 0.4, 1e-6);
  night->SetMaxBrightness(0.1f);  // cannot pass the minimum
  EXPECT_NEAR(night->GetMaxBrightness(), 0.4, 1e-6);
  night->SetMinBrightness(-3.0f);
  EXPECT_DOUBLE_EQ(night->GetMinBrightness(), 0.0);
  night->SetMaxBrightness(5.0f);
  EXPECT_DOUBLE_EQ(night->GetMaxBrightness(), 1.0);
  night->SetBrightness(-1.0f);
  EXPECT_DOUBLE_EQ(night->GetBrightness(), 0.0);
  night->SetBrightness(std::nanf(""));
  EXPECT_DOUBLE_EQ(night->GetBrightness(), 0.0);
  night->SetMinBrightness(0.2f);  // raises the brightness to the new minimum
  EXPECT_NEAR(night->GetBrightness(), 0.2, 1e-6);
}

TEST(NightScreenLibrary, MadeAtInitialisationAndUndoneAtFinalisation) {
  vm::ResetSystemColours();
  EXPECT_EQ(GetNightScreen(), nullptr);
  VmLibInitialize("vmlib.dll");
  CNightScreen* night = GetNightScreen();
  ASSERT_NE(night, nullptr);
  EXPECT_FALSE(night->IsActive());
  const uint32_t window = vm::GetSystemColour(5);
  night->SetActive(true);
  EXPECT_NE(vm::GetSystemColour(5), window);
  VmLibFinalize();  // leaves no dimmed system colours behind
  EXPECT_EQ(GetNightScreen(), nullptr);
  EXPECT_EQ(vm::GetSystemColour(5), window);
  EXPECT_FALSE(ThemesAvailable());
  EXPECT_FALSE(ThemesEnabled());
  EXPECT_FALSE(IsDebugBuild());
}

}  // namespace
