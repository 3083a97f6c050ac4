#include "convert/old_seq_translator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <tuple>
#include <vector>

#include "convert/testing/recording_host.h"
#include "platform/signlib/cq8_seq_writer.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::convert {
namespace {

using platform::SignGeometry;
using platform::StoreU16;
using Bytes = std::vector<uint8_t>;
namespace pf = platform;

struct OldFrame {
  unsigned kind;
  Bytes record = Bytes(pf::kQ8RecordSize, 0);
  Bytes bulbs = {};
};

// The bulbs of a geometry, every one of them the given colour.
Bytes MakeBulbs(const SignGeometry& g, const pf::BulbPixel& colour) {
  const pf::BulbLayout layout = pf::MakeBulbLayout(g.rows, g.columns, g.colorType);
  Bytes data(layout.totalSize, 0);
  for (unsigned y = 0; y < g.rows; ++y)
    for (unsigned x = 0; x < g.columns; ++x) pf::SetBulbPixel(layout, y, x, data.data(), colour);
  return data;
}

class OldSeqTranslatorTest : public pf::testing::TempDirTest {
 protected:
  // Writes the old sequence, translates all of it onto the sign (into the
  // destination already open, else a new one), saves, closes and reads the
  // result back into m_out. Returns TranslateFrame's result per frame.
  std::vector<int> Run(const SignGeometry& old, const std::vector<OldFrame>& frames,
                       const SignGeometry& sign,
                       const std::function<int(OldSeqTranslator&)>& translate = nullptr) {
    pf::CQ8SeqWriter writer;
    EXPECT_TRUE(writer.Create(old));
    for (const OldFrame& f : frames) EXPECT_TRUE(writer.AddFrame(f.kind, f.record, f.bulbs));
    EXPECT_TRUE(writer.Write(PathOf("old.seq")));
    if (!m_seq.IsOpen()) {
      EXPECT_TRUE(OpenDestination(sign));
    }
    OldSeqTranslator t(m_seq, m_reader, sign, &m_host);
    EXPECT_EQ(t.Open(PathOf("old.seq")), 1);
    std::vector<int> results;
    for (unsigned n = 1; n <= t.FrameCount(); ++n) {
      EXPECT_EQ(t.ReadFrame(n), 1);
      results.push_back(
          translate ? translate(t)
                    : t.TranslateFrame(t.OldLayout(), t.NewLayout(), t.OldRect(), t.NewRect()));
    }
    EXPECT_FALSE(t.Stopped());
    EXPECT_NE(m_seq.Save(), 0);
    m_seq.Close();
    m_out = ReadSequence(PathOf("new.sq9"));
    return results;
  }
  bool OpenDestination(const SignGeometry& sign) {
    return m_seq.OpenCreate(PathOf("new.sq9").c_str(), uint16_t(sign.rows), uint16_t(sign.columns),
                            sign.colorType, 1) != 0;
  }

