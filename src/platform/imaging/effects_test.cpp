#include <gtest/gtest.h>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::MakePicture;
using test::Rgb;
using test::SamePixels;
using test::Uniform;

// A picture black but for one pixel of red `level` at (4, 4).
Bitmap Spot(int level) {
  return MakePicture(9, 9, [level](int x, int y) {
    return Rgb{x == 4 && y == 4 ? level : 0, 0, 0};
  });
}

TEST(OwnEffects, MosaicAndAverageTakeMeans) {
  Bitmap b = MakePicture(5, 3, [](int x, int y) { return Rgb{x * 10 + y, 0, 0}; });
  ASSERT_EQ(Mosaic(b, 2), kImagingSuccess);
  EXPECT_EQ(At(b, 1, 1).r, 6);   // 0, 10, 1, 11
  EXPECT_EQ(At(b, 4, 2).r, 42);  // corner tile of one pixel
  EXPECT_EQ(Mosaic(b, 1), kImagingFailure);

  Bitmap narrow = Spot(255), wide = Spot(250);
  ASSERT_EQ(AverageFilter(narrow, 3), kImagingSuccess);
  EXPECT_EQ(std::pair(At(narrow, 3, 5).r, At(narrow, 2, 4).r), std::pair(28, 0));  // 255 / 9
  ASSERT_EQ(AverageFilter(wide, 4), kImagingSuccess);                              // acts as 5
  EXPECT_EQ(std::pair(At(wide, 2, 6).r, At(wide, 1, 4).r), std::pair(10, 0));
  Bitmap uniform = Uniform(6, 5, {10, 20, 30});
  ASSERT_EQ(AverageFilter(uniform, 11), kImagingSuccess);  // edges repeated
  EXPECT_TRUE(SamePixels(uniform, Uniform(6, 5, {10, 20, 30})));
  EXPECT_EQ(AverageFilter(uniform, 12), kImagingFailure);
}

// Channel 0 adds one value to all three; 1, 2 and 3 only to red, green or
// blue. The noise is repeatable, bounded by level x 255 / 1000 and centred.
TEST(OwnEffects, AddNoiseIsRepeatableBoundedAndOnTheChosenChannel) {
  const Bitmap original = Uniform(40, 30, {128, 128, 128});
  for (int channel : {0, 3}) {
    SCOPED_TRACE(channel);
    const int level = channel ? -1000 : 400, k = channel ? channel - 1 : 0;
    Bitmap a = original, b = original;
    ASSERT_EQ(AddNoise(a, level, channel), kImagingSuccess);
    ASSERT_EQ(AddNoise(b, level, channel), kImagingSuccess);
    EXPECT_TRUE(SamePixels(a, b));
    EXPECT_FALSE(SamePixels(a, original));
    long sum = 0;
    for (int y = 0; y < 30; ++y)
      for (int x = 0; x < 40; ++x) {
        const Rgb c = At(a, x, y);
        const int noise[3] = {c.r - 128, c.g - 128, c.b - 128};
        EXPECT_LE(std::abs(noise[k]), std::abs(level) * 255 / 1000);
        for (int j = 0; j < 3; ++j)
          if (j != k) {
            ASSERT_EQ(noise[j], channel ? 0 : noise[k]) << x << "," << y;
          }
        sum += noise[k];
      }
    EXPECT_LT(std::abs(sum) / 1200.0, 10.0);
  }
  Bitmap b = original;
  EXPECT_EQ(AddNoise(b, 10, 4), kImagingFailure);
}

TEST(OwnEffects, EmbossReliefFollowsTheLight) {
  const Bitmap edge = MakePicture(6, 6, [](int, int y) {
    return y < 3 ? Rgb{200, 200, 200} : Rgb{0, 0, 0};
  });
  Bitmap north = edge, south = edge, side = edge;
  ASSERT_EQ(Emboss(north, 0, 500), kImagingSuccess);
  ASSERT_EQ(Emboss(south, 4, 500), kImagingSuccess);
  ASSERT_EQ(Emboss(side, 2, 1000), kImagingSuccess);  // east: the edge runs along the light
  EXPECT_EQ(std::tuple(At(north, 2, 2).r, At(south, 2, 2).r), std::tuple(255, 0));
  EXPECT_EQ(At(north, 2, 0), (Rgb{128, 128, 128}));  // flat part
  EXPECT_EQ(At(side, 2, 2), (Rgb{128, 128, 128}));
  EXPECT_EQ(Emboss(side, 8, 10), kImagingFailure);
}

