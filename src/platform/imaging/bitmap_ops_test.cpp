#include <gtest/gtest.h>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::MakePicture;
using test::Rgb;
using test::Uniform;

constexpr int kAllDepths[] = {1, 4, 8, 16, 24, 32};
constexpr Rgb kBlack{0, 0, 0}, kWhite{255, 255, 255};

TEST(Bitmap, CreateWithinThePixelBudgetAndPixelsAtEveryDepth) {
  const int refused[][3] = {{3, 2, 7}, {0, 5, 24}, {10001, 10000, 24}, {1 << 30, 1 << 30, 1}};
  for (const auto& c : refused)
    EXPECT_FALSE(Bitmap::Create(c[0], c[1], c[2]).HasData()) << c[0] << "x" << c[1] << "@" << c[2];
  // Every depth stores and reads back each pixel on its own, also across the
  // byte boundaries of 1 and 4 bits and the row padding.
  for (int bpp : kAllDepths) {
    Bitmap b = Bitmap::Create(7, 3, bpp);
    const uint32_t mask = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
    auto value = [mask](int x, int y) { return uint32_t(x * 37 + y * 101 + 5) & mask; };
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) b.SetPixelValue(x, y, value(x, y));
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 7; ++x) EXPECT_EQ(b.PixelValue(x, y), value(x, y)) << bpp;
  }
  Bitmap b16 = Bitmap::Create(1, 1, 16);
  b16.SetPixelValue(0, 0, 31u << 10);  // full red in 5-5-5
  EXPECT_EQ(At(b16, 0, 0), (Rgb{255, 0, 0}));
}

TEST(CopyBitmap, SharesUntilWrittenAndCopiesRectanglesInside) {
  const Bitmap src = Uniform(3, 3, {10, 20, 30});
  Bitmap dst;
  ASSERT_EQ(CopyBitmap(dst, src), kImagingSuccess);
  EXPECT_TRUE(dst.SharesPixelsWith(src));
  ASSERT_EQ(ClearBitmap(dst), kImagingSuccess);
  EXPECT_EQ(At(dst, 1, 1), kBlack);
  EXPECT_EQ(At(src, 1, 1), (Rgb{10, 20, 30}));
  // About to be overwritten: fresh storage, the other copy keeps its pixels.
  Bitmap overwritten = src;
  std::fill_n(overwritten.OverwriteBits(), overwritten.ImageSize(), uint8_t(0xFF));
  EXPECT_FALSE(overwritten.SharesPixelsWith(src));
  EXPECT_EQ(At(overwritten, 2, 2), kWhite);
  EXPECT_EQ(At(src, 2, 2), (Rgb{10, 20, 30}));

  // A rectangle wholly inside is copied, any other refused.
  const Bitmap picture = MakePicture(5, 4, [](int x, int y) { return Rgb{x * 10, y * 10, 7}; });
  ASSERT_EQ(CopyBitmapRect(dst, picture, 1, 2, 3, 2), kImagingSuccess);
  ASSERT_EQ(std::pair(dst.Width(), dst.Height()), std::pair(3, 2));
  EXPECT_EQ(At(dst, 0, 0), (Rgb{10, 20, 7}));
  EXPECT_EQ(At(dst, 2, 1), (Rgb{30, 30, 7}));
  const int refused[][4] = {{3, 0, 3, 1}, {-1, 0, 2, 2}};  // left, top, w, h
  for (const auto& [x, y, w, h] : refused)
    EXPECT_EQ(CopyBitmapRect(dst, picture, x, y, w, h), kImagingFailure) << x << "," << w;
}

// The capture step: the part of the rectangle inside the frame is the frame,
// the rest is black.
TEST(CopyRectWithBlack, PartlyOutsideIsBlack) {
  const Bitmap src = Uniform(4, 3, {200, 100, 50});
  const Bitmap out = CopyRectWithBlack(src, -2, 1, 8, 4);
  ASSERT_EQ(std::pair(out.Width(), out.Height()), std::pair(8, 4));
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(At(out, x, y), x >= 2 && x < 6 && y < 2 ? (Rgb{200, 100, 50}) : kBlack) << x << y;
  EXPECT_FALSE(CopyRectWithBlack(src, 0, 0, 0, 3).HasData());
  EXPECT_EQ(At(CopyRectWithBlack(src, 100, 100, 2, 2), 1, 1), kBlack);  // wholly outside
}

// One marked pixel at (1, 0) of a 5 x 3 canvas lands where each move puts it,
// at every depth.
TEST(PixelMoves, MarkedPixelLandsWhereExpectedAtEveryDepth) {
  auto rotate = [](int angle) {
    return [angle](Bitmap& b) { return RotateBitmap(b, angle, kRotateResize); };
  };
  const struct {
    const char* name;
    std::function<int(Bitmap&)> op;
    int width, height, markX, markY;
  } cases[] = {
      {"flip", FlipBitmap, 5, 3, 1, 2},        {"reverse", ReverseBitmap, 5, 3, 3, 0},
      {"rotate 90", rotate(90), 3, 5, 2, 1},   {"rotate 180", rotate(180), 5, 3, 3, 2},
      {"rotate 270", rotate(270), 3, 5, 0, 3}, {"rotate -90", rotate(-90), 3, 5, 0, 3},
  };
  for (int bpp : kAllDepths)
    for (const auto& c : cases) {
      Bitmap b = Bitmap::Create(5, 3, bpp);
      const uint32_t mark = bpp <= 8 ? 1u : bpp == 16 ? 0x7FFFu : 0xFFFFFFu;
      b.SetPixelValue(1, 0, mark);
      ASSERT_EQ(c.op(b), kImagingSuccess) << c.name;
      EXPECT_EQ(b.BitsPerPixel(), bpp);
      ASSERT_EQ(std::pair(b.Width(), b.Height()), std::pair(c.width, c.height)) << c.name;
      for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
          EXPECT_EQ(b.PixelValue(x, y), (x == c.markX && y == c.markY) ? mark : 0u)
              << c.name << " at " << bpp << " bits, pixel " << x << "," << y;
    }
}

TEST(RotateBitmap, AnyAngleGrowsTheCanvas) {
  Bitmap grown = Uniform(20, 10, kWhite);
  ASSERT_EQ(RotateBitmap(grown, 45, kRotateResize), kImagingSuccess);
  EXPECT_EQ(std::pair(grown.Width(), grown.Height()), std::pair(22, 22));  // ceil(30 / sqrt 2)
  EXPECT_EQ(At(grown, 11, 11), kWhite);
  EXPECT_EQ(At(grown, 21, 21), kBlack);
}

}  // namespace
}  // namespace q9::platform
