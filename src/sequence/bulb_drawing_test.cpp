#include "sequence/bulb_drawing.h"

#include <gtest/gtest.h>

namespace q9::sequence {
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

}  // namespace
}  // namespace q9::sequence
