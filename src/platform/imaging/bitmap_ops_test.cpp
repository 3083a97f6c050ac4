#include <gtest/gtest.h>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::MakePicture;
using test::Rgb;
using test::Uniform;

struct CreateCase {
  int width, height, bpp;
  bool hasData;
};

TEST(BitmapCreate, AcceptsSupportedDepthsWithinThePixelBudget) {
  const CreateCase cases[] = {
      {3, 2, 1, true},    {3, 2, 4, true},   {3, 2, 8, true},         {3, 2, 16, true},
      {3, 2, 24, true},   {3, 2, 32, true},  {3, 2, 7, false},        {3, 2, 0, false},
      {-1, 2, 24, false}, {0, 5, 24, false}, {8193, 8192, 24, false}, {1 << 30, 1 << 30, 1, false},
  };
  for (const CreateCase& c : cases) {
    const Bitmap b = Bitmap::Create(c.width, c.height, c.bpp);
    EXPECT_EQ(b.HasData(), c.hasData) << c.width << "x" << c.height << "@" << c.bpp;
    if (c.hasData) {
      EXPECT_EQ(b.ImageSize(), b.Stride() * size_t(c.height));
    }
  }
}

// Every depth stores and reads back each pixel on its own, also across the
// byte boundaries of 1 and 4 bits and the row padding.
TEST(BitmapPixels, ValuesRoundTripAtEveryDepth) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    Bitmap b = Bitmap::Create(7, 3, bpp);
    const uint32_t mask = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) b.SetPixelValue(x, y, uint32_t(x * 37 + y * 101 + 5) & mask);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x)
        EXPECT_EQ(b.PixelValue(x, y), uint32_t(x * 37 + y * 101 + 5) & mask) << bpp;
  }
  Bitmap b16 = Bitmap::Create(1, 1, 16);
  b16.SetPixelValue(0, 0, 31u << 10);  // full red in 5-5-5
  EXPECT_EQ(At(b16, 0, 0), (Rgb{255, 0, 0}));
}

TEST(CopyBitmap, SharesUntilWrittenThenStaysIndependent) {
  const Bitmap src = Uniform(3, 3, {10, 20, 30});
  Bitmap dst;
  ASSERT_EQ(CopyBitmap(dst, src), kImagingSuccess);
  EXPECT_TRUE(dst.SharesPixelsWith(src));
  ASSERT_EQ(ClearBitmap(dst), kImagingSuccess);
  EXPECT_EQ(At(dst, 1, 1), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(src, 1, 1), (Rgb{10, 20, 30}));
  EXPECT_EQ(CopyBitmap(dst, Bitmap()), kImagingFailure);
}

TEST(CopyBitmapRect, CopiesInsideAndRefusesOutside) {
  const Bitmap src = MakePicture(5, 4, [](int x, int y) { return Rgb{x * 10, y * 10, 7}; });
  Bitmap dst;
  ASSERT_EQ(CopyBitmapRect(dst, src, 1, 2, 3, 2), kImagingSuccess);
  ASSERT_EQ(dst.Width(), 3);
  ASSERT_EQ(dst.Height(), 2);
  EXPECT_EQ(At(dst, 0, 0), (Rgb{10, 20, 7}));
  EXPECT_EQ(At(dst, 2, 1), (Rgb{30, 30, 7}));
  EXPECT_EQ(CopyBitmapRect(dst, src, 3, 0, 3, 1), kImagingFailure);
  EXPECT_EQ(CopyBitmapRect(dst, src, -1, 0, 2, 2), kImagingFailure);
  EXPECT_EQ(CopyBitmapRect(dst, src, 0, 0, 0, 2), kImagingFailure);
}

// The capture step: the part of the rectangle inside the frame is the frame,
// the rest is black.
TEST(CopyRectWithBlack, PartlyOutsideIsBlack) {
  const Bitmap src = Uniform(4, 3, {200, 100, 50});
  const Bitmap out = CopyRectWithBlack(src, -2, 1, 8, 4);
  ASSERT_EQ(out.Width(), 8);
  ASSERT_EQ(out.Height(), 4);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x) {
      const bool inside = x >= 2 && x < 6 && y < 2;
      EXPECT_EQ(At(out, x, y), inside ? (Rgb{200, 100, 50}) : (Rgb{0, 0, 0})) << x << "," << y;
    }
  EXPECT_FALSE(CopyRectWithBlack(src, 0, 0, 0, 3).HasData());
  EXPECT_FALSE(CopyRectWithBlack(Bitmap(), 0, 0, 2, 2).HasData());
  const Bitmap away = CopyRectWithBlack(src, 100, 100, 2, 2);  // wholly outside
  ASSERT_TRUE(away.HasData());
  EXPECT_EQ(At(away, 1, 1), (Rgb{0, 0, 0}));
}

