#include "platform/signlib/sq9_reader.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "platform/signlib/q9_data_frame.h"
#include "platform/signlib/q9_hdr_frame.h"
#include "platform/signlib/q9_inc_frame.h"
#include "platform/signlib/q9_sequence_file.h"
#include "platform/signlib/q9_txd_frame.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

using testing::ReadAll;
using testing::WriteAll;

void Fill(std::mt19937& rng, uint8_t* p, size_t n) {
  for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(rng());
}

// Writes contents through the sequence library: what a tool would do to
// copy a sequence.
bool WriteContents(const Sq9Contents& c, const std::string& path) {
  CQ9SequenceFile seq;
  if (!seq.OpenCreate(path.c_str(), c.header.rows, c.header.columns, c.header.colorType,
                      c.header.pixelTech))
    return false;
  seq.SetPreviewOnly(c.header.PreviewOnly());
  std::memcpy(static_cast<CQ9HdrFrame*>(seq.Frame(0))->HdrFrame()->Bytes(),
              c.frames[0].record.data(), tag_Q9_HDR_FRM::kSize);
  for (size_t i = 1; i < c.frames.size(); ++i) {
    const Sq9Frame& f = c.frames[i];
    const int index = seq.AddFrame(f.typeCode, -1);
    if (index != static_cast<int>(i)) return false;
    CQ9Frame* frame = seq.Frame(index);
    if (auto* g = dynamic_cast<CQ9GphFrame*>(frame)) {
      std::memcpy(g->GphHdr()->Bytes(), f.record.data(), f.record.size());
      std::memcpy(g->BulbData(), f.bulbs.data(), f.bulbs.size());
    }
    if (auto* d = dynamic_cast<CQ9DataFrame*>(frame))
      std::memcpy(d->DataHdr()->Bytes(), f.dataHeader.data(), f.dataHeader.size());
    if (auto* t = dynamic_cast<CQ9TxdFrame*>(frame))
      std::memcpy(t->TxdFrame()->Bytes(), f.record.data(), f.record.size());
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

class Sq9ReaderTest : public testing::TempDirTest {
 protected:
  // A sequence with every frame type, every record byte random, saved to
  // path; `expected` receives what a reader must find.
  void MakeFull(const std::string& path, uint16_t rows, uint16_t columns, uint32_t colorType,
                Sq9Contents& expected, unsigned seed = 1) {
    std::mt19937 rng(seed);
    CQ9SequenceFile seq;
    ASSERT_EQ(seq.OpenCreate(path.c_str(), rows, columns, colorType, 2), 1);
    expected = {};
    expected.header = {kSq9Version, rows, columns, colorType, 2, 0, 7, seq.BulbDataSize()};
    auto take = [](const uint8_t* p, size_t n) { return std::vector<uint8_t>(p, p + n); };

    auto* hdr = static_cast<CQ9HdrFrame*>(seq.Frame(0));
    expected.frames.push_back({FourCC("hdr "), take(hdr->HdrFrame()->Bytes(), 64), {}, {}, {}});
    for (uint32_t code : {kFrameGraphics, kFrameData, kFrameInclude, kFrameTransmitData,
                          kFrameInclude, kFrameEnd}) {
      const int index = seq.AddFrame(code, -1);
      ASSERT_GT(index, 0);
      Sq9Frame f;
      f.typeCode = code;
      CQ9Frame* frame = seq.Frame(index);
      if (auto* g = dynamic_cast<CQ9GphFrame*>(frame)) {
        Fill(rng, g->GphHdr()->Bytes(), tag_Q9_GRP_HDR::kSize);
        Fill(rng, g->BulbData(), g->BulbDataSize());
        f.record = take(g->GphHdr()->Bytes(), tag_Q9_GRP_HDR::kSize);
        f.bulbs = take(g->BulbData(), g->BulbDataSize());
      }
      if (auto* d = dynamic_cast<CQ9DataFrame*>(frame)) {
        Fill(rng, d->DataHdr()->Bytes(), tag_Q9_DATA_HDR::kSize);
        f.dataHeader = take(d->DataHdr()->Bytes(), tag_Q9_DATA_HDR::kSize);
      }
      if (auto* t = dynamic_cast<CQ9TxdFrame*>(frame)) {
        Fill(rng, t->TxdFrame()->Bytes(), tag_Q9_TXD_FRM::kSize);
        f.record = take(t->TxdFrame()->Bytes(), tag_Q9_TXD_FRM::kSize);
      }
      if (auto* inc = dynamic_cast<CQ9IncFrame*>(frame)) {
        // The first include frame is full, the second has an odd payload.
        const bool full = index == 3;
        const int count = full ? CQ9IncFrame::kMaxFields : 2;
        ASSERT_EQ(inc->SetFieldCount(uint16_t(count)), 1);
        for (int k = 0; k < count; ++k) {
          std::string path = full ? std::string(511, char('A' + k)) : "..\\Lib" + std::to_string(k);
          if (!full && k == 1) path += "x";
          ASSERT_EQ(inc->EnableField(k, k % 2), 1);
          ASSERT_EQ(inc->SetFieldPath(k, path.c_str()), 1);
          f.fields.push_back({k % 2 == 1, path});
        }
      }
      expected.frames.push_back(std::move(f));
    }
    ASSERT_EQ(seq.Save(), 1);
  }

  static void ExpectSame(const Sq9Contents& a, const Sq9Contents& b) {
    EXPECT_EQ(a.header.version, b.header.version);
    EXPECT_EQ(a.header.rows, b.header.rows);
    EXPECT_EQ(a.header.columns, b.header.columns);
    EXPECT_EQ(a.header.colorType, b.header.colorType);
    EXPECT_EQ(a.header.pixelTech, b.header.pixelTech);
    EXPECT_EQ(a.header.flags, b.header.flags);
    EXPECT_EQ(a.header.frameCount, b.header.frameCount);
    EXPECT_EQ(a.header.bulbDataSize, b.header.bulbDataSize);
    ASSERT_EQ(a.frames.size(), b.frames.size());
    for (size_t i = 0; i < a.frames.size(); ++i) {
      SCOPED_TRACE("frame " + std::to_string(i));
      EXPECT_EQ(a.frames[i].typeCode, b.frames[i].typeCode);
      EXPECT_EQ(a.frames[i].record, b.frames[i].record);
      EXPECT_EQ(a.frames[i].dataHeader, b.frames[i].dataHeader);
      EXPECT_EQ(a.frames[i].bulbs, b.frames[i].bulbs);
      ASSERT_EQ(a.frames[i].fields.size(), b.frames[i].fields.size());
      for (size_t k = 0; k < a.frames[i].fields.size(); ++k) {
        EXPECT_EQ(a.frames[i].fields[k].enabled, b.frames[i].fields[k].enabled);
        EXPECT_EQ(a.frames[i].fields[k].path, b.frames[i].fields[k].path);
      }
    }
  }

  // File offset of frame i's chunk header.
  static size_t ChunkOffset(const std::vector<uint8_t>& file, size_t frame) {
    size_t pos = kSq9PrefixSize;
    for (size_t i = 0; i < frame; ++i) {
      const uint32_t size = LoadU32(&file[pos + 4]);
      pos += 8 + size + (size & 1);
    }
    return pos;
  }
};

TEST_F(Sq9ReaderTest, EveryRecordByteAndBulbSurvivesSaveAndRead) {
  // Odd rows and columns off the 16-bulb word exercise the padded sizes.
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    SCOPED_TRACE("colour type " + std::to_string(type));
    const std::string path = PathOf("t" + std::to_string(type) + ".sq9");
    Sq9Contents expected, actual;
    MakeFull(path, 5, 19, type, expected, type + 1);
    std::string error;
    ASSERT_TRUE(ReadSq9File(path, actual, error)) << error;
    ExpectSame(expected, actual);

    // Reading and writing again gives the same bytes.
    const std::string copy = PathOf("copy.sq9");
    ASSERT_TRUE(WriteContents(actual, copy));
    EXPECT_EQ(ReadAll(copy), ReadAll(path));
  }
}

TEST_F(Sq9ReaderTest, HeaderCarriesGeometryAndPreviewFlag) {
  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("h.sq9").c_str(), 300, 1000, Q9_RGB16MB, Q9_PT_LED), 1);
  seq.SetPreviewOnly(true);
  ASSERT_EQ(seq.Save(), 1);
  seq.Close();
  const std::vector<uint8_t> file = ReadAll(PathOf("h.sq9"));
  Sq9Header header;
  std::string error;
  ASSERT_TRUE(ReadSq9Header(file, header, error)) << error;
  EXPECT_EQ(header.rows, 300);
  EXPECT_EQ(header.columns, 1000);
  EXPECT_EQ(header.colorType, Q9_RGB16MB);
  EXPECT_EQ(header.pixelTech, Q9_PT_LED);
  EXPECT_EQ(header.flags, kSq9FlagPreviewOnly);
  EXPECT_EQ(header.frameCount, 1u);
  EXPECT_EQ(header.bulbDataSize, 3000u * 300);
  // Exactly the prefix is enough for the header alone.
  EXPECT_TRUE(ReadSq9Header(std::span(file).first(kSq9PrefixSize), header, error)) << error;
  EXPECT_FALSE(ReadSq9Header(std::span(file).first(kSq9PrefixSize - 1), header, error));
  // The layout is fixed: spot-check raw bytes.
  EXPECT_EQ(std::string(file.begin(), file.begin() + 4), "RIFF");
  EXPECT_EQ(LoadU32(&file[4]) + 8, file.size());
  EXPECT_EQ(std::string(file.begin() + 8, file.begin() + 16), "SQ9 seqh");
  EXPECT_EQ(LoadU16(&file[20]), kSq9Version);
  EXPECT_EQ(std::string(file.begin() + 48, file.begin() + 52), "hdr ");
}

