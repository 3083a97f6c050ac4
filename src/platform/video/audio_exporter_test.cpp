#include "platform/video/audio_exporter.h"

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>

#include "platform/signlib/byte_io.h"
#include "platform/video/test_media.h"
#include "platform/video/video_file.h"

namespace q9::platform {
namespace {

using test::Ffmpeg;

const char kVideo[] = "-f lavfi -i color=gray:s=64x48:r=25:d=2 -c:v mjpeg";

struct WavChunk {
  std::string id;
  std::vector<uint8_t> data;
};

// The chunks of a RIFF WAVE file in order; empty when it is not one.
std::vector<WavChunk> WavChunks(const std::vector<uint8_t>& wav) {
  std::vector<WavChunk> chunks;
  if (wav.size() < 12 || std::memcmp(wav.data(), "RIFF", 4) != 0 ||
      std::memcmp(wav.data() + 8, "WAVE", 4) != 0 || LoadU32(&wav[4]) + 8 != wav.size())
    return chunks;
  size_t pos = 12;
  while (pos + 8 <= wav.size()) {
    const uint32_t size = LoadU32(&wav[pos + 4]);
    if (pos + 8 + size > wav.size()) return {};
    chunks.push_back(
        {std::string(wav.begin() + std::ptrdiff_t(pos), wav.begin() + std::ptrdiff_t(pos + 4)),
         {wav.begin() + std::ptrdiff_t(pos + 8), wav.begin() + std::ptrdiff_t(pos + 8 + size)}});
    pos += 8 + size + (size & 1);
  }
  return chunks;
}

std::vector<uint8_t> Concat(const std::vector<std::vector<uint8_t>>& parts) {
  std::vector<uint8_t> all;
  for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

struct ExportCase {
  const char* name;
  const char* audio;  // ffmpeg options of the audio track
  const char* file;
  uint16_t tag;  // WAVE format tag
  uint16_t channels;
  uint32_t sampleRate;
  size_t fmtSize;
};

const ExportCase kExports[] = {
    {"pcm16_mono", "-f lavfi -i sine=f=440:sample_rate=8000:d=2 -c:a pcm_s16le", "pcm16.avi",
     0x0001, 1, 8000, 16},
    {"pcm8_stereo", "-f lavfi -i sine=f=300:sample_rate=11025:d=2 -ac 2 -c:a pcm_u8", "pcm8.avi",
     0x0001, 2, 11025, 16},
    {"mp3", "-f lavfi -i sine=f=440:sample_rate=22050:d=2 -c:a libmp3lame -b:a 32k", "mp3.avi",
     0x0055, 1, 22050, 30},
    {"aac_mp4", "-f lavfi -i sine=f=440:sample_rate=22050:d=2 -c:a aac -b:a 32k", "aac.mp4", 0x00FF,
     1, 22050, 0},
};

class ExportTest : public ::testing::TestWithParam<ExportCase> {};

// The WAV holds the source's audio bytes unchanged under the plain header:
// fmt (and for compressed audio a fact chunk), data, and nothing else.
TEST_P(ExportTest, CopiesTheStreamUnderAPlainHeader) {
  const ExportCase& c = GetParam();
  test::TempDir dir;
  const std::string video = dir.File(c.file);
  ASSERT_TRUE(Ffmpeg(std::string(kVideo) + " " + c.audio + " -shortest " + video));
  // The source's audio payload, read by the data muxer (raw packets).
  ASSERT_TRUE(Ffmpeg("-i " + video + " -map 0:a -c copy -f data " + dir.File("audio.raw")));
  const std::vector<uint8_t> payload = test::ReadBytes(dir.File("audio.raw"));
  ASSERT_FALSE(payload.empty());

  VideoFile file;
  ASSERT_EQ(file.Open(video), AVIERR_OK);
  EXPECT_EQ(file.HasAudioStream(), AVIERR_OK);
  std::vector<int> steps;
  const std::string wavPath = dir.File("out.wav");
  ASSERT_EQ(file.SaveAudioToWav(wavPath, [&](int p) { return steps.push_back(p), 0; }), AVIERR_OK);

  const std::vector<uint8_t> wav = test::ReadBytes(wavPath);
  const std::vector<WavChunk> chunks = WavChunks(wav);
  ASSERT_GE(chunks.size(), 2u) << "not a RIFF WAVE file";
  EXPECT_EQ(chunks.front().id, "fmt ");
  EXPECT_EQ(chunks.back().id, "data");
  for (const WavChunk& chunk : chunks)
    EXPECT_TRUE(chunk.id == "fmt " || chunk.id == "data" || chunk.id == "fact") << chunk.id;
  const std::vector<uint8_t>& fmt = chunks.front().data;
  ASSERT_GE(fmt.size(), 16u);
  if (c.fmtSize != 0) {
    EXPECT_EQ(fmt.size(), c.fmtSize);
  }
  EXPECT_EQ(LoadU16(&fmt[0]), c.tag);
  EXPECT_EQ(LoadU16(&fmt[2]), c.channels);
  EXPECT_EQ(LoadU32(&fmt[4]), c.sampleRate);
  EXPECT_EQ(chunks.back().data, payload);
  if (c.tag == 0x0001) {
    // PCM: the 44-byte header and nothing more.
    EXPECT_EQ(wav.size(), 44 + payload.size() + (payload.size() & 1));
    const uint16_t align = LoadU16(&fmt[12]);
    EXPECT_EQ(LoadU32(&fmt[8]), c.sampleRate * align);
  }

  ASSERT_FALSE(steps.empty());
  EXPECT_EQ(steps.front(), 0);
  EXPECT_EQ(steps.back(), 100);
  EXPECT_TRUE(std::is_sorted(steps.begin(), steps.end()));
  EXPECT_GT(steps.size(), 3u) << "progress came in too few steps";
  std::vector<std::string> files = {"audio.raw", c.file, "out.wav"};
  std::sort(files.begin(), files.end());
  EXPECT_EQ(dir.List(), files);
}

INSTANTIATE_TEST_SUITE_P(Audio, ExportTest, ::testing::ValuesIn(kExports),
                         [](const auto& info) { return std::string(info.param.name); });

// The audio test clip: a video with a two-second PCM track.
class AudioFailureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_video = m_dir.File("clip.avi");
    ASSERT_TRUE(Ffmpeg(std::string(kVideo) +
                       " -f lavfi -i sine=sample_rate=8000:d=2 -c:a pcm_s16le -shortest " +
                       m_video));
  }

