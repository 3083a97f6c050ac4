// Every picture format comes out as the same bgr24 picture that FFmpeg's
// own conversion makes (same scaler flags, so the same fast YUV-to-RGB code
// where swscale has it), at widths that are no multiple of the vector code's
// pixel groups and heights that split chroma rows. This catches rows written
// in the wrong place or turned over, unconverted pixels at a row's end and
// chroma rows paired with the wrong picture rows.

#include <gtest/gtest.h>

#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

struct FormatCase {
  const char* name;
  const char* encode;  // ffmpeg output options
  const char* file;
  std::vector<const char*> sizes = {"58x47", "66x48", "17x5"};
};

const FormatCase kFormats[] = {
    {"mjpeg420", "-pix_fmt yuvj420p -c:v mjpeg -q:v 2", "clip.avi"},
    {"mjpeg422", "-pix_fmt yuvj422p -c:v mjpeg -q:v 2", "clip.avi"},
    {"mjpeg444", "-pix_fmt yuvj444p -c:v mjpeg -q:v 2", "clip.avi"},
    {"yuv410", "-pix_fmt yuv410p -c:v ffv1", "clip.mkv"},
    {"yuv420_10bit", "-pix_fmt yuv420p10le -c:v ffv1", "clip.mkv"},
    {"gray", "-pix_fmt gray -c:v ffv1", "clip.avi"},
    {"nv12", "-pix_fmt nv12 -c:v rawvideo", "clip.avi"},
    {"rgb565", "-pix_fmt rgb565le -c:v rawvideo", "clip.avi"},
};

class FrameConversionTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FrameConversionTest, MatchesFfmpegsOwnConversion) {
  const FormatCase& c = GetParam();
  for (const char* size : c.sizes) {
    SCOPED_TRACE(size);
    test::TempDir dir;
    const std::string clip = dir.File(c.file);
    ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc2=s=" + std::string(size) + ":r=25 -frames:v 2 " +
                             c.encode + " " + clip));
    const std::string ref = dir.File("ref.bgr");
    ASSERT_TRUE(test::Ffmpeg("-i " + clip +
                             " -sws_flags neighbor+bitexact -f rawvideo -pix_fmt bgr24 " + ref));
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
      ASSERT_EQ(frame.Width(), width);
      ASSERT_EQ(frame.Height(), height);
      for (int y = 0; y < height; ++y) {
        const uint8_t* want = expected.data() + (size_t(n) * size_t(height) + size_t(y)) * rowBytes;
        ASSERT_TRUE(std::equal(frame.Row(y), frame.Row(y) + rowBytes, want))
            << "frame " << n << " row " << y;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Formats, FrameConversionTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace q9::platform
