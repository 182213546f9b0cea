#include "platform/system_colours.h"

#include <array>

namespace vm {
namespace {

constexpr uint32_t Rgb(uint32_t r, uint32_t g, uint32_t b) { return r | (g << 8) | (b << 16); }

// Scroll bar, desktop, captions, menus, windows, borders, buttons, tool
// tips, hot-tracked items, caption gradients, menu highlight and menu bar.
constexpr std::array<uint32_t, kSystemColourCount> kClassicColours = {
    Rgb(212, 208, 200), Rgb(58, 110, 165),  Rgb(10, 36, 106),   Rgb(128, 128, 128), Rgb(212, 208, 200),
    Rgb(255, 255, 255), Rgb(0, 0, 0),       Rgb(0, 0, 0),       Rgb(0, 0, 0),       Rgb(255, 255, 255),
    Rgb(212, 208, 200), Rgb(212, 208, 200), Rgb(128, 128, 128), Rgb(10, 36, 106),   Rgb(255, 255, 255),
    Rgb(212, 208, 200), Rgb(128, 128, 128), Rgb(128, 128, 128), Rgb(0, 0, 0),       Rgb(212, 208, 200),
    Rgb(255, 255, 255), Rgb(64, 64, 64),    Rgb(212, 208, 200), Rgb(0, 0, 0),       Rgb(255, 255, 225),
    Rgb(181, 181, 181), Rgb(0, 0, 128),     Rgb(166, 202, 240), Rgb(192, 192, 192), Rgb(49, 106, 197),
    Rgb(236, 233, 216)};

std::array<uint32_t, kSystemColourCount> g_colours = kClassicColours;

}  // namespace

uint32_t GetSystemColour(int32_t index) {
  return index >= 0 && index < kSystemColourCount ? g_colours[index] : 0;
}

void SetSystemColours(int32_t count, const int32_t* indexes, const uint32_t* colours) {
  for (int32_t i = 0; i < count; ++i) {
    if (indexes[i] >= 0 && indexes[i] < kSystemColourCount) g_colours[indexes[i]] = colours[i];
  }
}

void ResetSystemColours() { g_colours = kClassicColours; }

}  // namespace vm
