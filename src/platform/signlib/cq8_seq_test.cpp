#include "platform/signlib/cq8_seq.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/q8_seq_format.h"
#include "platform/signlib/seq_writer.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {
namespace {

namespace fs = std::filesystem;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> v(size);
  for (size_t i = 0; i < size; ++i) v[i] = uint8_t(seed + i * 7 + (i >> 8));
  return v;
}

std::vector<uint8_t> Serialized(CQ8SeqWriter& w) {
  std::vector<uint8_t> bytes;
  EXPECT_TRUE(w.Serialize(&bytes)) << w.Error();
  return bytes;
}

// 5 x 21 Tri3 (bulb size 6 x 2 x 2 x 2 = 48): include, graphics, transmit
// data, data. Frame headers sit at 32, 32 + 8 + 32 = 72, 72 + 8 + 40 + 48 =
// 168, 168 + 8 + 530 = 706.
constexpr size_t kFrame1 = 32, kFrame2 = 72, kFrame3 = 168, kFrame4 = 706;
std::vector<uint8_t> ValidSequence() {
  CQ8SeqWriter w;
  EXPECT_TRUE(w.Create(5, 21, Q9_TRI3));
  EXPECT_EQ(w.BulbSize(), 48u);
  EXPECT_TRUE(w.AddFrame(kQ8FrameInclude, Pattern(32, 1)));
  EXPECT_TRUE(w.AddFrame(kQ8FrameGraphics, Pattern(40, 2), Pattern(48, 3)));
  EXPECT_TRUE(w.AddFrame(kQ8FrameTransmitData, Pattern(530, 4)));
  EXPECT_TRUE(w.AddFrame(kQ8FrameData, Pattern(kQ8RecordSize, 5), Pattern(48, 6)));
  return Serialized(w);
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
  ASSERT_EQ(b.size(), 0x6Du);
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

TEST(CQ8SeqTest, LoadFrameOutsideTheSequenceLeavesNoCurrentFrame) {
  CQ8Seq seq;
  EXPECT_EQ(seq.LoadFrame(1), kQ8ErrNotOpen);
  ASSERT_EQ(seq.OpenBuffer(ValidSequence()), kQ8Ok);
  const struct {
    unsigned frame;
    int result;
  } cases[] = {{0, kQ8ErrFrameNumber}, {5, kQ8ErrFrameNumber}, {0xFFFFFFFFu, kQ8ErrFrameNumber}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.frame);
    ASSERT_EQ(seq.LoadFrame(4), kQ8Ok);
    EXPECT_EQ(seq.LoadFrame(c.frame), c.result);
    EXPECT_EQ(seq.GetFrameType(), 0u);
    EXPECT_FALSE(seq.IsGraphical());
    EXPECT_EQ(seq.GetFrBufPtr(), nullptr);
    EXPECT_EQ(seq.GetBulbPtr(), nullptr);
    EXPECT_EQ(seq.GetBulbSize(), 0u);
  }
  EXPECT_EQ(seq.LoadFrame(4), kQ8Ok);
}

TEST(CQ8SeqTest, EveryTruncationIsRefused) {
  const std::vector<uint8_t> full = ValidSequence();
  CQ8Seq seq;
  for (size_t n = 0; n < full.size(); ++n) {
    SCOPED_TRACE(n);
    const int rc = seq.OpenBuffer(std::vector<uint8_t>(full.begin(), full.begin() + n));
    if (n == 0) {
      EXPECT_EQ(rc, kQ8ErrNotSequence);
    } else {
      EXPECT_EQ(rc, kQ8ErrTruncated);
    }
    EXPECT_FALSE(seq.IsOpen());
    EXPECT_EQ(seq.GetNFrames(), 0u);
  }
}

// Each case damages one field of the valid sequence.
struct Damage {
  const char* name;
  size_t offset;
  int width;  // 1, 2 or 4 bytes
  uint32_t value;
  int result;
};

