#include "convert/conversion_batch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/seq_writer.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

namespace fs = std::filesystem;
namespace ptest = platform::test;
using Message = RecordingHost::Message;

TEST(ConversionBatchNames, StillSequenceAndDestinationNames) {
  const std::pair<const char*, const char*> stills[] = {
      {"Stills", "StillsSQ9"},  {"Stills.bmp", "Stills.SQ9"}, {"x.sq9", "x.sq9"},
      {"", "STILL_IMAGES.SQ9"}, {"a.b.c", "a.b.SQ9"},         {".", ".SQ9"}};
  for (const auto& [name, expected] : stills)
    EXPECT_EQ(ConversionBatch::NormaliseStillSequenceName(name), expected) << name;
  const std::pair<const char*, const char*> files[] = {
      {"clip.avi", "clip.SQ9"}, {"CLIP.AVI", "CLIP.SQ9"}, {".avi", ".SQ9"}, {"ab", "abSQ9"}};
  for (const auto& [name, expected] : files)
    EXPECT_EQ(ConversionBatch::DestinationNameFor(name), expected) << name;
}

class ConversionBatchTest : public ::testing::Test {
 protected:
  ConversionBatchTest() {
    m_batch.SetSourceDirectory(m_in.Path());
    m_batch.SetDestinationDirectory(m_out.Path());
    m_batch.SetGeometry({4, 8, platform::Q9_RGB16MB});
  }
  void Stills(std::initializer_list<const char*> names) {
    for (const char* name : names)
      fs::copy_file(Q9_TEST_DATA_DIR "/images/quad.bmp", m_in.File(name));
  }
  size_t Frames(const std::string& name) const {
    platform::Sq9Contents contents;
    std::string error;
    return platform::ReadSq9File(m_out.File(name), contents, error) ? contents.frames.size() : 0;
  }
  BatchSummary Run(std::vector<std::string> names) {
    m_batch.SetMarkedNames(std::move(names));
    return m_batch.Run();
  }

  ptest::TempDir m_in, m_out;
  RecordingHost m_host;
  SourceMedia m_media{&m_host};
  ConversionBatch m_batch{m_media, m_host};
};

TEST_F(ConversionBatchTest, CountsUnitsByKind) {
  platform::CQ8SeqWriter old;
  ASSERT_TRUE(old.Create(4, 8, platform::Q9_MONO1));
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(old.AddFrame(platform::kQ8FrameGraphics, {}, {}));
  ASSERT_TRUE(old.Write(m_in.File("three.seq")));
  ptest::WriteBytes(m_in.File("text.seq"), {'n', 'o'});
  ptest::WriteBytes(m_in.File("text.avi"), {'n', 'o'});
  const std::pair<std::string, unsigned> cases[] = {
      {ptest::Clip("start5.avi"), 14}, {m_in.File("three.seq"), 3}, {m_in.File("text.seq"), 0},
      {m_in.File("text.avi"), 0},      {m_in.File("any.BMP"), 1},   {m_in.File("note.msg"), 0}};
  for (const auto& [path, units] : cases)
    EXPECT_EQ(ConversionBatch::CountSourceFrames(path), units) << path;
}

TEST_F(ConversionBatchTest, EachRunRestartsTheOverallBarAndNoFileConvertsNothing) {
  EXPECT_EQ(Run({}).handedOver, 0u);
  EXPECT_TRUE(m_host.messages.empty());  // no "Conversion Complete!"
  Stills({"a.bmp"});
  m_media.cancelRequested = true;  // left from an earlier run
  EXPECT_EQ(Run({"a.bmp", "a.bmp"}).converted, 2u);
  EXPECT_EQ(m_host.overallRanges, (std::vector<unsigned>{0, 2}));
}