TEST_F(Sq9ReaderTest, EveryTruncationIsAnError) {
  Sq9Contents expected;
  MakeFull(PathOf("f.sq9"), 3, 5, Q9_TRI3, expected);
  const std::vector<uint8_t> file = ReadAll(PathOf("f.sq9"));
  for (size_t n = 0; n < file.size(); ++n) {
    Sq9Contents out;
    std::string error;
    ASSERT_FALSE(ReadSq9(std::span(file).first(n), out, error)) << n;
    ASSERT_FALSE(error.empty());
    ASSERT_EQ(error.find('\n'), std::string::npos);
  }
  std::vector<uint8_t> longer = file;
  longer.push_back(0);
  Sq9Contents out;
  std::string error;
  EXPECT_FALSE(ReadSq9(longer, out, error));
  EXPECT_TRUE(ReadSq9(file, out, error)) << error;
}

TEST_F(Sq9ReaderTest, DamagedFieldsAreNamed) {
  Sq9Contents expected;
  MakeFull(PathOf("f.sq9"), 3, 5, Q9_MONO16, expected);
  const std::vector<uint8_t> file = ReadAll(PathOf("f.sq9"));
  const size_t grp = ChunkOffset(file, 1), dat = ChunkOffset(file, 2);
  const size_t inc = ChunkOffset(file, 5), end = ChunkOffset(file, 6);
  struct Case {
    size_t offset;
    std::vector<uint8_t> bytes;
    const char* error;
  };
  auto u32 = [](uint32_t v) {
    return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
  };
  auto u16 = [](uint16_t v) { return std::vector<uint8_t>{uint8_t(v), uint8_t(v >> 8)}; };
  const uint32_t riff = LoadU32(&file[4]);
  const Case cases[] = {
      {0, {'R', 'I', 'F', 'X'}, "signature"},
      {8, {'S', 'Q', '8', ' '}, "signature"},
      {4, u32(riff + 2), "RIFF size"},
      {4, u32(riff - 2), "RIFF size"},
      {12, {'s', 'e', 'q', 'H'}, "first chunk"},
      {16, u32(30), "header chunk of 30"},
      {16, u32(1), "header chunk of 1"},
      {20, u16(2), "unsupported format version 2"},
      {20, u16(0), "unsupported format version 0"},
      {22, u16(0), "impossible geometry"},
      {24, u16(0), "impossible geometry"},
      {22, u16(5), "does not match the geometry"},
      {24, u16(17), "does not match the geometry"},
      {26, u16(1), "reserved"},
      {28, u32(15), "unknown colour type"},
      {28, u32(0xFFFFFFFF), "unknown colour type"},
      {28, u32(Q9_RGB16M), "does not match the geometry"},
      {32, u32(4), "unknown pixel technology"},
      {36, u32(2), "unknown header flags"},
      {40, u32(0), "frame count 0"},
      {40, u32(65536), "frame count 65536"},
      {40, u32(8), "names 8 frames"},
      {40, u32(6), "more frames than the 6"},
      {44, u32(expected.header.bulbDataSize + 4), "does not match the geometry"},
      {22, {0xFF, 0xFF, 0xFF, 0xFF}, "geometry too large"},
      {48, {'g', 'r', 'p', ' '}, "frame 0 is 'grp '"},
      {grp, {'h', 'd', 'r', ' '}, "only frame 0"},
      {grp, {'a', 'b', 'c', 0}, "unknown frame type"},
      {grp, {'G', 'R', 'P', ' '}, "frame 1 ('GRP '): unknown frame type"},
      {grp + 4, u32(0xFFFFFFF0), "run past the end"},
      {grp + 4, u32(LoadU32(&file[grp + 4]) - 2), "expected"},
      {dat, {'g', 'r', 'p', ' '}, "frame 2 ('grp '): payload of"},
      {end, {'t', 'x', 'd', ' '}, "payload of 0 bytes, expected 656"},
      {inc + 8, u16(17), "17 fields, at most 16"},
      {inc + 8, u16(1), "bytes after the last field"},
      {inc + 8, u16(3), "field 2: truncated"},
      {inc + 8, u16(7), "7 fields do not fit in 25 bytes"},
      {inc + 10, {2}, "enabled flag 2"},
      {inc + 11, {1}, "reserved byte"},
      {inc + 12, u16(600), "path of 600 bytes"},
      {inc + 23, u16(9), "path runs past the end"},
      {inc + 14, {0}, "NUL byte inside the path"},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bad = file;
    ASSERT_LE(c.offset + c.bytes.size(), bad.size());
    std::copy(c.bytes.begin(), c.bytes.end(), bad.begin() + std::ptrdiff_t(c.offset));
    Sq9Contents out;
    std::string error;
    EXPECT_FALSE(ReadSq9(bad, out, error)) << c.error;
    EXPECT_NE(error.find(c.error), std::string::npos)
        << "expected \"" << c.error << "\" in \"" << error << "\"";
  }
}

