#include "store_fixture.h"

namespace wptest {
namespace {

using WaypointTypes = StoreTest;

constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kRed = 0xFFFF0000u;

uint32_t Pixel(const CBmp32* b, int x, int y) { return b->GetRow(y)[x]; }
// The overlay is blended by its alpha; opaque red over blue stays red within
// the blend's rounding.
bool IsOverlay(uint32_t p) { return (p >> 24) == 0xFF && ((p >> 16) & 0xFF) >= 0xFE && (p & 0xFFFF) == 0; }

TEST_F(WaypointTypes, TheOverlayIsCentredOnTheHotspot) {
  Owned<CBmp32> i(Bitmap(32, 32, kBlue));
  Owned<CBmp32> o(Bitmap(8, 8, kRed));
  CWaypointType* t = db->CreateType(i.get(), o.get(), 1, 15.5f, 15.5f, 10, 0, 0xFF000000u, 8, 0, 0xFF000000u);
  CBmp32* shown = t->GetDisplayIcon();
  ASSERT_NE(shown, t->GetIcon());
  EXPECT_EQ(shown->GetWidth(), 32);
  EXPECT_EQ(shown->GetHeight(), 32);
  for (int k = 0; k < 32; ++k) {
    const bool covered = k >= 12 && k <= 19;
    EXPECT_EQ(IsOverlay(Pixel(shown, k, 15)), covered) << "x " << k;
    EXPECT_EQ(IsOverlay(Pixel(shown, 15, k)), covered) << "y " << k;
    if (!covered) {
      EXPECT_EQ(Pixel(shown, k, 15), kBlue) << "x " << k;
    }
  }
}

TEST_F(WaypointTypes, AnOverlayPastTheTopLeftGrowsTheCanvas) {
  Owned<CBmp32> i(Bitmap(16, 16, kBlue));
  Owned<CBmp32> o(Bitmap(16, 16, kRed));
  CWaypointType* t = db->CreateType(i.get(), o.get(), 1, 0.0f, 0.0f, 10, 0, 0xFF000000u, 8, 0, 0xFF000000u);
  CBmp32* shown = t->GetDisplayIcon();
  EXPECT_EQ(shown->GetWidth(), 24);
  EXPECT_EQ(shown->GetHeight(), 24);
  EXPECT_TRUE(IsOverlay(Pixel(shown, 0, 0)));
  EXPECT_TRUE(IsOverlay(Pixel(shown, 15, 15)));
  EXPECT_FALSE(IsOverlay(Pixel(shown, 16, 16)));
  EXPECT_EQ(Pixel(shown, 20, 20), kBlue);  // the icon, moved right and down
  EXPECT_EQ(Pixel(shown, 3, 20), 0u);      // neither: transparent black
  EXPECT_EQ(Pixel(shown, 20, 3), 0u);
}

TEST_F(WaypointTypes, TypeFlagZeroDrawsTheIconItself) {
  CWaypointType* t = Type();
  EXPECT_EQ(t->GetTypeFlag(), 0);
  EXPECT_EQ(t->GetDisplayIcon(), t->GetIcon());
  EXPECT_EQ(manager->GetDefaultType()->GetDisplayIcon(), manager->GetDefaultType()->GetIcon());
}

TEST_F(WaypointTypes, ImagesAreCheckedBeforeAnythingChanges) {
  CWaypointType* t = Type();
  struct Case {
    int iconSide, overlaySide;
    float x, y;
    int32_t status;
  };
  const Case cases[] = {
      {65, 8, 0, 0, 0xA0015},  {16, 8, 16.0f, 0, 0xA0016}, {16, 8, 0, -0.6f, 0xA0016},
      {16, 17, 0, 0, 0xA0015}, {16, 8, 15.5f, -0.5f, 0},
  };
  for (const Case& c : cases) {
    Owned<CBmp32> i(Bitmap(c.iconSide, c.iconSide, kBlue));
    Owned<CBmp32> o(Bitmap(c.overlaySide, c.overlaySide, kRed));
    MarkSaved(db);
    int32_t status = -1;
    t->SetImages(i.get(), o.get(), 1, c.x, c.y, &status);
    EXPECT_EQ(status, c.status) << c.iconSide << " " << c.x;
    EXPECT_EQ(db->IsChanged(), c.status == 0);
  }
  EXPECT_EQ(t->GetIcon()->GetWidth(), 16);
  EXPECT_EQ(t->GetTypeFlag(), 1);
  EXPECT_EQ(t->GetHotspotX(), 15.5f);
  // The same images again change nothing; the type keeps copies.
  Owned<CBmp32> i(Bitmap(16, 16, kBlue));
  Owned<CBmp32> o(Bitmap(8, 8, kRed));
  MarkSaved(db);
  int32_t status = -1;
  t->SetImages(i.get(), o.get(), 1, 15.5f, -0.5f, &status);
  EXPECT_EQ(status, 0);
  EXPECT_FALSE(db->IsChanged());
  i->Fill(0);
  EXPECT_EQ(Pixel(t->GetIcon(), 0, 0), kBlue);
}

TEST_F(WaypointTypes, FontsAreCheckedMaskedAndMeasured) {
  CWaypointType* t = Type();
  EXPECT_GT(t->GetNameTextHeight(), 0);
  EXPECT_GT(t->GetNameTextHeight(), t->GetSubnameTextHeight());  // 10 points against 8
  int32_t status = -1;
  t->SetNameFontSize(0, &status);
  EXPECT_EQ(status, 0xA001E);
  t->SetSubnameFontSize(256, &status);
  EXPECT_EQ(status, 0xA001F);
  EXPECT_EQ(t->GetSubnameFontSize(), 8);
  const int32_t small = t->GetNameTextHeight();
  t->SetNameFontSize(40, &status);
  EXPECT_EQ(status, 0);
  EXPECT_GT(t->GetNameTextHeight(), small * 3);
  t->SetNameFontStyle(15, &status);  // the strike-out bit never reaches a type
  EXPECT_EQ(t->GetNameFontStyle(), 7);
  WptFontHandle font = t->GetNameFontHandle();
  ASSERT_NE(font, nullptr);
  EXPECT_EQ(font->weight, 700);
  EXPECT_TRUE(font->italic);
  EXPECT_TRUE(font->underline);
  EXPECT_EQ(font->pointSize, 40);
  EXPECT_STREQ(font->faceName, "Tahoma");
  EXPECT_EQ(t->GetSubnameFontHandle()->weight, 400);
}

TEST_F(WaypointTypes, ColoursAndAssign) {
  CWaypointType* t = Type();
  int32_t status = -1;
  t->SetNameColour(0xFF807060u, &status);
  EXPECT_EQ(t->GetNameColour(), 0xFF807060u);
  EXPECT_EQ(t->GetNameColourDisplay(), 0xFF807060u);  // night mode is off
  Owned<CBmp32> i(Bitmap(20, 20, kBlue));
  Owned<CBmp32> o(Bitmap(4, 4, kRed));
  CWaypointType* source =
      db->CreateType(i.get(), o.get(), 1, 10.0f, 10.0f, 12, 2, 0xFF123456u, 9, 1, 0xFF654321u);
  t->Assign(source, false, &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(T(t->GetName()), T(source->GetName()));
  EXPECT_EQ(t->GetNameFontSize(), 12);
  EXPECT_EQ(t->GetSubnameFontStyle(), 1);
  EXPECT_EQ(t->GetSubnameColour(), 0xFF654321u);
  EXPECT_EQ(t->GetTypeFlag(), 1);
  EXPECT_EQ(t->GetIcon()->GetWidth(), 20);
  EXPECT_TRUE(t->GetIcon()->IsEqual(source->GetIcon()));
  EXPECT_NE(t->GetDisplayIcon(), t->GetIcon());
}

}  // namespace
}  // namespace wptest
