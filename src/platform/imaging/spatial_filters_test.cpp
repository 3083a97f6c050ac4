#include <gtest/gtest.h>

#include <string_view>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::MakePicture;
using test::Rgb;

// 8 x 8 pictures, 200 on 0, named by a letter: the bright half-plane on the
// Top, Bottom, Left or Right of an edge through the middle; a horizontal (h)
// or vertical (v) line; a rising (/) or falling (\) diagonal line.
Bitmap Picture(char shape) {
  return MakePicture(8, 8, [shape](int x, int y) {
    const bool on[] = {y < 4, y >= 4, x < 4, x >= 4, y == 4, x == 4, x + y == 7, x == y};
    const int v = on[std::string_view("TBLRhv/\\").find(shape)] ? 200 : 0;
    return Rgb{v, v, v};
  });
}

bool AnyLit(const Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x)
      if (At(b, x, y).g > 0) return true;
  return false;
}

// Each filter lights edges of its own direction and sign and stays dark on
// the opposite ones. Compass gradients (8 north .. 15 north-west): lit where
// the picture gets brighter towards the direction. Laplacians (16..21): every
// edge, the horizontal and vertical ones only their own. Sobel and Prewitt
// (22..25): horizontal lit where the top is brighter, vertical where the
// right is brighter. Shift and difference (26..28): the pixel minus its
// up-left, left or upper neighbour. Line segments (29, 30): lines of their own
// direction.
TEST(SpatialFilter, DirectionsAndSigns) {
  const struct {
    int filter;
    const char *lit, *dark;
  } cases[] = {{8, "T", "B"},   {9, "TR", "BL"},  {10, "R", "L"},   {11, "BR", "TL"},
               {12, "B", "T"},  {13, "BL", "TR"}, {14, "L", "R"},   {15, "TL", "BR"},
               {16, "TL", ""},  {17, "BR", ""},   {18, "/", ""},    {19, "T", ""},
               {20, "T", "L"},  {21, "L", "T"},   {22, "T", "BR"},  {23, "R", "LT"},
               {24, "T", "BL"}, {25, "R", "LB"},  {26, "RB", "LT"}, {27, "R", "LB"},
               {28, "B", "TR"}, {29, "h", "v"},   {30, "v", "h"}};
  for (const auto& c : cases)
    for (const auto& [shapes, lit] : {std::pair(c.lit, true), std::pair(c.dark, false)})
      for (const char* s = shapes; *s; ++s) {
        Bitmap b = Picture(*s);
        ASSERT_EQ(SpatialFilter(b, c.filter), kImagingSuccess) << c.filter;
        EXPECT_EQ(AnyLit(b), lit) << "filter " << c.filter << " shape " << *s;
      }
  // The diagonal line masks also answer a crossing diagonal two pixels off
  // it, so they are checked on the line itself.
  const struct {
    int filter;
    char shape;
    int x;
    bool lit;
  } diagonals[] = {
      {31, '/', 3, true}, {31, '\\', 4, false}, {32, '\\', 4, true}, {32, '/', 3, false}};
  for (const auto& c : diagonals) {
    Bitmap b = Picture(c.shape);
    ASSERT_EQ(SpatialFilter(b, c.filter), kImagingSuccess);
    EXPECT_EQ(At(b, c.x, 4).g > 0, c.lit) << "filter " << c.filter << " shape " << c.shape;
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

}  // namespace
}  // namespace q9::platform
