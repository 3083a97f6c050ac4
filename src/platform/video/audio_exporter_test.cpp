#include "platform/video/audio_exporter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <filesystem>

#include "platform/signlib/byte_io.h"
#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

using Bytes = std::vector<uint8_t>;

// Makes a video with an audio track: "<ffmpeg audio options> <file name>".
std::string MakeVideo(const test::TempDir& dir, const std::string& audio) {
  const std::string path = dir.File(audio.substr(audio.rfind(' ') + 1));
  const bool made = test::Ffmpeg("-f lavfi -i color=gray:s=64x48:r=25:d=1 -c:v mjpeg -f lavfi -i " +
                                 audio.substr(0, audio.rfind(' ')) + " " + path);
  return made ? path : "";
}

// The WAV holds the source's audio bytes unchanged under the plain header:
// fmt, for compressed audio a fact chunk, then data and nothing else.
TEST(AudioExportTest, CopiesTheStreamUnderAPlainHeader) {
  const struct {
    const char* audio;
    std::vector<uint32_t> format;  // tag, channels, sample rate
    size_t fmtSize;
  } cases[] = {
      {"sine=sample_rate=11025:d=1 -ac 2 -c:a pcm_u8 pcm8.avi", {1, 2, 11025}, 16},
      {"sine=sample_rate=22050:d=1 -c:a libmp3lame -b:a 32k mp3.avi", {0x55, 1, 22050}, 30},
      {"sine=sample_rate=22050:d=1 -c:a aac -b:a 32k aac.mp4", {0xFF, 1, 22050}, 24},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.audio);
    test::TempDir dir;
    const std::string video = MakeVideo(dir, c.audio);
    // The source's audio payload, read by the data muxer (raw packets).
    ASSERT_TRUE(test::Ffmpeg("-i " + video + " -map 0:a -c copy -f data " + dir.File("raw")));
    const Bytes payload = test::ReadBytes(dir.File("raw"));
    VideoFile file;
    ASSERT_EQ(file.Open(video), AVIERR_OK);
    EXPECT_EQ(file.HasAudioStream(), AVIERR_OK);
    std::vector<int> steps;
    ASSERT_EQ(
        file.SaveAudioToWav(dir.File("out.wav"), [&](int p) { return steps.push_back(p), 0; }),
        AVIERR_OK);

    const Bytes wav = test::ReadBytes(dir.File("out.wav"));
    const size_t data = 20 + c.fmtSize + (c.format[0] == 1 ? 0 : 12) + 8;
    ASSERT_EQ(wav.size(), data + payload.size() + (payload.size() & 1));
    const std::string head(wav.begin(), wav.begin() + 16);
    EXPECT_EQ(head.substr(0, 4) + head.substr(8), "RIFFWAVEfmt ");
    EXPECT_EQ(std::vector<uint32_t>({LoadU32(&wav[4]), LoadU32(&wav[16]), LoadU32(&wav[data - 4])}),
              std::vector<uint32_t>(
                  {uint32_t(wav.size() - 8), uint32_t(c.fmtSize), uint32_t(payload.size())}));
    EXPECT_EQ(std::vector<uint32_t>({LoadU16(&wav[20]), LoadU16(&wav[22]), LoadU32(&wav[24])}),
              c.format);
    EXPECT_EQ(test::FindChunk(wav, "data"), data);
    EXPECT_EQ(Bytes(wav.begin() + std::ptrdiff_t(data),
                    wav.begin() + std::ptrdiff_t(data + payload.size())),
              payload);
    EXPECT_EQ(std::vector({steps.front(), steps.back()}), std::vector({0, 100}));
    EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
    EXPECT_GT(steps.size(), 3u);
    EXPECT_EQ(dir.List().size(), 3u) << "a temporary file was left";  // the video, raw, out.wav
  }
}

// Today's containers (opened in presentation order) give a standard PCM
// WAV: PCM copied as it is, anything else decoded to 16-bit samples, the
// same as FFmpeg's own decoding to within a step of rounding.
TEST(AudioExportTest, TodaysContainersGiveAPcmWav) {
  const struct {
    const char* audio;
    std::vector<uint32_t> format;  // tag, channels, sample rate, bits
  } cases[] = {
      {"sine=sample_rate=22050:d=1 -c:a aac -b:a 32k aac.mp4", {1, 1, 22050, 16}},
      {"sine=sample_rate=8000:d=1 -ac 2 -c:a libopus opus.mkv", {1, 2, 48000, 16}},
      {"sine=sample_rate=11025:d=1 -ac 2 -c:a pcm_s16le pcm.mkv", {1, 2, 11025, 16}},
      {"sine=sample_rate=11025:d=1 -c:a pcm_u8 pcm8.mov", {1, 1, 11025, 8}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.audio);
    test::TempDir dir;
    const std::string video = MakeVideo(dir, c.audio);
    const bool copied = c.format[3] == 8;
    ASSERT_TRUE(test::Ffmpeg("-i " + video + " -map 0:a " +
                             (copied ? std::string("-c copy -f data ") : "-f s16le ") +
                             dir.File("raw")));
    const Bytes expected = test::ReadBytes(dir.File("raw"));
    VideoFile file;
    file.SetPresentationOrder(true);
    ASSERT_EQ(file.Open(video), AVIERR_OK);
    ASSERT_EQ(file.SaveAudioToWav(dir.File("out.wav"), {}), AVIERR_OK);
    const Bytes wav = test::ReadBytes(dir.File("out.wav"));
    ASSERT_GT(wav.size(), 44u);
    EXPECT_EQ(std::vector<uint32_t>(
                  {LoadU16(&wav[20]), LoadU16(&wav[22]), LoadU32(&wav[24]), LoadU16(&wav[34])}),
              c.format);
    const size_t data = test::FindChunk(wav, "data");
    ASSERT_NE(data, std::string::npos);
    const size_t size = std::min<size_t>(LoadU32(&wav[data - 4]), wav.size() - data);
    const Bytes samples(wav.begin() + std::ptrdiff_t(data),
                        wav.begin() + std::ptrdiff_t(data + size));
    ASSERT_EQ(samples.size(), expected.size());
    int worst = 0;
    for (size_t i = 0; !copied && i + 1 < samples.size(); i += 2)
      worst =
          std::max(worst, std::abs(int16_t(LoadU16(&samples[i])) - int16_t(LoadU16(&expected[i]))));
    EXPECT_LE(worst, 1);
    if (copied) {
      EXPECT_EQ(samples, expected);
    }
  }
}

