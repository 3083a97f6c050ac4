#include <gtest/gtest.h>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::MakePicture;
using test::Rgb;

// 8 x 8 pictures, 200 on 0: a half-plane on one side of an edge through the
// middle, or a one-pixel line.
enum class Shape {
  BrightTop,
  BrightBottom,
  BrightLeft,
  BrightRight,
  LineH,
  LineV,
  Rising,
  Falling
};

Bitmap Picture(Shape s) {
  return MakePicture(8, 8, [s](int x, int y) {
    bool on = false;
    switch (s) {
      case Shape::BrightTop:
        on = y < 4;
        break;
      case Shape::BrightBottom:
        on = y >= 4;
        break;
      case Shape::BrightLeft:
        on = x < 4;
        break;
      case Shape::BrightRight:
        on = x >= 4;
        break;
      case Shape::LineH:
        on = y == 4;
        break;
      case Shape::LineV:
        on = x == 4;
        break;
      case Shape::Rising:
        on = x + y == 7;
        break;  // bottom left to top right
      case Shape::Falling:
        on = x == y;
        break;  // top left to bottom right
    }
    const int v = on ? 200 : 0;
    return Rgb{v, v, v};
  });
}

bool AnyLit(const Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (At(b, x, y).g > 0) return true;
  return false;
}

struct FilterCase {
  int filter;
  Shape shape;
  bool lit;
  int probeX = -1, probeY = -1;  // when given: only this pixel is checked
};

// Each family lights edges of its own direction and sign and stays dark on
// the opposite ones.
TEST(SpatialFilter, DirectionsAndSigns) {
  using S = Shape;
  const FilterCase cases[] = {
      // Compass gradients (8 north .. 15 north-west): lit where the picture
      // gets brighter towards the direction.
      {8, S::BrightTop, true},
      {8, S::BrightBottom, false},
      {9, S::BrightTop, true},
      {9, S::BrightRight, true},
      {9, S::BrightBottom, false},
      {9, S::BrightLeft, false},
      {10, S::BrightRight, true},
      {10, S::BrightLeft, false},
      {11, S::BrightBottom, true},
      {11, S::BrightRight, true},
      {11, S::BrightTop, false},
      {11, S::BrightLeft, false},
      {12, S::BrightBottom, true},
      {12, S::BrightTop, false},
      {13, S::BrightBottom, true},
      {13, S::BrightLeft, true},
      {13, S::BrightTop, false},
      {13, S::BrightRight, false},
      {14, S::BrightLeft, true},
      {14, S::BrightRight, false},
      {15, S::BrightTop, true},
      {15, S::BrightLeft, true},
      {15, S::BrightBottom, false},
      {15, S::BrightRight, false},
      // Laplacians: every edge; the horizontal and vertical ones only their own.
      {16, S::BrightTop, true},
      {16, S::BrightLeft, true},
      {17, S::BrightBottom, true},
      {17, S::BrightRight, true},
      {18, S::Rising, true},
      {19, S::BrightTop, true},
      {20, S::BrightTop, true},
      {20, S::BrightLeft, false},
      {21, S::BrightLeft, true},
      {21, S::BrightTop, false},
      // Sobel and Prewitt: horizontal lit where the top is brighter, vertical
      // where the right is brighter.
      {22, S::BrightTop, true},
      {22, S::BrightBottom, false},
      {22, S::BrightRight, false},
      {23, S::BrightRight, true},
      {23, S::BrightLeft, false},
      {23, S::BrightTop, false},
      {24, S::BrightTop, true},
      {24, S::BrightBottom, false},
      {24, S::BrightLeft, false},
      {25, S::BrightRight, true},
      {25, S::BrightLeft, false},
      {25, S::BrightBottom, false},
      // Shift and difference: the pixel minus its up-left, left or upper
      // neighbour.
      {26, S::BrightRight, true},
      {26, S::BrightBottom, true},
      {26, S::BrightLeft, false},
      {26, S::BrightTop, false},
      {27, S::BrightRight, true},
      {27, S::BrightLeft, false},
      {27, S::BrightBottom, false},
      {28, S::BrightBottom, true},
      {28, S::BrightTop, false},
      {28, S::BrightRight, false},
      // Line segments: lines of their own direction. The diagonal masks also
      // answer a crossing diagonal two pixels off it, so they are checked on
      // the line itself.
      {29, S::LineH, true},
      {29, S::LineV, false},
      {30, S::LineV, true},
      {30, S::LineH, false},
      {31, S::Rising, true, 3, 4},
      {31, S::Falling, false, 4, 4},
      {32, S::Falling, true, 4, 4},
      {32, S::Rising, false, 3, 4},
  };
  for (const FilterCase& c : cases) {
    Bitmap b = Picture(c.shape);
    ASSERT_EQ(SpatialFilter(b, c.filter), kImagingSuccess) << c.filter;
    const bool lit = c.probeX < 0 ? AnyLit(b) : At(b, c.probeX, c.probeY).g > 0;
    EXPECT_EQ(lit, c.lit) << "filter " << c.filter << " shape " << int(c.shape);
  }
}

TEST(SpatialFilter, FlatAreasAreBlackForEveryFilter) {
  for (int f = kFilterGradientFirst; f <= kFilterLast; ++f) {
    Bitmap b = test::Uniform(5, 4, {90, 180, 30});
    ASSERT_EQ(SpatialFilter(b, f), kImagingSuccess);
    EXPECT_FALSE(AnyLit(b)) << f;
  }
  Bitmap b = test::Uniform(2, 2, {1, 1, 1});
  EXPECT_EQ(SpatialFilter(b, 7), kImagingFailure);
  EXPECT_EQ(SpatialFilter(b, 33), kImagingFailure);
}

// The Laplacian lights the bright side of an edge; added to the picture (the
// Edge Enhance command) it raises that side and leaves the rest.
TEST(SpatialFilter, LaplacianPlusCombineEnhancesTheBrightSide) {
  const Bitmap original = MakePicture(8, 2, [](int x, int) {
    return x >= 4 ? Rgb{150, 150, 150} : Rgb{50, 50, 50};
  });
  Bitmap edges = original;
  ASSERT_EQ(SpatialFilter(edges, kFilterLaplacianFirst), kImagingSuccess);
  EXPECT_EQ(At(edges, 4, 0), (Rgb{100, 100, 100}));
  EXPECT_EQ(At(edges, 3, 0), (Rgb{0, 0, 0}));
  Bitmap enhanced = original;
  ASSERT_EQ(CombineBitmap(enhanced, 0, 0, 8, 2, edges, 0, 0, kCombineAdd), kImagingSuccess);
  EXPECT_EQ(At(enhanced, 4, 1), (Rgb{250, 250, 250}));
  EXPECT_EQ(At(enhanced, 3, 1), (Rgb{50, 50, 50}));
  EXPECT_EQ(At(enhanced, 6, 1), (Rgb{150, 150, 150}));
}

}  // namespace
}  // namespace q9::platform
