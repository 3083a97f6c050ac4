#include "cli/sequence_render.h"

#include <gtest/gtest.h>

#include "cli/sequence_frames.h"

namespace q9::cli {
namespace {

TEST(LampCoverageTest, RoundLampWithBlackCornersAndSmoothEdge) {
  for (const int zoom : {4, 5, 8, 13, 32}) {
    SCOPED_TRACE(zoom);
    const std::vector<uint8_t> c = LampCoverage(zoom);
    ASSERT_EQ(c.size(), size_t(zoom * zoom));
    const auto at = [&](int x, int y) { return int(c[size_t(y * zoom + x)]); };
    EXPECT_EQ(at(zoom / 2, zoom / 2), 255);
    EXPECT_EQ(at(0, 0), 0);
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
  struct Case {
    uint64_t count, frameWidth, frameHeight;
    SheetLayout expected;
  };
  const Case cases[] = {
      {1, 10, 5, {1, 1, 10, 5}},
      {4, 5, 3, {2, 2, 14, 10}},
      {5, 5, 3, {3, 2, 23, 10}},
      {10, 100, 20, {4, 3, 412, 68}},
      // Wide frames: no wider than about 1,600 pixels.
      {100, 500, 10, {3, 34, 1508, 472}},
      {3, 2000, 10, {1, 3, 2000, 38}},
      // So many that the sheet would be too high: more columns.
      {2000, 160, 100, {14, 143, 2292, 14868}},
      {0, 10, 10, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const SheetLayout got = ChooseSheetLayout(c.count, c.frameWidth, c.frameHeight, 16000);
    EXPECT_EQ(
        std::vector({got.columns, got.rows, got.width, got.height}),
        std::vector({c.expected.columns, c.expected.rows, c.expected.width, c.expected.height}))
        << c.count;
  }
}

TEST(DelayTest, HoldTimesToHundredthsRoundedAtLeastOne) {
  struct Case {
    uint64_t hold;
    unsigned units;
    int delay;
  };
  const Case cases[] = {{0, 120, 1},       {1, 120, 1},       {6, 120, 5},
                        {9, 120, 8},       {121, 120, 101},   {0, 10, 1},
                        {6553, 10, 65530}, {6554, 10, 65535}, {4294967295u, 120, 65535}};
  for (const Case& c : cases) {
    SequenceFrames::Graphics g;
    g.holdTime = c.hold;
    g.holdUnitsPerSecond = c.units;
    EXPECT_EQ(DelayCentiseconds(g), c.delay) << c.hold << " / " << c.units;
  }
}

}  // namespace
}  // namespace q9::cli
