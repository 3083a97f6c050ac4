#include <gtest/gtest.h>

#include <thread>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::Noise;
using test::SameBitmap;

struct Values {
  int brightness, contrast, hue, saturation;
};

int Adjust(const Bitmap& src, Bitmap& dst, const Values& v) {
  return AdjustColours(src, dst, v.brightness, v.contrast, v.hue, v.saturation);
}

Bitmap OneByOne(Bitmap b, const Values& v) {
  EXPECT_EQ(ChangeBrightness(b, v.brightness), kImagingSuccess);
  EXPECT_EQ(ChangeContrast(b, v.contrast), kImagingSuccess);
  EXPECT_EQ(ChangeHue(b, v.hue), kImagingSuccess);
  EXPECT_EQ(ChangeSaturation(b, v.saturation), kImagingSuccess);
  return b;
}

TEST(AdjustColours, SameAsTheFourAdjustmentsInOrder) {
  // Each alone, its extremes, pairs whose clipping between steps matters and
  // all four at once.
  const Values combinations[] = {
      {300, 0, 0, 0},           {-1000, 0, 0, 0},    {0, -450, 0, 0},
      {0, 1000, 0, 0},          {0, 0, 77, 0},       {0, 0, -180, 0},
      {0, 0, 0, 640},           {0, 0, 0, -1000},    {-600, 0, 0, 900},
      {0, 700, -33, 0},         {250, 93, 45, -375}, {-984, 1000, -180, 1000},
      {1000, -1000, 180, -1000}};
  // Odd widths leave row padding and a short last run of pixels; the large
  // picture is split over two threads.
  for (const Bitmap& picture : {Noise(203, 7, 1), Noise(640, 480, 2), Noise(1, 3, 3)})
    for (const Values& v : combinations) {
      SCOPED_TRACE(testing::Message()
                   << picture.Width() << "x" << picture.Height() << ": " << v.brightness << " "
                   << v.contrast << " " << v.hue << " " << v.saturation);
      const Bitmap expected = OneByOne(picture, v);
      Bitmap out, inPlace = picture;
      ASSERT_EQ(Adjust(picture, out, v), kImagingSuccess);
      ASSERT_EQ(Adjust(inPlace, inPlace, v), kImagingSuccess);
      EXPECT_TRUE(SameBitmap(out, expected));
      EXPECT_TRUE(SameBitmap(inPlace, expected));
    }
}

TEST(AdjustColours, StorageReuseSharingAndRefusals) {
  const Bitmap a = Noise(64, 40, 4), b = Noise(64, 40, 5);
  Bitmap aCopy = a;
  aCopy.MutableBits();
  Bitmap out;
  ASSERT_EQ(Adjust(a, out, {100, 0, 30, 0}), kImagingSuccess);
  const uint8_t* storage = out.Bits();
  ASSERT_EQ(Adjust(b, out, {0, -200, 0, 300}), kImagingSuccess);
  EXPECT_EQ(out.Bits(), storage);
  EXPECT_TRUE(SameBitmap(out, OneByOne(b, {0, -200, 0, 300})));
  // All neutral: shared, not copied; sharing the source, the source keeps its
  // pixels.
  ASSERT_EQ(Adjust(a, out, {0, 0, 0, 0}), kImagingSuccess);
  EXPECT_TRUE(out.SharesPixelsWith(a));
  ASSERT_EQ(Adjust(a, out, {500, 0, 0, 0}), kImagingSuccess);
  EXPECT_FALSE(out.SharesPixelsWith(a));
  EXPECT_TRUE(SameBitmap(a, aCopy));
  // Refused: the destination stays.
  for (const Values& v : {Values{1001, 0, 0, 0}, Values{0, -1001, 0, 0}, Values{0, 0, 181, 0},
                          Values{0, 0, 0, -1001}}) {
    const Bitmap before = out;
    EXPECT_EQ(Adjust(b, out, v), kImagingFailure);
    EXPECT_TRUE(out.SharesPixelsWith(before));
  }
  EXPECT_EQ(Adjust(Bitmap(), out, {10, 0, 0, 0}), kImagingFailure);
  // A palette picture is taken at 24 bits.
  Bitmap grey = Bitmap::Create(2, 2, 4);
  grey.SetPixelValue(1, 1, 15);
  ASSERT_EQ(Adjust(grey, out, {-200, 0, 0, 0}), kImagingSuccess);
  EXPECT_EQ(out.BitsPerPixel(), 24);
  EXPECT_EQ(test::At(out, 1, 1), (test::Rgb{204, 204, 204}));
}

// Large pictures hand half their rows to a helper thread that callers share;
// callers on several threads at once must each get their own result.
TEST(AdjustColours, CallersOnSeveralThreadsAtOnce) {
  const Bitmap picture = Noise(640, 480, 8);
  const Values v{80, -300, 60, 200};
  const Bitmap expected = OneByOne(picture, v);
  bool same[4] = {};
  std::vector<std::thread> threads;
  for (bool& result : same)
    threads.emplace_back([&] {
      result = true;
      for (int i = 0; i < 8; ++i) {
        Bitmap out;
        result = Adjust(picture, out, v) == kImagingSuccess && SameBitmap(out, expected) && result;
      }
    });
  for (std::thread& t : threads) t.join();
  for (bool result : same) EXPECT_TRUE(result);
}

}  // namespace
}  // namespace q9::platform
