#include "platform/signlib/cq8_seq.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/signlib/q8_seq_format.h"
#include "platform/signlib/sign_types.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

// 5 x 21 Tri3 (bulb size 6 x 2 x 2 x 2 = 48): include, graphics, transmit
// data, data, the bulbs zero. Frame headers sit at 32, 32 + 8 + 32 = 72,
// 72 + 8 + 40 + 48 = 168, 168 + 8 + 530 = 706.
constexpr size_t kFrame1 = 32, kFrame2 = 72, kFrame3 = 168, kFrame4 = 706;
std::vector<uint8_t> ValidSequence(SignGeometry g = {5, 21, Q9_TRI3}) {
  CQ8SeqWriter w;
  EXPECT_TRUE(w.Create(g));
  EXPECT_TRUE(w.AddFrame(kQ8FrameInclude, std::vector<uint8_t>(32, 1)));
  EXPECT_TRUE(w.AddFrame(kQ8FrameGraphics, std::vector<uint8_t>(40, 2)));
  EXPECT_TRUE(w.AddFrame(kQ8FrameTransmitData, std::vector<uint8_t>(530, 4)));
  EXPECT_TRUE(w.AddFrame(kQ8FrameData, std::vector<uint8_t>(kQ8RecordSize, 5)));
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(w.Serialize(&bytes)) << w.Error();
  return bytes;
}

// The worked example of docs/seq-format.md, byte for byte.
TEST(CQ8SeqTest, ReadsTheDocumentedExample) {
  std::vector<uint8_t> b = {0x51, 0x38, 0x53, 0x45, 0x51, 0x1A, 0x0D, 0x0A, 0x01, 0x00, 0x00, 0x00,
                            0x05, 0x00, 0x00, 0x00, 0x15, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                            0x02, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00,
                            0x00, 0x00, 0x00, 0x00, 0x04, 0x00, 0x0D, 0x00, 0x30, 0x00, 0x00, 0x00};
  b.insert(b.end(), 12, 0);
  b.push_back(0x19);
  for (int i = 0; i < 48; ++i) b.push_back(uint8_t(i + 1));
  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(b), kQ8Ok);
  ASSERT_EQ(seq.GetNFrames(), 2u);
  ASSERT_EQ(seq.LoadFrame(1), kQ8Ok);
  EXPECT_EQ(seq.GetFrameType(), unsigned(kQ8FrameEnd));
  ASSERT_EQ(seq.LoadFrame(2), kQ8Ok);
  EXPECT_EQ(seq.GetFrBufPtr()[kQ8TimeUnit], 0);
  EXPECT_EQ(LoadU16(seq.GetFrBufPtr() + kQ8HoldTime), 25);
  ASSERT_EQ(seq.GetBulbSize(), 48u);
  EXPECT_EQ(seq.GetBulbPtr()[47], 48);
}

TEST(CQ8SeqTest, EveryTruncationAndTrailingByteIsRefused) {
  std::vector<uint8_t> full = ValidSequence();
  CQ8Seq seq;
  for (size_t n = 0; n < full.size(); ++n) {
    const int rc = seq.OpenBuffer(std::vector<uint8_t>(full.begin(), full.begin() + n));
    EXPECT_EQ(rc, n == 0 ? kQ8ErrNotSequence : kQ8ErrTruncated) << n;
    EXPECT_FALSE(seq.IsOpen());
    EXPECT_EQ(seq.GetNFrames(), 0u);
  }
  full.push_back(0);
  EXPECT_EQ(seq.OpenBuffer(std::move(full)), kQ8ErrCorrupt);
}

