#include "platform/signlib/sq9_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>
#include <tuple>

#include "platform/signlib/cq9_data_frame.h"
#include "platform/signlib/cq9_hdr_frame.h"
#include "platform/signlib/cq9_inc_frame.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "platform/signlib/cq9_txd_frame.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

using testing::ReadAll;

// Writes contents through the sequence library, as a tool copying a
// sequence would; with random set, every record byte and bulb is random.
bool WriteContents(const Sq9Contents& c, const std::string& path, std::mt19937* random = nullptr) {
  const auto fill = [&](uint8_t* p, size_t n, const std::vector<uint8_t>& copy) {
    for (size_t i = 0; i < n; ++i) p[i] = random ? uint8_t((*random)()) : copy.at(i);
  };
  CQ9SequenceFile seq;
  if (!seq.OpenCreate(path.c_str(), c.header.rows, c.header.columns, c.header.colorType,
                      c.header.pixelTech))
    return false;
  seq.SetPreviewOnly(c.header.PreviewOnly());
  fill(static_cast<CQ9HdrFrame*>(seq.Frame(0))->HdrFrame()->Bytes(), tag_Q9_HDR_FRM::kSize,
       c.frames[0].record);
  for (size_t i = 1; i < c.frames.size(); ++i) {
    const Sq9Frame& f = c.frames[i];
    if (seq.AddFrame(f.typeCode, -1) != static_cast<int>(i)) return false;
    CQ9Frame* frame = seq.Frame(int(i));
    if (auto* g = dynamic_cast<CQ9GphFrame*>(frame)) {
      fill(g->GphHdr()->Bytes(), tag_Q9_GRP_HDR::kSize, f.record);
      fill(g->BulbData(), g->BulbDataSize(), f.bulbs);
    }
    if (auto* d = dynamic_cast<CQ9DataFrame*>(frame))
      fill(d->DataHdr()->Bytes(), tag_Q9_DATA_HDR::kSize, f.dataHeader);
    if (auto* t = dynamic_cast<CQ9TxdFrame*>(frame))
      fill(t->TxdFrame()->Bytes(), tag_Q9_TXD_FRM::kSize, f.record);
    if (auto* inc = dynamic_cast<CQ9IncFrame*>(frame)) {
      inc->SetFieldCount(static_cast<uint16_t>(f.fields.size()));
      for (size_t k = 0; k < f.fields.size(); ++k) {
        inc->EnableField(int(k), f.fields[k].enabled);
        inc->SetFieldPath(int(k), f.fields[k].path.c_str());
      }
    }
  }
  return seq.Save() != 0;
}

// A sequence with every frame type and random record bytes and bulbs; the
// first include frame is full, the second has an odd payload.
void MakeFull(const std::string& path, uint16_t rows, uint16_t columns, uint32_t colorType,
              unsigned seed = 1) {
  Sq9Contents c;
  c.header = {kSq9Version, rows, columns, colorType, 2, 0, 0, 0};
  for (uint32_t code : {kFrameSequenceHeader, kFrameGraphics, kFrameData, kFrameInclude,
                        kFrameTransmitData, kFrameInclude, kFrameEnd})
    c.frames.emplace_back().typeCode = code;
  for (int k = 0; k < CQ9IncFrame::kMaxFields; ++k)
    c.frames[3].fields.push_back({k % 2 == 1, std::string(511, char('A' + k))});
  c.frames[5].fields = {{false, "..\\Lib0"}, {true, "..\\Lib1x"}};
  std::mt19937 random(seed);
  ASSERT_TRUE(WriteContents(c, path, &random));
}

using Sq9ReaderTest = testing::TempDirTest;

// Every record byte and bulb survives a save and a read, for every colour
// type on a sign of odd rows and columns off the 16-bulb word: writing what
// was read through the sequence library gives the same bytes.
TEST_F(Sq9ReaderTest, EveryRecordByteAndBulbSurvivesSaveAndRead) {
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    SCOPED_TRACE("colour type " + std::to_string(type));
    const std::string path = PathOf("t" + std::to_string(type) + ".sq9");
    MakeFull(path, 5, 19, type, type + 1);
    Sq9Contents actual;
    std::string error;
    ASSERT_TRUE(ReadSq9File(path, actual, error)) << error;
    const Sq9Header& h = actual.header;
    EXPECT_EQ(std::tuple(h.version, h.rows, h.columns, h.colorType, h.pixelTech, h.flags,
                         h.frameCount, h.bulbDataSize),
              std::tuple(kSq9Version, 5, 19, type, 2u, 0u, 7u, BulbDataSize(5, 19, type)));
    ASSERT_TRUE(WriteContents(actual, PathOf("copy.sq9")));
    EXPECT_EQ(ReadAll(PathOf("copy.sq9")), ReadAll(path));
  }
}

