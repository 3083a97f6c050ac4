#include "convert/conversion_batch.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "convert/source_media.h"
#include "convert/testing/recording_host.h"
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
  const std::pair<const char*, const char*> files[] = {{"clip.avi", "clip.SQ9"}, {"ab", "abSQ9"}};
  for (const auto& [name, expected] : files)
    EXPECT_EQ(ConversionBatch::DestinationNameFor(name), expected) << name;
}

// The overall bar counts the frames each file will step through.
TEST(ConversionBatchCount, ProgressUnitsOfEachKindOfFile) {
  ptest::TempDir dir;
  const std::vector<uint8_t> clip = ptest::ReadBytes(ptest::Clip("mjpeg25.avi"));
  const struct {
    const char* name;
    uint32_t start, length;  // patched into a copy of mjpeg25.avi; length 0 says no frames
    unsigned units;
  } videos[] = {{"ten.avi", 0, 10, 9},
                {"late.avi", 5, 10, 14},
                {"one.avi", 0, 1, 0},
                {"none.avi", 0, 0, 0},
                {"none-late.avi", 5, 0, 0}};
  for (const auto& v : videos) {
    std::vector<uint8_t> bytes = clip;
    ASSERT_TRUE(ptest::PatchStrh(bytes, "vids", ptest::kStrhStart, v.start));
    ASSERT_TRUE(ptest::PatchStrh(bytes, "vids", ptest::kStrhLength, v.length));
    ptest::WriteBytes(dir.File(v.name), bytes);
    EXPECT_EQ(ConversionBatch::CountSourceFrames(dir.File(v.name)), v.units) << v.name;
  }
  ptest::WriteBytes(dir.File("noise.avi"), std::vector<uint8_t>(64, 0x5A));
  const std::pair<std::string, unsigned> others[] = {{Q9_TEST_DATA_DIR "/images/quad.bmp", 1},
                                                     {dir.File("noise.avi"), 0},
                                                     {dir.File("missing.avi"), 0}};
  for (const auto& [path, units] : others)
    EXPECT_EQ(ConversionBatch::CountSourceFrames(path), units) << path;
  // An added video extension counts every frame, from 1; without it an
  // mp4 is no video.
  const auto mp4 = *VideoExtensions::Parse("mp4");
  EXPECT_EQ(ConversionBatch::CountSourceFrames(ptest::Clip("h264b.mp4"), mp4), 12u);
  EXPECT_EQ(ConversionBatch::CountSourceFrames(ptest::Clip("h264b.mp4")), 0u);  // not listed
}

class ConversionBatchTest : public ::testing::Test {
 protected:
  ConversionBatchTest() {
    m_batch.SetSourceDirectory(m_in.Path());
    m_batch.SetDestinationDirectory(m_out.Path());
    m_batch.SetGeometry({4, 8, platform::Q9_RGB16MB});
    for (const char* name : {"a.bmp", "b.bmp", "c.bmp"})
      fs::copy_file(Q9_TEST_DATA_DIR "/images/quad.bmp", m_in.File(name));
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

TEST_F(ConversionBatchTest, EachRunRestartsTheOverallBarAndNoFileConvertsNothing) {
  EXPECT_EQ(Run({}).handedOver, 0u);
  EXPECT_TRUE(m_host.messages.empty());  // no "Conversion Complete!"
  m_media.cancelRequested = true;        // left from an earlier run
  EXPECT_EQ(Run({"a.bmp", "a.bmp"}).converted, 2u);
  EXPECT_EQ(m_host.overallRanges, (std::vector<unsigned>{0, 2}));
}

TEST_F(ConversionBatchTest, UnknownFilesStopOrAreReportedByPolicy) {
  ptest::WriteBytes(m_in.File("b.msg"), {'h', 'i'});
  const Message unknown = OkBox(
      "Unknown file type encountered with " + m_in.File("b.msg") + "!\nNo conversion performed.",
      MessageIcon::Exclamation);
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

// Each file is reported once with what became of it; only a file that
// opened is announced as opened.
TEST_F(ConversionBatchTest, TheHostHearsOfEachFileOnce) {
  ptest::WriteBytes(m_in.File("b.msg"), {'h', 'i'});
  ptest::WriteBytes(m_in.File("d.bmp"), {'B', 'M', 0});  // a still image that does not open
  ptest::WriteBytes(m_out.File("c.SQ9"), {'o', 'l', 'd'});
  m_host.overwriteAnswers = {{false, false}};
  m_batch.SetPolicy(BatchPolicy::Unattended(false));
  Run({"a.bmp", "b.msg", "c.bmp", "d.bmp"});
  using R = BatchFileReport;
  const std::tuple<std::string, std::string, R::Status, unsigned> expected[] = {
      {"a.bmp", m_out.File("a.SQ9"), R::kConverted, 1},
      {"b.msg", "", R::kUnknown, 0},
      {"c.bmp", m_out.File("c.SQ9"), R::kSkipped, 0},
      {"d.bmp", m_out.File("d.SQ9"), R::kUnknown, 0}};
  ASSERT_EQ(m_host.filesDone.size(), std::size(expected));
  for (size_t i = 0; i < std::size(expected); ++i) {
    const R& r = m_host.filesDone[i];
    EXPECT_EQ(std::tuple(r.name, r.destination, r.status, r.frames), expected[i]);
  }
  EXPECT_EQ(m_host.sourcesOpened, 1u);
}

TEST_F(ConversionBatchTest, StillsShareOneSequenceWhoseOverwriteIsDecidedOnce) {
  m_batch.SetStillImagesOptions(true, "Stills.bmp");
  Run({"a.bmp", "b.bmp", "c.bmp"});
  EXPECT_EQ(ReadSequence(m_out.File("Stills.SQ9")).frames.size(), 4u);
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
    if (unattended)  // kept as it was
      EXPECT_EQ(ptest::ReadBytes(m_out.File("Stills.SQ9")), (std::vector<uint8_t>{'o', 'l', 'd'}));
    else
      EXPECT_EQ(ReadSequence(m_out.File("Stills.SQ9")).frames.size(), 3u);
  }
}

}  // namespace
}  // namespace q9::convert
