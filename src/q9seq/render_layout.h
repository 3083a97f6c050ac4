#pragma once
// How render lays out its pictures: the grid of frames of a contact sheet
// and the delays of an animation's frames.

#include <cstdint>

#include "platform/signlib/packed_dib.h"
#include "sequence/sequence_frames.h"

namespace q9::q9seq {

// Pixels between the frames of a sheet, and their colour (also of the cells
// left empty in the last row): a dark grey, so that the black of unlit bulbs
// stays apart from it.
constexpr int kSheetGap = 4;
constexpr platform::RgbQuad kSheetBackground{64, 64, 64, 0};
// A sheet is made about this wide when the frames allow it.
constexpr uint64_t kSheetTargetWidth = 1600;

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

// A hold time as a GIF frame delay in 1/100 s: rounded to the nearest, a
// half up; at least 1 (a hold time of 0 still shows the frame) and at most
// 65,535, the largest delay a GIF holds.
int DelayCentiseconds(const sequence::SequenceFrames::Graphics& frame);

}  // namespace q9::q9seq
