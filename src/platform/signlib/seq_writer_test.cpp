#include "platform/signlib/seq_writer.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/q8_record.h"

namespace q9::platform {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> v(size);
  for (size_t i = 0; i < size; ++i) v[i] = uint8_t(seed * 31 + i * 13 + (i >> 8));
  return v;
}

std::vector<uint8_t> Bytes(const uint8_t* p, size_t n) {
  return p ? std::vector<uint8_t>(p, p + n) : std::vector<uint8_t>();
}

// Round trip of one frame of every kind, with records of several lengths.
TEST(CQ8SeqWriterTest, EveryKindSurvivesARoundTrip) {
  const struct {
    unsigned kind;
    size_t recordLength;
    bool graphical;
    bool withBulbs;
  } cases[] = {
      {0, 0, false, false},    {1, 1, false, false},
      {2, 32, false, false},   {3, 100, false, false},
      {4, 32, true, true},     {4, 0, true, false},
      {5, 1055, false, false}, {6, kQ8RecordSize, true, true},
      {6, 32, true, false},    {7, 16 + 16 * 32, false, false},
      {8, 64, false, false},   {200, kQ8RecordSize, false, false},
      {255, 5, false, false},
  };
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(9, 17, Q9_RGB4K));
  const size_t bulbSize = BulbDataSize(9, 17, Q9_RGB4K);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    ASSERT_TRUE(
        w.AddFrame(c.kind, Pattern(c.recordLength, uint8_t(i)),
                   c.withBulbs ? Pattern(bulbSize, uint8_t(i + 100)) : std::vector<uint8_t>()))
        << w.Error();
  }
  EXPECT_EQ(w.GetNFrames(), std::size(cases));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(w.Serialize(&bytes)) << w.Error();

  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(std::move(bytes)), kQ8Ok);
  ASSERT_EQ(seq.GetNFrames(), std::size(cases));
  unsigned rows = 0, columns = 0, color = 0;
  seq.GetSeqStats(&rows, &columns, &color);
  EXPECT_EQ(rows * 1000 + columns, 9017u);
  EXPECT_EQ(color, unsigned(Q9_RGB4K));
  // Records of 1,056 then 5 bytes in a row show that the padding is cleared.
  for (size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(testing::Message() << "frame " << i + 1 << " kind " << c.kind);
    ASSERT_EQ(seq.LoadFrame(unsigned(i + 1)), kQ8Ok);
    EXPECT_EQ(seq.GetFrameType(), c.kind);
    EXPECT_EQ(bool(seq.IsGraphical()), c.graphical);
    std::vector<uint8_t> record = Pattern(c.recordLength, uint8_t(i));
    record.resize(kQ8RecordSize, 0);
    EXPECT_EQ(Bytes(seq.GetFrBufPtr(), kQ8RecordSize), record);
    EXPECT_EQ(seq.GetFrBufPtr()[kQ8RecordSize], 0);  // C-string guard
    std::vector<uint8_t> bulbs;
    if (c.graphical)
      bulbs = c.withBulbs ? Pattern(bulbSize, uint8_t(i + 100)) : std::vector<uint8_t>(bulbSize, 0);
    EXPECT_EQ(seq.GetBulbSize(), bulbs.size());
    EXPECT_EQ(Bytes(seq.GetBulbPtr(), seq.GetBulbSize()), bulbs);
  }
}

// Bulb sizes worked out by hand for 7 rows (planes get 8) and 21 columns
// (two 16-bit words per plane row; packed rows padded to 32 bits).
TEST(CQ8SeqWriterTest, BulbSizeFollowsEachColourType) {
  const struct {
    uint32_t color;
    unsigned size;
  } cases[] = {
      {Q9_MONO1, 32},           {Q9_QUAD16, 32},          {Q9_TRI3, 64},    {Q9_QUAD256, 64},
      {Q9_MONO4, 64},           {Q9_QUAD64K, 128},        {Q9_MONO16, 128}, {Q9_TRI256, 256},
      {Q9_QUAD16M, 192},        {Q9_RGB64, 192},          {Q9_RGB4K, 384},  {Q9_RGB16M, 768},
      {Q9_MONO64, 192},         {Q9_RGB32KB, 11 * 4 * 7},  // 16 x 21 bits = 336 -> 11 words
      {Q9_RGB16MB, 16 * 4 * 7},                            // 24 x 21 bits = 504 -> 16 words
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(ColorTypeName(c.color));
    CQ8SeqWriter w;
    ASSERT_TRUE(w.Create(7, 21, c.color));
    EXPECT_EQ(w.BulbSize(), c.size);
    ASSERT_TRUE(w.AddFrame(kQ8FrameData, {}, Pattern(c.size, 9))) << w.Error();
    EXPECT_FALSE(w.AddFrame(kQ8FrameData, {}, Pattern(c.size + 1, 9)));
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(w.Serialize(&bytes));
    CQ8Seq seq;
    ASSERT_EQ(seq.OpenBuffer(std::move(bytes)), kQ8Ok);
    unsigned rows, columns, color;
    seq.GetSeqStats(&rows, &columns, &color);
    EXPECT_EQ(color, c.color);
    ASSERT_EQ(seq.LoadFrame(1), kQ8Ok);
    EXPECT_EQ(seq.GetBulbSize(), c.size);
    EXPECT_EQ(Bytes(seq.GetBulbPtr(), seq.GetBulbSize()), Pattern(c.size, 9));
  }
}