TEST_F(ConversionBatchTest, UnknownFilesStopOrAreReportedByPolicy) {
  Stills({"a.bmp", "c.bmp"});
  ptest::WriteBytes(m_in.File("b.msg"), {'h', 'i'});
  const Message unknown{
      "Unknown file type encountered with " + m_in.File("b.msg") + "!\nNo conversion performed.",
      kAppTitle, MessageButtons::Ok, MessageIcon::Exclamation};
  const Message complete{"Conversion Complete!", "Convert", MessageButtons::Ok,
                         MessageIcon::Information};
  const std::pair<BatchPolicy, std::vector<Message>> cases[] = {
      {BatchPolicy::Dialog(), {}},
      {BatchPolicy::Unattended(false), {unknown, complete}},
      {BatchPolicy::Unattended(true), {unknown}}};
  for (const auto& [policy, messages] : cases) {
    fs::remove(m_out.File("a.SQ9")), fs::remove(m_out.File("c.SQ9"));
    m_host.messages.clear();
    m_batch.SetPolicy(policy);
    const BatchSummary s = Run({"a.bmp", "b.msg", "c.bmp"});
    const bool wentOn = messages.size() == 2;
    EXPECT_EQ(m_out.List().size(), wentOn ? 2u : 1u);  // a.SQ9, and c.SQ9 when it went on
    EXPECT_EQ(s.unknown, 1u);
    EXPECT_EQ(s.stopped, !wentOn);
    EXPECT_EQ(m_host.messages, messages);
  }
}

TEST_F(ConversionBatchTest, StillsShareOneSequenceWhoseOverwriteIsDecidedOnce) {
  Stills({"a.bmp", "b.bmp", "c.bmp"});
  m_batch.SetStillImagesOptions(true, "Stills.bmp");
  Run({"a.bmp", "b.bmp", "c.bmp"});
  EXPECT_EQ(Frames("Stills.SQ9"), 4u);
  EXPECT_TRUE(m_host.overwriteQuestions.empty());

  // The dialog opens the sequence before asking: No skips only the first
  // image. The unattended run asks first: No keeps the file as it is.
  for (const bool unattended : {false, true}) {
    ptest::WriteBytes(m_out.File("Stills.SQ9"), {'o', 'l', 'd'});
    m_host.overwriteQuestions.clear();
    m_host.overwriteAnswers = {{false, false}};
    m_batch.SetPolicy(unattended ? BatchPolicy::Unattended(false) : BatchPolicy::Dialog());
    EXPECT_EQ(Run({"a.bmp", "b.bmp", "c.bmp"}).skipped, unattended ? 3u : 1u);
    EXPECT_EQ(m_host.overwriteQuestions,
              std::vector<std::string>{"The file \"Stills.SQ9\" already exists. Overwrite?"});
    EXPECT_EQ(Frames("Stills.SQ9"), unattended ? 0u : 3u);
    EXPECT_EQ(ptest::ReadBytes(m_out.File("Stills.SQ9")).size() == 3, unattended);  // kept
  }
}

TEST_F(ConversionBatchTest, ApplyToAllStopsOnNoAndOverwritesOnYes) {
  Stills({"a.bmp", "b.bmp", "c.bmp"});
  for (const bool yes : {false, true}) {
    for (const char* name : {"a.SQ9", "b.SQ9", "c.SQ9"}) ptest::WriteBytes(m_out.File(name), {'o'});
    m_host.overwriteQuestions.clear();
    m_host.overwriteAnswers = {{yes, true}};
    const BatchSummary s = Run({"a.bmp", "b.bmp", "c.bmp"});
    EXPECT_EQ(m_host.overwriteQuestions.size(), 1u);
    EXPECT_EQ(s.converted, yes ? 3u : 0u);
    EXPECT_EQ(s.stopped, !yes);
    EXPECT_TRUE(m_batch.OverwriteAll());
    EXPECT_EQ(Frames("c.SQ9"), yes ? 2u : 0u);
  }
}

}  // namespace
}  // namespace q9::convert