TEST(CQ8SeqTest, DamagedFieldsAreRefusedWithTheirCode) {
  const std::vector<uint8_t> valid = ValidSequence();
  ASSERT_EQ(valid.size(), kFrame4 + 8 + kQ8RecordSize + 48);
  ASSERT_EQ(valid[kFrame1] * 1000 + valid[kFrame2] * 100 + valid[kFrame3] * 10 + valid[kFrame4],
            2476);
  const Damage cases[] = {
      {"magic first byte", 0, 1, 'q', kQ8ErrNotSequence},
      {"magic line ending", 7, 1, 0x0D, kQ8ErrNotSequence},
      {"version 0", 8, 2, 0, kQ8ErrVersion},
      {"version 2", 8, 2, 2, kQ8ErrVersion},
      {"header reserved word", 10, 2, 1, kQ8ErrCorrupt},
      {"rows 0", 12, 4, 0, kQ8ErrGeometry},
      {"rows 4097", 12, 4, 4097, kQ8ErrGeometry},
      {"columns 0", 16, 4, 0, kQ8ErrGeometry},
      {"columns huge", 16, 4, 0xFFFFFFFFu, kQ8ErrGeometry},
      {"colour type 15", 20, 4, 15, kQ8ErrGeometry},
      {"colour type huge", 20, 4, 0x80000000u, kQ8ErrGeometry},
      // A different geometry changes the bulb size the frames must carry.
      {"rows 7 needs 64 bulb bytes", 12, 4, 7, kQ8ErrCorrupt},
      {"colour type 0 needs 24 bulb bytes", 20, 4, 0, kQ8ErrCorrupt},
      {"frame count one more", 24, 4, 5, kQ8ErrTruncated},
      {"frame count huge", 24, 4, 0xFFFFFFFFu, kQ8ErrTruncated},
      {"frame count one less", 24, 4, 3, kQ8ErrCorrupt},
      {"frame count 0", 24, 4, 0, kQ8ErrCorrupt},
      {"header reserved long", 28, 4, 1, kQ8ErrCorrupt},
      {"frame reserved byte", kFrame1 + 1, 1, 1, kQ8ErrCorrupt},
      {"record longer than a record", kFrame1 + 2, 2, kQ8RecordSize + 1, kQ8ErrCorrupt},
      {"record length huge", kFrame1 + 2, 2, 0xFFFF, kQ8ErrCorrupt},
      {"record running into the next frame", kFrame1 + 2, 2, 33, kQ8ErrCorrupt},
      {"last record shorter than stored", kFrame4 + 2, 2, 0, kQ8ErrCorrupt},
      {"data frame made kind 5", kFrame4, 1, kQ8FrameBlankData, kQ8ErrCorrupt},
      {"bulbs on an include frame", kFrame1 + 4, 4, 48, kQ8ErrCorrupt},
      {"include frame made graphics", kFrame1, 1, kQ8FrameGraphics, kQ8ErrCorrupt},
      {"graphics frame made end", kFrame2, 1, kQ8FrameEnd, kQ8ErrCorrupt},
      {"graphics frame made kind 200", kFrame2, 1, 200, kQ8ErrCorrupt},
      {"bulb data one short", kFrame2 + 4, 4, 47, kQ8ErrCorrupt},
      {"bulb data one long", kFrame2 + 4, 4, 49, kQ8ErrCorrupt},
      {"transmit-data frame made data", kFrame3, 1, kQ8FrameData, kQ8ErrCorrupt},
      {"bulb data missing", kFrame2 + 4, 4, 0, kQ8ErrCorrupt},
      {"bulb data huge", kFrame4 + 4, 4, 0xFFFFFFFFu, kQ8ErrCorrupt},
  };
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<uint8_t> bytes = valid;
    if (c.width == 1) bytes[c.offset] = uint8_t(c.value);
    if (c.width == 2) StoreU16(&bytes[c.offset], uint16_t(c.value));
    if (c.width == 4) StoreU32(&bytes[c.offset], c.value);
    CQ8Seq seq;
    EXPECT_EQ(seq.OpenBuffer(std::move(bytes)), c.result);
    EXPECT_FALSE(seq.IsOpen());
  }
}

TEST(CQ8SeqTest, TrailingBytesAreRefused) {
  std::vector<uint8_t> bytes = ValidSequence();
  bytes.push_back(0);
  CQ8Seq seq;
  EXPECT_EQ(seq.OpenBuffer(std::move(bytes)), kQ8ErrCorrupt);
}

TEST(CQ8SeqTest, GeometryLimitsAreAcceptedAtTheirEdges) {
  // The largest sign at the deepest planes stays under the bulb cap and opens.
  const struct {
    unsigned rows, columns;
    uint32_t color;
  } cases[] = {
      {1, 1, Q9_MONO1}, {4096, 4096, Q9_RGB16M}, {4096, 4096, Q9_RGB16MB}, {1, 4096, Q9_RGB32KB}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.rows << "x" << c.columns << " type " << c.color);
    CQ8SeqWriter w;
    ASSERT_TRUE(w.Create(c.rows, c.columns, c.color));
    ASSERT_TRUE(w.AddFrame(kQ8FrameGraphics, {}));
    CQ8Seq seq;
    ASSERT_EQ(seq.OpenBuffer(Serialized(w)), kQ8Ok);
    ASSERT_EQ(seq.LoadFrame(1), kQ8Ok);
    EXPECT_EQ(seq.GetBulbSize(), BulbDataSize(c.rows, c.columns, c.color));
  }
}

