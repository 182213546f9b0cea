// A manager as the converter makes it, with one empty database.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <numbers>
#include <string>

#include "vmlib/bmp.h"
#include "vmlib/frame.h"
#include "vmlib/languages.h"
#include "vmlib/waypoints.h"
#include "waypoints/store.h"

namespace wptest {

struct StrDeleter {
  void operator()(Str* s) const { StrDelete(s); }
};
using StrPtr = std::unique_ptr<Str, StrDeleter>;

inline StrPtr S(const std::string& text) {
  return StrPtr(StrCreate(text.data(), static_cast<int32_t>(text.size())));
}
inline std::string T(const Str* s) { return s == nullptr ? "<null>" : std::string(s->text, s->length); }

constexpr double kDeg = std::numbers::pi / 180.0;

struct ObjectDeleter {
  void operator()(CObject* o) const { ObjectDelete(o); }
};
template <class T>
using Owned = std::unique_ptr<T, ObjectDeleter>;

// A bitmap of the size filled with one colour.
inline CBmp32* Bitmap(int32_t width, int32_t height, uint32_t colour) {
  CBmp32* b = Bmp32Create(width, height, false);
  b->Fill(colour);
  return b;
}

class StoreTest : public ::testing::Test {
protected:
  void SetUp() override {
    VmLibInitialize("vmlib.dll");
    SetCurrentLanguage(kLangEnglish);
    icon.reset(Bitmap(32, 32, 0xFF0000FFu));
    overlay.reset(Bitmap(8, 8, 0xFFFF0000u));
    manager.reset(MakeManager());
    db = manager->CreateDatabase(S("Test").get(), 0x01000000, true);
    ASSERT_NE(db, nullptr);
  }
  void TearDown() override {
    manager.reset();
    icon.reset();
    overlay.reset();
    SetCurrentLanguage(kLangEnglish);
    VmLibFinalize();
  }

  CWaypointManager* MakeManager() {
    return WaypointManagerCreate(icon.get(), overlay.get(), 0, 16.0f, 16.0f, S("Tahoma").get(), 10, 0,
                                 0xFF000000u, 8, 0, 0xFF000000u, 5);
  }
  CWaypoint* Waypoint(double latDeg, double lonDeg, const std::string& name = "") {
    const WptPos3 at{latDeg * kDeg, lonDeg * kDeg, 0.0};
    CWaypoint* w = db->CreateWaypoint(&at, nullptr);
    if (!name.empty()) {
      int32_t status = -1;
      w->SetName(S(name).get(), &status);
      EXPECT_EQ(status, 0);
    }
    return w;
  }
  CWaypointType* Type(int32_t iconSide = 16) {
    Owned<CBmp32> i(Bitmap(iconSide, iconSide, 0xFF00FF00u));
    Owned<CBmp32> o(Bitmap(8, 8, 0xFF0000FFu));
    return db->CreateType(i.get(), o.get(), 0, 4.0f, 4.0f, 10, 0, 0xFF000000u, 8, 0, 0xFF000000u);
  }
  // Clears the database's changed bit, as a save would.
  void MarkSaved(CWaypointDatabase* database) { static_cast<vm::DatabaseImpl*>(database)->state = 0; }

  Owned<CBmp32> icon;
  Owned<CBmp32> overlay;
  Owned<CWaypointManager> manager;
  CWaypointDatabase* db = nullptr;
};

}  // namespace wptest