TEST(CQ8SeqTest, DamagedFieldsAreRefusedWithTheirCode) {
  const std::vector<uint8_t> valid = ValidSequence();
  ASSERT_EQ(valid.size(), kFrame4 + 8 + kQ8RecordSize + 48);
  ASSERT_EQ(valid[kFrame1] * 1000 + valid[kFrame2] * 100 + valid[kFrame3] * 10 + valid[kFrame4],
            2476);
  const struct {
    const char* name;
    size_t offset;
    int width;  // 1, 2 or 4 bytes
    uint32_t value;
    int result;
  } cases[] = {
      {"magic line ending", 7, 1, 0x0D, kQ8ErrNotSequence},
      {"version 2", 8, 2, 2, kQ8ErrVersion},
      {"rows 0", 12, 4, 0, kQ8ErrGeometry},
      {"columns 4097", 16, 4, 4097, kQ8ErrGeometry},
      {"colour type 15", 20, 4, 15, kQ8ErrGeometry},
      // A different geometry changes the bulb size the frames must carry.
      {"rows 7 needs 64 bulb bytes", 12, 4, 7, kQ8ErrCorrupt},
      {"frame count one more", 24, 4, 5, kQ8ErrTruncated},
      {"frame count huge", 24, 4, 0xFFFFFFFFu, kQ8ErrTruncated},
      {"frame reserved byte", kFrame1 + 1, 1, 1, kQ8ErrCorrupt},
      {"record longer than a record", kFrame1 + 2, 2, kQ8RecordSize + 1, kQ8ErrCorrupt},
      {"record running into the next frame", kFrame1 + 2, 2, 33, kQ8ErrCorrupt},
      {"last record shorter than stored", kFrame4 + 2, 2, 0, kQ8ErrCorrupt},
      {"bulbs on an include frame", kFrame1 + 4, 4, 48, kQ8ErrCorrupt},
      {"graphics frame made end", kFrame2, 1, kQ8FrameEnd, kQ8ErrCorrupt},
      {"bulb data one short", kFrame2 + 4, 4, 47, kQ8ErrCorrupt},
      {"bulb data huge", kFrame4 + 4, 4, 0xFFFFFFFFu, kQ8ErrCorrupt},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bytes = valid;
    if (c.width == 1) bytes[c.offset] = uint8_t(c.value);
    if (c.width == 2) StoreU16(&bytes[c.offset], uint16_t(c.value));
    if (c.width == 4) StoreU32(&bytes[c.offset], c.value);
    CQ8Seq seq;
    EXPECT_EQ(seq.OpenBuffer(std::move(bytes)), c.result) << c.name;
    EXPECT_FALSE(seq.IsOpen()) << c.name;
  }
  // The last frame's record grown to 1,057 bytes, the file still consistent.
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(1, 1, Q9_MONO1));
  ASSERT_TRUE(w.AddFrame(kQ8FrameEnd, std::vector<uint8_t>(kQ8RecordSize, 9)));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(w.Serialize(&bytes));
  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(bytes), kQ8Ok);
  bytes.push_back(9);
  StoreU16(&bytes[kQ8SeqHeaderSize + 2], kQ8RecordSize + 1);
  EXPECT_EQ(seq.OpenBuffer(std::move(bytes)), kQ8ErrCorrupt);
}

// The largest sign at the deepest planes stays under the bulb cap.
TEST(CQ8SeqTest, LargestGeometryIsAccepted) {
  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(ValidSequence({4096, 4096, Q9_RGB16M})), kQ8Ok);
  ASSERT_EQ(seq.LoadFrame(2), kQ8Ok);
  EXPECT_EQ(seq.GetBulbSize(), BulbDataSize(4096, 4096, Q9_RGB16M));
}

using CQ8SeqFileTest = testing::TempDirTest;

TEST_F(CQ8SeqFileTest, OpenRefusesWhatIsNotAReadableRegularFile) {
  const std::string fifo = PathOf("pipe.seq"), missing = PathOf("missing.seq"),
                    empty = PathOf("empty.seq");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  testing::WriteAll(empty, {});
  const std::pair<const char*, int> cases[] = {{missing.c_str(), kQ8ErrFileAccess},
                                               {fifo.c_str(), kQ8ErrFileAccess},
                                               {empty.c_str(), kQ8ErrNotSequence}};
  for (const auto& [path, result] : cases) {
    CQ8Seq seq;
    EXPECT_EQ(seq.Open(path), result) << path;
    EXPECT_FALSE(seq.IsOpen());
  }
}

}  // namespace
}  // namespace q9::platform
