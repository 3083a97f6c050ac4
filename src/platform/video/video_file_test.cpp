#include "platform/video/video_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <map>
#include <numeric>
#include <random>
#include <set>

#include "platform/signlib/byte_io.h"
#include "platform/video/test_media.h"

namespace q9::platform {
namespace {

using test::ColourIndex;
using Bytes = std::vector<uint8_t>;

std::vector<int64_t> Fields(const VideoStreamInfo& i) {
  return {i.start, i.length, i.scale, i.rate, i.width, i.height};
}

struct ClipCase {
  const char* file;
  VideoStreamInfo info;
  int late = 0;               // frames the pictures show late (the first shown before)
  int64_t dropAt = 1 << 30;   // from here on frames show the one before
  bool presentation = false;  // opened in presentation order
};

const ClipCase kClips[] = {
    {"mjpeg25.avi", {0, 10, 1, 25, 64, 48}},
    // Converted straight into its bitmaps after the first frames.
    {"mjpeg320.avi", {0, 12, 1, 25, 320, 240}},
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
    // carries the stamp of the chunk that made the decoder give it out.
    {"bframes.avi", {0, 30, 1, 25, 64, 48}, 1},
    {"h264b.avi", {0, 12, 1, 25, 64, 48}, 2},
    // In presentation order frames count from 1, also at variable rates.
    {"h264b.mp4", {1, 12, 1, 25, 320, 240}, 0, 1 << 30, true},
    {"vfr.mkv", {1, 8, 1, 25, 64, 48}, 0, 1 << 30, true},
    {"anim.gif", {1, 10, 1, 10, 64, 48}, 0, 1 << 30, true},
};

// The ColourIndex frame n shows, -1 where GetFrame fails.
int Expected(const ClipCase& c, int64_t n) {
  // Frames before a late first picture show it.
  const int64_t k = std::max<int64_t>(n - c.info.start - c.late, 0);
  return n < c.info.start || n > c.info.LastFrameNumber() ? -1 : int(k - (n >= c.dropAt));
}

using ClipTest = ::testing::TestWithParam<ClipCase>;

// Frames read in order, then every frame read after jumps (back, forward,
// repeated, past the end, and runs in order that start a read ahead and
// leave it) is bit for bit the frame read in order, from a file with reading
// ahead and from memory without, also into a bitmap of another format.
TEST_P(ClipTest, StreamInfoAndFrames) {
  const ClipCase& c = GetParam();
  const std::string path = test::Clip(c.file);
  VideoStreamInfo probed;
  ASSERT_EQ(VideoFile::ReadStreamInfo(path, probed), AVIERR_OK);
  if (!c.presentation) {
    EXPECT_EQ(Fields(probed), Fields(c.info));
  }
  const int64_t end = c.info.LastFrameNumber() + 1;
  std::map<int64_t, Bitmap> inOrder;
  VideoFile video;
  video.SetPresentationOrder(c.presentation);
  ASSERT_EQ(video.Open(path), AVIERR_OK);
  EXPECT_EQ(Fields(video.StreamInfo()), Fields(c.info));
  for (int64_t n = c.info.start - 2; n <= end + 1; ++n) {
    Bitmap frame;
    ASSERT_EQ(video.GetFrame(n, frame), Expected(c, n) >= 0) << "frame " << n;
    EXPECT_EQ(ColourIndex(frame), Expected(c, n)) << "frame " << n;
    if (!frame.HasData()) continue;
    EXPECT_EQ(std::vector({frame.Width(), frame.Height(), frame.BitsPerPixel()}),
              std::vector({c.info.width, c.info.height, 24}));
    inOrder[n] = frame;
  }
  std::vector<int64_t> jumps(size_t(end - c.info.start));
  std::iota(jumps.begin(), jumps.end(), c.info.start);
  std::shuffle(jumps.begin(), jumps.end(), std::mt19937(1234));
  jumps.insert(jumps.begin(), {end - 1, 1, 2, 3, 1, 2, 3, 4, end - 4, end - 3, end, 0, 0, 5, 6, 7});

  for (const bool memory : {false, true}) {
    SCOPED_TRACE(memory ? "memory, no read ahead" : "file, read ahead");
    video.SetReadAhead(!memory);
    ASSERT_EQ(memory ? video.OpenMemory(test::ReadBytes(path)) : video.Open(path), AVIERR_OK);
    EXPECT_EQ(Fields(video.StreamInfo()), Fields(c.info));
    Bitmap frame = Bitmap::Create(10, 10, 8);
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
  return info.param.presentation ? name + "_in_presentation_order" : name;
});

// In presentation order each frame lasts until the next one's time stamp,
// the rounding to 1/120 s carried on, so that a sequence lasts as long as
// its video however long that is; an AVI keeps its constant frame time.
TEST(VideoFileTest, FramesInPresentationOrderLastTheirOwnTime) {
  const struct {
    const char* clip;
    std::vector<uint32_t> first;  // the first durations, in 1/120 s
    double total;                 // the video's time, in 1/120 s
    size_t frames;
  } cases[] = {
      // Frame k at k x k x 20 ms; the last lasts its packet's 40 ms.
      {"vfr.mkv", {2, 8, 12, 16, 22, 26, 32, 4}, 122.4, 8},
      {"anim.gif", std::vector<uint32_t>(10, 12), 120, 10},
      {"h264b.mp4", {5, 5, 4, 5, 5, 5, 5, 4, 5, 5, 5, 5}, 57.6, 12},
      // 29.97 frames a second: 4.004/120 s a frame; a constant 4 would run
      // 2/120 s short over these 20 s.
      {"ntsc600.mkv", {4, 4, 4, 4}, 600 * 120 * 1001 / 30000.0, 600},
      {"mjpeg25.avi", {}, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.clip);
    VideoFile video;
    video.SetPresentationOrder(true);
    ASSERT_EQ(video.Open(test::Clip(c.clip)), AVIERR_OK);
    const std::vector<uint32_t> durations = video.FrameDurations(120);
    ASSERT_EQ(durations.size(), c.frames);
    EXPECT_EQ(std::vector(durations.begin(), durations.begin() + std::ptrdiff_t(c.first.size())),
              c.first);
    EXPECT_NEAR(std::accumulate(durations.begin(), durations.end(), 0.0), c.total, 0.5);
  }
}

TEST(VideoFileTest, OpenResults) {
  test::TempDir dir;
  const Bytes avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  test::WriteBytes(dir.File("text.avi"), {'N', 'o', 't', ' ', 'a', ' ', 'v', 'i', 'd', 'e', 'o'});
  ASSERT_TRUE(test::Ffmpeg("-f lavfi -i sine=d=0.2 " + dir.File("sound.wav")));
  // A video codec FFmpeg has no decoder for: an unknown four-character code.
  Bytes unknown = avi;
  std::copy_n("QZ9X", 4, unknown.begin() + std::ptrdiff_t(test::FindChunk(avi, "strf") + 16));
  test::WriteBytes(dir.File("unknown.avi"), unknown);
  // A name is a file name, never a protocol or a pattern.
  test::WriteBytes(dir.File("concat:take%03d.avi"), avi);
  const struct {
    std::string name;
    int32_t code;
    int32_t probed;  // by ReadStreamInfo
  } cases[] = {
      {"missing.avi", AVIERR_FILEOPEN, AVIERR_FILEOPEN},
      {".", AVIERR_FILEOPEN, AVIERR_FILEOPEN},
      {"text.avi", AVIERR_BADFORMAT, AVIERR_BADFORMAT},
      {"sound.wav", AVIERR_NODATA, AVIERR_NODATA},
      {"unknown.avi", AVIERR_NOCOMPRESSOR, AVIERR_OK},
      {"concat:take%03d.avi", AVIERR_OK, AVIERR_OK},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    VideoStreamInfo info;
    EXPECT_EQ(VideoFile::ReadStreamInfo(dir.File(c.name), info), c.probed);
    VideoFile video;
    EXPECT_EQ(video.Open(dir.File(c.name)), c.code);
    Bitmap frame;
    EXPECT_EQ(video.GetFrame(3, frame), c.code == AVIERR_OK);
  }
}

// Frames read in order come from two buffers taking turns. Closing, opening
// another file and destroying a moved file while a frame is read ahead wait
// for that read, and the file opened next starts afresh.
TEST(VideoFileTest, ReadAheadTakesTurnsAndCloseWaitsForIt) {
  Bitmap frame;
  for (const std::string next : {"close", "start5.avi", "moved"}) {
    SCOPED_TRACE(next);
    VideoFile video;
    ASSERT_EQ(video.Open(test::Clip("h264b.mp4")), AVIERR_OK);
    std::set<const uint8_t*> storage;
    for (int n = 0; n < 3; ++n) {
      ASSERT_TRUE(video.GetFrame(n, frame)) << n;
      EXPECT_EQ(ColourIndex(frame), n);
      storage.insert(frame.Bits());
    }
    EXPECT_EQ(storage.size(), 2u);
    // Frame 3 is under way now.
    if (next == "close") {
      video.Close();
    } else if (next == "moved") {
      VideoFile moved = std::move(video);
      ASSERT_TRUE(moved.GetFrame(3, frame));
      EXPECT_EQ(ColourIndex(frame), 3);
      ASSERT_TRUE(moved.GetFrame(4, frame));  // destroyed with frame 5 under way
    } else {
      ASSERT_EQ(video.Open(test::Clip(next)), AVIERR_OK);
      ASSERT_TRUE(video.GetFrame(5, frame));
      EXPECT_EQ(ColourIndex(frame), 0);
    }
  }
}

// Each kind of picture comes out as the bgr24 picture FFmpeg's own conversion
// makes: rows padded and turned over, a palette, full-range YUV with chroma
// rows split by an odd height, and deep colour.
TEST(VideoFileTest, ConvertsPicturesAsFfmpegDoes) {
  constexpr int kFrames = 6;  // the first ones checked, the later ones converted straight
  for (const std::string format : {
           "63x47 -pix_fmt bgr24 -c:v rawvideo clip.avi",
           "58x47 -pix_fmt pal8 -c:v rawvideo clip.avi",
           "58x47 -pix_fmt yuvj420p -c:v mjpeg -q:v 2 clip.avi",
           "320x240 -pix_fmt yuvj422p -c:v mjpeg -q:v 2 clip.avi",
           "64x48 -pix_fmt yuv420p -c:v mpeg4 -q:v 2 clip.avi",
           // An HD video's own matrix.
           "64x48 -pix_fmt yuv420p -colorspace bt709 -c:v libx264 clip.mp4",
           "17x5 -pix_fmt yuv420p10le -c:v ffv1 clip.mkv",
       }) {
    SCOPED_TRACE(format);
    test::TempDir dir;
    const size_t space = format.rfind(' ');
    const std::string clip = dir.File(format.substr(space + 1)), ref = dir.File("ref.bgr");
    ASSERT_TRUE(test::Ffmpeg("-f lavfi -i testsrc2=r=25:s=" + format.substr(0, space) +
                             " -frames:v " + std::to_string(kFrames) + " " + clip));
    ASSERT_TRUE(test::Ffmpeg("-i " + clip +
                             " -sws_flags neighbor+bitexact -pix_fmt bgr24 -f rawvideo " + ref));
    const Bytes expected = test::ReadBytes(ref);
    const auto size = std::ptrdiff_t(expected.size() / kFrames);
    VideoFile video;
    ASSERT_EQ(video.Open(clip), AVIERR_OK);
    Bitmap frame;
    for (int n = 0; n < kFrames; ++n) {
      ASSERT_TRUE(video.GetFrame(n, frame));
      EXPECT_TRUE(test::TopDownPixels(frame) ==
                  std::vector(expected.begin() + n * size, expected.begin() + (n + 1) * size))
          << "frame " << n;
      // The padding at the end of each row is zero.
      int padded = 0;
      for (int y = 0; y < frame.Height(); ++y) {
        const uint8_t* row = frame.Row(y);
        padded += std::any_of(row + 3 * frame.Width(), row + frame.Stride(),
                              [](uint8_t b) { return b != 0; });
      }
      EXPECT_EQ(padded, 0) << "rows with padding that is not zero, frame " << n;
    }
  }
}

// Damaged videos: cut short, overwritten with garbage, or with impossible
// header fields. Each must open with a clean error or deliver what frames it
// can, in bounded time, without crashing (the sanitizer build checks memory).
// Exercise opens such bytes from a file and from memory, reads frames in
// order and by jumps, saves the audio, and returns the frames from memory.
int Exercise(const Bytes& bytes) {
  const std::set<int32_t> openCodes = {AVIERR_OK,           AVIERR_FILEOPEN,  AVIERR_BADFORMAT,
                                       AVIERR_NODATA,       AVIERR_FILEREAD,  AVIERR_MEMORY,
                                       AVIERR_NOCOMPRESSOR, AVIERR_COMPRESSOR};
  const auto started = std::chrono::steady_clock::now();
  test::TempDir dir;
  test::WriteBytes(dir.File("damaged.avi"), bytes);
  VideoStreamInfo probed;
  EXPECT_TRUE(openCodes.count(VideoFile::ReadStreamInfo(dir.File("damaged.avi"), probed)));
  int delivered = 0;
  for (bool memory : {false, true}) {
    VideoFile video;
    const int32_t r = memory ? video.OpenMemory(bytes) : video.Open(dir.File("damaged.avi"));
    EXPECT_TRUE(openCodes.count(r)) << std::hex << r;
    const VideoStreamInfo info = video.StreamInfo();
    const int64_t last = std::min(info.LastFrameNumber(), info.start + 40);
    Bitmap frame;
    delivered = 0;
    for (int64_t n = info.start - 1; n <= last + 1; ++n) delivered += video.GetFrame(n, frame);
    for (int64_t n : {last, info.start, info.start + 3, last - 1, int64_t(1)})
      video.GetFrame(n, frame);
    if (video.SaveAudioToWav(dir.File("out.wav"), nullptr) == AVIERR_OK)
      std::remove(dir.File("out.wav").c_str());
  }
  EXPECT_EQ(dir.List(), std::vector<std::string>{"damaged.avi"}) << "a temporary file was left";
  EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10));
  return delivered;
}

