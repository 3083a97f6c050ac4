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

const std::set<int32_t> kOpenCodes = {AVIERR_OK,       AVIERR_FILEOPEN,     AVIERR_BADFORMAT,
                                      AVIERR_NODATA,   AVIERR_NOCOMPRESSOR, AVIERR_COMPRESSOR,
                                      AVIERR_FILEREAD, AVIERR_MEMORY};
constexpr auto kTimeBound = std::chrono::seconds(10);

// Opens the bytes from a file and from memory, reads frames in order and by
// jumps, and saves the audio. Returns the number of frames delivered.
int Exercise(const std::vector<uint8_t>& bytes, const test::TempDir& dir) {
  const auto started = std::chrono::steady_clock::now();
  const std::string path = dir.File("damaged.avi");
  test::WriteBytes(path, bytes);
  VideoStreamInfo probed;
  const int32_t probe = VideoFile::ReadStreamInfo(path, probed);
  EXPECT_TRUE(kOpenCodes.count(probe)) << std::hex << probe;

  int delivered = 0;
  for (bool memory : {false, true}) {
    VideoFile video;
    const int32_t r = memory ? video.OpenMemory(bytes) : video.Open(path);
    EXPECT_TRUE(kOpenCodes.count(r)) << std::hex << r;
    if (r != AVIERR_OK) {
      EXPECT_FALSE(video.IsOpen());
      continue;
    }
    const VideoStreamInfo info = video.StreamInfo();
    const int64_t last = std::min(info.LastFrameNumber(), info.start + 40);
    Bitmap frame;
    for (int64_t n = info.start - 1; n <= last + 1; ++n) {
      if (video.GetFrame(n, frame)) {
        ++delivered;
        EXPECT_EQ(frame.BitsPerPixel(), 24);
        EXPECT_EQ(frame.ImageSize(), frame.Stride() * size_t(frame.Height()));
      }
    }
    for (int64_t n : {last, info.start, info.start + 3, last - 1, int64_t(1)})
      video.GetFrame(n, frame);
    if (video.HasAudioStream() == AVIERR_OK) {
      video.SaveAudioToWav(dir.File("out.wav"), nullptr);
      std::remove(dir.File("out.wav").c_str());
    }
  }
  EXPECT_EQ(dir.List(), std::vector<std::string>{"damaged.avi"}) << "a temporary file was left";
  EXPECT_LT(std::chrono::steady_clock::now() - started, kTimeBound);
  return delivered;
}

class TruncationTest : public ::testing::TestWithParam<const char*> {};

