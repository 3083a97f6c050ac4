#pragma once
// One frame's bulbs as the sign shows them: the bulb converter's picture,
// one pixel per bulb, drawn enlarged to zoom x zoom pixels a bulb.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/base/result.h"
#include "platform/imaging/bitmap.h"
#include "platform/signlib/sign_types.h"

namespace q9::sequence {

// From this zoom on a bulb is a round lamp on black; below it, a plain
// square of its colour.
constexpr int kLampZoom = 4;

// The picture of one frame's bulb data, 24 bits, columns x rows pixels.
// Fails when the bulb converter refuses the data.
platform::Result<platform::Bitmap> BulbPicture(std::span<const uint8_t> bulbs,
                                               const platform::SignGeometry& geometry);

// How much of each pixel of a zoom x zoom cell the lamp covers, 0 (black)
// to 255 (the bulb's colour), rows from the top. The lamp is a disc centred
// in the cell, its diameter zoom less 1/8 of it (at least 1 pixel): 3 of 4,
// 7 of 8, 28 of 32. Each pixel is sampled 4 x 4 times, so the edge is
// smooth and the pixels well inside are exactly the bulb's colour.
std::vector<uint8_t> LampCoverage(int zoom);

// Draws the bulb picture into dst (24 bits) with its top-left corner at
// (left, top), each bulb as zoom x zoom pixels: a square below kLampZoom,
// otherwise the lamp of coverage (LampCoverage(zoom)) on black. false,
// drawing nothing, when it does not fit inside dst.
bool DrawBulbs(platform::Bitmap& dst, int left, int top, const platform::Bitmap& picture, int zoom,
               std::span<const uint8_t> coverage);

}  // namespace q9::sequence
