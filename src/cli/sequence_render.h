#pragma once
// The pictures render draws: one frame's bulbs as the sign shows them (the
// bulb converter's picture, one pixel per bulb), enlarged to zoom x zoom
// pixels a bulb, and the grid of frames of a contact sheet.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/signlib/sign_types.h"

namespace q9::cli {

// From this zoom on a bulb is a round lamp on black; below it, a plain
// square of its colour.
constexpr int kLampZoom = 4;

// Pixels between the frames of a sheet, and their colour (also of the cells
// left empty in the last row): a dark grey, so that the black of unlit bulbs
// stays apart from it.
constexpr int kSheetGap = 4;
constexpr platform::RgbQuad kSheetBackground{64, 64, 64, 0};
// A sheet is made about this wide when the frames allow it.
constexpr uint64_t kSheetTargetWidth = 1600;

// The picture of one frame's bulb data, 24 bits, columns x rows pixels.
// false and a reason when the bulb converter refuses the data.
bool BulbPicture(std::span<const uint8_t> bulbs, const platform::SignGeometry& geometry,
                 platform::Bitmap& out, std::string& error);

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

// A grid of frames: columns x rows cells of the frame's size with kSheetGap
// between them and no outer margin, filled row by row.
struct SheetLayout {
  uint64_t columns = 0;
  uint64_t rows = 0;
  uint64_t width = 0;
  uint64_t height = 0;
};
// About square (ceil(sqrt(count)) columns), but no wider than
// kSheetTargetWidth when the frames allow, and widened when the sheet would
// otherwise be higher than maxSide.
SheetLayout ChooseSheetLayout(uint64_t count, uint64_t frameWidth, uint64_t frameHeight,
                              uint64_t maxSide);

}  // namespace q9::cli
