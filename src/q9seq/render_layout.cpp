#include "q9seq/render_layout.h"

#include <algorithm>

namespace q9::q9seq {

SheetLayout ChooseSheetLayout(uint64_t count, uint64_t frameWidth, uint64_t frameHeight,
                              uint64_t maxSide) {
  SheetLayout layout;
  if (count == 0 || frameWidth == 0 || frameHeight == 0) return layout;
  uint64_t columns = 1;
  while (columns * columns < count) ++columns;  // ceil(sqrt(count))
  const uint64_t fitting =
      std::max<uint64_t>(1, (kSheetTargetWidth + kSheetGap) / (frameWidth + kSheetGap));
  columns = std::min(columns, fitting);
  const auto rowsFor = [count](uint64_t c) { return (count + c - 1) / c; };
  if (rowsFor(columns) * (frameHeight + kSheetGap) - kSheetGap > maxSide) {
    // Too high: as many rows as fit, and the columns the frames then need.
    const uint64_t maxRows =
        std::max<uint64_t>(1, (maxSide + kSheetGap) / (frameHeight + kSheetGap));
    columns = std::max(columns, rowsFor(maxRows));
  }
  layout.columns = std::min(columns, count);
  layout.rows = rowsFor(layout.columns);
  layout.width = layout.columns * (frameWidth + kSheetGap) - kSheetGap;
  layout.height = layout.rows * (frameHeight + kSheetGap) - kSheetGap;
  return layout;
}

int DelayCentiseconds(const sequence::SequenceFrames::Graphics& frame) {
  const uint64_t units = std::max(1u, frame.holdUnitsPerSecond);
  const uint64_t rounded = (frame.holdTime * 100 + units / 2) / units;
  return int(std::clamp<uint64_t>(rounded, 1, 0xFFFF));
}

}  // namespace q9::q9seq
