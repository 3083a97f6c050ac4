#include "imaging/image_commands.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::imaging {
namespace {

using adjust::ImportSettings;
using platform::Bitmap;
using platform::SignGeometry;
using platform::test::At;
using platform::test::Rgb;
using platform::test::SameBitmap;
namespace pf = platform;
namespace cmd = adjust;

// Random colours within 40..215: every effect leaves a trace, nothing clips.
Bitmap Noise(int w, int h, unsigned seed = 7) {
  return platform::test::Noise(w, h, seed, 40, 215);
}

// One command with its parameter entry.
struct Command {
  uint32_t bit;
  int n = -1;  // CommandParams entry, -1: none
  cmd::CommandParam param{};
};

ImportSettings With(std::initializer_list<Command> commands) {
  ImportSettings s;
  for (const Command& c : commands) {
    s.CommandMask |= c.bit;
    if (c.n >= 0) s.CommandParams[size_t(c.n)] = c.param;
  }
  return s;
}

Bitmap Applied(Bitmap b, const ImportSettings& s, SignGeometry sign = {}) {
  ApplyImageCommands(b, s, sign);
  return b;
}

// A 6 x 4 picture, black but for a white pixel at (1, 0), moved by flips
// and rotations; rotations are scaled back to the sign (rows, columns).
TEST(ImageCommands, MarkedPixelLandsWhereEachMoveSendsIt) {
  const Command flip{cmd::kCmdFlip}, reverse{cmd::kCmdReverse}, r90{cmd::kCmdRotate90, 2, {90, 0}};
  const Command r180{cmd::kCmdRotate180, 3, {180, 0}}, r270{cmd::kCmdRotate270, 4, {270, 0}};
  const struct {
    const char* name;
    ImportSettings s;
    SignGeometry sign;
    int x, y;
  } cases[] = {
      {"flip", With({flip}), {4, 6}, 1, 3},
      {"reverse", With({reverse}), {4, 6}, 4, 0},
      {"90", With({r90}), {6, 4}, 3, 1},
      {"180", With({r180}), {4, 6}, 4, 3},
      {"270", With({r270}), {6, 4}, 0, 4},
      {"90 wins over any angle", With({r90, {cmd::kCmdRotateAny, 5, {45, 0}}}), {6, 4}, 3, 1},
      {"flip before the rotation", With({flip, r90}), {6, 4}, 0, 1},
  };
  const Bitmap marked = platform::test::MakePicture(6, 4, [](int x, int y) {
    return x == 1 && y == 0 ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Bitmap b = Applied(marked, c.s, c.sign);
    ASSERT_EQ(std::pair(b.Width(), b.Height()), std::pair(int(c.sign.columns), int(c.sign.rows)));
    for (int y = 0; y < b.Height(); ++y)
      for (int x = 0; x < b.Width(); ++x)
        EXPECT_EQ(At(b, x, y).r, x == c.x && y == c.y ? 255 : 0) << x << "," << y;
  }
  // Any other angle grows the canvas; it is scaled back to the sign.
  const Bitmap turned = Applied(Noise(20, 10), With({{cmd::kCmdRotateAny, 5, {30, 0}}}), {10, 20});
  EXPECT_EQ(std::pair(turned.Width(), turned.Height()), std::pair(20, 10));
  EXPECT_EQ(At(turned, 0, 0), Rgb(0, 0, 0));
}

TEST(ImageCommands, FilterFamiliesRunTheirPredefinedFilter) {
  const Bitmap picture = Noise(12, 9);
  // Every predefined filter gives a different picture here, so the result
  // names the filter that ran.
  std::vector<Bitmap> byNumber(pf::kFilterLast + 1);
  for (int f = pf::kFilterGradientFirst; f <= pf::kFilterLast; ++f) {
    byNumber[size_t(f)] = picture;
    ASSERT_EQ(pf::SpatialFilter(byNumber[size_t(f)], f), pf::kImagingSuccess);
    for (int g = pf::kFilterGradientFirst; g < f; ++g)
      ASSERT_FALSE(SameBitmap(byNumber[size_t(f)], byNumber[size_t(g)])) << f << " " << g;
  }
  const struct {
    uint32_t bit;
    int n, types;
  } families[] = {{cmd::kCmdGradient, 17, 8},        {cmd::kCmdLaplacian, 18, 6},
                  {cmd::kCmdSobel, 19, 2},           {cmd::kCmdPrewitt, 20, 2},
                  {cmd::kCmdShiftDifference, 21, 3}, {cmd::kCmdLineSegment, 22, 4}};
  int expected = 8;  // the families' numbers follow each other without gaps
  for (const auto& f : families) {
    for (int type = 0; type < f.types; ++type, ++expected) {
      EXPECT_EQ(PredefinedFilterNumber(f.bit, type), expected);
      EXPECT_TRUE(
          SameBitmap(Applied(picture, With({{f.bit, f.n, {type, 0}}})), byNumber[size_t(expected)]))
          << "entry " << f.n << " type " << type;
    }
    // An index past the family would name another family's filter.
    for (int bad : {-1, f.types})
      EXPECT_TRUE(SameBitmap(Applied(picture, With({{f.bit, f.n, {bad, 0}}})), picture));
  }
  EXPECT_EQ(expected, pf::kFilterLast + 1);
}

TEST(ImageCommands, EachEffectGetsItsParameters) {
  using B = Bitmap&;
  constexpr uint32_t kD = pf::kColourResDither, kG = pf::kColourResGreyPalette;
  const auto edgeEnhance = [](B b) {
    Bitmap edges = b;
    pf::SpatialFilter(edges, 16);
    pf::CombineBitmap(b, 0, 0, b.Width(), b.Height(), edges, 0, 0, pf::kCombineAdd);
  };
  const struct {
    Command command;
    float gamma;
    std::function<void(Bitmap&)> expected;
    int32_t colorResBits = 0;  // entry 9 holds the option words
  } cases[] = {
      {{cmd::kCmdPosterize, 10, {3, 0}}, 0, [](B b) { pf::Posterize(b, 3); }},
      {{cmd::kCmdMosaic, 11, {4, 0}}, 0, [](B b) { pf::Mosaic(b, 4); }},
      {{cmd::kCmdAverage, 12, {5, 0}}, 0, [](B b) { pf::AverageFilter(b, 5); }},
      {{cmd::kCmdMedian, 13, {3, 0}}, 0, [](B b) { pf::MedianFilter(b, 3); }},
      {{cmd::kCmdSharpen, 14, {600, 0}}, 0, [](B b) { pf::Sharpen(b, 600); }},
      {{cmd::kCmdAddNoise, 15, {400, 2}}, 0, [](B b) { pf::AddNoise(b, 400, 2); }},
      {{cmd::kCmdEmboss, 16, {700, 3}}, 0, [](B b) { pf::Emboss(b, 3, 700); }},
      {{cmd::kCmdHalftone, 23, {4500, 1}}, 0, [](B b) { pf::Halftone(b, 1, 4500); }},
      {{cmd::kCmdHistoContrast, 26, {500, 0}}, 0, [](B b) { pf::HistoContrast(b, 500); }},
      {{cmd::kCmdHistoEqualize}, 0, [](B b) { pf::HistogramEqualize(b); }},
      {{cmd::kCmdStretchIntensity}, 0, [](B b) { pf::StretchIntensity(b); }},
      {{cmd::kCmdGrayScale}, 0, [](B b) { pf::GreyScaleBitmap(b); }},
      {{cmd::kCmdInvert}, 0, [](B b) { pf::InvertBitmap(b); }},
      {{cmd::kCmdGammaCorrect}, 2.0f, [](B b) { pf::GammaCorrect(b, 200); }},
      // Single precision: 0.29 x 100 is 29 there, 28.99999 in double.
      {{cmd::kCmdGammaCorrect}, 0.29f, [](B b) { pf::GammaCorrect(b, 29); }},
      {{cmd::kCmdEdgeEnhance}, 0, edgeEnhance},
      {{0}, 0, [](B b) { pf::ColourResolution(b, 8, 0); }, 8},
      {{cmd::kCmdDither, 9, {kD, kG}}, 0, [](B b) { pf::ColourResolution(b, 4, kD | kG); }, 4},
  };
  const Bitmap picture = Noise(16, 12);
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "command " << c.command.bit << ", gamma " << c.gamma
                                    << ", colour resolution " << c.colorResBits);
    ImportSettings s = With({c.command});
    s.Gamma = c.gamma;
    s.ColorResBits = c.colorResBits;
    Bitmap expected = picture;
    c.expected(expected);
    ASSERT_FALSE(SameBitmap(expected, picture));  // the case shows something
    EXPECT_TRUE(SameBitmap(Applied(picture, s), expected));
  }
  // A gamma that is no int makes no call; without Dither a negative colour
  // resolution is a large unsigned value and changes nothing.
  ImportSettings s = With({{cmd::kCmdGammaCorrect}});
  for (float g : {std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f}) {
    s.Gamma = g;
    EXPECT_TRUE(SameBitmap(Applied(picture, s), picture)) << g;
  }
  s.ColorResBits = -1;
  EXPECT_TRUE(SameBitmap(Applied(picture, s), picture));
  // No command, or only bits above the commands: the picture is not copied.
  for (uint32_t mask : {0u, ~cmd::kAllCommandBits}) {
    Bitmap b = picture;
    s.CommandMask = mask;
    ApplyImageCommands(b, s, {});
    EXPECT_TRUE(b.SharesPixelsWith(picture));
  }
}

}  // namespace
}  // namespace q9::imaging
