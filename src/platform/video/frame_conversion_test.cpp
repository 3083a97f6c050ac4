// Every picture format comes out as the same bgr24 picture that FFmpeg's own
// conversion makes, at widths that are no multiple of the scaler's pixel
// groups and heights that split chroma rows: rows in the wrong place or not
// turned over, swapped colours, unconverted pixels at a row's end, the wrong
// colour range or chroma rows paired with the wrong picture rows all show.

#include <gtest/gtest.h>

#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

TEST(FrameConversionTest, MatchesFfmpegsOwnConversion) {
  const char* const kFormats[] = {
      // 63 pixels of 3 bytes need one byte of padding per bitmap row.
      "63x47 -pix_fmt bgr24 -c:v rawvideo clip.avi",
      "58x47 -pix_fmt pal8 -c:v rawvideo clip.avi",
      "58x47 -pix_fmt yuvj420p -c:v mjpeg -q:v 2 clip.avi",
      "17x5 -pix_fmt yuvj422p -c:v mjpeg -q:v 2 clip.avi",
      "66x48 -pix_fmt yuvj444p -c:v mjpeg -q:v 2 clip.avi",
      "58x47 -pix_fmt yuv410p -c:v ffv1 clip.mkv",
      "17x5 -pix_fmt yuv420p10le -c:v ffv1 clip.mkv",
      "63x47 -pix_fmt gray -c:v ffv1 clip.avi",
      "58x47 -pix_fmt nv12 -c:v rawvideo clip.avi",
      "17x5 -pix_fmt rgb565le -c:v rawvideo clip.avi",
  };
  for (const std::string format : kFormats) {
    SCOPED_TRACE(format);
    test::TempDir dir;
    const std::string clip = dir.File(format.substr(format.rfind(' ') + 1));
    const std::string ref = dir.File("ref.bgr");
    ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc2=r=25:s=" + format.substr(0, format.rfind(' ')) +
                             " -frames:v 2 " + clip));
    ASSERT_TRUE(test::Ffmpeg("-i " + clip +
                             " -sws_flags neighbor+bitexact -pix_fmt bgr24 -f rawvideo " + ref));
    const std::vector<uint8_t> expected = test::ReadBytes(ref);
    VideoFile video;
    ASSERT_EQ(video.Open(clip), AVIERR_OK);
    const int width = video.StreamInfo().width;
    const int height = video.StreamInfo().height;
    const size_t rowBytes = size_t(width) * 3;
    ASSERT_EQ(expected.size(), rowBytes * size_t(height) * 2);
    Bitmap frame;
    for (int n = 0; n < 2; ++n) {
      ASSERT_TRUE(video.GetFrame(n, frame));
      ASSERT_EQ(std::make_pair(frame.Width(), frame.Height()), std::make_pair(width, height));
      for (int y = 0; y < height; ++y) {  // Row counts from the picture's top
        const uint8_t* want = expected.data() + (size_t(n) * size_t(height) + size_t(y)) * rowBytes;
        ASSERT_TRUE(std::equal(frame.Row(y), frame.Row(y) + rowBytes, want)) << n << ", row " << y;
      }
    }
  }
}

}  // namespace
}  // namespace q9::platform
