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

using Adjustment = int (*)(Bitmap&, int);
// Neutral values keep the picture; values out of range are refused and keep
// it too.
TEST(Adjustments, NeutralKeepsThePictureOutOfRangeFails) {
  const Bitmap original = test::Noise(37, 23, 1);
  const struct {
    Adjustment run;
    int value;
    bool done;
  } cases[] = {{ChangeBrightness, 0, true},      {ChangeContrast, 0, true},
               {ChangeSaturation, 0, true},      {ChangeHue, 0, true},
               {HistoContrast, 0, true},         {GammaCorrect, 100, true},
               {ChangeBrightness, 1001, false},  {ChangeContrast, 1001, false},
               {ChangeSaturation, -1001, false}, {ChangeHue, 181, false},
               {HistoContrast, 2000, false},     {GammaCorrect, 0, false}};
  for (const auto& [run, value, done] : cases) {
    Bitmap b = original;
    EXPECT_EQ(run(b, value), done ? kImagingSuccess : kImagingFailure) << value;
    EXPECT_TRUE(SamePixels(b, original)) << value;
  }
}

TEST(Adjustments, KnownPixels) {
  const Adjustment invert = [](Bitmap& b, int) { return InvertBitmap(b); };
  const struct {
    const char* name;
    Adjustment run;
    int value;
    Rgb in, out;
  } cases[] = {
      {"brightness clips high", ChangeBrightness, 1000, {0, 100, 255}, {255, 255, 255}},
      {"brightness +500 adds 127", ChangeBrightness, 500, {0, 100, 200}, {127, 227, 255}},
      {"brightness -984 subtracts 250", ChangeBrightness, -984, {250, 251, 255}, {0, 1, 5}},
      {"contrast -1000 is flat grey", ChangeContrast, -1000, {0, 90, 255}, {128, 128, 128}},
      {"contrast +1000 thresholds", ChangeContrast, 1000, {127, 128, 129}, {0, 128, 255}},
      {"contrast +500 doubles", ChangeContrast, 500, {100, 128, 150}, {72, 128, 172}},
      {"saturation -1000 is grey", ChangeSaturation, -1000, {255, 0, 0}, {77, 77, 77}},
      {"saturation +1000 doubles", ChangeSaturation, 1000, {200, 100, 100}, {255, 70, 70}},
      {"hue 180 of red", ChangeHue, 180, {255, 0, 0}, {0, 170, 170}},
      {"hue 120 red to green", ChangeHue, 120, {255, 0, 0}, {0, 255, 0}},
      {"hue keeps grey", ChangeHue, 77, {90, 90, 90}, {90, 90, 90}},
      {"gamma 2 brightens", GammaCorrect, 200, {64, 0, 255}, {128, 0, 255}},
      {"invert", invert, 0, {0, 100, 255}, {255, 155, 0}},
  };
  for (const auto& c : cases) {
    Bitmap b = Uniform(3, 2, c.in);
    ASSERT_EQ(c.run(b, c.value), kImagingSuccess) << c.name;
    EXPECT_EQ(At(b, 2, 1), c.out) << c.name;
  }
  // A palette picture becomes true colour first.
  Bitmap b = Bitmap::Create(2, 2, 4);
  b.SetPixelValue(1, 1, 15);  // white in the grey palette
  ASSERT_EQ(ChangeBrightness(b, -200), kImagingSuccess);
  EXPECT_EQ(b.BitsPerPixel(), 24);
  EXPECT_EQ(At(b, 1, 1), (Rgb{204, 204, 204}));

  // Picture-wide: histo-contrast pivots on the mean grey, stretch spans the
  // range and leaves a picture of one value.
  const Bitmap twoValues = MakePicture(2, 1, [](int x, int) {
    return x ? Rgb{140, 140, 140} : Rgb{100, 100, 100};
  });
  Bitmap steep = twoValues;
  ASSERT_EQ(HistoContrast(steep, 500), kImagingSuccess);
  EXPECT_EQ(std::pair(At(steep, 0, 0), At(steep, 1, 0)),
            std::pair(Rgb{80, 80, 80}, Rgb{160, 160, 160}));
  Bitmap stretched = MakePicture(3, 1, [](int x, int) { return Rgb{50 + 50 * x, 100, 75}; });
  ASSERT_EQ(StretchIntensity(stretched), kImagingSuccess);
  EXPECT_EQ(std::pair(At(stretched, 0, 0), At(stretched, 2, 0)),
            std::pair(Rgb{0, 128, 64}, Rgb{255, 128, 64}));
  Bitmap one = Uniform(2, 2, {9, 9, 9});
  ASSERT_EQ(StretchIntensity(one), kImagingSuccess);
  EXPECT_EQ(At(one, 1, 1), (Rgb{9, 9, 9}));
}

