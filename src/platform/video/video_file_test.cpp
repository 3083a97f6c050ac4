#include "platform/video/video_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <random>

#include "platform/signlib/byte_io.h"
#include "platform/video/test_media.h"

namespace q9::platform {
namespace {

using test::ColourIndex;
using test::Ffmpeg;

struct ClipCase {
  const char* file;
  VideoStreamInfo info;
  // The ColourIndex of frames first, first + 1, ...; -1: GetFrame fails.
  int64_t first;
  std::vector<int> colours;
};

std::vector<int> Run(int from, int to) {
  std::vector<int> v;
  for (int i = from; i <= to; ++i) v.push_back(i);
  return v;
}

std::vector<int> Cat(std::vector<int> a, const std::vector<int>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

const ClipCase kClips[] = {
    {"mjpeg25.avi", {0, 10, 1, 25, 64, 48}, -2, Cat({-1, -1}, Cat(Run(0, 9), {-1, -1}))},
    {"mjpeg2997.avi", {0, 10, 1001, 30000, 64, 48}, 0, Cat(Run(0, 9), {-1})},
    {"start5.avi", {5, 10, 1, 25, 64, 48}, 0, Cat({-1, -1, -1, -1, -1}, Cat(Run(0, 9), {-1}))},
    // Time stamp 4 is the empty chunk: frame 3 stays on screen there.
    {"drop.avi", {0, 11, 1, 25, 64, 48}, 0, Cat(Run(0, 3), Cat(Run(3, 9), {-1}))},
    // Other containers number frames by the frame rate.
    {"h264.mp4", {0, 30, 1, 25, 64, 48}, 0, Cat(Run(0, 29), {-1})},
    // Decoded with several threads.
    {"h264hd.mp4", {0, 12, 1, 25, 1280, 720}, 0, Cat(Run(0, 11), {-1})},
    // Millisecond stamps of a 29.97 fps clip are rounded: 33, 67, 100, ...
    {"mjpeg2997.mkv", {0, 10, 1001, 30000, 64, 48}, 0, Cat(Run(0, 9), {-1})},
    {"mpeg4.mkv", {0, 30, 1, 25, 64, 48}, 0, Cat(Run(0, 29), {-1})},
    {"h264b.mp4", {0, 30, 1, 25, 64, 48}, 0, Cat(Run(0, 29), {-1})},
    // An AVI stamps its chunks in decoding order, so with B-frames a picture
    // carries the stamp of the chunk that made the decoder give it out: one
    // (MPEG-4) or two (H.264) frames late.
    {"bframes.avi", {0, 30, 1, 25, 64, 48}, 0, Cat({-1}, Run(0, 28))},
    {"h264b.avi", {0, 30, 1, 25, 64, 48}, 0, Cat({-1, -1}, Run(0, 27))},
};

class ClipTest : public ::testing::TestWithParam<ClipCase> {
 protected:
  std::string Path() const { return test::Clip(GetParam().file); }
};

void ExpectInfo(const VideoStreamInfo& got, const VideoStreamInfo& want) {
  EXPECT_EQ(got.start, want.start);
  EXPECT_EQ(got.length, want.length);
  EXPECT_EQ(got.scale, want.scale);
  EXPECT_EQ(got.rate, want.rate);
  EXPECT_EQ(got.width, want.width);
  EXPECT_EQ(got.height, want.height);
}

TEST_P(ClipTest, StreamInfoFromOpenAndFromProbe) {
  VideoFile video;
  ASSERT_EQ(video.Open(Path()), AVIERR_OK);
  ExpectInfo(video.StreamInfo(), GetParam().info);
  VideoStreamInfo probed;
  ASSERT_EQ(VideoFile::ReadStreamInfo(Path(), probed), AVIERR_OK);
  ExpectInfo(probed, GetParam().info);
}

TEST_P(ClipTest, FramesInOrderShowTheFrameOfTheirTimeStamp) {
  VideoFile video;
  ASSERT_EQ(video.Open(Path()), AVIERR_OK);
  const ClipCase& c = GetParam();
  for (size_t i = 0; i < c.colours.size(); ++i) {
    const int64_t n = c.first + int64_t(i);
    Bitmap frame;
    const bool got = video.GetFrame(n, frame);
    if (c.colours[i] < 0) {
      EXPECT_FALSE(got) << "frame " << n;
      EXPECT_FALSE(frame.HasData()) << "frame " << n;
    } else {
      ASSERT_TRUE(got) << "frame " << n;
      EXPECT_EQ(frame.BitsPerPixel(), 24);
      EXPECT_EQ(frame.Width(), c.info.width);
      EXPECT_EQ(frame.Height(), c.info.height);
      EXPECT_EQ(ColourIndex(frame), c.colours[i]) << "frame " << n;
    }
  }
}

// Every frame read after jumps (back, far forward, to the first and the
// last, repeated) is bit for bit the frame read in order.
TEST_P(ClipTest, FramesAfterJumpsEqualFramesReadInOrder) {
  const ClipCase& c = GetParam();
  std::map<int64_t, Bitmap> inOrder;
  {
    VideoFile video;
    ASSERT_EQ(video.Open(Path()), AVIERR_OK);
    for (size_t i = 0; i < c.colours.size(); ++i) {
      Bitmap frame;
      if (video.GetFrame(c.first + int64_t(i), frame)) inOrder[c.first + int64_t(i)] = frame;
    }
  }
  const int64_t last = c.info.LastFrameNumber();
  std::vector<int64_t> jumps = {last, 1, last, last - 1, 0, 3, 3, 2, last - 3, 1, 7, 4, 5, 6};
  std::vector<int64_t> shuffled;
  for (size_t i = 0; i < c.colours.size(); ++i) shuffled.push_back(c.first + int64_t(i));
  std::shuffle(shuffled.begin(), shuffled.end(), std::mt19937(1234));
  jumps.insert(jumps.end(), shuffled.begin(), shuffled.end());

  VideoFile video;
  ASSERT_EQ(video.Open(Path()), AVIERR_OK);
  Bitmap frame;
  for (int64_t n : jumps) {
    const auto want = inOrder.find(n);
    const bool got = video.GetFrame(n, frame);
    ASSERT_EQ(got, want != inOrder.end()) << "frame " << n;
    if (!got) continue;
    ASSERT_EQ(frame.ImageSize(), want->second.ImageSize());
    EXPECT_TRUE(std::equal(frame.Bits(), frame.Bits() + frame.ImageSize(), want->second.Bits()))
        << "frame " << n << " differs after a jump";
  }
}

TEST_P(ClipTest, MemoryOpenReadsTheSameFrames) {
  VideoFile fromFile;
  VideoFile fromMemory;
  ASSERT_EQ(fromFile.Open(Path()), AVIERR_OK);
  ASSERT_EQ(fromMemory.OpenMemory(test::ReadBytes(Path())), AVIERR_OK);
  ExpectInfo(fromMemory.StreamInfo(), GetParam().info);
  for (int64_t n = 0; n <= GetParam().info.LastFrameNumber() + 1; ++n) {
    Bitmap a;
    Bitmap b;
    ASSERT_EQ(fromFile.GetFrame(n, a), fromMemory.GetFrame(n, b)) << "frame " << n;
    ASSERT_EQ(a.ImageSize(), b.ImageSize());
    if (a.HasData()) {
      EXPECT_TRUE(std::equal(a.Bits(), a.Bits() + a.ImageSize(), b.Bits()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, ClipTest, ::testing::ValuesIn(kClips), [](const auto& info) {
  std::string name = info.param.file;
  std::replace(name.begin(), name.end(), '.', '_');
  return name;
});

// Jumps to frames whose key frame the index names wrongly: an AVI indexes
// a key frame by its decoding stamp, but its picture shows a frame or two
// later and the B-frames decoded just after it are dropped after a seek; the
// last pictures come out of the drained decoder with no stamp at all.
TEST(VideoFileTest, JumpsInClipsWithBFramesGiveTheFramesReadInOrder) {
  const struct {
    const char* clip;
    std::vector<int64_t> jumps;
  } cases[] = {
      {"bframes.avi", {4, 28, 17, 5, 29, 3, 28, 29, 1, 26, 0, 27, 24, 13}},
      {"h264b.avi", {4, 28, 17, 5, 29, 3, 27, 26, 2, 6, 7, 9}},
      {"h264b.mp4", {4, 28, 17, 5, 29, 3, 26, 25, 0, 12, 11, 30}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    std::map<int64_t, Bitmap> inOrder;
    VideoFile video;
    ASSERT_EQ(video.Open(test::Clip(c.clip)), AVIERR_OK);
    for (int64_t n = 0; n <= video.StreamInfo().LastFrameNumber(); ++n) {
      Bitmap frame;
      if (video.GetFrame(n, frame)) inOrder[n] = frame;
    }
    ASSERT_EQ(video.Open(test::Clip(c.clip)), AVIERR_OK);
    Bitmap frame;
    for (int64_t n : c.jumps) {
      const auto want = inOrder.find(n);
      ASSERT_EQ(video.GetFrame(n, frame), want != inOrder.end()) << "frame " << n;
      if (want == inOrder.end()) continue;
      EXPECT_TRUE(std::equal(frame.Bits(), frame.Bits() + frame.ImageSize(), want->second.Bits()))
          << "frame " << n << " shows colour " << ColourIndex(frame) << ", read in order "
          << ColourIndex(want->second);
    }
  }
}

// Uncompressed frames come out exactly as ffmpeg converts them itself: this
// checks the row order (bottom-up bitmap, top-down source), the colour order
// and the row padding (63 pixels of 3 bytes need one byte per row).
TEST(VideoFileTest, UncompressedFramesMatchFfmpegExactly) {
  for (const char* name : {"bgr24.avi", "pal8.avi", "odd.avi"}) {
    SCOPED_TRACE(name);
    const std::string raw = test::ScratchFile(std::string(name) + ".bgr");
    ASSERT_TRUE(Ffmpeg("-i " + test::Clip(name) + " -f rawvideo -pix_fmt bgr24 " + raw));
    const std::vector<uint8_t> expected = test::ReadBytes(raw);
    VideoFile video;
    ASSERT_EQ(video.Open(test::Clip(name)), AVIERR_OK);
    const VideoStreamInfo info = video.StreamInfo();
    const size_t frameBytes = size_t(info.width) * size_t(info.height) * 3;
    ASSERT_EQ(expected.size(), frameBytes * size_t(info.length));
    Bitmap frame;
    for (int64_t n = 0; n < info.length; ++n) {
      ASSERT_TRUE(video.GetFrame(n, frame));
      EXPECT_EQ(frame.Stride() % 4, 0u);
      const std::vector<uint8_t> got = test::TopDownPixels(frame);
      EXPECT_TRUE(std::equal(got.begin(), got.end(),
                             expected.begin() + std::ptrdiff_t(frameBytes * size_t(n))))
          << "frame " << n;
    }
  }
}

// A classic bottom-up AVI (positive height in its format) shows the same
// rows turned over.
TEST(VideoFileTest, BottomUpAviRowsAreTurnedOver) {
  std::vector<uint8_t> avi = test::ReadBytes(test::Clip("bgr24.avi"));
  const size_t strf = test::FindChunk(avi, "strf");
  ASSERT_NE(strf, std::string::npos);
  ASSERT_EQ(int32_t(LoadU32(&avi[strf + 8])), -48);  // ffmpeg writes top-down
  StoreU32(&avi[strf + 8], 48);
  const std::string path = test::ScratchFile("bottomup.avi");
  test::WriteBytes(path, avi);

  VideoFile topDown;
  VideoFile bottomUp;
  ASSERT_EQ(topDown.Open(test::Clip("bgr24.avi")), AVIERR_OK);
  ASSERT_EQ(bottomUp.Open(path), AVIERR_OK);
  Bitmap a;
  Bitmap b;
  ASSERT_TRUE(topDown.GetFrame(2, a));
  ASSERT_TRUE(bottomUp.GetFrame(2, b));
  ASSERT_EQ(a.Height(), b.Height());
  for (int y = 0; y < a.Height(); ++y)
    EXPECT_TRUE(std::equal(a.Row(y), a.Row(y) + a.Width() * 3, b.Row(a.Height() - 1 - y)))
        << "row " << y;
}

// FFmpeg stamps an AVI stream from its header's start unless that lies more
// than an hour in; then it stamps from 0, and the numbers follow it.
TEST(VideoFileTest, StreamStartUpToAnHour) {
  const std::vector<uint8_t> avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  ASSERT_FALSE(avi.empty());
  const struct {
    uint32_t headerStart;
    int64_t start;
  } cases[] = {{90000, 90000}, {90001, 0}, {0xFFFFFFFFu, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.headerStart);
    std::vector<uint8_t> patched = avi;
    ASSERT_TRUE(test::PatchStrh(patched, "vids", test::kStrhStart, c.headerStart));
    VideoFile video;
    ASSERT_EQ(video.OpenMemory(patched), AVIERR_OK);
    EXPECT_EQ(video.StreamInfo().start, c.start);
    EXPECT_EQ(video.StreamInfo().LastFrameNumber(), c.start + 9);
    Bitmap frame;
    EXPECT_FALSE(video.GetFrame(c.start - 1, frame));
    ASSERT_TRUE(video.GetFrame(c.start + 2, frame));
    EXPECT_EQ(ColourIndex(frame), 2);
    ASSERT_TRUE(video.GetFrame(c.start, frame));
    EXPECT_EQ(ColourIndex(frame), 0);
  }
}

TEST(VideoFileTest, OutputBitmapIsReusedAndCopiesKeepTheirFrame) {
  VideoFile video;
  ASSERT_EQ(video.Open(test::Clip("mjpeg25.avi")), AVIERR_OK);
  Bitmap frame = Bitmap::Create(10, 10, 8);
  ASSERT_TRUE(video.GetFrame(1, frame));
  EXPECT_EQ(frame.Width(), 64);
  EXPECT_EQ(frame.BitsPerPixel(), 24);
  EXPECT_TRUE(frame.Palette().empty());
  const uint8_t* storage = frame.Bits();
  ASSERT_TRUE(video.GetFrame(2, frame));
  EXPECT_EQ(frame.Bits(), storage);
  EXPECT_EQ(ColourIndex(frame), 2);

  const Bitmap kept = frame;
  ASSERT_TRUE(video.GetFrame(3, frame));
  EXPECT_EQ(ColourIndex(kept), 2);
  EXPECT_EQ(ColourIndex(frame), 3);

  // A failed read leaves the bitmap as it was.
  EXPECT_FALSE(video.GetFrame(99, frame));
  EXPECT_EQ(ColourIndex(frame), 3);
}

TEST(VideoFileTest, OpenFailuresGiveTheirCodes) {
  test::TempDir dir;
  test::WriteBytes(dir.File("empty.avi"), {});
  const std::string text = "This is not a video, just a text file named like one.\n";
  test::WriteBytes(dir.File("text.avi"), std::vector<uint8_t>(text.begin(), text.end()));
  ASSERT_TRUE(Ffmpeg("-f lavfi -i sine=d=0.2 " + dir.File("sound.wav")));
  // A video codec FFmpeg has no decoder for: an unknown four-character code.
  std::vector<uint8_t> avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  const size_t strf = test::FindChunk(avi, "strf");
  ASSERT_NE(strf, std::string::npos);
  std::copy_n("QZ9X", 4, avi.begin() + std::ptrdiff_t(strf + 16));
  test::WriteBytes(dir.File("unknown.avi"), avi);

  const struct {
    std::string path;
    int32_t code;
  } cases[] = {
      {dir.File("missing.avi"), AVIERR_FILEOPEN}, {dir.Path(), AVIERR_FILEOPEN},
      {dir.File("empty.avi"), AVIERR_BADFORMAT},  {dir.File("text.avi"), AVIERR_BADFORMAT},
      {dir.File("sound.wav"), AVIERR_NODATA},     {dir.File("unknown.avi"), AVIERR_NOCOMPRESSOR},
  };
  for (const auto& c : cases) {
    VideoFile video;
    EXPECT_EQ(video.Open(c.path), c.code) << c.path;
    EXPECT_FALSE(video.IsOpen());
    VideoStreamInfo info;
    EXPECT_EQ(VideoFile::ReadStreamInfo(c.path, info),
              c.path == dir.File("unknown.avi") ? AVIERR_OK : c.code)
        << c.path;
    Bitmap frame;
    EXPECT_FALSE(video.GetFrame(0, frame));
    EXPECT_EQ(video.StreamInfo().length, 0);
  }
}

// A name is a file name, never a protocol or a pattern.
TEST(VideoFileTest, NamesWithColonsAndPercentSignsOpen) {
  test::TempDir dir;
  const std::vector<uint8_t> avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  for (const char* name : {"clip:1.avi", "concat:a.avi", "take%03d.avi", "file:x.avi"}) {
    test::WriteBytes(dir.File(name), avi);
    VideoFile video;
    EXPECT_EQ(video.Open(dir.File(name)), AVIERR_OK) << name;
    Bitmap frame;
    EXPECT_TRUE(video.GetFrame(3, frame)) << name;
    EXPECT_EQ(ColourIndex(frame), 3) << name;
  }
}

TEST(VideoFileTest, CloseAndReopenStartAfresh) {
  VideoFile video;
  ASSERT_EQ(video.Open(test::Clip("start5.avi")), AVIERR_OK);
  Bitmap frame;
  ASSERT_TRUE(video.GetFrame(9, frame));
  ASSERT_EQ(video.Open(test::Clip("mjpeg25.avi")), AVIERR_OK);
  EXPECT_EQ(video.StreamInfo().start, 0);
  ASSERT_TRUE(video.GetFrame(2, frame));
  EXPECT_EQ(ColourIndex(frame), 2);
  video.Close();
  EXPECT_FALSE(video.IsOpen());
  EXPECT_FALSE(video.GetFrame(2, frame));
  EXPECT_EQ(video.HasAudioStream(), AVIERR_BADHANDLE);

  VideoFile moved = std::move(video);
  EXPECT_EQ(moved.Open(test::Clip("drop.avi")), AVIERR_OK);
  EXPECT_TRUE(moved.GetFrame(4, frame));
  EXPECT_EQ(ColourIndex(frame), 3);
}

}  // namespace
}  // namespace q9::platform