  pf::CQ9SequenceFile m_seq;
  pf::CQ8Seq m_reader;
  RecordingHost m_host;
  pf::Sq9Contents m_out;
};

const SignGeometry kMono8x16{8, 16, pf::Q9_MONO1};

// A transmit-data record: entry i gets the count, label and data of texts[i];
// extra bytes are then set at their record offsets.
Bytes TxdRecord(const std::vector<std::tuple<uint8_t, std::string, std::string>>& texts,
                const std::vector<std::pair<size_t, uint8_t>>& extra = {}) {
  Bytes r(pf::kQ8RecordSize, 0);
  StoreU16(&r[5], 0xBEEF);
  for (size_t i = 0; i < texts.size(); ++i) {
    const auto& [count, label, data] = texts[i];
    r[16 + 32 * i] = count;
    std::copy(label.begin(), label.end(), r.begin() + 17 + 32 * i);
    std::copy(data.begin(), data.end(), r.begin() + 32 + 32 * i);
  }
  for (const auto& [offset, value] : extra) r[offset] = value;
  return r;
}

// Old data entries and the new entries they give. Entries not listed are
// unused (code 0) and come out as kUnused.
struct EntryCase {
  size_t index;
  uint16_t old[5];   // code, byte 2, A, B, byte 7
  uint16_t want[8];  // enabled, values at 4, 6, 8, 32, 34, 38, 40
  uint32_t colour;   // bytes 10..13, little-endian
};
const EntryCase kUnused{0, {}, {0, 1, 1, 0, 0, 0, 0, 0xFFFF}, 0xFFFFFFFF};
const EntryCase kEntries[] = {
    {0, {10003, 9, 0x0005, 0x0007, 0x42}, {1, 6, 8, 0x42, 3, 9, 0, 1}, 0xFFFFFFFF},
    {1, {0, 0, 0x1000, 0x2000, 0}, {0, 1, 1, 0, 0, 0, 0, 0xFFFF}, 0x0000AA55},  // v = 0x21
    {2, {4999, 1, 0xFFFF, 0xFFFF, 0xFF}, {1, 0x800, 0x1000, 0xFF, 4999, 1, 1, 0xFFFF}, 0xFFFFFFFF},
    {3, {5000, 0, 0x0800, 0, 0}, {1, 1, 1, 0, 0, 0, 1, 0}, 0xFFFFFFFF},
    {4, {65535, 0, 0x3000, 0xC000, 0}, {1, 1, 1, 0, 535, 0, 0, 12}, 0xAAAA5555},
    {127, {7, 200, 0x07FF, 0x0FFE, 3}, {1, 0x800, 0xFFF, 3, 7, 200, 0, 0xFFFF}, 0xFFFFFFFF},
};

// One old sequence with a frame of every kind.
TEST_F(OldSeqTranslatorTest, EveryKindOfFrameGivesItsFrame) {
  std::vector<OldFrame> frames = {
      {0}, {pf::kQ8FrameEnd}, {pf::kQ8FrameRepeat}, {pf::kQ8FrameBlankData}, {8}, {200}};
  // Graphics headers, with the hold time in either unit, in graphics and data frames.
  const struct {
    unsigned kind, unit, hold, expectedHold;
  } headers[] = {{4, 0, 25, 300}, {4, 1, 25, 25}, {6, 0x80, 25, 25}, {6, 0, 65535, 786420}};
  for (const auto& c : headers) {
    OldFrame f{c.kind};
    const uint8_t values[] = {0x71, 0x82, 0x93, 0xA4, 0xB5};  // F[7..11]
    std::memcpy(&f.record[7], values, 5);
    f.record[6] = uint8_t(c.unit);
    StoreU16(&f.record[12], uint16_t(c.hold));
    f.record[14] = 0xC6, f.record[15] = 0xD7, f.record[16] = 0xE8;
    frames.push_back(f);
  }
  // Data entries.
  const auto put = [](uint8_t* e, const EntryCase& c) {
    const size_t at[] = {4, 6, 8, 32, 34, 38, 40};
    pf::StoreU32(e, c.want[0]), pf::StoreU32(e + 10, c.colour);
    for (size_t k = 0; k < 7; ++k) StoreU16(e + at[k], c.want[k + 1]);
  };
  OldFrame data{pf::kQ8FrameData};
  Bytes entries(pf::tag_Q9_DATA_HDR::kSize, 0);  // entries 128 to 511 stay zero
  StoreU16(&entries[960], 128);
  for (size_t i = 0; i < 128; ++i) put(&entries[976 + 64 * i], kUnused);
  for (const EntryCase& c : kEntries) {
    uint8_t* old = &data.record[32 + 8 * c.index];
    StoreU16(old, c.old[0]), old[2] = uint8_t(c.old[1]), StoreU16(old + 3, c.old[2]);
    StoreU16(old + 5, c.old[3]), old[7] = uint8_t(c.old[4]);
    put(&entries[976 + 64 * c.index], c);
  }
  frames.push_back(data);
  // An include whose full 8-byte name and library carry no NUL: each stops at its own end.
  frames.push_back({pf::kQ8FrameInclude});
  std::memcpy(&frames.back().record[16], "ABCDEFGHLIBRARY8Z", 17);  // name, library, next field
  // Transmit-data texts.
  std::vector<std::tuple<uint8_t, std::string, std::string>> sixteen1, sixteen16;
  std::string all;
  for (char ch = 'a'; ch < 'a' + 16; ++ch) {
    sixteen1.push_back({1, "", std::string(1, ch)});
    sixteen16.push_back({16, "", std::string(16, ch)});
    all += std::string(16, ch);
  }
  const struct {
    const char* what;
    Bytes record;
    std::string name, text;
  } texts[] = {
      {"zero bytes dropped, a 15-character label without NUL",
       TxdRecord({{2, std::string(15, 'L'), "XY"}, {2, "", std::string("\0Z", 2)}}),
       std::string(15, 'L'), "XYZ"},
      {"16 entries and no more", TxdRecord(sixteen1, {{528, 5}, {544, 'Q'}}), "",
       "abcdefghijklmnop"},
      {"at most 255 characters", TxdRecord(sixteen16), "", all.substr(0, 255)},
      // Counts as stored: entry 0 takes 250 bytes (running over entries 1 to
      // 7), entry 1 six more and reaches 256, so entry 2 adds nothing.
      {"stops at 256 bytes",
       TxdRecord(
           {{250, "STOP", "S"}, {6, "", std::string(16, 'B')}, {16, "", std::string(16, 'C')}}),
       "STOP",
       "S\x06"
       "BBBBBBBBBBBBBBBB\x10"
       "CCCCCCCCCCCCCCCCBBBBBB"},
  };
  for (const auto& c : texts) frames.push_back({pf::kQ8FrameTransmitData, c.record});

  EXPECT_EQ(Run(kMono8x16, frames, kMono8x16),
            (std::vector{1, 1, 1, 1, 0, 0, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1}));
  const uint32_t D = pf::kFrameData, G = pf::kFrameGraphics, T = pf::kFrameTransmitData;
  ASSERT_EQ(TypeCodes(m_out), (std::vector{pf::kFrameSequenceHeader, pf::kFrameEnd, D, G, G, D, D,
                                           D, pf::kFrameInclude, T, T, T, T}));
  EXPECT_EQ(m_host.messages,
            std::vector{OkBox("Warning: Repeat Frame Encountered in 8100 sequence, it cannot be "
                              "converted to 9100")});
  const pf::Sq9Frame& blank = m_out.frames[2];  // kind 5: as the sequence made it
  for (const Bytes* b : {&blank.record, &blank.dataHeader, &blank.bulbs})
    EXPECT_EQ(*b, Bytes(b->size(), 0));
  for (size_t i = 0; i < 4; ++i) {  // old frames 7 to 10
    pf::tag_Q9_GRP_HDR h;
    h.SetU16(0, uint16_t(8 + i)), h.SetU32(16, 0x82), h.SetU32(20, 0x93), h.SetU16(24, 0x71);
    h.SetU32(26, 0xA4), h.SetU32(30, 0xB5), h.SetU32(34, headers[i].expectedHold);
    h.SetU32(38, 0xC6), h.SetU16(42, 0xE8), h.SetU32(44, 0xD7);
    EXPECT_EQ(m_out.frames[3 + i].record, Bytes(h.bytes, h.bytes + h.kSize)) << i;
  }
  EXPECT_EQ(m_out.frames[7].dataHeader, entries);
  ASSERT_EQ(m_out.frames[8].fields.size(), 1u);
  EXPECT_TRUE(m_out.frames[8].fields[0].enabled);
  EXPECT_EQ(m_out.frames[8].fields[0].path, "..\\LIBRARY8.Lib\\ABCDEFGH.SQ9");
  for (size_t i = 0; i < 4; ++i) {
    pf::tag_Q9_TXD_FRM t;
    t.SetU32(18, 0xBEEF), StoreU16(t.bytes + 43, uint16_t(texts[i].text.size()));
    std::copy(texts[i].name.begin(), texts[i].name.end(), t.bytes + 22);
    std::copy(texts[i].text.begin(), texts[i].text.end(), t.bytes + 400);
    EXPECT_EQ(m_out.frames[9 + i].record, Bytes(t.bytes, t.bytes + t.kSize)) << texts[i].what;
  }
}

// Paths longer than 260 characters are cut.
TEST(OldSeqTranslator, IncludePathIsCutAtItsLimit) {
  const std::string l243(243, 'L'), l244(244, 'L');
  EXPECT_EQ(OldSeqTranslator::IncludePath(l243, "NNNNN"), "..\\" + l243 + ".Lib\\NNNNN.SQ9");
  EXPECT_EQ(OldSeqTranslator::IncludePath(l244, "NNNNN"), "..\\..\\" + l244 + ".Lib\\NNNNN.SQ");
  EXPECT_EQ(OldSeqTranslator::IncludePath(std::string("AB\0CD", 5), "N"), "..\\AB.Lib\\N.SQ9");
}

// Bulbs are converted to the sign's size and colour type (the imaging layer
// tests how); an empty rectangle copies the old bytes as they are, bounded by
// the new frame; layouts that do not describe the buffers leave them blank.
TEST_F(OldSeqTranslatorTest, BulbsAreConvertedCopiedOrLeftBlank) {
  const SignGeometry tri{8, 16, pf::Q9_TRI3}, rgb{4, 8, pf::Q9_RGB16MB}, big{16, 32, pf::Q9_MONO1};
  enum { kConvert, kCopy, kBlank };
  const struct {
    SignGeometry old, sign;
    imaging::BulbRect oldRect, newRect;
    int expect;
  } cases[] = {
      {tri, rgb, {0, 0, 16, 8}, {0, 0, 8, 4}, kConvert},
      {big, kMono8x16, {0, 0, 32, 16}, {0, 0, 0, 8}, kCopy},
      {kMono8x16, kMono8x16, {0, 0, 16, 8}, {0, 0, 16, 8}, kBlank},
  };
  for (const auto& c : cases) {
    OldFrame f{pf::kQ8FrameData};
    f.bulbs = Bytes(pf::BulbDataSize(c.old.rows, c.old.columns, c.old.colorType), 0x5A);
    if (c.expect == kConvert) f.bulbs = MakeBulbs(c.old, {0, 0, 1, 0});
    Run(c.old, {f}, c.sign, [&](OldSeqTranslator& t) {
      return t.TranslateFrame(t.OldLayout(),
                              c.expect == kBlank ? pf::MakeBulbLayout(64, 64, 0) : t.NewLayout(),
                              c.oldRect, c.newRect);
    });
    Bytes expected(pf::BulbDataSize(c.sign.rows, c.sign.columns, c.sign.colorType), 0);
    if (c.expect == kCopy)
      std::copy_n(f.bulbs.begin(), std::min(f.bulbs.size(), expected.size()), expected.begin());
    if (c.expect == kConvert) expected = MakeBulbs(c.sign, {0, 0, 255, 0});
    EXPECT_EQ(m_out.frames.back().bulbs, expected) << c.expect;
  }
}

// Frames past the destination's limit are reported one by one; the
// translation goes on.
TEST_F(OldSeqTranslatorTest, FramesPastTheLimitAreReportedAndSkipped) {
  ASSERT_TRUE(OpenDestination(kMono8x16));
  while (m_seq.FrameCount() < 65534) ASSERT_GE(m_seq.AddFrame(pf::kFrameEnd, -1), 0);
  EXPECT_EQ(Run(kMono8x16, {{1}, {1}, {6}}, kMono8x16), (std::vector{1, 0, 0}));
  EXPECT_EQ(m_host.messages, std::vector(2, OkBox("Frame limit reached")));
  EXPECT_EQ(m_out.frames.size(), 65535u);
}

}  // namespace
}  // namespace q9::convert
