#include <gtest/gtest.h>

#include <random>
#include <thread>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

Bitmap Random(int w, int h, unsigned seed) {
  std::mt19937 random(seed);
  Bitmap b = Bitmap::Create(w, h, 24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.MutableRow(y);
    for (int i = 0; i < 3 * w; ++i) row[i] = uint8_t(random());
  }
  return b;
}

Bitmap OneByOne(Bitmap b, int brightness, int contrast, int hue, int saturation) {
  EXPECT_EQ(ChangeBrightness(b, brightness), kImagingSuccess);
  EXPECT_EQ(ChangeContrast(b, contrast), kImagingSuccess);
  EXPECT_EQ(ChangeHue(b, hue), kImagingSuccess);
  EXPECT_EQ(ChangeSaturation(b, saturation), kImagingSuccess);
  return b;
}

bool SameBytes(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() && a.ImageSize() == b.ImageSize() &&
         std::equal(a.Bits(), a.Bits() + a.ImageSize(), b.Bits());
}

struct Values {
  int brightness, contrast, hue, saturation;
};

// Each alone, pairs whose clipping between steps matters, the extremes and
// slider values as the renderer makes them.
const Values kCombinations[] = {
    {300, 0, 0, 0},
    {0, -450, 0, 0},
    {0, 0, 77, 0},
    {0, 0, 0, 640},
    {1000, 0, 0, 0},
    {-1000, 0, 0, 0},
    {0, 1000, 0, 0},
    {0, -1000, 0, 0},
    {0, 0, 180, 0},
    {0, 0, -180, 0},
    {0, 0, 0, 1000},
    {0, 0, 0, -1000},
    {250, 93, 0, 0},
    {-600, 0, 0, 900},
    {0, 700, -33, 0},
    {0, 0, 120, -500},
    {250, 93, 45, -375},
    {-984, 1000, -180, 1000},
    {1000, -1000, 180, -1000},
    {437, -62, 163, 984},
};

TEST(AdjustColours, SameAsTheFourAdjustmentsInOrder) {
  // Odd widths leave row padding and a short last run of pixels.
  const Bitmap pictures[] = {Random(203, 7, 1), Random(640, 480, 2), Random(1, 3, 3)};
  for (const Bitmap& picture : pictures) {
    for (const Values& v : kCombinations) {
      SCOPED_TRACE(testing::Message()
                   << picture.Width() << "x" << picture.Height() << ": " << v.brightness << " "
                   << v.contrast << " " << v.hue << " " << v.saturation);
      const Bitmap expected = OneByOne(picture, v.brightness, v.contrast, v.hue, v.saturation);
      Bitmap out;
      ASSERT_EQ(AdjustColours(picture, out, v.brightness, v.contrast, v.hue, v.saturation),
                kImagingSuccess);
      EXPECT_TRUE(SameBytes(out, expected));
      Bitmap inPlace = picture;
      ASSERT_EQ(AdjustColours(inPlace, inPlace, v.brightness, v.contrast, v.hue, v.saturation),
                kImagingSuccess);
      EXPECT_TRUE(SameBytes(inPlace, expected));
    }
  }
}

TEST(AdjustColours, StorageIsReusedAndTheSourceLeftAlone) {
  const Bitmap a = Random(64, 40, 4);
  const Bitmap b = Random(64, 40, 5);
  Bitmap aCopy = a;
  aCopy.MutableBits();
  Bitmap out;
  ASSERT_EQ(AdjustColours(a, out, 100, 0, 30, 0), kImagingSuccess);
  const uint8_t* storage = out.Bits();
  ASSERT_EQ(AdjustColours(b, out, 0, -200, 0, 300), kImagingSuccess);
  EXPECT_EQ(out.Bits(), storage);
  EXPECT_TRUE(SameBytes(out, OneByOne(b, 0, -200, 0, 300)));
  // All neutral: shared, not copied.
  ASSERT_EQ(AdjustColours(a, out, 0, 0, 0, 0), kImagingSuccess);
  EXPECT_TRUE(out.SharesPixelsWith(a));
  // Sharing the source: the source keeps its pixels.
  ASSERT_EQ(AdjustColours(a, out, 500, 0, 0, 0), kImagingSuccess);
  EXPECT_FALSE(out.SharesPixelsWith(a));
  EXPECT_TRUE(SameBytes(a, aCopy));
}

TEST(AdjustColours, RefusalsLeaveTheDestination) {
  const Bitmap src = Random(8, 8, 6);
  const Values bad[] = {{1001, 0, 0, 0}, {0, -1001, 0, 0}, {0, 0, 181, 0}, {0, 0, 0, -1001}};
  for (const Values& v : bad) {
    Bitmap dst = Random(8, 8, 7);
    const Bitmap before = dst;
    EXPECT_EQ(AdjustColours(src, dst, v.brightness, v.contrast, v.hue, v.saturation),
              kImagingFailure);
    EXPECT_TRUE(dst.SharesPixelsWith(before));
  }
  Bitmap dst;
  EXPECT_EQ(AdjustColours(Bitmap(), dst, 10, 0, 0, 0), kImagingFailure);
  // A palette picture is taken at 24 bits.
  Bitmap grey = Bitmap::Create(2, 2, 4);
  grey.SetPixelValue(1, 1, 15);
  ASSERT_EQ(AdjustColours(grey, dst, -200, 0, 0, 0), kImagingSuccess);
  EXPECT_EQ(dst.BitsPerPixel(), 24);
  EXPECT_EQ(test::At(dst, 1, 1), (test::Rgb{204, 204, 204}));
}

// Large pictures hand half their rows to a helper thread that callers share;
// callers on several threads at once must each get their own result.
TEST(AdjustColours, CallersOnSeveralThreadsAtOnce) {
  const Bitmap picture = Random(640, 480, 8);
  const Bitmap expected = OneByOne(picture, 80, -300, 60, 200);
  bool same[4] = {};
  std::vector<std::thread> threads;
  for (bool& result : same)
    threads.emplace_back([&] {
      bool all = true;
      for (int i = 0; i < 8; ++i) {
        Bitmap out;
        all = AdjustColours(picture, out, 80, -300, 60, 200) == kImagingSuccess &&
              SameBytes(out, expected) && all;
      }
      result = all;
    });
  for (std::thread& t : threads) t.join();
  for (bool result : same) EXPECT_TRUE(result);
}

}  // namespace
}  // namespace q9::platform
