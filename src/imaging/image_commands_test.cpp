#include "imaging/image_commands.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::imaging {
namespace {

using adjust::ImportSettings;
using platform::Bitmap;
using platform::SignGeometry;
using platform::test::At;
using platform::test::MakePicture;
using platform::test::Rgb;
namespace pf = platform;
namespace cmd = adjust;

// Same size, depth, palette and bytes.
bool SameBitmap(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && a.Palette() == b.Palette() &&
         a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 || std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0);
}

// Random colours within 40..215, so that every filter and effect leaves a
// trace and nothing starts clipped.
Bitmap Noise(int w, int h, unsigned seed = 7) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(40, 215);
  return MakePicture(w, h, [&](int, int) {
    return Rgb{value(random), value(random), value(random)};
  });
}

ImportSettings WithMask(uint32_t mask) {
  ImportSettings s;
  s.CommandMask = mask;
  return s;
}

Bitmap Applied(const Bitmap& picture, const ImportSettings& s, SignGeometry sign = {}) {
  Bitmap b = picture;
  ApplyImageCommands(b, s, sign);
  return b;
}

// ---- Geometry: a marked pixel after flips and rotations --------------------

// 6 x 4 picture, black but for a white pixel at (1, 0).
Bitmap Marked() {
  return MakePicture(6, 4, [](int x, int y) {
    return x == 1 && y == 0 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
}

struct MarkCase {
  const char* name;
  uint32_t mask;
  std::vector<std::pair<int, int32_t>> values;  // CommandParams entry, Value
  SignGeometry sign;                            // rows, columns
  int markX, markY;
};

const MarkCase kMarkCases[] = {
    {"flip", cmd::kCmdFlip, {}, {4, 6}, 1, 3},
    {"reverse", cmd::kCmdReverse, {}, {4, 6}, 4, 0},
    {"rotate 90", cmd::kCmdRotate90, {{2, 90}}, {6, 4}, 3, 1},
    {"rotate 180", cmd::kCmdRotate180, {{3, 180}}, {4, 6}, 4, 3},
    {"rotate 270", cmd::kCmdRotate270, {{4, 270}}, {6, 4}, 0, 4},
    {"any angle reads entry 5", cmd::kCmdRotateAny, {{5, 90}}, {6, 4}, 3, 1},
    {"the 90 bit rotates by its stored angle", cmd::kCmdRotate90, {{2, 270}}, {6, 4}, 0, 4},
    {"90 wins over any angle",
     cmd::kCmdRotate90 | cmd::kCmdRotateAny,
     {{2, 90}, {5, 45}},
     {6, 4},
     3,
     1},
    {"180 wins over 270",
     cmd::kCmdRotate180 | cmd::kCmdRotate270,
     {{3, 180}, {4, 270}},
     {4, 6},
     4,
     3},
    {"flip runs before the rotation", cmd::kCmdFlip | cmd::kCmdRotate90, {{2, 90}}, {6, 4}, 0, 1},
    {"reverse runs before the rotation",
     cmd::kCmdReverse | cmd::kCmdRotate270,
     {{4, 270}},
     {6, 4},
     0,
     1},
    {"flip and reverse", cmd::kCmdFlip | cmd::kCmdReverse, {}, {4, 6}, 4, 3},
};

TEST(ImageCommands, MarkedPixelLandsWhereEachMoveSendsIt) {
  for (const MarkCase& c : kMarkCases) {
    SCOPED_TRACE(c.name);
    ImportSettings s = WithMask(c.mask);
    for (const auto& [n, value] : c.values) s.CommandParams[size_t(n)].Value = value;
    const Bitmap b = Applied(Marked(), s, c.sign);
    ASSERT_EQ(b.Width(), int(c.sign.columns));
    ASSERT_EQ(b.Height(), int(c.sign.rows));
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x) {
        const bool mark = x == c.markX && y == c.markY;
        EXPECT_EQ(At(b, x, y), mark ? Rgb(255, 255, 255) : Rgb(0, 0, 0)) << x << "," << y;
      }
  }
}

TEST(ImageCommands, RotationByAnyAngleIsScaledBackToTheSign) {
  ImportSettings s = WithMask(cmd::kCmdRotateAny);
  s.CommandParams[5].Value = 30;
  const Bitmap b = Applied(Noise(20, 10), s, {10, 20});
  EXPECT_EQ(b.Width(), 20);
  EXPECT_EQ(b.Height(), 10);
  // Resized from the grown canvas: black corners reach into the picture.
  EXPECT_EQ(At(b, 0, 0), Rgb(0, 0, 0));
}

// ---- Spatial filters: bit and type index to the predefined filter -----------

TEST(ImageCommands, FilterFamiliesRunTheirPredefinedFilter) {
  const Bitmap picture = Noise(12, 9);
  // Every predefined filter gives a different picture here, so the command's
  // result names the filter that ran.
  std::vector<Bitmap> byNumber(pf::kFilterLast + 1);
  for (int f = pf::kFilterGradientFirst; f <= pf::kFilterLast; ++f) {
    byNumber[size_t(f)] = picture;
    ASSERT_EQ(pf::SpatialFilter(byNumber[size_t(f)], f), pf::kImagingSuccess);
    for (int g = pf::kFilterGradientFirst; g < f; ++g)
      ASSERT_FALSE(SameBitmap(byNumber[size_t(f)], byNumber[size_t(g)])) << f << " " << g;
  }
  struct Family {
    uint32_t bit;
    int n;
    int types;
    int firstFilter;
  };
  const Family families[] = {
      {cmd::kCmdGradient, 17, 8, 8},         {cmd::kCmdLaplacian, 18, 6, 16},
      {cmd::kCmdSobel, 19, 2, 22},           {cmd::kCmdPrewitt, 20, 2, 24},
      {cmd::kCmdShiftDifference, 21, 3, 26}, {cmd::kCmdLineSegment, 22, 4, 29},
  };
  int expectedFilter = pf::kFilterGradientFirst;
  for (const Family& f : families) {
    for (int type = 0; type < f.types; ++type, ++expectedFilter) {
      SCOPED_TRACE(std::to_string(f.n) + " type " + std::to_string(type));
      EXPECT_EQ(f.firstFilter + type, expectedFilter);  // the numbers leave no gaps
      EXPECT_EQ(PredefinedFilterNumber(f.bit, type), expectedFilter);
      ImportSettings s = WithMask(f.bit);
      s.CommandParams[size_t(f.n)].Value = type;
      EXPECT_TRUE(SameBitmap(Applied(picture, s), byNumber[size_t(expectedFilter)]));
    }
    // An index past the family would name another family's filter: nothing
    // runs.
    for (int bad : {-1, f.types}) {
      ImportSettings s = WithMask(f.bit);
      s.CommandParams[size_t(f.n)].Value = bad;
      EXPECT_TRUE(SameBitmap(Applied(picture, s), picture)) << f.n << " type " << bad;
    }
  }
  EXPECT_EQ(expectedFilter, pf::kFilterLast + 1);
  EXPECT_EQ(PredefinedFilterNumber(cmd::kCmdEmboss, 0), -1);
}

// ---- Effects: which parameter goes where ------------------------------------

struct EffectCase {
  const char* name;
  std::function<void(ImportSettings&)> set;
  std::function<void(Bitmap&)> expected;
};

const EffectCase kEffectCases[] = {
    {"posterize",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdPosterize;
       s.CommandParams[10].Value = 3;
     },
     [](Bitmap& b) { pf::Posterize(b, 3); }},
    {"mosaic",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdMosaic;
       s.CommandParams[11].Value = 4;
     },
     [](Bitmap& b) { pf::Mosaic(b, 4); }},
    {"average",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdAverage;
       s.CommandParams[12].Value = 5;
     },
     [](Bitmap& b) { pf::AverageFilter(b, 5); }},
    {"median",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdMedian;
       s.CommandParams[13].Value = 3;
     },
     [](Bitmap& b) { pf::MedianFilter(b, 3); }},
    {"sharpen",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdSharpen;
       s.CommandParams[14].Value = 600;
     },
     [](Bitmap& b) { pf::Sharpen(b, 600); }},
    {"add noise: level in Value, channel in Choice",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdAddNoise;
       s.CommandParams[15] = {400, 2};
     },
     [](Bitmap& b) { pf::AddNoise(b, 400, 2); }},
    {"emboss: depth in Value, direction in Choice",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdEmboss;
       s.CommandParams[16] = {700, 3};
     },
     [](Bitmap& b) { pf::Emboss(b, 3, 700); }},
    {"halftone: angle in Value, type in Choice",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdHalftone;
       s.CommandParams[23] = {4500, 1};
     },
     [](Bitmap& b) { pf::Halftone(b, 1, 4500); }},
    {"histo-contrast",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdHistoContrast;
       s.CommandParams[26].Value = 500;
     },
     [](Bitmap& b) { pf::HistoContrast(b, 500); }},
    {"histogram equalize", [](ImportSettings& s) { s.CommandMask = cmd::kCmdHistoEqualize; },
     [](Bitmap& b) { pf::HistogramEqualize(b); }},
    {"stretch intensity", [](ImportSettings& s) { s.CommandMask = cmd::kCmdStretchIntensity; },
     [](Bitmap& b) { pf::StretchIntensity(b); }},
    {"grey scale", [](ImportSettings& s) { s.CommandMask = cmd::kCmdGrayScale; },
     [](Bitmap& b) { pf::GreyScaleBitmap(b); }},
    {"invert", [](ImportSettings& s) { s.CommandMask = cmd::kCmdInvert; },
     [](Bitmap& b) { pf::InvertBitmap(b); }},
    {"gamma 2.0 is 200",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdGammaCorrect;
       s.Gamma = 2.0f;
     },
     [](Bitmap& b) { pf::GammaCorrect(b, 200); }},
    {"gamma 0.29 is 29, not 28",
     [](ImportSettings& s) {
       s.CommandMask = cmd::kCmdGammaCorrect;
       s.Gamma = 0.29f;
     },
     [](Bitmap& b) { pf::GammaCorrect(b, 29); }},
    {"edge enhance adds the first Laplacian",
     [](ImportSettings& s) { s.CommandMask = cmd::kCmdEdgeEnhance; },
     [](Bitmap& b) {
       Bitmap edges = b;
       pf::SpatialFilter(edges, 16);
       pf::CombineBitmap(b, 0, 0, b.Width(), b.Height(), edges, 0, 0, pf::kCombineAdd);
     }},
};