TEST(OwnEffects, HalftoneIsBlackAndWhiteWithGreysBetween) {
  for (int type : {0, 1}) {
    Bitmap g = Uniform(24, 24, {128, 128, 128});
    ASSERT_EQ(Halftone(g, type, 4500), kImagingSuccess);
    int lit = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 24; ++x) {
        const Rgb c = At(g, x, y);
        EXPECT_TRUE(c == (Rgb{0, 0, 0}) || c == (Rgb{255, 255, 255}));
        lit += c.r == 255;
      }
    EXPECT_GT(lit, 576 / 4) << type;
    EXPECT_LT(lit, 576 * 3 / 4) << type;
  }
}

// The ordered halftone's 8 x 8 thresholds are all different: on a flat grey
// each step of the grey through them lights exactly one more pixel of 64.
TEST(OwnEffects, OrderedHalftoneLightsOnePixelMorePerThreshold) {
  int previous = 0;
  for (int grey = 0; grey <= 255; ++grey) {
    Bitmap g = Uniform(8, 8, {uint8_t(grey), uint8_t(grey), uint8_t(grey)});
    ASSERT_EQ(Halftone(g, 1, 0), kImagingSuccess);
    int lit = 0;
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) lit += At(g, x, y).r == 255;
    EXPECT_LE(lit - previous, 1) << "grey " << grey;
    previous = lit;
  }
  EXPECT_EQ(previous, 64);
}

TEST(MagickEffects, PosterizeMedianSharpenEqualize) {
  Bitmap poster = MakePicture(64, 4, [](int x, int) { return Rgb{x * 255 / 63, 0, 100}; });
  ASSERT_EQ(Posterize(poster, 2), kImagingSuccess);
  for (int x = 0; x < 64; ++x) EXPECT_EQ(At(poster, x, 0).r, x < 32 ? 0 : 255) << x;
  EXPECT_EQ(Posterize(poster, 1), kImagingFailure);

  Bitmap speck = MakePicture(7, 7, [](int x, int y) {
    return x == 3 && y == 3 ? Rgb{255, 255, 255} : Rgb{10, 20, 30};
  });
  ASSERT_EQ(MedianFilter(speck, 3), kImagingSuccess);
  EXPECT_EQ(At(speck, 3, 3), (Rgb{10, 20, 30}));
  // Wider than ImageMagick takes: an error, not an abort.
  Bitmap tooWide = Bitmap::Create(16001, 1, 24);
  EXPECT_EQ(MedianFilter(tooWide, 3), kImagingFailure);
  EXPECT_EQ(tooWide.Width(), 16001);

  const Bitmap edge = MakePicture(16, 4, [](int x, int) {
    return x < 8 ? Rgb{100, 100, 100} : Rgb{150, 150, 150};
  });
  Bitmap same = edge, sharp = edge;
  ASSERT_EQ(Sharpen(same, 0), kImagingSuccess);
  EXPECT_TRUE(SamePixels(same, edge));
  ASSERT_EQ(Sharpen(sharp, 1000), kImagingSuccess);
  EXPECT_LT(At(sharp, 7, 1).r, 100);  // overshoot on both sides
  EXPECT_GT(At(sharp, 8, 1).r, 150);

  Bitmap narrow = MakePicture(32, 8, [](int x, int) {
    return Rgb{100 + x / 4, 100 + x / 4, 100 + x / 4};
  });
  ASSERT_EQ(HistogramEqualize(narrow), kImagingSuccess);
  EXPECT_LT(At(narrow, 0, 0).r, 60);
  EXPECT_GT(At(narrow, 31, 0).r, 200);
}

}  // namespace
}  // namespace q9::platform
