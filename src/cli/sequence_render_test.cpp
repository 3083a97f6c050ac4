#include "cli/sequence_render.h"

#include <gtest/gtest.h>

#include "cli/sequence_frames.h"

namespace q9::cli {
namespace {

TEST(LampCoverageTest, RoundLampWithBlackCornersAndSmoothEdge) {
  for (const int zoom : {4, 13}) {
    SCOPED_TRACE(zoom);
    const std::vector<uint8_t> c = LampCoverage(zoom);
    ASSERT_EQ(c.size(), size_t(zoom * zoom));
    const auto at = [&](int x, int y) { return int(c[size_t(y * zoom + x)]); };
    EXPECT_EQ(std::pair(at(zoom / 2, zoom / 2), at(0, 0)), std::pair(255, 0));
    bool partial = false;
    for (int y = 0; y < zoom; ++y)
      for (int x = 0; x < zoom; ++x) {
        // Round: the same under mirroring and transposing.
        EXPECT_EQ(at(x, y), at(y, x));
        EXPECT_EQ(at(x, y), at(zoom - 1 - x, y));
        partial |= at(x, y) > 0 && at(x, y) < 255;
      }
    EXPECT_TRUE(partial);
    // The middle row's lit width is the diameter: the cell less 1/8 of it.
    int lit = 0;
    for (int x = 0; x < zoom; ++x) lit += at(x, zoom / 2);
    EXPECT_NEAR(lit / 255.0, zoom - std::max(1, zoom / 8), 0.6);
  }
}

TEST(SheetLayoutTest, ColumnsRowsAndSize) {
  const std::pair<std::vector<uint64_t>, std::vector<uint64_t>> cases[] = {
      // count, frame width and height; columns, rows, width, height
      {{1, 10, 5}, {1, 1, 10, 5}},
      {{5, 5, 3}, {3, 2, 23, 10}},
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
    SequenceFrames::Graphics g;
    g.holdTime = hold;
    g.holdUnitsPerSecond = units;
    EXPECT_EQ(DelayCentiseconds(g), delay) << hold << " / " << units;
  }
}

}  // namespace
}  // namespace q9::cli
