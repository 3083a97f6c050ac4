#include "platform/signlib/cq8_seq_writer.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> v(size);
  for (size_t i = 0; i < size; ++i) v[i] = uint8_t(seed * 31 + i * 13 + (i >> 8));
  return v;
}

// Frames written and read back by the reader: records of several lengths
// (a full 1,056-byte record, then a 5-byte one whose tail must read zero),
// graphical frames with and without bulb data.
TEST(CQ8SeqWriterTest, EveryKindSurvivesARoundTrip) {
  const size_t bulbSize = BulbDataSize(9, 17, Q9_RGB4K);
  const std::vector<uint8_t> none, zeros(bulbSize, 0);
  const struct {
    unsigned kind;
    std::vector<uint8_t> record, bulbs, bulbsRead;
  } cases[] = {{4, Pattern(32, 1), Pattern(bulbSize, 99), Pattern(bulbSize, 99)},
               {6, Pattern(kQ8RecordSize, 2), none, zeros},
               {255, Pattern(5, 3), none, none}};
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(9, 17, Q9_RGB4K));
  for (const auto& c : cases) ASSERT_TRUE(w.AddFrame(c.kind, c.record, c.bulbs));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(w.Serialize(&bytes)) << w.Error();
  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(std::move(bytes)), kQ8Ok);
  ASSERT_EQ(seq.GetNFrames(), std::size(cases));
  for (unsigned i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    ASSERT_EQ(seq.LoadFrame(i + 1), kQ8Ok);
    EXPECT_EQ(seq.GetFrameType(), c.kind);
    std::vector<uint8_t> record = c.record;
    record.resize(kQ8RecordSize + 1, 0);  // with the C-string guard
    EXPECT_EQ(std::vector<uint8_t>(seq.GetFrBufPtr(), seq.GetFrBufPtr() + record.size()), record)
        << c.kind;
    EXPECT_EQ(std::vector<uint8_t>(seq.GetBulbPtr(), seq.GetBulbPtr() + seq.GetBulbSize()),
              c.bulbsRead)
        << c.kind;
  }
}

TEST(CQ8SeqWriterTest, RefusesWhatAReaderWouldRefuse) {
  CQ8SeqWriter w;
  std::vector<uint8_t> out;
  EXPECT_FALSE(w.Create(4097, 4, Q9_MONO1));
  EXPECT_FALSE(w.Serialize(&out));  // a refused geometry leaves nothing
  ASSERT_TRUE(w.Create(4, 4, Q9_MONO1));
  const std::vector<uint8_t> bulbs(BulbDataSize(4, 4, Q9_MONO1), 1);
  EXPECT_FALSE(w.AddFrame(256, {}));
  EXPECT_FALSE(w.AddFrame(kQ8FrameGraphics, std::vector<uint8_t>(kQ8RecordSize + 1, 1)));
  EXPECT_FALSE(w.AddFrame(kQ8FrameEnd, {}, bulbs));
  EXPECT_FALSE(w.AddFrame(kQ8FrameGraphics, {}, std::vector<uint8_t>(bulbs.size() - 1, 1)));
  EXPECT_FALSE(w.Error().empty());
  EXPECT_EQ(w.GetNFrames(), 0u);
}

using CQ8SeqWriterFileTest = testing::TempDirTest;

// Write replaces the file whole; a failed write leaves nothing behind.
TEST_F(CQ8SeqWriterFileTest, WriteReplacesTheFileWholeAndLeavesNoTemporary) {
  const std::string path = PathOf("show.seq");
  testing::WriteAll(path, {'o', 'l', 'd'});
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(SignGeometry{8, 16, Q9_TRI256}));
  ASSERT_TRUE(w.AddFrame(kQ8FrameGraphics, Pattern(20, 1), Pattern(w.BulbSize(), 2)));
  ASSERT_TRUE(w.Write(path)) << w.Error();
  std::vector<uint8_t> expected;
  ASSERT_TRUE(w.Serialize(&expected));
  EXPECT_EQ(testing::ReadAll(path), expected);

  EXPECT_FALSE(w.Write(PathOf("no/such/dir.seq")));
  // The destination is a non-empty directory: the rename fails and the
  // temporary file goes.
  std::filesystem::create_directories(m_dir / "taken.seq" / "inside");
  EXPECT_FALSE(w.Write(PathOf("taken.seq")));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"show.seq", "taken.seq"}));
}

}  // namespace
}  // namespace q9::platform
