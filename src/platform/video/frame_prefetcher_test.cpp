#include "platform/video/frame_prefetcher.h"

#include <gtest/gtest.h>

#include <atomic>
#include <set>

#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

using Ahead = FramePrefetcher::Ahead;

TEST(FramePrefetcher, HandsOverOnlyTheFrameItRead) {
  std::atomic<int> reads = 0;
  FramePrefetcher ahead([&](int64_t n, Bitmap& out) {
    ++reads;
    if (n < 0) return false;
    out = Bitmap::Create(int(n), 1, 24);
    return true;
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

// The frames read in this order with reading ahead on and off.
std::vector<Bitmap> ReadAll(const std::string& clip, const std::vector<int64_t>& order,
                            bool ahead) {
  VideoFile video;
  video.SetReadAhead(ahead);
  EXPECT_EQ(video.Open(clip), AVIERR_OK);
  std::vector<Bitmap> frames;
  Bitmap frame;
  for (int64_t n : order) {
    if (!video.GetFrame(n, frame)) {
      frames.emplace_back();
      continue;
    }
    frames.push_back(frame);
    frames.back().MutableBits();  // a copy of its own
  }
  return frames;
}

TEST(VideoFileReadAhead, SameFramesWithAndWithoutIncludingJumps) {
  // In order, jumps back and forward while a frame is being read ahead,
  // past the end and back.
  const std::vector<int64_t> order = {1, 2,  3,  4,  5,  6,  2, 3, 4, 12, 13, 14, 8,
                                      9, 10, 28, 29, 30, 31, 1, 2, 3, 0,  1,  2};
  for (const char* name : {"mjpeg25.avi", "drop.avi", "bframes.avi", "h264b.mp4", "mpeg4.mkv"}) {
    SCOPED_TRACE(name);
    const std::string clip = test::Clip(name);
    const std::vector<Bitmap> plain = ReadAll(clip, order, false);
    const std::vector<Bitmap> ahead = ReadAll(clip, order, true);
    ASSERT_EQ(plain.size(), ahead.size());
    for (size_t i = 0; i < order.size(); ++i) {
      const Bitmap& a = plain[i];
      const Bitmap& b = ahead[i];
      ASSERT_EQ(a.HasData(), b.HasData()) << "frame " << order[i];
      EXPECT_TRUE(a.ImageSize() == b.ImageSize() &&
                  std::equal(a.Bits(), a.Bits() + a.ImageSize(), b.Bits()))
          << "frame " << order[i];
    }
  }
}

TEST(VideoFileReadAhead, TwoBuffersTakeTurnsAndCloseWaitsForTheWorker) {
  VideoFile video;
  ASSERT_EQ(video.Open(test::Clip("h264hd.mp4")), AVIERR_OK);
  Bitmap frame;
  std::set<const uint8_t*> storage;
  for (int n = 0; n < 12; ++n) {
    ASSERT_TRUE(video.GetFrame(n, frame)) << n;
    EXPECT_EQ(test::ColourIndex(frame), n);
    storage.insert(frame.Bits());
  }
  EXPECT_LE(storage.size(), 2u);
  // Closed, opened again and destroyed while a frame is being read ahead.
  for (int round = 0; round < 3; ++round) {
    ASSERT_EQ(video.Open(test::Clip("h264hd.mp4")), AVIERR_OK);
    ASSERT_TRUE(video.GetFrame(0, frame));
    ASSERT_TRUE(video.GetFrame(1, frame));  // frame 2 is under way
    if (round == 0) video.Close();
    if (round == 1) {
      EXPECT_EQ(video.HasAudioStream(), AVIERR_NODATA);
    }
  }
  VideoFile moved = std::move(video);
  ASSERT_TRUE(moved.GetFrame(2, frame));
  EXPECT_EQ(test::ColourIndex(frame), 2);
}

}  // namespace
}  // namespace q9::platform
