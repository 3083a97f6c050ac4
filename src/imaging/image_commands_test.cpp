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
using platform::test::Rgb;
using platform::test::SameBitmap;
namespace pf = platform;
namespace cmd = adjust;

// One command with its parameter entry.
struct Command {
  uint32_t bit;
  int n = -1;  // CommandParams entry, -1: none
  cmd::CommandParam param{};
};

// The settings of these commands, with gamma 2 and, with Dither, colour
// resolution 4.
ImportSettings With(std::initializer_list<Command> commands) {
  ImportSettings s;
  for (const Command& c : commands) {
    s.CommandMask |= c.bit;
    if (c.n >= 0) s.CommandParams[size_t(c.n)] = c.param;
  }
  s.Gamma = 2.0f;
  s.ColorResBits = s.CommandMask & cmd::kCmdDither ? 4 : 0;
  return s;
}

Bitmap Applied(Bitmap b, const ImportSettings& s, SignGeometry sign) {
  ApplyImageCommands(b, s, sign);
  return b;
}

Bitmap Marked(int w, int h, int x, int y) {
  return pf::test::MakePicture(w, h, [=](int px, int py) {
    return px == x && py == y ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
}

// A 6 x 4 picture, black but for a white pixel at (1, 0).
TEST(ImageCommands, MarkedPixelLandsWhereEachMoveSendsIt) {
  const struct {
    const char* name;  // rotations are scaled back to the sign (rows, columns)
    ImportSettings s;
    SignGeometry sign;
    int x, y;
  } cases[] = {
      {"flip", With({{cmd::kCmdFlip}}), {4, 6}, 1, 3},
      {"reverse", With({{cmd::kCmdReverse}}), {4, 6}, 4, 0},
      {"90", With({{cmd::kCmdRotate90, 2, {90, 0}}}), {6, 4}, 3, 1},
      {"180", With({{cmd::kCmdRotate180, 3, {180, 0}}}), {4, 6}, 4, 3},
      {"270", With({{cmd::kCmdRotate270, 4, {270, 0}}}), {6, 4}, 0, 4},
  };
  for (const auto& c : cases)
    EXPECT_TRUE(pf::test::SamePixels(Applied(Marked(6, 4, 1, 0), c.s, c.sign),
                                     Marked(int(c.sign.columns), int(c.sign.rows), c.x, c.y)))
        << c.name;
}

// A filter index outside its family names no filter (the table below runs
// the last of each). A gamma is multiplied in single precision (0.29 x 100 is
// 29 there, 28.99999 in double); one that is no int makes no call.
TEST(ImageCommands, FilterIndexBoundsAndGammaValues) {
  EXPECT_EQ(PredefinedFilterNumber(cmd::kCmdGradient, -1), -1);
  EXPECT_EQ(PredefinedFilterNumber(cmd::kCmdLineSegment, 4), -1);
  std::vector<std::optional<int>> gammas;
  for (float g : {2.0f, 0.29f, std::numeric_limits<float>::quiet_NaN(), 1e30f, -1e30f})
    gammas.push_back(GammaTimes100(g));
  EXPECT_EQ(gammas, (std::vector<std::optional<int>>{200, 29, {}, {}, {}}));
}

// Each command alone makes its library call with its parameters; with the
// command before it in the table, it runs second. Any other order would put
// some neighbours of the table the other way round.
TEST(ImageCommands, EachCommandMakesItsCallAllRunInOrder) {
  using B = Bitmap&;
  constexpr uint32_t kD = pf::kColourResDither, kG = pf::kColourResGreyPalette;
  const SignGeometry sign{12, 16, pf::Q9_RGB16MB};
  const struct {
    Command command;
    std::function<void(Bitmap&)> expected;
  } cases[] = {
      {{cmd::kCmdEdgeEnhance},
       [](B b) {
         Bitmap edges = b;
         pf::SpatialFilter(edges, pf::kFilterLaplacianFirst);
         pf::CombineBitmap(b, 0, 0, b.Width(), b.Height(), edges, 0, 0, pf::kCombineAdd);
       }},
      {{cmd::kCmdHistoEqualize}, [](B b) { pf::HistogramEqualize(b); }},
      {{cmd::kCmdGammaCorrect}, [](B b) { pf::GammaCorrect(b, 200); }},
      {{cmd::kCmdDither, 9, {kD, kG}}, [](B b) { pf::ColourResolution(b, 4, kD | kG); }},
      {{cmd::kCmdFlip}, [](B b) { pf::FlipBitmap(b); }},
      {{cmd::kCmdReverse}, [](B b) { pf::ReverseBitmap(b); }},
      {{cmd::kCmdRotateAny, 5, {30, 0}},
       [](B b) {
         pf::RotateBitmap(b, 30, pf::kRotateResize);
         pf::ResizeBitmap(b, 16, 12, pf::kResizeSmooth);
       }},
      {{cmd::kCmdPosterize, 10, {3, 0}}, [](B b) { pf::Posterize(b, 3); }},
      {{cmd::kCmdMosaic, 11, {4, 0}}, [](B b) { pf::Mosaic(b, 4); }},
      {{cmd::kCmdAverage, 12, {5, 0}}, [](B b) { pf::AverageFilter(b, 5); }},
      {{cmd::kCmdMedian, 13, {3, 0}}, [](B b) { pf::MedianFilter(b, 3); }},
      {{cmd::kCmdSharpen, 14, {600, 0}}, [](B b) { pf::Sharpen(b, 600); }},
      {{cmd::kCmdAddNoise, 15, {400, 2}}, [](B b) { pf::AddNoise(b, 400, 2); }},
      {{cmd::kCmdEmboss, 16, {700, 3}}, [](B b) { pf::Emboss(b, 3, 700); }},
      {{cmd::kCmdGradient, 17, {7, 0}}, [](B b) { pf::SpatialFilter(b, 15); }},
      {{cmd::kCmdLaplacian, 18, {5, 0}}, [](B b) { pf::SpatialFilter(b, 21); }},
      {{cmd::kCmdSobel, 19, {1, 0}}, [](B b) { pf::SpatialFilter(b, 23); }},
      {{cmd::kCmdPrewitt, 20, {1, 0}}, [](B b) { pf::SpatialFilter(b, 25); }},
      {{cmd::kCmdShiftDifference, 21, {2, 0}}, [](B b) { pf::SpatialFilter(b, 28); }},
      {{cmd::kCmdLineSegment, 22, {3, 0}}, [](B b) { pf::SpatialFilter(b, 32); }},
      {{cmd::kCmdHalftone, 23, {4500, 1}}, [](B b) { pf::Halftone(b, 1, 4500); }},
      {{cmd::kCmdGrayScale}, [](B b) { pf::GreyScaleBitmap(b); }},
      {{cmd::kCmdInvert}, [](B b) { pf::InvertBitmap(b); }},
      {{cmd::kCmdHistoContrast, 26, {500, 0}}, [](B b) { pf::HistoContrast(b, 500); }},
      {{cmd::kCmdStretchIntensity}, [](B b) { pf::StretchIntensity(b); }},
  };
  // Random colours within 40..215: every effect leaves a trace, nothing clips.
  const Bitmap picture = pf::test::Noise(16, 12, 7, 40, 215);
  for (size_t i = 0; i < std::size(cases); ++i) {
    SCOPED_TRACE(testing::Message() << "command " << cases[i].command.bit);
    Bitmap alone = picture, pair = picture;
    cases[i].expected(alone);
    ASSERT_FALSE(SameBitmap(alone, picture));  // the case shows something
    EXPECT_TRUE(SameBitmap(Applied(picture, With({cases[i].command}), sign), alone));
    if (i == 0) continue;
    cases[i - 1].expected(pair);
    cases[i].expected(pair);
    const ImportSettings s = With({cases[i - 1].command, cases[i].command});
    EXPECT_TRUE(SameBitmap(Applied(picture, s, sign), pair)) << "after the one before";
  }
}

}  // namespace
}  // namespace q9::imaging
