// Small Windows icon files (.ico) for the generated waypoint types.
#pragma once

#include <cstdint>
#include <vector>

namespace largedb {

// A 16 × 16, 32 bits per pixel icon: a disc of colour (0xRRGGBB) on a
// background of the colour key the importer makes transparent.
std::vector<uint8_t> MakeIconFile(uint32_t colour);

}  // namespace largedb