TEST_P(TruncationTest, CutAtManyPoints) {
  const std::string clip = GetParam();
  const std::string source =
      clip == "audio.avi" ? test::ScratchFile("audio.avi") : test::Clip(clip);
  if (clip == "audio.avi") {
    ASSERT_TRUE(
        test::Ffmpeg("-f lavfi -i color=red:s=64x48:r=25:d=1 -f lavfi -i sine=d=1 "
                     "-c:v mjpeg -c:a pcm_s16le -shortest " +
                     source));
  }
  const std::vector<uint8_t> whole = test::ReadBytes(source);
  ASSERT_GT(whole.size(), 1000u);
  VideoFile intact;
  ASSERT_EQ(intact.Open(source), AVIERR_OK);
  const int64_t first = intact.StreamInfo().start;
  Bitmap firstFrame;
  ASSERT_TRUE(intact.GetFrame(first, firstFrame));

  for (size_t cut : {size_t(0), size_t(11), size_t(12), size_t(100), size_t(300), whole.size() / 4,
                     whole.size() / 2, whole.size() * 3 / 4, whole.size() - 20, whole.size() - 1}) {
    SCOPED_TRACE(cut);
    test::TempDir dir;
    const std::vector<uint8_t> part(whole.begin(), whole.begin() + std::ptrdiff_t(cut));
    const int delivered = Exercise(part, dir);
    if (cut >= whole.size() * 3 / 4 && clip != "h264.mp4") {
      // Most frames are still there and the first one is intact (an MP4
      // keeps its index at the end, so a cut one is lost).
      EXPECT_GT(delivered, 0);
      VideoFile video;
      ASSERT_EQ(video.OpenMemory(part), AVIERR_OK);
      Bitmap frame;
      ASSERT_TRUE(video.GetFrame(first, frame));
      EXPECT_TRUE(std::equal(frame.Bits(), frame.Bits() + frame.ImageSize(), firstFrame.Bits()));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Clips, TruncationTest,
                         ::testing::Values("mjpeg25.avi", "drop.avi", "h264.mp4", "mpeg4.mkv",
                                           "pal8.avi", "audio.avi"),
                         [](const auto& info) {
                           std::string name = info.param;
                           return name.substr(0, name.find('.'));
                         });

TEST(CorruptVideoTest, GarbageAndLookalikes) {
  std::mt19937 random(99);
  const auto noise = [&](size_t n) {
    std::vector<uint8_t> v(n);
    for (auto& b : v) b = uint8_t(random());
    return v;
  };
  const auto withHead = [&](const char* head, size_t headSize, size_t n) {
    std::vector<uint8_t> v = noise(n);
    std::copy(head, head + headSize, v.begin());
    return v;
  };
  const std::vector<std::vector<uint8_t>> inputs = {
      {},
      noise(1),
      noise(1024),
      noise(64 * 1024),
      withHead("RIFF\xff\xff\x00\x00"
               "AVI LIST",
               16, 4096),
      withHead("RIFF\x10\x00\x00\x00"
               "AVI LIST\x04\x00\x00\x00hdrl",
               24, 2048),
      withHead("\x00\x00\x00\x18"
               "ftypisom",
               12, 4096),
      withHead("\x1a\x45\xdf\xa3", 4, 4096),
      std::vector<uint8_t>(5000, 0),
  };
  for (size_t i = 0; i < inputs.size(); ++i) {
    SCOPED_TRACE(i);
    test::TempDir dir;
    Exercise(inputs[i], dir);
  }
}

// Bytes overwritten inside valid files: decoders meet damaged frames.
TEST(CorruptVideoTest, OverwrittenBytes) {
  for (const char* clip : {"mjpeg25.avi", "h264.mp4", "bframes.avi", "pal8.avi"}) {
    const std::vector<uint8_t> whole = test::ReadBytes(test::Clip(clip));
    ASSERT_FALSE(whole.empty());
    for (unsigned seed = 1; seed <= 4; ++seed) {
      SCOPED_TRACE(std::string(clip) + " seed " + std::to_string(seed));
      std::mt19937 random(seed);
      std::vector<uint8_t> damaged = whole;
      const size_t hits = whole.size() / (seed * 50);
      for (size_t i = 0; i < hits; ++i) damaged[random() % damaged.size()] = uint8_t(random());
      test::TempDir dir;
      Exercise(damaged, dir);
    }
  }
}

// Header fields that promise the impossible.
TEST(CorruptVideoTest, ImpossibleHeaderFields) {
  const std::vector<uint8_t> avi = test::ReadBytes(test::Clip("mjpeg25.avi"));
  ASSERT_FALSE(avi.empty());
  const size_t strf = test::FindChunk(avi, "strf");
  const size_t idx1 = test::FindChunk(avi, "idx1");
  ASSERT_NE(strf, std::string::npos);
  ASSERT_NE(idx1, std::string::npos);
  struct Patch {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
  };
  const Patch patches[] = {
      {"length_max", [](auto& b) { test::PatchStrh(b, "vids", test::kStrhLength, 0xFFFFFFFFu); }},
      {"start_max", [](auto& b) { test::PatchStrh(b, "vids", test::kStrhStart, 0xFFFFFFFFu); }},
      {"rate_zero", [](auto& b) { test::PatchStrh(b, "vids", test::kStrhRate, 0); }},
      {"scale_zero", [](auto& b) { test::PatchStrh(b, "vids", test::kStrhScale, 0); }},
      {"length_zero", [](auto& b) { test::PatchStrh(b, "vids", test::kStrhLength, 0); }},
      {"huge_picture",
       [&](auto& b) {
         StoreU32(&b[strf + 4], 100000);
         StoreU32(&b[strf + 8], 100000);
       }},
      {"negative_width", [&](auto& b) { StoreU32(&b[strf + 4], 0x80000000u); }},
      {"index_offsets",
       [&](auto& b) {
         for (size_t at = idx1 + 8; at + 4 <= b.size(); at += 16) StoreU32(&b[at], 0x7FFFFFF0u);
       }},
      {"index_sizes",
       [&](auto& b) {
         for (size_t at = idx1 + 12; at + 4 <= b.size(); at += 16) StoreU32(&b[at], 0xFFFFFFF0u);
       }},
  };
  for (const Patch& p : patches) {
    SCOPED_TRACE(p.name);
    std::vector<uint8_t> bytes = avi;
    p.apply(bytes);
    test::TempDir dir;
    Exercise(bytes, dir);
  }
}

}  // namespace
}  // namespace q9::platform