// Every failure and an abort from the progress callback give their code,
// leave no file behind and keep an earlier WAV as it was until a save
// succeeds; saving does not move the frame position.
TEST(AudioExportTest, FailuresLeaveNoFile) {
  test::TempDir dir;
  const std::string clip = test::Clip("audio.avi");
  Bytes rate0 = test::ReadBytes(clip);
  ASSERT_TRUE(test::PatchStrh(rate0, "auds", test::kStrhRate, 0));
  test::WriteBytes(dir.File("rate0.avi"), rate0);
  // The audio stream without its format: the 'strf' chunk becomes JUNK.
  Bytes strf0 = test::ReadBytes(clip);
  const size_t strf = test::FindChunk(strf0, "strf", test::FindChunk(strf0, "auds"));
  ASSERT_NE(strf, std::string::npos);
  std::copy_n("JUNK", 4, strf0.begin() + std::ptrdiff_t(strf - 8));
  test::WriteBytes(dir.File("strf0.avi"), strf0);
  const std::string pcmBe = MakeVideo(dir, "sine=d=1 -c:a pcm_s16be be.mov");
  std::filesystem::create_directory(dir.File("taken.wav"));
  const std::string out = dir.File("out.wav");
  test::WriteBytes(out, {'o', 'l', 'd'});

  constexpr int kNever = 1000;
  const struct {
    std::string source;
    std::string wav;
    int abortAt;  // the first percentage the progress callback refuses
    int32_t code;
  } cases[] = {
      {test::Clip("mjpeg25.avi"), out, kNever, AVIERR_NODATA},
      {clip, dir.File("no/such/folder/out.wav"), kNever, AVIERR_FILEOPEN},
      {clip, dir.File("taken.wav"), kNever, AVIERR_FILEOPEN},  // a folder is in the way
      {clip, out, 1, AVIERR_USERABORT},
      {clip, out, 100, AVIERR_USERABORT},
      {dir.File("rate0.avi"), out, kNever, AVIERR_START_NOT_FOUND},
      {dir.File("strf0.avi"), out, kNever, AVIERR_FORMAT_SIZE_ZERO},
      {pcmBe, out, kNever, AVIERR_UNSUPPORTED},
  };
  const std::vector<std::string> files = dir.List();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.source + " to " + c.wav + " abort at " + std::to_string(c.abortAt));
    VideoFile file;
    ASSERT_EQ(file.Open(c.source), AVIERR_OK);
    EXPECT_EQ(file.HasAudioStream(), c.code == AVIERR_NODATA ? AVIERR_NODATA : AVIERR_OK);
    int last = -1;
    EXPECT_EQ(file.SaveAudioToWav(c.wav, [&](int p) { return (last = p) >= c.abortAt; }), c.code);
    EXPECT_GE(last, c.code == AVIERR_USERABORT ? c.abortAt : -1);
    EXPECT_EQ(dir.List(), files) << "a file was left behind";
  }
  EXPECT_EQ(test::ReadBytes(out), (Bytes{'o', 'l', 'd'}));

  VideoFile file;
  ASSERT_EQ(file.OpenMemory(test::ReadBytes(clip)), AVIERR_OK);
  Bitmap frame;
  ASSERT_TRUE(file.GetFrame(3, frame));
  ASSERT_EQ(file.SaveAudioToWav(out, nullptr), AVIERR_OK);
  ASSERT_TRUE(file.GetFrame(4, frame));
  EXPECT_EQ(test::ColourIndex(frame), 4);

  // A write that fails part way (here: at a file size limit) is a write error.
  rlimit old{};
  ::getrlimit(RLIMIT_FSIZE, &old);
  std::signal(SIGXFSZ, SIG_IGN);
  const rlimit limit{4096, old.rlim_max};
  ::setrlimit(RLIMIT_FSIZE, &limit);
  const int32_t written = file.SaveAudioToWav(dir.File("big.wav"), nullptr);
  ::setrlimit(RLIMIT_FSIZE, &old);
  EXPECT_EQ(written, AVIERR_FILEWRITE);
  EXPECT_EQ(dir.List(), files);
}

}  // namespace
}  // namespace q9::platform