  // Saves the audio of path into out.wav and returns the code; the folder
  // must afterwards hold exactly the files it held before.
  int32_t SaveExpectingNoNewFile(const std::string& path, const std::string& wav,
                                 const AudioExporter::Progress& progress = nullptr) {
    const std::vector<std::string> before = m_dir.List();
    VideoFile file;
    const int32_t opened = file.Open(path);
    if (opened != AVIERR_OK) return opened;
    const int32_t r = file.SaveAudioToWav(wav, progress);
    EXPECT_EQ(m_dir.List(), before) << "a file was left behind";
    return r;
  }

  test::TempDir m_dir;
  std::string m_video;
};

TEST_F(AudioFailureTest, VideoWithoutAudioHasNoData) {
  const std::string silent = m_dir.File("silent.avi");
  ASSERT_TRUE(Ffmpeg(std::string(kVideo) + " " + silent));
  VideoFile file;
  ASSERT_EQ(file.Open(silent), AVIERR_OK);
  EXPECT_EQ(file.HasAudioStream(), AVIERR_NODATA);
  EXPECT_EQ(SaveExpectingNoNewFile(silent, m_dir.File("out.wav")), AVIERR_NODATA);
}

TEST_F(AudioFailureTest, DestinationThatCannotBeCreated) {
  EXPECT_EQ(SaveExpectingNoNewFile(m_video, m_dir.File("no/such/folder/out.wav")), AVIERR_FILEOPEN);
  // A folder of that name is in the way.
  std::filesystem::create_directory(m_dir.File("taken.wav"));
  EXPECT_EQ(SaveExpectingNoNewFile(m_video, m_dir.File("taken.wav")), AVIERR_FILEOPEN);
  // A file stands where a folder should be.
  EXPECT_EQ(SaveExpectingNoNewFile(m_video, m_video + "/out.wav"), AVIERR_FILEOPEN);
  EXPECT_EQ(SaveExpectingNoNewFile(m_video, m_dir.Path() + "/"), AVIERR_FILEOPEN);
}

TEST_F(AudioFailureTest, AbortFromProgressLeavesNoFileAndKeepsAnOldOne) {
  for (int abortAt : {0, 1, 50, 100}) {
    SCOPED_TRACE(abortAt);
    int last = -1;
    EXPECT_EQ(SaveExpectingNoNewFile(m_video, m_dir.File("out.wav"),
                                     [&](int p) {
                                       last = p;
                                       return p >= abortAt ? 1 : 0;
                                     }),
              AVIERR_USERABORT);
    EXPECT_GE(last, abortAt);
  }
  // An earlier WAV of that name stays as it was.
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  test::WriteBytes(m_dir.File("out.wav"), old);
  EXPECT_EQ(SaveExpectingNoNewFile(m_video, m_dir.File("out.wav"), [](int) { return 1; }),
            AVIERR_USERABORT);
  EXPECT_EQ(test::ReadBytes(m_dir.File("out.wav")), old);
  // and is replaced by a save that succeeds.
  VideoFile file;
  ASSERT_EQ(file.Open(m_video), AVIERR_OK);
  ASSERT_EQ(file.SaveAudioToWav(m_dir.File("out.wav"), nullptr), AVIERR_OK);
  EXPECT_GT(test::ReadBytes(m_dir.File("out.wav")).size(), 32000u);
}

// Broken AVI audio headers give the converter's own codes.
TEST_F(AudioFailureTest, BrokenAudioHeaders) {
  std::vector<uint8_t> rate0 = test::ReadBytes(m_video);
  ASSERT_TRUE(test::PatchStrh(rate0, "auds", test::kStrhRate, 0));
  test::WriteBytes(m_dir.File("rate0.avi"), rate0);
  EXPECT_EQ(SaveExpectingNoNewFile(m_dir.File("rate0.avi"), m_dir.File("out.wav")),
            AVIERR_START_NOT_FOUND);

  // The audio stream's 'strf' emptied: its bytes become a JUNK chunk.
  std::vector<uint8_t> empty = test::ReadBytes(m_video);
  const size_t auds = test::FindChunk(empty, "auds");
  const size_t strf = test::FindChunk(empty, "strf", auds);
  ASSERT_NE(strf, std::string::npos);
  const uint32_t size = LoadU32(&empty[strf - 4]);
  ASSERT_GE(size, 16u);
  StoreU32(&empty[strf - 4], 0);
  std::memcpy(&empty[strf], "JUNK", 4);
  StoreU32(&empty[strf + 4], size - 8);
  test::WriteBytes(m_dir.File("strf0.avi"), empty);
  VideoFile file;
  ASSERT_EQ(file.Open(m_dir.File("strf0.avi")), AVIERR_OK);
  EXPECT_EQ(file.HasAudioStream(), AVIERR_OK);
  EXPECT_EQ(SaveExpectingNoNewFile(m_dir.File("strf0.avi"), m_dir.File("out.wav")),
            AVIERR_FORMAT_SIZE_ZERO);
}

TEST_F(AudioFailureTest, CodecsAWavCannotHold) {
  for (const char* c : {"-c:a libopus clip.mkv", "-c:a pcm_s16be clip.mov"}) {
    SCOPED_TRACE(c);
    const std::string args = c;
    const std::string path = m_dir.File(args.substr(args.rfind(' ') + 1));
    ASSERT_TRUE(Ffmpeg(std::string(kVideo) + " -f lavfi -i sine=sample_rate=48000:d=1 -shortest " +
                       args.substr(0, args.rfind(' ')) + " " + path));
    EXPECT_EQ(SaveExpectingNoNewFile(path, m_dir.File("out.wav")), AVIERR_UNSUPPORTED);
  }
}

// A write that fails part way (here: the file size limit) is a write error
// and leaves nothing behind. Run in a child process, which may lower its
// own limit.
TEST_F(AudioFailureTest, WriteErrorLeavesNoFile) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{4096, 4096};
    ::setrlimit(RLIMIT_FSIZE, &limit);
    VideoFile file;
    int32_t r = file.Open(m_video);
    if (r == AVIERR_OK) r = file.SaveAudioToWav(m_dir.File("out.wav"), nullptr);
    (void)!::write(pipeFds[1], &r, sizeof r);
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  int32_t result = 0;
  ASSERT_EQ(::read(pipeFds[0], &result, sizeof result), ssize_t(sizeof result));
  ::close(pipeFds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  EXPECT_EQ(result, AVIERR_FILEWRITE);
  EXPECT_EQ(m_dir.List(), std::vector<std::string>{"clip.avi"});
}

// Saving the audio does not move the video's frame position.
TEST_F(AudioFailureTest, FramesGoOnAfterTheAudioIsSaved) {
  VideoFile a;
  VideoFile b;
  ASSERT_EQ(a.Open(m_video), AVIERR_OK);
  ASSERT_EQ(b.Open(m_video), AVIERR_OK);
  Bitmap fa;
  Bitmap fb;
  ASSERT_TRUE(a.GetFrame(3, fa));
  ASSERT_EQ(a.SaveAudioToWav(m_dir.File("out.wav"), nullptr), AVIERR_OK);
  for (int64_t n = 4; n < 8; ++n) {
    ASSERT_TRUE(a.GetFrame(n, fa));
    ASSERT_TRUE(b.GetFrame(n, fb));
    EXPECT_TRUE(std::equal(fa.Bits(), fa.Bits() + fa.ImageSize(), fb.Bits()));
  }
}

TEST(AudioExportTest, MemoryOpenedVideoSavesItsAudio) {
  test::TempDir dir;
  const std::string video = dir.File("clip.avi");
  ASSERT_TRUE(Ffmpeg(std::string(kVideo) +
                     " -f lavfi -i sine=sample_rate=8000:d=1 -c:a pcm_s16le -shortest " + video));
  VideoFile file;
  ASSERT_EQ(file.OpenMemory(test::ReadBytes(video)), AVIERR_OK);
  ASSERT_EQ(file.SaveAudioToWav(dir.File("out.wav"), nullptr), AVIERR_OK);
  const std::vector<WavChunk> chunks = WavChunks(test::ReadBytes(dir.File("out.wav")));
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[1].data, Concat(test::MoviChunks(test::ReadBytes(video), "01wb")));
}

}  // namespace
}  // namespace q9::platform