TEST(ImageCommands, EachEffectGetsItsParameters) {
  const Bitmap picture = Noise(16, 12);
  for (const EffectCase& c : kEffectCases) {
    SCOPED_TRACE(c.name);
    ImportSettings s;
    c.set(s);
    Bitmap expected = picture;
    c.expected(expected);
    ASSERT_FALSE(SameBitmap(expected, picture));  // the case shows something
    EXPECT_TRUE(SameBitmap(Applied(picture, s), expected));
  }
}

TEST(ImageCommands, GreyScaleGivesEightBitGreyAndInvertMirrorsEveryChannel) {
  const Bitmap picture = Noise(5, 4);
  const Bitmap grey = Applied(picture, WithMask(cmd::kCmdGrayScale));
  ASSERT_EQ(grey.BitsPerPixel(), 8);
  const Bitmap inverted = Applied(picture, WithMask(cmd::kCmdInvert));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) {
      const Rgb c = At(picture, x, y);
      const int level = (77 * c.r + 150 * c.g + 29 * c.b + 128) / 256;
      EXPECT_EQ(At(grey, x, y), Rgb(level, level, level));
      EXPECT_EQ(At(inverted, x, y), Rgb(255 - c.r, 255 - c.g, 255 - c.b));
    }
}

TEST(ImageCommands, OutOfRangeParametersLeaveThePicture) {
  const Bitmap picture = Noise(8, 8);
  struct Bad {
    uint32_t bit;
    int n;
    cmd::CommandParam param;
  };
  const Bad cases[] = {
      {cmd::kCmdPosterize, 10, {1, 0}}, {cmd::kCmdMosaic, 11, {65, 0}},
      {cmd::kCmdAverage, 12, {0, 0}},   {cmd::kCmdAddNoise, 15, {400, 4}},
      {cmd::kCmdEmboss, 16, {700, 8}},  {cmd::kCmdHalftone, 23, {0, 2}},
  };
  for (const Bad& c : cases) {
    ImportSettings s = WithMask(c.bit);
    s.CommandParams[size_t(c.n)] = c.param;
    EXPECT_TRUE(SameBitmap(Applied(picture, s), picture)) << c.n;
  }
  ImportSettings gamma = WithMask(cmd::kCmdGammaCorrect);
  for (float g : {0.0f, std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f}) {
    gamma.Gamma = g;
    EXPECT_TRUE(SameBitmap(Applied(picture, gamma), picture)) << g;
  }
  EXPECT_EQ(GammaTimes100(1e30f), std::nullopt);
  EXPECT_EQ(GammaTimes100(-2.5f), -250);
}

