#include "platform/video/video_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <numeric>
#include <random>

#include "platform/video/test_media.h"

namespace q9::platform {
namespace {

using test::ColourIndex;

std::vector<int64_t> Fields(const VideoStreamInfo& i) {
  return {i.start, i.length, i.scale, i.rate, i.width, i.height};
}

struct ClipCase {
  const char* file;
  VideoStreamInfo info;
  int late = 0;              // frames the pictures show late, the first ones missing
  int64_t dropAt = 1 << 30;  // from here on frames show the one before
};

const ClipCase kClips[] = {
    {"mjpeg25.avi", {0, 10, 1, 25, 64, 48}},
    {"mjpeg2997.avi", {0, 10, 1001, 30000, 64, 48}},
    {"start5.avi", {5, 10, 1, 25, 64, 48}},
    // FFmpeg stamps an AVI stream from its header's start unless that lies
    // more than an hour in; then it stamps from 0, and the numbers follow it.
    {"start90000.avi", {90000, 10, 1, 25, 64, 48}},
    {"start90001.avi", {0, 10, 1, 25, 64, 48}},
    // Time stamp 4 is the empty chunk: frame 3 stays on screen there.
    {"drop.avi", {0, 11, 1, 25, 64, 48}, 0, 4},
    // Other containers number frames by the frame rate; the mkv's rounded
    // millisecond stamps (33, 67, 100, ...) still give one frame each.
    {"h264b.mp4", {0, 12, 1, 25, 320, 240}},
    {"mpeg4.mkv", {0, 12, 1001, 30000, 64, 48}},
    // An AVI stamps its chunks in decoding order, so with B-frames a picture
    // carries the stamp of the chunk that made the decoder give it out: one
    // (MPEG-4) or two (H.264) frames late.
    {"bframes.avi", {0, 30, 1, 25, 64, 48}, 1},
    {"h264b.avi", {0, 12, 1, 25, 64, 48}, 2},
};

// The ColourIndex frame n shows, -1 where GetFrame fails.
int Expected(const ClipCase& c, int64_t n) {
  const int64_t k = n - c.info.start - c.late;
  return k < 0 || n > c.info.LastFrameNumber() ? -1 : int(k - (n >= c.dropAt));
}

class ClipTest : public ::testing::TestWithParam<ClipCase> {
 protected:
  std::string Path() const { return test::Clip(GetParam().file); }
};

TEST_P(ClipTest, StreamInfoAndFramesInOrder) {
  const ClipCase& c = GetParam();
  VideoStreamInfo probed;
  ASSERT_EQ(VideoFile::ReadStreamInfo(Path(), probed), AVIERR_OK);
  EXPECT_EQ(Fields(probed), Fields(c.info));
  VideoFile video;
  ASSERT_EQ(video.Open(Path()), AVIERR_OK);
  EXPECT_EQ(Fields(video.StreamInfo()), Fields(c.info));
  for (int64_t n = c.info.start - 2; n <= c.info.LastFrameNumber() + 2; ++n) {
    Bitmap frame;
    ASSERT_EQ(video.GetFrame(n, frame), Expected(c, n) >= 0) << "frame " << n;
    EXPECT_EQ(ColourIndex(frame), Expected(c, n)) << "frame " << n;
    if (frame.HasData()) {
      EXPECT_EQ(std::vector({frame.Width(), frame.Height(), frame.BitsPerPixel()}),
                std::vector({c.info.width, c.info.height, 24}));
    }
  }
}

// Every frame read after jumps (back, forward, repeated, past the end, and
// runs in order that start a read ahead and leave it) is bit for bit the
// frame read in order, from a file with reading ahead and from memory
// without.
TEST_P(ClipTest, FramesAfterJumpsEqualFramesReadInOrder) {
  const ClipCase& c = GetParam();
  const int64_t end = c.info.LastFrameNumber() + 1;
  std::map<int64_t, Bitmap> inOrder;
  VideoFile video;
  video.SetReadAhead(false);
  ASSERT_EQ(video.Open(Path()), AVIERR_OK);
  for (int64_t n = c.info.start; n < end; ++n) {
    Bitmap frame;
    if (video.GetFrame(n, frame)) inOrder[n] = frame;
  }
  std::vector<int64_t> jumps(size_t(end - c.info.start));
  std::iota(jumps.begin(), jumps.end(), c.info.start);
  std::shuffle(jumps.begin(), jumps.end(), std::mt19937(1234));
  jumps.insert(jumps.begin(), {end - 1, 1, 2, 3, 1, 2, 3, 4, end - 4, end - 3, end, 0, 0, 5, 6, 7});

  for (const bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory, no read ahead" : "file, read ahead");
    video.SetReadAhead(!memory);
    ASSERT_EQ(memory ? video.OpenMemory(test::ReadBytes(Path())) : video.Open(Path()), AVIERR_OK);
    EXPECT_EQ(Fields(video.StreamInfo()), Fields(c.info));
    Bitmap frame;
    for (const int64_t n : jumps) {
      const auto want = inOrder.find(n);
      ASSERT_EQ(video.GetFrame(n, frame), want != inOrder.end()) << "frame " << n;
      if (want == inOrder.end()) continue;
      EXPECT_TRUE(frame.ImageSize() == want->second.ImageSize() &&
                  std::equal(frame.Bits(), frame.Bits() + frame.ImageSize(), want->second.Bits()))
          << "frame " << n << " shows colour " << ColourIndex(frame) << ", read in order "
          << ColourIndex(want->second);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, ClipTest, ::testing::ValuesIn(kClips), [](const auto& info) {
  std::string name = info.param.file;
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
});

// A bitmap of another format is replaced, one of the right format keeps its
// storage, a copy keeps its frame, and a failed read leaves the bitmap.
TEST(VideoFileTest, OutputBitmap) {
  VideoFile video;
  video.SetReadAhead(false);
  ASSERT_EQ(video.Open(test::Clip("mjpeg25.avi")), AVIERR_OK);
  Bitmap frame = Bitmap::Create(10, 10, 8);
  ASSERT_TRUE(video.GetFrame(5, frame));
  EXPECT_TRUE(frame.Palette().empty());
  const uint8_t* storage = frame.Bits();
  ASSERT_TRUE(video.GetFrame(3, frame));
  EXPECT_EQ(frame.Bits(), storage);
  const Bitmap kept = frame;
  ASSERT_TRUE(video.GetFrame(4, frame));
  EXPECT_EQ(ColourIndex(kept), 3);
  EXPECT_FALSE(video.GetFrame(99, frame));
  EXPECT_EQ(ColourIndex(frame), 4);
}

TEST(VideoFileTest, OpenResults) {
  test::TempDir dir;
  const std::vector<uint8_t> avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  test::WriteBytes(dir.File("empty.avi"), {});
  test::WriteBytes(dir.File("text.avi"), {'N', 'o', 't', ' ', 'a', ' ', 'v', 'i', 'd', 'e', 'o'});
  ASSERT_TRUE(test::Ffmpeg("-f lavfi -i sine=d=0.2 " + dir.File("sound.wav")));
  // A video codec FFmpeg has no decoder for: an unknown four-character code.
  std::vector<uint8_t> unknown = avi;
  std::copy_n("QZ9X", 4, unknown.begin() + std::ptrdiff_t(test::FindChunk(avi, "strf") + 16));
  test::WriteBytes(dir.File("unknown.avi"), unknown);
  // A name is a file name, never a protocol or a pattern.
  for (const char* name : {"concat:take%03d.avi", "file:x.avi"})
    test::WriteBytes(dir.File(name), avi);
  const struct {
    std::string name;
    int32_t code;
    int32_t probed;  // by ReadStreamInfo
  } cases[] = {
      {"missing.avi", AVIERR_FILEOPEN, AVIERR_FILEOPEN},
      {".", AVIERR_FILEOPEN, AVIERR_FILEOPEN},
      {"empty.avi", AVIERR_BADFORMAT, AVIERR_BADFORMAT},
      {"text.avi", AVIERR_BADFORMAT, AVIERR_BADFORMAT},
      {"sound.wav", AVIERR_NODATA, AVIERR_NODATA},
      {"unknown.avi", AVIERR_NOCOMPRESSOR, AVIERR_OK},
      {"concat:take%03d.avi", AVIERR_OK, AVIERR_OK},
      {"file:x.avi", AVIERR_OK, AVIERR_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VideoStreamInfo info;
    EXPECT_EQ(VideoFile::ReadStreamInfo(dir.File(c.name), info), c.probed);
    VideoFile video;
    EXPECT_EQ(video.Open(dir.File(c.name)), c.code);
    EXPECT_EQ(video.IsOpen(), c.code == AVIERR_OK);
    EXPECT_EQ(video.StreamInfo().length, c.code == AVIERR_OK ? 10 : 0);
    Bitmap frame;
    EXPECT_EQ(video.GetFrame(3, frame), c.code == AVIERR_OK);
    EXPECT_EQ(ColourIndex(frame), c.code == AVIERR_OK ? 3 : -1);
  }
}

}  // namespace
}  // namespace q9::platform
