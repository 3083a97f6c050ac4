#include "q9seq/render_layout.h"

#include <gtest/gtest.h>

namespace q9::q9seq {
namespace {

TEST(SheetLayoutTest, ColumnsRowsAndSize) {
  const std::pair<std::vector<uint64_t>, std::vector<uint64_t>> cases[] = {
      // count, frame width and height; columns, rows, width, height
      {{1, 10, 5}, {1, 1, 10, 5}},
      {{5, 5, 3}, {3, 2, 23, 10}},
      {{4, 5, 3}, {2, 2, 14, 10}},  // a square number of frames: a square
      // Wide frames: no wider than about 1,600 pixels.
      {{100, 500, 10}, {3, 34, 1508, 472}},
      // So many that the sheet would be too high: more columns.
      {{2000, 160, 100}, {14, 143, 2292, 14868}},
      {{0, 10, 10}, {0, 0, 0, 0}},
  };
  for (const auto& [frames, expected] : cases) {
    const SheetLayout got = ChooseSheetLayout(frames[0], frames[1], frames[2], 16000);
    EXPECT_EQ(std::vector<uint64_t>({got.columns, got.rows, got.width, got.height}), expected)
        << frames[0];
  }
}

TEST(DelayTest, HoldTimesToHundredthsRoundedAtLeastOne) {
  // Hold time, its units per second, delay.
  const std::tuple<uint64_t, unsigned, int> cases[] = {
      {0, 120, 1}, {9, 120, 8}, {6553, 10, 65530}, {6554, 10, 65535}, {4294967295u, 120, 65535}};
  for (const auto& [hold, units, delay] : cases) {
    sequence::SequenceFrames::Graphics g;
    g.holdTime = hold;
    g.holdUnitsPerSecond = units;
    EXPECT_EQ(DelayCentiseconds(g), delay) << hold << " / " << units;
  }
}

}  // namespace
}  // namespace q9::q9seq