TEST(ImageCommands, EdgeEnhanceSkipsPalettePictures) {
  Bitmap grey = Noise(8, 8);
  ASSERT_EQ(pf::GreyScaleBitmap(grey), pf::kImagingSuccess);
  EXPECT_TRUE(SameBitmap(Applied(grey, WithMask(cmd::kCmdEdgeEnhance)), grey));
}

// ---- Colour resolution: runs on every render --------------------------------

struct ResolutionCase {
  const char* name;
  int32_t colorResBits;
  bool dither;
  cmd::CommandParam param;  // entry 9
  int expectedBits;         // 0: picture unchanged
  uint32_t expectedFlags;
};

const ResolutionCase kResolutionCases[] = {
    {"default 0 without Dither", 0, false, {}, 0, 0},
    {"8 without Dither still runs", 8, false, {}, 8, 0},
    {"without Dither only Choice is passed",
     4,
     false,
     {int32_t(pf::kColourResDither), int32_t(pf::kColourResGreyPalette)},
     4,
     pf::kColourResGreyPalette},
    {"16 without Dither", 16, false, {}, 16, 0},
    {"24 without Dither does nothing", 24, false, {}, 0, 0},
    {"negative without Dither is a large unsigned value", -1, false, {}, 0, 0},
    {"Dither caps 32 at 8", 32, true, {}, 8, 0},
    {"Dither caps a negative value at 8", -1, true, {}, 8, 0},
    {"Dither passes both option words",
     4,
     true,
     {int32_t(pf::kColourResDither), int32_t(pf::kColourResGreyPalette)},
     4,
     pf::kColourResDither | pf::kColourResGreyPalette},
    {"Dither with 1 bit", 1, true, {int32_t(pf::kColourResDither), 0}, 1, pf::kColourResDither},
};