TEST(CQ8SeqWriterTest, RefusesWhatAReaderWouldRefuse) {
  const std::vector<uint8_t> bulbs(BulbDataSize(4, 4, Q9_MONO1), 1);
  const std::vector<uint8_t> tooLong(kQ8RecordSize + 1, 1);
  const struct {
    const char* name;
    unsigned rows, columns;
    uint32_t color;
    unsigned kind;
    const std::vector<uint8_t>* record;
    std::vector<uint8_t> bulbs;
  } cases[] = {
      {"rows 0", 0, 4, Q9_MONO1, 0, nullptr, {}},
      {"rows 4097", 4097, 4, Q9_MONO1, 0, nullptr, {}},
      {"columns 0", 4, 0, Q9_MONO1, 0, nullptr, {}},
      {"columns 4097", 4, 4097, Q9_MONO1, 0, nullptr, {}},
      {"colour type 15", 4, 4, Q9_NO_COLOR, 0, nullptr, {}},
      {"kind 256", 4, 4, Q9_MONO1, 256, nullptr, {}},
      {"record too long", 4, 4, Q9_MONO1, kQ8FrameGraphics, &tooLong, {}},
      {"bulbs on an end frame", 4, 4, Q9_MONO1, kQ8FrameEnd, nullptr, bulbs},
      {"bulbs on kind 5", 4, 4, Q9_MONO1, kQ8FrameBlankData, nullptr, bulbs},
      {"bulbs on kind 8", 4, 4, Q9_MONO1, 8, nullptr, bulbs},
      {"bulbs one short", 4, 4, Q9_MONO1, kQ8FrameGraphics, nullptr,
       std::vector<uint8_t>(bulbs.size() - 1)},
      {"bulbs of another colour type", 4, 4, Q9_MONO1, kQ8FrameData, nullptr,
       std::vector<uint8_t>(BulbDataSize(4, 4, Q9_MONO4))},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CQ8SeqWriter w;
    const bool created = w.Create(c.rows, c.columns, c.color);
    if (created) {
      EXPECT_FALSE(w.AddFrame(c.kind, c.record ? *c.record : std::vector<uint8_t>(), c.bulbs));
      EXPECT_EQ(w.GetNFrames(), 0u);
    }
    EXPECT_FALSE(w.Error().empty());
    std::vector<uint8_t> out;
    // A refused geometry leaves nothing to serialise.
    EXPECT_EQ(w.Serialize(&out), created);
  }
  CQ8SeqWriter none;
  EXPECT_FALSE(none.AddFrame(kQ8FrameEnd, {}));
  EXPECT_FALSE(none.Error().empty());
}

TEST(CQ8SeqWriterTest, CreateStartsAFreshSequence) {
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(4, 4, Q9_MONO1));
  ASSERT_TRUE(w.AddFrame(kQ8FrameGraphics, {}));
  ASSERT_TRUE(w.Create(SignGeometry{2, 3, Q9_RGB16MB}));
  EXPECT_EQ(w.GetNFrames(), 0u);
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(w.Serialize(&bytes));
  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(std::move(bytes)), kQ8Ok);
  unsigned rows, columns, color;
  seq.GetSeqStats(&rows, &columns, &color);
  EXPECT_EQ(rows, 2u);
  EXPECT_EQ(columns, 3u);
  EXPECT_EQ(color, unsigned(Q9_RGB16MB));
}

class CQ8SeqWriterFileTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir =
        fs::temp_directory_path() / ("q8seqw_test_" + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::vector<std::string> Names() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(m_dir)) names.push_back(e.path().filename());
    std::sort(names.begin(), names.end());
    return names;
  }
  fs::path m_dir;
};

TEST_F(CQ8SeqWriterFileTest, WriteReplacesTheFileWholeAndLeavesNoTemporary) {
  const std::string path = (m_dir / "show.seq").string();
  std::ofstream(path) << "an older file";
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 16, Q9_TRI256));
  ASSERT_TRUE(w.AddFrame(kQ8FrameGraphics, Pattern(20, 1), Pattern(w.BulbSize(), 2)));
  ASSERT_TRUE(w.AddFrame(kQ8FrameEnd, {}));
  ASSERT_TRUE(w.Write(path)) << w.Error();
  EXPECT_EQ(Names(), std::vector<std::string>{"show.seq"});

  std::vector<uint8_t> expected;
  ASSERT_TRUE(w.Serialize(&expected));
  EXPECT_EQ(fs::file_size(path), expected.size());
  CQ8Seq seq;
  ASSERT_EQ(seq.Open(path.c_str()), kQ8Ok);
  EXPECT_EQ(seq.GetNFrames(), 2u);
  ASSERT_EQ(seq.LoadFrame(1), kQ8Ok);
  EXPECT_EQ(Bytes(seq.GetBulbPtr(), seq.GetBulbSize()), Pattern(w.BulbSize(), 2));
}

TEST_F(CQ8SeqWriterFileTest, FailedWriteLeavesNothingBehind) {
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 16, Q9_MONO1));
  ASSERT_TRUE(w.AddFrame(kQ8FrameEnd, {}));

  EXPECT_FALSE(w.Write((m_dir / "no" / "such" / "dir.seq").string()));
  EXPECT_FALSE(w.Error().empty());
  EXPECT_FALSE(w.Write(""));

  // The destination is a non-empty directory: the rename fails and the
  // temporary file goes.
  fs::create_directories(m_dir / "taken.seq" / "inside");
  EXPECT_FALSE(w.Write((m_dir / "taken.seq").string()));
  EXPECT_EQ(Names(), std::vector<std::string>{"taken.seq"});
  EXPECT_TRUE(fs::is_directory(m_dir / "taken.seq" / "inside"));
}

}  // namespace
}  // namespace q9::platform
