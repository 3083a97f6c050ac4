#include "convert/file_converter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <tuple>

#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "convert/text_util.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

namespace pf = platform;
namespace ptest = platform::test;
using Message = RecordingHost::Message;
using Types = std::vector<uint32_t>;
using Names = std::vector<std::string>;

const pf::SignGeometry kSign{8, 16, pf::Q9_RGB16MB};
const std::string kImages = std::string(Q9_TEST_DATA_DIR) + "/images/";
const uint32_t kHdr = pf::kFrameSequenceHeader, kGrp = pf::kFrameGraphics, kEnd = pf::kFrameEnd;

const Message kNoFrame = OkBox("Could not add frame!");
Message Ask(const std::string& name) {
  return {"An error was encountered converting file \"" + name +
              "\".\nDo you wish to continue with conversion?",
          kAppTitle, MessageButtons::YesNo, MessageIcon::Exclamation};
}

void FillToLimit(pf::CQ9SequenceFile& seq) {
  while (seq.AddFrame(kEnd, -1) >= 0) {
  }
}

class FileConverterTest : public ::testing::Test {
 protected:
  int Convert(const std::string& source, const std::string& dest, int index = 0) {
    return conv.ConvertFile(source, dest, kSign.rows, kSign.columns, kSign.colorType, index);
  }
  void Reset() {
    host = RecordingHost();
    media.cancelRequested = false;
  }

  ptest::TempDir dir;
  RecordingHost host;
  SourceMedia media{&host};
  FileConverter conv{media, &host};
  const std::string clip = ptest::Clip("mjpeg25.avi");  // frames 1 to 9, colour k in frame k
  const std::string out = dir.File("out.sq9");
};

TEST_F(FileConverterTest, VideoFrameKBecomesGraphicsFrameK) {
  ASSERT_EQ(Convert(clip, out, 3), kConvertGoOn);
  const pf::Sq9Contents c = ReadSequence(out);
  ASSERT_EQ(c.frames.size(), 10u);
  const pf::BulbLayout layout = pf::MakeBulbLayout(kSign.rows, kSign.columns, kSign.colorType);
  for (int k = 1; k <= 9; ++k) {
    pf::BulbPixel p;  // frame k is (8k, 255 - 8k, 128)
    pf::GetBulbPixel(layout, 4, 8, c.frames[k].bulbs.data(), p);
    EXPECT_TRUE(std::abs(p.red - 8 * k) <= 3 && std::abs(p.green - 255 + 8 * k) <= 3 &&
                std::abs(p.blue - 128) <= 3)
        << k;
    EXPECT_EQ(std::tuple(c.frames[k].typeCode, pf::LoadU32(&c.frames[k].record[34])),
              std::tuple(kGrp, 120u / 25));
  }
  EXPECT_EQ(host.steps.size(), 10u);
  EXPECT_EQ(host.steps.back(), (RecordingHost::Step{3, 9}));
  EXPECT_EQ(host.statusTexts, Names{"Saving Sequence File..."});
  EXPECT_EQ(conv.LastOutcome().framesWritten, 9u);

  // One frame long: the last frame number is 0, so frame 0 alone is saved.
  const std::string one = dir.File("one.avi");
  ASSERT_TRUE(ptest::Ffmpeg(ptest::ColourCountInput("64x48", "25", 1) + " -c:v mjpeg " + one));
  EXPECT_EQ(Convert(one, out), kConvertGoOn);
  EXPECT_EQ(ReadSequence(out).frames.size(), 1u);
}

TEST_F(FileConverterTest, CancelLeavesNoSequenceAndARefusedFrameEndsTheVideo) {
  // Step 1 comes before frame 1, step k + 1 with frame k; frame 9 is the last.
  for (auto [step, result] : {std::pair{1, 2}, {10, 0}}) {
    Reset();
    host.CancelAtStep(media, size_t(step));
    EXPECT_EQ(Convert(clip, out), result) << step;
    EXPECT_EQ(host.steps.size(), size_t(step));
    EXPECT_TRUE(dir.List().empty()) << step;  // no sequence, no temporary file
    EXPECT_EQ(conv.LastOutcome().kind, FileOutcome::kCancelled);
  }
  // The frames before the refused one are kept.
  Reset();
  host.onStep = [&](size_t k) {
    if (k == 2) FillToLimit(media.Destinations().Destination());
  };
  host.answers = {MessageAnswer::Ok, MessageAnswer::No};
  EXPECT_EQ(Convert(clip, out), kConvertStop);
  EXPECT_EQ(host.messages, (std::vector{kNoFrame, Ask("mjpeg25.avi")}));
  const pf::Sq9Contents c = ReadSequence(out);
  EXPECT_EQ(c.frames.size(), 65535u);
  EXPECT_EQ(TypeCodes(c, 3), (Types{kHdr, kGrp, kEnd}));
}

