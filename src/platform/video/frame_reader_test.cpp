#include "platform/video/frame_reader.h"

#include <gtest/gtest.h>

#include "platform/imaging/bitmap.h"
#include "platform/video/avi_error.h"
#include "platform/video/media_input.h"
#include "platform/video/test_media.h"

namespace q9::platform {
namespace {

// Reading in order never seeks, a step back seeks once, a jump forward seeks
// only past a key frame; before the first frame there is none, and a stamp
// known to lie before it needs no seek to say so.
TEST(FrameReaderTest, SeeksOnlyWhenItPays) {
  struct Step {
    int64_t limit;  // time stamp asked for
    int colour;     // ColourIndex of the frame shown there, -1: none
    int seeks;      // seeks made so far
  };
  const struct {
    const char* clip;
    std::vector<Step> steps;
  } cases[] = {
      // Every MJPEG frame is a key frame: any jump past the next frame seeks.
      {"mjpeg25.avi",
       {{0, 0, 0}, {1, 1, 0}, {2, 2, 0}, {2, 2, 0}, {1, 1, 1}, {8, 8, 2}, {9, 9, 2}, {0, 0, 3}}},
      // The empty chunk at 4 needs no seek either.
      {"drop.avi", {{3, 3, 0}, {4, 3, 0}, {5, 4, 0}, {6, 5, 0}}},
      {"start5.avi", {{4, -1, 0}, {14, 9, 1}, {15, 9, 1}, {2, -1, 1}, {5, 0, 2}}},
      // MPEG-4 with key frames at 0 and 6, stamped in milliseconds.
      {"mpeg4.mkv", {{0, 0, 0}, {67, 2, 0}, {334, 10, 1}, {377, 11, 1}, {133, 4, 2}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    MediaInput input;
    ASSERT_EQ(input.OpenFile(test::Clip(c.clip), MediaInput::Probe::Always), AVIERR_OK);
    FrameReader reader;
    ASSERT_EQ(reader.Open(input, input.FirstVideoStream()), AVIERR_OK);
    Bitmap frame;
    for (const Step& step : c.steps) {
      SCOPED_TRACE(step.limit);
      ASSERT_EQ(reader.PositionAt(step.limit), step.colour >= 0);
      EXPECT_EQ(reader.SeekCount(), step.seeks);
      if (step.colour < 0) continue;
      ASSERT_TRUE(reader.ConvertCurrent(frame));
      EXPECT_EQ(test::ColourIndex(frame), step.colour);
      // The last frame is shown until a frame period after it.
      EXPECT_EQ(reader.PastLastFrame(step.limit),
                std::string(c.clip) == "start5.avi" && step.limit == 15);
    }
  }
}

}  // namespace
}  // namespace q9::platform