TEST(CopyRectWithBlack, PaletteOutsideTakesTheDarkestEntry) {
  Bitmap src = Bitmap::Create(2, 2, 4);
  std::vector<RgbQuad> palette(16, RgbQuad{255, 255, 255, 0});
  palette[9] = RgbQuad{0, 0, 0, 0};
  src.SetPalette(palette);  // every pixel is index 0: white
  const Bitmap out = CopyRectWithBlack(src, 1, 0, 3, 2);
  EXPECT_EQ(out.BitsPerPixel(), 4);
  EXPECT_EQ(out.PixelValue(0, 0), 0u);
  EXPECT_EQ(out.PixelValue(1, 0), 9u);
  EXPECT_EQ(At(out, 2, 1), (Rgb{0, 0, 0}));
}

struct BlitCase {
  int dx, dy, sx, sy, w, h;
};

// Compared with a direct model: a destination pixel changes exactly when it
// and its source pixel both lie inside their pictures and inside the block.
TEST(BlitCopy, ClipsAtBothEdges) {
  const BlitCase cases[] = {{0, 0, 0, 0, 3, 3},   {2, 2, 0, 0, 3, 3},       {-1, -2, 0, 0, 3, 3},
                            {0, 0, -1, -1, 3, 3}, {1, 0, 2, 1, 5, 5},       {3, 3, 0, 0, 9, 9},
                            {0, 0, 3, 0, 2, 2},   {-5, -5, -5, -5, 20, 20}, {4, 0, 0, 0, 1, 1},
                            {1, 1, 0, 0, 0, 2}};
  const Bitmap src = MakePicture(3, 3, [](int x, int y) { return Rgb{50 + x, 60 + y, 70}; });
  for (const BlitCase& c : cases) {
    Bitmap dst = Uniform(4, 4, {1, 2, 3});
    ASSERT_EQ(BlitCopy(dst, c.dx, c.dy, src, c.sx, c.sy, c.w, c.h), kImagingSuccess);
    for (int y = 0; y < 4; ++y)
      for (int x = 0; x < 4; ++x) {
        const int sx = c.sx + x - c.dx, sy = c.sy + y - c.dy;
        const bool written = x - c.dx >= 0 && x - c.dx < c.w && y - c.dy >= 0 && y - c.dy < c.h &&
                             sx >= 0 && sx < 3 && sy >= 0 && sy < 3;
        EXPECT_EQ(At(dst, x, y), written ? (Rgb{50 + sx, 60 + sy, 70}) : (Rgb{1, 2, 3}))
            << "case " << c.dx << "," << c.dy << "," << c.sx << "," << c.sy << " at " << x << ","
            << y;
      }
  }
}

TEST(BlitCopy, OntoItselfAndMismatchedDepths) {
  Bitmap b = MakePicture(4, 1, [](int x, int) { return Rgb{x, 0, 0}; });
  ASSERT_EQ(BlitCopy(b, 1, 0, b, 0, 0, 3, 1), kImagingSuccess);
  EXPECT_EQ(At(b, 1, 0).r, 0);
  EXPECT_EQ(At(b, 3, 0).r, 2);
  Bitmap eight = Bitmap::Create(4, 1, 8);
  EXPECT_EQ(BlitCopy(eight, 0, 0, b, 0, 0, 1, 1), kImagingFailure);
}

// A picture with one marked pixel at (1, 0) on a 5 x 3 canvas, at each depth.
Bitmap Marked(int bpp) {
  Bitmap b = Bitmap::Create(5, 3, bpp);
  b.SetPixelValue(1, 0, bpp <= 8 ? 1u : 0xFFFFFFu & (bpp == 16 ? 0x7FFFu : 0xFFFFFFu));
  return b;
}