TEST(CQ8SeqTest, AnEmptySequenceOpensWithNoFrames) {
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(8, 8, Q9_MONO1));
  CQ8Seq seq;
  ASSERT_EQ(seq.OpenBuffer(Serialized(w)), kQ8Ok);
  EXPECT_EQ(seq.GetNFrames(), 0u);
  EXPECT_EQ(seq.LoadFrame(1), kQ8ErrFrameNumber);
}

TEST(CQ8SeqTest, ErrorTextsAreDistinct) {
  std::set<std::string> texts;
  for (int code = kQ8Ok; code <= kQ8ErrFrameNumber; ++code) texts.insert(CQ8Seq::ErrorText(code));
  EXPECT_EQ(texts.size(), size_t(kQ8ErrFrameNumber + 1));
  EXPECT_EQ(texts.count(CQ8Seq::ErrorText(-1)), 0u);
  EXPECT_EQ(std::string(CQ8Seq::ErrorText(-1)), CQ8Seq::ErrorText(1000));
}

class CQ8SeqFileTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir =
        fs::temp_directory_path() / ("q8seq_test_" + std::to_string(::getpid()) + "_" +
                                     testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  std::string WriteBytes(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path p = m_dir / name;
    std::ofstream(p, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    return p.string();
  }
  fs::path m_dir;
};

TEST_F(CQ8SeqFileTest, OpenRefusesWhatIsNotAReadableRegularFile) {
  const std::string fifo = (m_dir / "pipe.seq").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  const std::string missing = (m_dir / "missing.seq").string();
  const std::string dir = m_dir.string();
  const std::string empty = WriteBytes("empty.seq", {});
  const struct {
    const char* path;
    int result;
  } cases[] = {{nullptr, kQ8ErrFileAccess},         {"", kQ8ErrFileAccess},
               {missing.c_str(), kQ8ErrFileAccess}, {dir.c_str(), kQ8ErrFileAccess},
               {fifo.c_str(), kQ8ErrFileAccess},    {"/dev/zero", kQ8ErrFileAccess},
               {empty.c_str(), kQ8ErrNotSequence}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.path ? c.path : "(null)");
    CQ8Seq seq;
    EXPECT_EQ(seq.Open(c.path), c.result);
    EXPECT_FALSE(seq.IsOpen());
  }
}

TEST_F(CQ8SeqFileTest, OneObjectOpensFileAfterFile) {
  CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(16, 32, Q9_RGB16MB));
  ASSERT_TRUE(w.AddFrame(kQ8FrameEnd, {}));
  const std::string second = (m_dir / "second.seq").string();
  ASSERT_TRUE(w.Write(second)) << w.Error();
  const std::string first = WriteBytes("first.seq", ValidSequence());
  const std::string broken = WriteBytes("broken.seq", std::vector<uint8_t>(100, 'x'));

  CQ8Seq seq;
  ASSERT_EQ(seq.Open(first.c_str()), kQ8Ok);
  ASSERT_EQ(seq.LoadFrame(2), kQ8Ok);
  seq.Close();
  EXPECT_FALSE(seq.IsOpen());
  EXPECT_EQ(seq.GetNFrames(), 0u);
  EXPECT_EQ(seq.GetFrBufPtr(), nullptr);
  EXPECT_EQ(seq.LoadFrame(1), kQ8ErrNotOpen);

  // Open again without closing: the second file replaces the first.
  ASSERT_EQ(seq.Open(first.c_str()), kQ8Ok);
  ASSERT_EQ(seq.LoadFrame(4), kQ8Ok);
  ASSERT_EQ(seq.Open(second.c_str()), kQ8Ok);
  unsigned rows = 0, columns = 0, color = 0;
  seq.GetSeqStats(&rows, &columns, &color);
  EXPECT_EQ(rows, 16u);
  EXPECT_EQ(columns, 32u);
  EXPECT_EQ(color, unsigned(Q9_RGB16MB));
  EXPECT_EQ(seq.GetNFrames(), 1u);
  EXPECT_EQ(seq.GetFrBufPtr(), nullptr);  // no frame carried over
  ASSERT_EQ(seq.LoadFrame(1), kQ8Ok);
  EXPECT_EQ(seq.GetFrameType(), unsigned(kQ8FrameEnd));

  // A failed open closes what was open.
  EXPECT_EQ(seq.Open(broken.c_str()), kQ8ErrNotSequence);
  EXPECT_FALSE(seq.IsOpen());
  seq.GetSeqStats(&rows, &columns, &color);
  EXPECT_EQ(rows + columns + color, 0u);
  seq.GetSeqStats(nullptr, nullptr, nullptr);
}

}  // namespace
}  // namespace q9::platform
