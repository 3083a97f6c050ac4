#include <gtest/gtest.h>

#include <cmath>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::Rgb;
using test::SameBitmap;
using test::Uniform;

// Exact weights of one axis: the area of each source pixel under output
// pixel i when shrinking, the two neighbours of its centre when growing.
std::vector<double> AxisWeights(int i, int src, int dst) {
  std::vector<double> w(size_t(src), 0.0);
  if (dst < src) {
    const double scale = double(src) / dst;
    for (int k = 0; k < src; ++k)
      w[size_t(k)] =
          std::max(0.0, std::min((i + 1) * scale, k + 1.0) - std::max(i * scale, 1.0 * k)) / scale;
  } else {
    const double c = std::clamp((i + 0.5) * src / dst - 0.5, 0.0, src - 1.0);
    const int k = int(c);
    w[size_t(k)] += 1.0 - (c - k);
    if (k + 1 < src) w[size_t(k + 1)] += c - k;
  }
  return w;
}

// Largest difference of any channel from the exact fit.
int WorstError(const Bitmap& src, const Bitmap& fitted) {
  int worst = 0;
  for (int y = 0; y < fitted.Height(); ++y) {
    const std::vector<double> wy = AxisWeights(y, src.Height(), fitted.Height());
    for (int x = 0; x < fitted.Width(); ++x) {
      const std::vector<double> wx = AxisWeights(x, src.Width(), fitted.Width());
      double sum[3] = {};
      for (int sy = 0; sy < src.Height(); ++sy) {
        if (wy[size_t(sy)] == 0) continue;
        for (int sx = 0; sx < src.Width(); ++sx) {
          const RgbQuad c = src.PixelColour(sx, sy);
          const double w = wy[size_t(sy)] * wx[size_t(sx)];
          sum[0] += w * c.red, sum[1] += w * c.green, sum[2] += w * c.blue;
        }
      }
      const Rgb got = At(fitted, x, y);
      const int got3[3] = {got.r, got.g, got.b};
      for (int c = 0; c < 3; ++c)
        worst = std::max(worst, int(std::abs(got3[c] - std::lround(sum[c]))));
    }
  }
  return worst;
}

// Area averaging when shrinking, bilinear when growing: within one level of
// the exact fit; a uniform picture stays exactly uniform.
TEST(FitBitmap, WithinOneLevelOfTheExactFitUniformStaysUniform) {
  const struct {
    int fromW, fromH, toW, toH;
  } cases[] = {
      {640, 480, 192, 64},  // a video frame onto a sign: split over two threads
      {97, 61, 13, 7},      // uneven windows
      {640, 480, 1, 1},     // the whole picture to one
      {5, 3, 17, 11},       // growing
      {40, 9, 7, 30},       // shrinking one way, growing the other
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.fromW << "x" << c.fromH << " -> " << c.toW << "x" << c.toH);
    const Bitmap src = test::Noise(c.fromW, c.fromH, unsigned(c.fromW));
    Bitmap fitted;
    ASSERT_EQ(FitBitmap(src, fitted, c.toW, c.toH), kImagingSuccess);
    ASSERT_EQ(std::pair(fitted.Width(), fitted.Height()), std::pair(c.toW, c.toH));
    EXPECT_LE(WorstError(src, fitted), 1);
    Bitmap inPlace = src;
    ASSERT_EQ(FitBitmap(inPlace, c.toW, c.toH), kImagingSuccess);
    EXPECT_TRUE(SameBitmap(inPlace, fitted));

    Bitmap uniform = Uniform(c.fromW, c.fromH, {201, 37, 128});
    ASSERT_EQ(FitBitmap(uniform, c.toW, c.toH), kImagingSuccess);
    EXPECT_TRUE(SameBitmap(uniform, Uniform(c.toW, c.toH, {201, 37, 128})));
  }
}

// A shared destination is not written through; refused, the destination
// stays.
TEST(FitBitmap, SharedDestinationsAndRefusals) {
  const Bitmap a = test::Noise(64, 48, 1);
  Bitmap out = Uniform(16, 8, {1, 2, 3});
  const Bitmap shared = out;
  ASSERT_EQ(FitBitmap(a, out, 16, 8), kImagingSuccess);
  EXPECT_TRUE(SameBitmap(shared, Uniform(16, 8, {1, 2, 3})));
  EXPECT_EQ(FitBitmap(a, out, 0, 8), kImagingFailure);
  EXPECT_EQ(FitBitmap(a, out, 10001, 10000), kImagingFailure);  // beyond the pixel budget
  EXPECT_EQ(out.Width(), 16);
  EXPECT_TRUE(out.HasData());
}

}  // namespace
}  // namespace q9::platform
