#include "convert/audio_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "convert/file_converter.h"
#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

namespace pf = platform;
namespace ptest = platform::test;
using Message = RecordingHost::Message;

Message Stop(const std::string& text) {
  return OkBox(text, MessageIcon::Stop);
}
std::string Unable(const std::string& reason) {
  return "Unable to save the audio from this AVI.\n\nReason: " + reason + ".";
}
const std::string kNoTxd = "\n\nSince the audio cannot be saved, a TXD frame will not be added.";

TEST(AudioExportTest, EveryCodeIsToldInWords) {
  const std::pair<uint32_t, const char*> cases[] = {
      {0x80044065, "The audio is in an unsupported format"},
      {0x80044066, "The audio is in a bad format"},
      {0x80044067, "There is not enough memory available to perform the operation"},
      {0x80044068, "An internal error has occurred"},
      {0x80044069, "Bad flags passed"},
      {0x8004406A, "Bad parameter passed"},
      {0x8004406B, "Bad size passed"},
      {0x8004406C, "Bad handle passed"},
      {0x8004406D, "An error occurred while reading the file"},
      {0x8004406E, "An error occurred while writing the file"},
      {0x8004406F, "An error occurred while opening the file"},
      {0x80044070, "A compressor error occurred"},
      {0x80044071, "No compressor was found"},
      {0x80044072, "The file is read only"},
      {0x80044073, "No audio data was found"},
      {0x80044074, "The buffer is too small"},
      {0x80044075, "Can't compress"},
      {0x800440C6, "The user aborted the operation"},
      {uint32_t(-1), "Could not find the start position of the audio stream"},
      {uint32_t(-2), "The audio format has a size of zero"},
      {0x80044076, "Unknown"},
      {0, "Unknown"}};
  RecordingHost host;
  SourceMedia media;
  AudioExport exporter(media, &host);
  for (const auto& [code, reason] : cases) {
    host.messages.clear();
    media.AddTxdFlag = 0;
    exporter.ReportAviError(int32_t(code));
    media.AddTxdFlag = 1;  // then the missing TXD frame is told, and the flag cleared
    exporter.ReportAviError(int32_t(code));
    EXPECT_EQ(host.messages, (std::vector{Stop(Unable(reason)), Stop(Unable(reason) + kNoTxd)}));
    EXPECT_EQ(media.AddTxdFlag, 0);
  }
}

TEST(AudioExportTest, TheAudioIsCopiedToALowerCaseNameInATxdFrameAfterFrameZero) {
  ptest::TempDir dir;
  const std::string folder = dir.File("Clips"), video = folder + "/Intro.AVI";
  std::filesystem::create_directory(folder);
  ASSERT_TRUE(
      ptest::Ffmpeg("-f lavfi -i color=gray:s=64x48:r=25:d=0.4 -f lavfi -i "
                    "sine=sample_rate=8000:d=0.4 -c:v mjpeg -c:a pcm_s16le -shortest " +
                    video));
  RecordingHost host;
  SourceMedia media(&host);
  media.SaveAudioFlag = media.AddTxdFlag = 1;
  FileConverter conv(media, &host);
  ASSERT_EQ(conv.ConvertFile(video, dir.File("out.sq9"), 8, 16, pf::Q9_RGB16MB, 0), 0);
  EXPECT_TRUE(host.messages.empty());
  EXPECT_EQ(media.WavPath, folder);  // the source directory, for the files that follow

  // Copied as it is: the data chunk holds the AVI's audio chunks.
  const std::string wav = folder + "/intro.wav";
  std::vector<uint8_t> audio, wavBytes = ptest::ReadBytes(wav);
  for (const auto& chunk : ptest::MoviChunks(ptest::ReadBytes(video), "01wb"))
    audio.insert(audio.end(), chunk.begin(), chunk.end());
  const size_t data = ptest::FindChunk(wavBytes, "data");
  ASSERT_NE(data, std::string::npos);
  EXPECT_EQ(std::vector<uint8_t>(wavBytes.begin() + std::ptrdiff_t(data), wavBytes.end()), audio);

  const pf::Sq9Contents c = ReadSequence(dir.File("out.sq9"));
  ASSERT_EQ(c.frames.size(), 11u);  // frame 0, the TXD frame, video frames 1 to 9
  pf::tag_Q9_TXD_FRM t;
  std::copy(c.frames[1].record.begin(), c.frames[1].record.end(), t.bytes);
  EXPECT_EQ(
      std::tuple(c.frames[1].typeCode, t.Text(), t.U16(t.kTextLength), t.Name(), t.U32(t.kKind)),
      std::tuple(pf::kFrameTransmitData, wav, wav.size(), wav.substr(0, 16), 1u));
  EXPECT_EQ(host.statusTexts.front(), "Saving audio: 00% complete.");
  EXPECT_EQ(host.statusTexts.end()[-2], "Saving audio: 100% complete.");

  // A video without audio: told, no wave file, and the frames still saved.
  host.messages.clear();
  const std::string silent = ptest::Clip("mjpeg25.avi");
  EXPECT_EQ(conv.ConvertFile(silent, dir.File("silent.sq9"), 8, 16, 0, 0), 0);
  EXPECT_EQ(host.messages, std::vector{Stop(Unable("No audio data was found") + kNoTxd)});
  EXPECT_FALSE(std::filesystem::exists(silent.substr(0, silent.size() - 3) + "wav"));
  EXPECT_EQ(std::tuple(conv.LastOutcome().kind, conv.LastOutcome().framesWritten),
            std::tuple(FileOutcome::kFailed, 9u));

  // A path the TXD frame cannot hold.
  host.messages.clear();
  AudioExport exporter(media, &host);
  DestinationSequences& d = media.Destinations();
  ASSERT_EQ(d.OpenDestination(dir.File("txd.sq9"), {8, 16, 0}, &host), 1);
  EXPECT_FALSE(exporter.AddTxdFrame(std::string(256, 'a')));
  EXPECT_TRUE(exporter.AddTxdFrame(std::string(255, 'a')));
  EXPECT_EQ(host.messages,
            std::vector{Stop("An error has occured. The TXD frame cannot be added.")});
}

}  // namespace
}  // namespace q9::convert