TEST(ImageCommands, ColourResolutionFollowsColorResBitsAndDither) {
  const Bitmap picture = Noise(16, 16);
  for (const ResolutionCase& c : kResolutionCases) {
    SCOPED_TRACE(c.name);
    ImportSettings s = WithMask(c.dither ? uint32_t(cmd::kCmdDither) : 0u);
    s.ColorResBits = c.colorResBits;
    s.CommandParams[9] = c.param;
    const Bitmap result = Applied(picture, s);
    if (c.expectedBits == 0) {
      EXPECT_TRUE(SameBitmap(result, picture));
      continue;
    }
    Bitmap expected = picture;
    ASSERT_EQ(pf::ColourResolution(expected, c.expectedBits, c.expectedFlags), pf::kImagingSuccess);
    EXPECT_EQ(result.BitsPerPixel(), c.expectedBits);
    EXPECT_TRUE(SameBitmap(result, expected));
  }
}

// ---- Order of the table ------------------------------------------------------

struct OrderCase {
  const char* name;
  std::function<void(ImportSettings&)> first;   // runs earlier in the table
  std::function<void(ImportSettings&)> second;  // runs later
};

const OrderCase kOrderCases[] = {
    {"edge enhance before histogram equalize",
     [](ImportSettings& s) { s.CommandMask |= cmd::kCmdEdgeEnhance; },
     [](ImportSettings& s) { s.CommandMask |= cmd::kCmdHistoEqualize; }},
    {"gamma before colour resolution",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdGammaCorrect;
       s.Gamma = 2.5f;
     },
     [](ImportSettings& s) { s.ColorResBits = 1; }},
    {"colour resolution before the rotation",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdDither;
       s.ColorResBits = 1;
       s.CommandParams[9].Value = int32_t(pf::kColourResDither);
     },
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdRotate90;
       s.CommandParams[2].Value = 90;
     }},
    {"rotation before mosaic",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdRotate90;
       s.CommandParams[2].Value = 90;
     },
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdMosaic;
       s.CommandParams[11].Value = 5;
     }},
    {"sharpen before noise",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdSharpen;
       s.CommandParams[14].Value = 800;
     },
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdAddNoise;
       s.CommandParams[15] = {500, 0};
     }},
    {"emboss before the gradient filter",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdEmboss;
       s.CommandParams[16] = {500, 1};
     },
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdGradient;
       s.CommandParams[17].Value = 2;
     }},
    {"line segment before halftone",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdLineSegment;
       s.CommandParams[22].Value = 1;
     },
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdHalftone;
       s.CommandParams[23] = {0, 0};
     }},
    {"noise on red before grey scale",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdAddNoise;
       s.CommandParams[15] = {900, 1};
     },
     [](ImportSettings& s) { s.CommandMask |= cmd::kCmdGrayScale; }},
    {"emboss before invert",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdEmboss;
       s.CommandParams[16] = {500, 6};
     },
     [](ImportSettings& s) { s.CommandMask |= cmd::kCmdInvert; }},
    {"gamma before stretch intensity",
     [](ImportSettings& s) {
       s.CommandMask |= cmd::kCmdGammaCorrect;
       s.Gamma = 0.4f;
     },
     [](ImportSettings& s) { s.CommandMask |= cmd::kCmdStretchIntensity; }},
};

