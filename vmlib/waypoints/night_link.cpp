// The store's use of the library's night-screen object. Before the library
// is initialised there is none: night mode then counts as off and nothing is
// registered.
#include "waypoints/night_link.h"

#include <utility>
#include <vector>

#include "vmlib/sysinfo.h"

namespace vm {
namespace {

// The switch listeners of the store, each registered with the night screen
// through the one trampoline below.
struct SwitchEntry {
  NightSwitchListener listener;
  void* user;
};

void Trampoline(void* user, CNightScreen* night, int32_t event) {
  auto* entry = static_cast<SwitchEntry*>(user);
  // A brightness change while night mode is on dims display colours again;
  // the display icons follow so that symbols and labels match.
  if (event == kNightEventOn || event == kNightEventOff || night->IsActive()) entry->listener(entry->user);
}

std::vector<SwitchEntry*>& Entries() {
  static std::vector<SwitchEntry*> entries;
  return entries;
}

}  // namespace

bool NightActive() {
  CNightScreen* night = GetNightScreen();
  return night != nullptr && night->IsActive();
}

// Through the pixel rows rather than DimBitmap: the night screen reaches
// bitmaps only through a bridge that the bitmap module may not have
// installed, while the rows of a CBmp32 are always at hand.
void NightDimBitmap(CBmp32* bitmap) {
  CNightScreen* night = GetNightScreen();
  if (night == nullptr || bitmap == nullptr || bitmap->GetPixels() == nullptr) return;
  BmpSurfaceDesc surface{};
  bitmap->GetSurfaceDesc(&surface);
  night->DimPixels(bitmap->GetPixels(), &surface);
}

void NightRegisterColour(uint32_t* colour) {
  if (CNightScreen* night = GetNightScreen()) night->RegisterColour(colour);
}

void NightUnregisterColour(uint32_t* colour) {
  if (CNightScreen* night = GetNightScreen()) night->UnregisterColour(colour);
}

void NightAddSwitchListener(NightSwitchListener listener, void* user) {
  CNightScreen* night = GetNightScreen();
  if (night == nullptr) return;
  auto* entry = new SwitchEntry{listener, user};
  Entries().push_back(entry);
  night->AddListener(Trampoline, entry);
}

void NightRemoveSwitchListener(NightSwitchListener listener, void* user) {
  auto& entries = Entries();
  for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
    SwitchEntry* entry = *it;
    if (entry->listener != listener || entry->user != user) continue;
    if (CNightScreen* night = GetNightScreen()) night->RemoveListener(Trampoline, entry);
    entries.erase(std::next(it).base());
    delete entry;
    return;
  }
}

}  // namespace vm
