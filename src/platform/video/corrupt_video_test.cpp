// Damaged videos: cut short, overwritten with garbage, or with impossible
// header fields. Each must open with a clean error or deliver what frames it
// can, in bounded time, without crashing (the sanitizer build checks memory).

#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <set>

#include "platform/signlib/byte_io.h"
#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

using Bytes = std::vector<uint8_t>;

// Opens the bytes from a file and from memory, reads frames in order and by
// jumps, and saves the audio. Returns the frames delivered from memory.
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
    EXPECT_EQ(video.IsOpen(), r == AVIERR_OK);
    const VideoStreamInfo info = video.StreamInfo();
    const int64_t last = std::min(info.LastFrameNumber(), info.start + 40);
    Bitmap frame;
    delivered = 0;
    for (int64_t n = info.start - 1; n <= last + 1; ++n) {
      if (!video.GetFrame(n, frame)) continue;
      ++delivered;
      EXPECT_EQ(frame.ImageSize(), frame.Stride() * size_t(frame.Height()));
    }
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
TEST(CorruptVideoTest, CutAtManyPoints) {
  for (const std::string clip :
       {"mjpeg25.avi", "drop.avi", "audio.avi", "h264b.mp4", "mpeg4.mkv"}) {
    const Bytes whole = test::ReadBytes(test::Clip(clip));
    VideoFile intact;
    Bitmap first;
    ASSERT_EQ(intact.OpenMemory(whole), AVIERR_OK);
    ASSERT_TRUE(intact.GetFrame(0, first));
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
      EXPECT_TRUE(std::equal(frame.Bits(), frame.Bits() + frame.ImageSize(), first.Bits()));
    }
  }
}

// Garbage, lookalikes of each container, bytes overwritten inside valid
// files, and header fields that promise the impossible.
TEST(CorruptVideoTest, DamagedBytes) {
  std::mt19937 random(99);
  const auto noise = [&](const std::string& head, size_t n) {
    Bytes v(n);
    for (auto& b : v) b = uint8_t(random());
    std::copy(head.begin(), head.end(), v.begin());
    return v;
  };
  std::vector<std::pair<std::string, Bytes>> inputs = {
      {"empty", {}},
      {"one byte", noise("", 1)},
      {"noise", noise("", 64 * 1024)},
      {"zeros", Bytes(5000, 0)},
      {"riff", noise(std::string("RIFF\xff\xff\0\0AVI LIST", 16), 4096)},
      {"hdrl", noise(std::string("RIFF\x10\0\0\0AVI LIST\4\0\0\0hdrl", 24), 2048)},
      {"mp4", noise(std::string("\0\0\0\030ftypisom", 12), 4096)},
      {"mkv", noise("\x1a\x45\xdf\xa3", 4096)},
  };
  for (const std::string clip : {"mjpeg25.avi", "h264b.mp4", "bframes.avi"}) {
    const Bytes whole = test::ReadBytes(test::Clip(clip));
    for (unsigned every : {50, 100, 150}) {
      Bytes damaged = whole;
      for (size_t i = 0; i < whole.size() / every; ++i)
        damaged[random() % damaged.size()] = uint8_t(random());
      inputs.emplace_back(clip + " overwritten 1/" + std::to_string(every), damaged);
    }
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