TEST(ImageCommands, StepsRunInTheTablesOrder) {
  const Bitmap picture = Noise(12, 12, 3);
  const SignGeometry sign{12, 12};
  for (const OrderCase& c : kOrderCases) {
    SCOPED_TRACE(c.name);
    ImportSettings first, second, both;
    c.first(first);
    c.second(second);
    c.first(both);
    c.second(both);
    const Bitmap inOrder = Applied(Applied(picture, first, sign), second, sign);
    const Bitmap reversed = Applied(Applied(picture, second, sign), first, sign);
    ASSERT_FALSE(SameBitmap(inOrder, reversed));  // the order shows
    EXPECT_TRUE(SameBitmap(Applied(picture, both, sign), inOrder));
  }
}

TEST(ImageCommands, NoBitsAndDefaultsLeaveThePictureAlone) {
  const Bitmap picture = Noise(7, 5);
  ImportSettings s;
  Bitmap b = picture;
  ApplyImageCommands(b, s, {5, 7});
  EXPECT_TRUE(SameBitmap(b, picture));
  EXPECT_TRUE(b.SharesPixelsWith(picture));  // not even copied
  // Bits above the 28 commands mean nothing.
  s.CommandMask = ~cmd::kAllCommandBits;
  EXPECT_TRUE(SameBitmap(Applied(picture, s), picture));
}

}  // namespace
}  // namespace q9::imaging