struct MoveCase {
  const char* name;
  int (*op)(Bitmap&);
  int width, height, markX, markY;
};

int Rot90(Bitmap& b) {
  return RotateBitmap(b, 90, kRotateResize);
}
int Rot180(Bitmap& b) {
  return RotateBitmap(b, 180, kRotateResize);
}
int Rot270(Bitmap& b) {
  return RotateBitmap(b, 270, kRotateResize);
}
int RotMinus90(Bitmap& b) {
  return RotateBitmap(b, -90, kRotateResize);
}
int Rot450(Bitmap& b) {
  return RotateBitmap(b, 450, kRotateResize);
}

TEST(PixelMoves, MarkedPixelLandsWhereExpectedAtEveryDepth) {
  const MoveCase cases[] = {
      {"flip", FlipBitmap, 5, 3, 1, 2},   {"reverse", ReverseBitmap, 5, 3, 3, 0},
      {"rotate 90", Rot90, 3, 5, 2, 1},   {"rotate 180", Rot180, 5, 3, 3, 2},
      {"rotate 270", Rot270, 3, 5, 0, 3}, {"rotate -90", RotMinus90, 3, 5, 0, 3},
      {"rotate 450", Rot450, 3, 5, 2, 1},
  };
  for (int bpp : {1, 4, 8, 16, 24, 32})
    for (const MoveCase& c : cases) {
      Bitmap b = Marked(bpp);
      const uint32_t mark = b.PixelValue(1, 0);
      ASSERT_EQ(c.op(b), kImagingSuccess) << c.name;
      EXPECT_EQ(b.BitsPerPixel(), bpp);
      ASSERT_EQ(b.Width(), c.width) << c.name;
      ASSERT_EQ(b.Height(), c.height) << c.name;
      for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
          EXPECT_EQ(b.PixelValue(x, y), (x == c.markX && y == c.markY) ? mark : 0u)
              << c.name << " at " << bpp << " bits, pixel " << x << "," << y;
    }
}

TEST(RotateBitmap, QuarterTurnKeepingSizeStaysCentred) {
  Bitmap b = MakePicture(4, 2, [](int x, int) { return Rgb{x == 1 ? 255 : 0, 0, 0}; });
  ASSERT_EQ(RotateBitmap(b, 90, kRotateKeepSize), kImagingSuccess);
  ASSERT_EQ(b.Width(), 4);
  ASSERT_EQ(b.Height(), 2);
  // Turned, column 1 becomes row 1 of a 2 x 4 picture; centred on the 4 x 2
  // canvas that row is the top row, over columns 1 and 2.
  for (int x = 0; x < 4; ++x) {
    EXPECT_EQ(At(b, x, 0).r, (x == 1 || x == 2) ? 255 : 0) << x;
    EXPECT_EQ(At(b, x, 1).r, 0) << x;
  }
}

TEST(RotateBitmap, AnyAngleGrowsTheCanvasWhenAsked) {
  Bitmap grown = Uniform(20, 10, {255, 255, 255});
  ASSERT_EQ(RotateBitmap(grown, 45, kRotateResize), kImagingSuccess);
  EXPECT_EQ(grown.Width(), 22);  // ceil(30 / sqrt 2)
  EXPECT_EQ(grown.Height(), 22);
  EXPECT_EQ(At(grown, 11, 11), (Rgb{255, 255, 255}));
  EXPECT_EQ(At(grown, 0, 0), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(grown, 21, 21), (Rgb{0, 0, 0}));
  Bitmap kept = Uniform(10, 10, {255, 255, 255});
  ASSERT_EQ(RotateBitmap(kept, 45, kRotateKeepSize), kImagingSuccess);
  EXPECT_EQ(kept.Width(), 10);
  EXPECT_EQ(kept.Height(), 10);
  EXPECT_EQ(At(kept, 5, 5), (Rgb{255, 255, 255}));
  EXPECT_EQ(At(kept, 5, 0), (Rgb{255, 255, 255}));  // the diamond's top tip
  for (int corner : {0, 9}) {
    EXPECT_EQ(At(kept, corner, 0), (Rgb{0, 0, 0}));
    EXPECT_EQ(At(kept, corner, 9), (Rgb{0, 0, 0}));
  }
  Bitmap palette = Bitmap::Create(4, 4, 8);
  ASSERT_EQ(RotateBitmap(palette, 30, kRotateResize), kImagingSuccess);
  EXPECT_EQ(palette.BitsPerPixel(), 24);
  EXPECT_EQ(RotateBitmap(palette, 30, 2), kImagingFailure);
}

