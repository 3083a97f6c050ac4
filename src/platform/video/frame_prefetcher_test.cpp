#include "platform/video/frame_prefetcher.h"

#include <gtest/gtest.h>

#include <set>

#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

using Ahead = FramePrefetcher::Ahead;

TEST(FramePrefetcher, HandsOverOnlyTheFrameItRead) {
  int reads = 0;  // counted on the worker, read after Take waited for it
  FramePrefetcher ahead([&](int64_t n, Bitmap& out) {
    ++reads;
    if (n >= 0) out = Bitmap::Create(int(n), 1, 24);
    return n >= 0;
  });
  ASSERT_TRUE(ahead.Started());
  Bitmap out = Bitmap::Create(1, 1, 24);
  const struct {
    int64_t started, taken;
    Ahead result;
    int width;  // of out afterwards
  } cases[] = {
      {5, 5, Ahead::kRead, 5},
      {6, 7, Ahead::kNone, 5},      // another frame: dropped
      {-1, -1, Ahead::kFailed, 5},  // a failed read leaves out
      {8, 8, Ahead::kRead, 8},
  };
  for (const auto& c : cases) {
    ahead.Start(c.started);
    EXPECT_EQ(ahead.Take(c.taken, out), c.result) << c.started;
    EXPECT_EQ(out.Width(), c.width) << c.started;
  }
  EXPECT_EQ(ahead.Take(8, out), Ahead::kNone);  // taken once only
  EXPECT_EQ(reads, 4);
}

// Frames read in order come from two buffers taking turns. Closing, opening
// another file, moving and destroying while a frame is read ahead wait for
// that read, and the file opened next starts afresh.
TEST(VideoFileReadAhead, TwoBuffersTakeTurnsAndCloseWaitsForTheWorker) {
  VideoFile video;
  Bitmap frame;
  std::set<const uint8_t*> storage;
  for (const std::string next : {"", "start5.avi", "mjpeg25.avi", "moved"}) {
    SCOPED_TRACE(next);
    ASSERT_EQ(video.Open(test::Clip("h264b.mp4")), AVIERR_OK);
    storage.clear();
    for (int n = 0; n < (next.empty() ? 12 : 3); ++n) {
      ASSERT_TRUE(video.GetFrame(n, frame)) << n;
      EXPECT_EQ(test::ColourIndex(frame), n);
      storage.insert(frame.Bits());
    }
    EXPECT_LE(storage.size(), 2u);
    // Reading three frames leaves frame 3 under way.
    EXPECT_EQ(video.HasAudioStream(), AVIERR_NODATA);
    if (next.empty()) {
      EXPECT_FALSE(video.GetFrame(12, frame));
      video.Close();
      EXPECT_FALSE(video.IsOpen());
      EXPECT_FALSE(video.GetFrame(3, frame));
      EXPECT_EQ(video.HasAudioStream(), AVIERR_BADHANDLE);
    } else if (next == "moved") {
      VideoFile moved = std::move(video);
      ASSERT_TRUE(moved.GetFrame(3, frame));
      EXPECT_EQ(test::ColourIndex(frame), 3);
      ASSERT_TRUE(moved.GetFrame(4, frame));  // destroyed with frame 5 under way
    } else {
      ASSERT_EQ(video.Open(test::Clip(next)), AVIERR_OK);
      ASSERT_TRUE(video.GetFrame(5, frame));
      EXPECT_EQ(test::ColourIndex(frame), next == "start5.avi" ? 0 : 5);
    }
  }
}

}  // namespace
}  // namespace q9::platform