TEST_F(Sq9ReaderTest, FileVariantNamesThePath) {
  Sq9Contents out;
  std::string error;
  EXPECT_FALSE(ReadSq9File(PathOf("none.sq9"), out, error));
  EXPECT_NE(error.find("none.sq9"), std::string::npos) << error;
  EXPECT_FALSE(ReadSq9File(m_dir.string(), out, error));
  EXPECT_NE(error.find("not a regular file"), std::string::npos) << error;
  WriteAll(PathOf("short.sq9"), {'R', 'I', 'F', 'F'});
  EXPECT_FALSE(ReadSq9File(PathOf("short.sq9"), out, error));
  EXPECT_NE(error.find("short.sq9: not a sequence file"), std::string::npos) << error;
}

TEST(FourCCTextTest, EscapesUnprintableBytes) {
  EXPECT_EQ(FourCCText(FourCC("grp ")), "grp ");
  EXPECT_EQ(FourCCText(0x00FF0A61), "a\\x0A\\xFF\\x00");
  EXPECT_EQ(FourCCText(FourCC("a\\b\"")), "a\\x5Cb\"");
}

// The seed files of the reader's fuzz target, written by an independent
// writer from the format document: the valid ones read, and writing them
// again through the sequence library gives the same bytes.
TEST_F(Sq9ReaderTest, CommittedCorpusReadsAsNamed) {
  const std::filesystem::path corpus =
      std::filesystem::path(__FILE__).parent_path() / "../../../fuzz/corpus/sq9_reader";
  ASSERT_TRUE(std::filesystem::is_directory(corpus)) << corpus;
  int valid = 0, bad = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    const std::string name = entry.path().filename().string();
    const bool isValid = name.rfind("valid_", 0) == 0;
    if (!isValid && name.rfind("bad_", 0) != 0) continue;  // fuzzer finds
    SCOPED_TRACE(name);
    Sq9Contents contents;
    std::string error;
    const std::vector<uint8_t> file = ReadAll(entry.path().string());
    ASSERT_EQ(ReadSq9(file, contents, error), isValid) << error;
    if (!isValid) {
      ++bad;
      continue;
    }
    ++valid;
    const std::string copy = PathOf(name);
    ASSERT_TRUE(WriteContents(contents, copy));
    EXPECT_EQ(ReadAll(copy), file);
  }
  EXPECT_GE(valid, 4);
  EXPECT_GE(bad, 4);
}

}  // namespace
}  // namespace q9::platform