TEST_F(FileConverterTest, StillsGoToTheirOwnOrTheSharedSequence) {
  ASSERT_EQ(Convert(kImages + "quad.bmp", out, 2), kConvertGoOn);
  const pf::Sq9Contents c = ReadSequence(out);
  EXPECT_EQ(TypeCodes(c), (Types{kHdr, kGrp}));
  EXPECT_EQ(c.frames[1].bulbs, media.BulbBuffer());
  EXPECT_EQ(host.steps, (std::vector<RecordingHost::Step>{{0, 0}, {2, 1}, {2, 2}}));

  DestinationSequences& d = media.Destinations();
  ASSERT_TRUE(d.OpenStillSequence(dir.File("stills.sq9"), kSign, &host));
  for (int i = 0; i < 3; ++i) d.StillSequence().AddFrame(kEnd, -1);
  EXPECT_EQ(Convert(kImages + "quad.bmp", dir.File("a.sq9"), 0), kConvertGoOn);  // appended
  EXPECT_EQ(Convert(kImages + "quad.tga", dir.File("b.sq9"), 1), kConvertGoOn);  // at 1 + 1
  FillToLimit(d.StillSequence());
  EXPECT_EQ(Convert(kImages + "quad.jpg", dir.File("c.sq9"), 2), kConvertGoOn);  // no question
  EXPECT_EQ(host.messages, std::vector{kNoFrame});
  EXPECT_EQ(conv.LastOutcome().kind, FileOutcome::kFailed);
  d.CloseStillSequence();
  EXPECT_EQ(dir.List(), (Names{"out.sq9", "stills.sq9"}));
  EXPECT_EQ(TypeCodes(ReadSequence(dir.File("stills.sq9")), 7),
            (Types{kHdr, kEnd, kGrp, kEnd, kEnd, kGrp, kEnd}));
}

TEST_F(FileConverterTest, OldSequencesAreTranslatedFrameByFrame) {
  pf::CQ8SeqWriter writer;
  ASSERT_TRUE(writer.Create(4, 8, pf::Q9_MONO1));
  const std::vector<uint8_t> record(pf::kQ8RecordSize, 7), bulbs(writer.BulbSize(), 0x5A);
  for (unsigned kind : {1, 2, 4, 6, 7})  // bulbs for graphics and data
    ASSERT_TRUE(writer.AddFrame(kind, record,
                                std::span(bulbs).first(kind == 4 || kind == 6 ? bulbs.size() : 0)));
  ASSERT_TRUE(writer.Write(dir.File("old.seq")));
  ASSERT_EQ(Convert(dir.File("old.seq"), out, 1), kConvertGoOn);
  EXPECT_EQ(host.steps.back(), (RecordingHost::Step{1, 5}));
  const pf::Sq9Contents c = ReadSequence(out);
  EXPECT_NE(c.frames[3].bulbs, std::vector<uint8_t>(pf::BulbDataSize(8, 16, kSign.colorType), 0));
  EXPECT_EQ(TypeCodes(c),
            (Types{kHdr, kEnd, pf::kFrameInclude, kGrp, pf::kFrameData, pf::kFrameTransmitData}));

  // One that cannot be opened gives frame 0 alone, saved, and no question.
  Reset();
  ptest::WriteBytes(dir.File("junk.seq"), {'j', 'u', 'n', 'k'});
  EXPECT_EQ(conv.ConvertOldSequence(dir.File("junk.seq"), out, 0), kConvertGoOn);
  EXPECT_EQ(ReadSequence(out).frames.size(), 1u);
  EXPECT_EQ(host.messages, std::vector{OkBox("Error encountered")});
}

TEST_F(FileConverterTest, ErrorsAreToldAndTheUserDecides) {
  const std::string missing = dir.File("no/out.sq9"), gone = dir.File("gone.sq9");
  const std::string preview = dir.File("preview.sq9"), still = kImages + "quad.bmp";
  pf::CQ9SequenceFile seq;
  ASSERT_NE(seq.OpenCreate(preview.c_str(), 8, 16, 0, 1), 0);
  seq.SetPreviewOnly(true);
  ASSERT_NE(seq.Save(), 0);
  const auto previewBytes = ptest::ReadBytes(preview);
  using A = MessageAnswer;
  const struct {
    std::string source, dest, told;
    A answer;  // to the question whether to go on, when it comes
    int result;
  } cases[] = {
      {kImages + "junk.cmp", out,
       "Unknown file type encountered with " + kImages + "junk.cmp!\nNo conversion performed.",
       A::Yes, 1},
      {still, missing, "Unable to Open 9100 Sequence " + missing + "!", A::No, 1},
      {still, missing, "Unable to Open 9100 Sequence " + missing + "!", A::Yes, 0},
      {still, preview, "Cannot convert a preview only sequence.", A::Yes, 0},
      // A folder takes the destination's name before the save.
      {clip, gone, "Unable to save 9100 Sequence " + gone + "!", A::No, 1},
  };
  for (const auto& c : cases) {
    Reset();
    host.answers = {A::Ok, c.answer};
    host.onStep = [&](size_t k) {
      if (k == 2 && c.dest == gone) std::filesystem::create_directories(gone + "/x");
    };
    EXPECT_EQ(Convert(c.source, c.dest), c.result) << c.dest;
    std::vector<Message> told{OkBox(c.told, MessageIcon::Exclamation)};
    if (c.dest != out) told.push_back(Ask(std::string(FileNameOf(c.source))));
    EXPECT_EQ(host.messages, told);
    EXPECT_EQ(conv.LastOutcome().kind,
              c.dest == out ? FileOutcome::kUnknownKind : FileOutcome::kFailed);
  }
  EXPECT_EQ(dir.List(), (Names{"gone.sq9", "preview.sq9"}));
  EXPECT_EQ(ptest::ReadBytes(preview), previewBytes);
}

}  // namespace
}  // namespace q9::convert