struct SizePair {
  int fromW, fromH, toW, toH;
};

TEST(FitBitmap, UniformPictureStaysExactlyUniform) {
  const SizePair cases[] = {{1920, 1080, 48, 16}, {7, 5, 3, 2}, {3, 2, 11, 7},    {10, 10, 10, 10},
                            {9, 4, 3, 13},        {1, 1, 5, 5}, {640, 480, 1, 1}, {5, 3, 5, 9}};
  for (const SizePair& c : cases) {
    Bitmap b = Uniform(c.fromW, c.fromH, {201, 37, 128});
    ASSERT_EQ(FitBitmap(b, c.toW, c.toH), kImagingSuccess);
    ASSERT_EQ(b.Width(), c.toW);
    ASSERT_EQ(b.Height(), c.toH);
    for (int y = 0; y < c.toH; ++y)
      for (int x = 0; x < c.toW; ++x)
        ASSERT_EQ(At(b, x, y), (Rgb{201, 37, 128})) << c.fromW << "x" << c.fromH << " -> " << c.toW
                                                    << "x" << c.toH << " at " << x << "," << y;
  }
}

TEST(FitBitmap, AveragesWhenShrinkingAndInterpolatesWhenGrowing) {
  Bitmap checker = MakePicture(2, 2, [](int x, int y) {
    return ((x + y) & 1) ? Rgb{255, 255, 255} : Rgb{0, 0, 0};
  });
  ASSERT_EQ(FitBitmap(checker, 1, 1), kImagingSuccess);
  EXPECT_EQ(At(checker, 0, 0), (Rgb{128, 128, 128}));

  Bitmap three = MakePicture(3, 1, [](int x, int) { return Rgb{x == 1 ? 255 : 0, 0, 0}; });
  ASSERT_EQ(FitBitmap(three, 2, 1), kImagingSuccess);
  EXPECT_EQ(At(three, 0, 0).r, 85);  // (0 + 255 / 2) / 1.5
  EXPECT_EQ(At(three, 1, 0).r, 85);

  Bitmap two = MakePicture(2, 1, [](int x, int) { return Rgb{x ? 255 : 0, 0, 0}; });
  ASSERT_EQ(FitBitmap(two, 4, 1), kImagingSuccess);
  const int expected[4] = {0, 64, 191, 255};
  for (int x = 0; x < 4; ++x) EXPECT_EQ(At(two, x, 0).r, expected[x]) << x;
}

TEST(ResizeBitmap, NearestKeepsDepthAndPalette) {
  Bitmap b = Bitmap::Create(2, 1, 8);
  b.SetPixelValue(1, 0, 200);
  ASSERT_EQ(ResizeBitmap(b, 4, 2, kResizeNearest), kImagingSuccess);
  EXPECT_EQ(b.BitsPerPixel(), 8);
  const uint32_t expected[4] = {0, 0, 200, 200};
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(b.PixelValue(x, y), expected[x]);
  Bitmap smooth = Bitmap::Create(2, 1, 8);
  ASSERT_EQ(ResizeBitmap(smooth, 3, 3, kResizeSmooth), kImagingSuccess);
  EXPECT_EQ(smooth.BitsPerPixel(), 24);
}

TEST(ResizeBitmap, RefusesBadSizesAndLeavesThePicture) {
  Bitmap b = Uniform(4, 4, {9, 9, 9});
  EXPECT_EQ(ResizeBitmap(b, 0, 4, 0), kImagingFailure);
  EXPECT_EQ(ResizeBitmap(b, 4, 4, 7), kImagingFailure);
  EXPECT_EQ(FitBitmap(b, 10000, 10000), kImagingFailure);  // beyond the pixel budget
  EXPECT_EQ(b.Width(), 4);
  EXPECT_EQ(At(b, 3, 3), (Rgb{9, 9, 9}));
  Bitmap empty;
  EXPECT_EQ(FitBitmap(empty, 2, 2), kImagingFailure);
}

}  // namespace
}  // namespace q9::platform
