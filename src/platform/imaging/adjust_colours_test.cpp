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

// Each alone at an extreme, pairs whose clipping between steps matters and
// all four at once; odd widths leave row padding, the large picture is split
// over two threads, also when several callers share the helper thread.
TEST(AdjustColours, SameAsTheFourAdjustmentsInOrder) {
  const Values combinations[] = {{-1000, 0, 0, 0},   {0, 1000, 0, 0},   {0, 0, -180, 0},
                                 {0, 0, 0, 640},     {-600, 0, 0, 900}, {0, 700, -33, 0},
                                 {250, 93, 45, -375}};
  for (const Bitmap& picture : {Noise(203, 7, 1), Noise(640, 480, 2)})
    for (const Values& v : combinations) {
      SCOPED_TRACE(testing::Message()
                   << picture.Width() << "x" << picture.Height() << ": " << v.brightness << " "
                   << v.contrast << " " << v.hue << " " << v.saturation);
      const Bitmap expected = OneByOne(picture, v);
      Bitmap inPlace = picture;
      ASSERT_EQ(Adjust(inPlace, inPlace, v), kImagingSuccess);
      EXPECT_TRUE(SameBitmap(inPlace, expected));
      bool same[3] = {};
      std::vector<std::thread> threads;
      for (bool& result : same)
        threads.emplace_back([&] {
          Bitmap out;
          result = Adjust(picture, out, v) == kImagingSuccess && SameBitmap(out, expected);
        });
      for (std::thread& t : threads) t.join();
      EXPECT_TRUE(same[0] && same[1] && same[2]);
    }
}

TEST(AdjustColours, NeutralSharesRefusalsKeepTheDestination) {
  const Bitmap a = Noise(64, 40, 4);
  Bitmap aCopy = a;
  aCopy.MutableBits();
  Bitmap out;
  // All neutral: shared, not copied; sharing the source, the source keeps its
  // pixels.
  ASSERT_EQ(Adjust(a, out, {0, 0, 0, 0}), kImagingSuccess);
  EXPECT_TRUE(out.SharesPixelsWith(a));
  ASSERT_EQ(Adjust(a, out, {500, 0, 0, 0}), kImagingSuccess);
  EXPECT_FALSE(out.SharesPixelsWith(a));
  EXPECT_TRUE(SameBitmap(a, aCopy));
  for (const Values& v : {Values{1001, 0, 0, 0}, Values{0, -1001, 0, 0}, Values{0, 0, 181, 0},
                          Values{0, 0, 0, -1001}}) {
    const Bitmap before = out;
    EXPECT_EQ(Adjust(a, out, v), kImagingFailure);
    EXPECT_TRUE(out.SharesPixelsWith(before));
  }
}

}  // namespace
}  // namespace q9::platform