TEST_F(Sq9ReaderTest, EveryTruncationIsAnError) {
  MakeFull(PathOf("f.sq9"), 3, 5, Q9_TRI3);
  std::vector<uint8_t> file = ReadAll(PathOf("f.sq9"));
  Sq9Contents out;
  std::string error;
  for (size_t n = 0; n < file.size(); ++n) {
    ASSERT_FALSE(ReadSq9(std::span(file).first(n), out, error)) << n;
    ASSERT_FALSE(error.empty());
    ASSERT_EQ(error.find('\n'), std::string::npos);
  }
  EXPECT_TRUE(ReadSq9(file, out, error)) << error;
  file.push_back(0);
  EXPECT_FALSE(ReadSq9(file, out, error));
}

TEST_F(Sq9ReaderTest, DamagedFieldsAreNamed) {
  MakeFull(PathOf("f.sq9"), 3, 5, Q9_MONO16);
  const std::vector<uint8_t> file = ReadAll(PathOf("f.sq9"));
  // Frame 1 follows the 64-byte header record; the last include frame has a
  // 25-byte payload padded to 26, and only the end frame's 8 bytes follow it.
  const size_t grp = 48 + 8 + 64, inc = file.size() - 8 - 26 - 8;
  const struct {
    size_t offset;
    int width;  // 1, 2 or 4 bytes
    uint32_t value;
    const char* error;
  } cases[] = {
      {0, 4, FourCC("RIFX"), "signature"},
      {4, 4, LoadU32(&file[4]) - 2, "RIFF size"},
      {12, 4, FourCC("seqH"), "first chunk"},
      {16, 4, 30, "header chunk of 30"},
      {20, 2, 0, "unsupported format version 0"},
      {22, 2, 0, "impossible geometry"},
      {26, 2, 1, "reserved"},
      {28, 4, 15, "unknown colour type"},
      {32, 4, 4, "unknown pixel technology"},
      {36, 4, 2, "unknown header flags"},
      {40, 4, 65536, "frame count 65536"},
      {40, 4, 8, "names 8 frames"},
      {40, 4, 6, "more frames than the 6"},
      {44, 4, LoadU32(&file[44]) + 4, "does not match the geometry"},
      {22, 4, 0xFFFFFFFF, "geometry too large"},
      {48, 4, kFrameGraphics, "frame 0 is 'grp '"},
      {grp, 4, kFrameSequenceHeader, "only frame 0"},
      {grp, 4, 0x5CFF0A47, "frame 1 ('G\\x0A\\xFF\\x5C'): unknown frame type"},
      {grp + 4, 4, 0xFFFFFFF0, "run past the end"},
      {grp + 4, 4, LoadU32(&file[grp + 4]) - 2, "expected"},
      {inc + 8, 2, 17, "17 fields, at most 16"},
      {inc + 8, 2, 1, "bytes after the last field"},
      {inc + 8, 2, 7, "7 fields do not fit in 25 bytes"},
      {inc + 10, 1, 2, "enabled flag 2"},
      {inc + 12, 2, 600, "path of 600 bytes"},
      {inc + 23, 2, 9, "path runs past the end"},
      {inc + 14, 1, 0, "NUL byte inside the path"},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> bad = file;
    ASSERT_LE(c.offset + size_t(c.width), bad.size());
    if (c.width == 1) bad[c.offset] = uint8_t(c.value);
    if (c.width == 2) StoreU16(&bad[c.offset], uint16_t(c.value));
    if (c.width == 4) StoreU32(&bad[c.offset], c.value);
    Sq9Contents out;
    std::string error;
    EXPECT_FALSE(ReadSq9(bad, out, error)) << c.error;
    EXPECT_NE(error.find(c.error), std::string::npos)
        << "expected \"" << c.error << "\" in \"" << error << "\"";
  }
}

// The reason leaves the path to the caller, who knows which file it read.
TEST_F(Sq9ReaderTest, FileVariantGivesTheReasonWithoutThePath) {
  Sq9Contents out;
  std::string error;
  EXPECT_FALSE(ReadSq9File(PathOf("none.sq9"), out, error));
  EXPECT_EQ(error, "No such file or directory");
  EXPECT_FALSE(ReadSq9File(m_dir.string(), out, error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
}

}  // namespace
}  // namespace q9::platform
