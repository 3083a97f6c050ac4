#include "platform/video/frame_reader.h"

#include <gtest/gtest.h>

#include "platform/imaging/bitmap.h"
#include "platform/video/avi_error.h"
#include "platform/video/media_input.h"
#include "platform/video/test_media.h"

namespace q9::platform {
namespace {

// When the reader decodes on and when it seeks: reading in order never
// seeks; a step back seeks once; a jump forward seeks only past a key frame.
struct Step {
  int64_t limit;  // time stamp asked for
  int colour;     // ColourIndex of the frame shown there
  int seeks;      // seeks made so far
};

struct SeekCase {
  const char* clip;
  std::vector<Step> steps;
};

class FrameReaderTest : public ::testing::TestWithParam<SeekCase> {};

TEST_P(FrameReaderTest, SeeksOnlyWhenItPays) {
  MediaInput input;
  ASSERT_EQ(input.OpenFile(test::Clip(GetParam().clip), MediaInput::Probe::Always), AVIERR_OK);
  FrameReader reader;
  ASSERT_EQ(reader.Open(input, input.FirstVideoStream()), AVIERR_OK);
  Bitmap frame;
  for (const Step& step : GetParam().steps) {
    SCOPED_TRACE(step.limit);
    ASSERT_TRUE(reader.PositionAt(step.limit));
    ASSERT_TRUE(reader.ConvertCurrent(frame));
    EXPECT_EQ(test::ColourIndex(frame), step.colour);
    EXPECT_EQ(reader.SeekCount(), step.seeks);
  }
}

const SeekCase kSeekCases[] = {
    // Every MJPEG frame is a key frame: any jump past the next frame seeks.
    {"mjpeg25.avi",
     {{0, 0, 0},
      {1, 1, 0},
      {2, 2, 0},
      {2, 2, 0},
      {3, 3, 0},
      {1, 1, 1},
      {2, 2, 1},
      {8, 8, 2},
      {9, 9, 2},
      {0, 0, 3}}},
    // The empty chunk at 4 needs no seek either.
    {"drop.avi", {{3, 3, 0}, {4, 3, 0}, {5, 4, 0}, {6, 5, 0}}},
    // H.264 with key frames at 0, 4, 8, ... (time stamps of 512 per frame):
    // a jump within a group decodes on, a jump past a key frame seeks.
    {"h264.mp4",
     {{0, 0, 0},
      {3 * 512, 3, 0},
      {4 * 512, 4, 0},
      {12 * 512, 12, 1},
      {14 * 512, 14, 1},
      {7 * 512, 7, 2},
      {29 * 512 + 100, 29, 3}}},
};

INSTANTIATE_TEST_SUITE_P(Clips, FrameReaderTest, ::testing::ValuesIn(kSeekCases),
                         [](const auto& info) {
                           std::string name = info.param.clip;
                           return name.substr(0, name.find('.'));
                         });

TEST(FrameReaderTest, NothingBeforeTheFirstFrameAndAnEndAfterTheLast) {
  MediaInput input;
  ASSERT_EQ(input.OpenFile(test::Clip("start5.avi"), MediaInput::Probe::Always), AVIERR_OK);
  FrameReader reader;
  ASSERT_EQ(reader.Open(input, input.FirstVideoStream()), AVIERR_OK);
  EXPECT_FALSE(reader.PositionAt(4));
  ASSERT_TRUE(reader.PositionAt(14));
  EXPECT_FALSE(reader.PastLastFrame(14));
  // Asking again after the end was seen, and before the start after a seek.
  ASSERT_TRUE(reader.PositionAt(15));
  EXPECT_TRUE(reader.PastLastFrame(15));
  const int seeks = reader.SeekCount();
  EXPECT_FALSE(reader.PositionAt(2));
  // The first frame's stamp is known: no seek is needed to say so.
  EXPECT_EQ(reader.SeekCount(), seeks);
  ASSERT_TRUE(reader.PositionAt(5));
  Bitmap frame;
  ASSERT_TRUE(reader.ConvertCurrent(frame));
  EXPECT_EQ(test::ColourIndex(frame), 0);
}

}  // namespace
}  // namespace q9::platform