// Cut short: an AVI or MKV keeps its first frame and most others when a
// quarter is gone; an MP4 keeps its index at the end, so a cut one is lost.
TEST(VideoFileCorruptTest, CutAtManyPoints) {
  for (const std::string clip : {"audio.avi", "h264b.mp4", "mpeg4.mkv"}) {
    const Bytes whole = test::ReadBytes(test::Clip(clip));
    const size_t n = whole.size();
    for (size_t cut : {size_t(0), size_t(11), size_t(12), size_t(300), n / 2, n * 3 / 4, n - 1}) {
      SCOPED_TRACE(clip + " cut at " + std::to_string(cut));
      const Bytes part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
      const int delivered = Exercise(part);
      if (cut < n * 3 / 4 || clip == "h264b.mp4") continue;
      EXPECT_GT(delivered, 5);
      VideoFile video;
      Bitmap frame;
      ASSERT_EQ(video.OpenMemory(part), AVIERR_OK);
      ASSERT_TRUE(video.GetFrame(0, frame));
      EXPECT_EQ(test::ColourIndex(frame), 0);
    }
  }
}

// Garbage, lookalikes of each container, bytes overwritten inside valid
// files, and header fields that promise the impossible.
TEST(VideoFileCorruptTest, DamagedBytes) {
  std::mt19937 random(99);
  const auto noise = [&](const std::string& head, size_t n) {
    Bytes v(n);
    for (auto& b : v) b = uint8_t(random());
    std::copy(head.begin(), head.end(), v.begin());
    return v;
  };
  std::vector<std::pair<std::string, Bytes>> inputs = {
      {"noise", noise("", 64 * 1024)},
      {"riff", noise(std::string("RIFF\xff\xff\0\0AVI LIST", 16), 4096)},
      {"hdrl", noise(std::string("RIFF\x10\0\0\0AVI LIST\4\0\0\0hdrl", 24), 2048)},
      {"mp4", noise(std::string("\0\0\0\030ftypisom", 12), 4096)},
      {"mkv", noise("\x1a\x45\xdf\xa3", 4096)},
  };
  for (const std::string clip : {"mjpeg25.avi", "h264b.mp4", "bframes.avi"}) {
    Bytes damaged = test::ReadBytes(test::Clip(clip));
    for (size_t i = 0; i < damaged.size() / 100; ++i)
      damaged[random() % damaged.size()] = uint8_t(random());
    inputs.emplace_back(clip + " overwritten", damaged);
  }
  const Bytes avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  const size_t strh = test::FindChunk(avi, "strh");  // the video stream's
  const size_t strf = test::FindChunk(avi, "strf");
  const size_t idx1 = test::FindChunk(avi, "idx1");
  ASSERT_NE(idx1, std::string::npos);
  const struct {
    const char* name;
    size_t at;
    uint32_t value;
    size_t count = 1, stride = 4;  // writes of value
  } patches[] = {
      {"length max", strh + test::kStrhLength, 0xFFFFFFFFu},
      {"length 0", strh + test::kStrhLength, 0},
      {"start max", strh + test::kStrhStart, 0xFFFFFFFFu},
      {"rate 0", strh + test::kStrhRate, 0},
      {"scale 0", strh + test::kStrhScale, 0},
      {"huge picture", strf + 4, 100000, 2},
      {"negative width", strf + 4, 0x80000000u},
      {"index offsets", idx1 + 8, 0x7FFFFFF0u, avi.size(), 16},
      {"index sizes", idx1 + 12, 0xFFFFFFF0u, avi.size(), 16},
  };
  for (const auto& p : patches) {
    Bytes bytes = avi;
    for (size_t i = 0, at = p.at; i < p.count && at + 4 <= bytes.size(); ++i, at += p.stride)
      StoreU32(&bytes[at], p.value);
    inputs.emplace_back(p.name, bytes);
  }
  for (const auto& [name, bytes] : inputs) {
    SCOPED_TRACE(name);
    Exercise(bytes);
  }
}

}  // namespace
}  // namespace q9::platform