TEST(PaletteOperations, InvertThePaletteGreyMapsIndicesCombineAdds) {
  Bitmap b = Bitmap::Create(2, 1, 8);
  b.SetPixelValue(1, 0, 10);  // grey 10
  ASSERT_EQ(InvertBitmap(b), kImagingSuccess);
  EXPECT_EQ(b.BitsPerPixel(), 8);
  EXPECT_EQ(b.PixelValue(1, 0), 10u);
  EXPECT_EQ(At(b, 1, 0), (Rgb{245, 245, 245}));

  Bitmap rgb = MakePicture(3, 1, [](int x, int) {
    return x == 0 ? Rgb{255, 0, 0} : x == 1 ? Rgb{0, 255, 0} : Rgb{255, 255, 255};
  });
  ASSERT_EQ(GreyScaleBitmap(rgb), kImagingSuccess);
  EXPECT_EQ(rgb.BitsPerPixel(), 8);
  EXPECT_EQ(std::tuple(rgb.PixelValue(0, 0), rgb.PixelValue(1, 0), rgb.PixelValue(2, 0)),
            std::tuple(77u, 149u, 255u));
  EXPECT_EQ(At(rgb, 0, 0), (Rgb{77, 77, 77}));

  // Adding saturates.
  Bitmap dst = Uniform(2, 1, {200, 100, 0});
  ASSERT_EQ(CombineBitmap(dst, 0, 0, 2, 1, Uniform(2, 1, {100, 100, 100}), 0, 0, kCombineAdd),
            kImagingSuccess);
  EXPECT_EQ(At(dst, 1, 0), (Rgb{255, 200, 100}));
}

// The quadrant picture at each depth: the colours that palette can hold.
TEST(ColourResolution, EachDepthAndPalette) {
  const Rgb kR{255, 0, 0}, kG{0, 255, 0}, kB{0, 0, 255}, kW{255, 255, 255}, kK{0, 0, 0};
  const struct {
    int bpp;
    uint32_t flags;
    std::array<Rgb, 4> quadrants;  // red, green, blue, white become
    int tolerance;
  } cases[] = {
      // Nearest colour in RGB: green is nearer black than white.
      {1, kColourResFixedPalette, {kK, kK, kK, kW}, 0},
      {8, kColourResGreyPalette, {Rgb{77, 77, 77}, {149, 149, 149}, {29, 29, 29}, kW}, 0},
      {8, kColourResOptimisedPalette, {kR, kG, kB, kW}, 2},
      {16, 0, {kR, kG, kB, kW}, 0},
      {32, 0, {kR, kG, kB, kW}, 0},
  };
  const Bitmap quad = MakePicture(
      8, 6, [&](int x, int y) { return y < 3 ? (x < 4 ? kR : kG) : (x < 4 ? kB : kW); });
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " bits, flags " << c.flags);
    Bitmap b;
    ASSERT_EQ(ColourResolution(quad, b, c.bpp, c.flags), kImagingSuccess);
    ASSERT_EQ(b.BitsPerPixel(), c.bpp);
    for (int q = 0; q < 4; ++q)
      EXPECT_PRED3(test::Near, At(b, q % 2 * 7, q / 2 * 5), c.quadrants[size_t(q)], c.tolerance);
  }
}

// A grey palette at low depth: each grey goes to the nearest of the evenly
// spaced levels (mono signs, the colour-resolution setting with grey).
TEST(ColourResolution, GreyPaletteRoundsToTheNearestLevel) {
  const struct {
    int bpp;
    uint8_t grey;
    uint32_t level;
  } cases[] = {
      {1, 0, 0},  {1, 127, 0}, {1, 128, 1}, {1, 255, 1},  {4, 0, 0},    {4, 8, 0}, {4, 9, 1},
      {4, 25, 1}, {4, 26, 2},  {4, 128, 8}, {4, 246, 14}, {4, 255, 15}, {8, 1, 1}, {8, 128, 128},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.bpp << " bits, grey " << int(c.grey));
    Bitmap b;
    ASSERT_EQ(
        ColourResolution(Uniform(4, 2, {c.grey, c.grey, c.grey}), b, c.bpp, kColourResGreyPalette),
        kImagingSuccess);
    EXPECT_EQ(b.PixelValue(3, 1), c.level);
  }
}

TEST(ColourResolution, DitherSpreadsMidGreyZeroKeepsTheDepth) {
  const Bitmap grey = Uniform(32, 32, {128, 128, 128});
  for (uint32_t dither : {0u, kColourResDither}) {
    Bitmap b;
    ASSERT_EQ(ColourResolution(grey, b, 1, kColourResFixedPalette | dither), kImagingSuccess);
    int white = 0;
    for (int y = 0; y < 32; ++y)
      for (int x = 0; x < 32; ++x) white += int(b.PixelValue(x, y));
    if (dither)
      EXPECT_NEAR(white, 512, 101);  // about half
    else
      EXPECT_EQ(white, 1024);  // 128 is nearer white
  }
  Bitmap b = Bitmap::Create(2, 2, 8);
  ASSERT_EQ(ColourResolution(b, 0, 0), kImagingSuccess);
  EXPECT_EQ(b.BitsPerPixel(), 8);
  EXPECT_EQ(ColourResolution(b, 7, 0), kImagingFailure);
  ASSERT_EQ(ColourResolution(b, 24, 4), kImagingSuccess);  // the video decoder's call
  EXPECT_EQ(b.BitsPerPixel(), 24);
}

}  // namespace
}  // namespace q9::platform
