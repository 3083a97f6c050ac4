#include "convert/audio_export.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/file_converter.h"
#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

namespace pf = platform;
namespace ptest = platform::test;
using Message = RecordingHost::Message;

Message Stop(const std::string& text) {
  return {text, kAppTitle, MessageButtons::Ok, MessageIcon::Stop};
}
std::string Unable(const std::string& reason) {
  return "Unable to save the audio from this AVI.\n\nReason: " + reason + ".";
}
const std::string kNoTxd = "\n\nSince the audio cannot be saved, a TXD frame will not be added.";

TEST(AudioExportTest, EveryCodeIsToldInWords) {
  // 0x80044065 to 0x80044075 in order, then 0x800440C6, -1, -2 and two unknown codes.
  const std::vector<std::string> reasons = {
      "The audio is in an unsupported format",
      "The audio is in a bad format",
      "There is not enough memory available to perform the operation",
      "An internal error has occurred",
      "Bad flags passed",
      "Bad parameter passed",
      "Bad size passed",
      "Bad handle passed",
      "An error occurred while reading the file",
      "An error occurred while writing the file",
      "An error occurred while opening the file",
      "A compressor error occurred",
      "No compressor was found",
      "The file is read only",
      "No audio data was found",
      "The buffer is too small",
      "Can't compress",
      "The user aborted the operation",
      "Could not find the start position of the audio stream",
      "The audio format has a size of zero",
      "Unknown",
      "Unknown"};
  std::vector<int32_t> codes;
  for (uint32_t c = 0x80044065; c <= 0x80044075; ++c) codes.push_back(int32_t(c));
  codes.insert(codes.end(), {int32_t(0x800440C6), -1, -2, int32_t(0x80044076), 0});
  RecordingHost host;
  SourceMedia media;
  AudioExport audio(media, &host);
  for (size_t i = 0; i < codes.size(); ++i) {
    host.messages.clear();
    media.AddTxdFlag = 0;
    audio.ReportAviError(codes[i]);
    media.AddTxdFlag = 1;
    audio.ReportAviError(codes[i]);
    EXPECT_EQ(host.messages,
              (std::vector{Stop(Unable(reasons[i])), Stop(Unable(reasons[i]) + kNoTxd)}));
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

  pf::Sq9Contents c;
  std::string error;
  ASSERT_TRUE(pf::ReadSq9File(dir.File("out.sq9"), c, error)) << error;
  ASSERT_EQ(c.frames.size(), 11u);  // frame 0, the TXD frame, video frames 1 to 9
  ASSERT_EQ(c.frames[1].typeCode, pf::kFrameTransmitData);
  pf::tag_Q9_TXD_FRM t;
  std::copy(c.frames[1].record.begin(), c.frames[1].record.end(), t.bytes);
  EXPECT_EQ(t.Text(), wav);
  EXPECT_EQ(t.U16(t.kTextLength), wav.size());
  EXPECT_EQ(t.Name(), wav.substr(0, 16));
  EXPECT_EQ(t.U32(t.kKind), 1u);
  EXPECT_EQ(host.statusTexts.front(), "Saving audio: 00% complete.");
  EXPECT_EQ(host.statusTexts.end()[-2], "Saving audio: 100% complete.");
  EXPECT_EQ(host.statusTexts.back(), "Saving Sequence File...");
}

TEST(AudioExportTest, FailuresAreToldAndTheFramesStillSaved) {
  ptest::TempDir dir;
  RecordingHost host;
  SourceMedia media(&host);
  media.SaveAudioFlag = media.AddTxdFlag = 1;
  media.WavPath = dir.Path();
  FileConverter conv(media, &host);
  EXPECT_EQ(conv.ConvertFile(ptest::Clip("mjpeg25.avi"), dir.File("out.sq9"), 8, 16, 0, 0), 0);
  EXPECT_EQ(host.messages, std::vector{Stop(Unable("No audio data was found") + kNoTxd)});
  EXPECT_EQ(dir.List(), std::vector<std::string>{"out.sq9"});
  EXPECT_EQ(conv.LastOutcome().kind, FileOutcome::kFailed);
  EXPECT_EQ(conv.LastOutcome().framesWritten, 9u);

  // A TXD frame the sequence cannot take, or whose path it cannot hold.
  host.messages.clear();
  AudioExport audio(media, &host);
  DestinationSequences& d = media.Destinations();
  ASSERT_EQ(d.OpenDestination(dir.File("txd.sq9"), {8, 16, 0}, &host), 1);
  EXPECT_FALSE(audio.AddTxdFrame(std::string(256, 'a')));
  EXPECT_TRUE(audio.AddTxdFrame(std::string(255, 'a')));
  while (d.Destination().AddFrame(pf::kFrameEnd, -1) >= 0) {
  }
  EXPECT_FALSE(audio.AddTxdFrame("/a.wav"));
  const Message failed = Stop("An error has occured. The TXD frame cannot be added.");
  EXPECT_EQ(host.messages, (std::vector{failed, failed}));
}

}  // namespace
}  // namespace q9::convert
