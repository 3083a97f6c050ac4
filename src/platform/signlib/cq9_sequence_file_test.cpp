#include "platform/signlib/cq9_sequence_file.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/signlib/cq9_inc_frame.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/signlib/sq9_records.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

using testing::ReadAll;
using testing::WriteAll;
namespace fs = std::filesystem;

class SequenceFileTest : public testing::TempDirTest {
 protected:
  // A writable 4 x 6 Mono4 sequence at name.
  void OpenSmall(CQ9SequenceFile& seq, const std::string& name) {
    ASSERT_EQ(seq.OpenCreate(PathOf(name).c_str(), 4, 6, Q9_MONO4, Q9_PT_INCANDESCENT), 1);
  }
  // The file at name as read; no frames when it does not read.
  Sq9Contents InFile(const std::string& name) {
    Sq9Contents contents;
    std::string error;
    EXPECT_TRUE(ReadSq9File(PathOf(name), contents, error)) << error;
    return contents;
  }
};

TEST_F(SequenceFileTest, OpenCreateRefusesImpossibleGeometryAndDestination) {
  struct Case {
    uint16_t rows, columns;
    uint32_t colorType, pixelTech;
    int expected;
  };
  // 32768 x 16384 Mono1 is exactly 64 MiB of bulbs; one more row pads to two.
  const Case cases[] = {{0, 10, Q9_MONO1, 1, 0},         {10, 10, 15, 1, 0},
                        {10, 10, Q9_RGB16MB, 4, 0},      {10, 10, Q9_RGB16MB, 3, 1},
                        {32768, 16384, Q9_MONO1, 1, 1},  {32769, 16384, Q9_MONO1, 1, 0},
                        {65535, 65535, Q9_RGB16MB, 1, 0}};
  for (const Case& c : cases) {
    CQ9SequenceFile seq;
    EXPECT_EQ(seq.OpenCreate(PathOf("g.sq9").c_str(), c.rows, c.columns, c.colorType, c.pixelTech),
              c.expected)
        << c.rows << "x" << c.columns << " type " << c.colorType << " tech " << c.pixelTech;
    seq.Close();
    EXPECT_TRUE(Listing().empty());
  }
  // /proc cannot take a file, whoever runs the test.
  CQ9SequenceFile seq;
  for (const std::string& path :
       {m_dir.string(), PathOf("missing/a.sq9"), std::string("/proc/a")}) {
    EXPECT_EQ(seq.OpenCreate(path.c_str(), 4, 4, Q9_MONO1, 1), 0) << path;
    EXPECT_EQ(seq.Save(), 0);
  }
  EXPECT_TRUE(Listing().empty());
}

TEST_F(SequenceFileTest, AddFramePositions) {
  const uint32_t H = FourCC("hdr "), G = kFrameGraphics, D = kFrameData, T = kFrameTransmitData,
                 E = kFrameEnd;
  // Starting from hdr, grp, dat, txd (count 4), an end frame goes to:
  const struct {
    int position, expected;
    std::vector<uint32_t> order;
  } cases[] = {{-1, 4, {H, G, D, T, E}}, {1, 1, {H, E, G, D, T}}, {3, 3, {H, G, D, E, T}},
               {99, 4, {H, G, D, T, E}}, {0, -1, {H, G, D, T}},   {-2, -1, {H, G, D, T}}};
  for (const auto& c : cases) {
    CQ9SequenceFile seq;
    OpenSmall(seq, "a.sq9");
    for (uint32_t code : {G, D, T}) ASSERT_GT(seq.AddFrame(code, -1), 0);
    EXPECT_EQ(seq.AddFrame(E, c.position), c.expected) << "position " << c.position;
    std::vector<uint32_t> order;
    for (int i = 0; i < seq.FrameCount(); ++i) order.push_back(seq.Frame(i)->TypeCode());
    EXPECT_EQ(order, c.order) << "position " << c.position;
    for (uint32_t code : {H, FourCC("GRP ")}) EXPECT_EQ(seq.AddFrame(code, -1), -1);
  }
}

// At most 16 fields of at most 511 bytes; a refused path leaves the field
// as it was.
TEST(IncFrameTest, FieldCountAndPathLimits) {
  CQ9IncFrame inc;
  EXPECT_EQ(inc.SetFieldCount(17), 0);
  ASSERT_EQ(inc.SetFieldCount(16), 1);
  ASSERT_EQ(inc.SetFieldCount(3), 1);
  const std::string max(511, 'p');
  EXPECT_EQ(inc.SetFieldPath(1, max.c_str()), 1);
  EXPECT_EQ(inc.SetFieldPath(1, (max + "p").c_str()), 0);
  EXPECT_EQ(inc.FieldPath(1), max);
  EXPECT_EQ(inc.PayloadSize(), 2u + 3 * 4 + 511);  // count, then per field 4 bytes and the path
}

TEST_F(SequenceFileTest, FrameLimitIs65535FramesAnd32BitRiffSize) {
  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("limit.sq9").c_str(), 1, 1, Q9_MONO1, 1), 1);
  for (int i = 1; i < 65535; ++i) ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), i);
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), -2);
  EXPECT_EQ(seq.AddFrame(kFrameEnd, 1), -2);
  ASSERT_EQ(seq.Save(), 1);
  EXPECT_EQ(InFile("limit.sq9").frames.size(), 65535u);

  // 64 MiB of bulbs per frame: 63 graphics frames fit below 4 GiB. The
  // frames' pages are never touched, so this costs address space only.
  ASSERT_EQ(seq.OpenCreate(PathOf("big.sq9").c_str(), 32768, 16384, Q9_MONO1, 1), 1);
  for (int i = 1; i <= 63; ++i) ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), i);
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), -2);
  EXPECT_EQ(seq.AddFrame(kFrameEnd, -1), 64);  // smaller frames still fit
}

TEST_F(SequenceFileTest, PreviewOnlyFileIsNeverOverwritten) {
  CQ9SequenceFile seq;
  OpenSmall(seq, "p.sq9");
  seq.SetPreviewOnly(true);
  ASSERT_EQ(seq.Save(), 1);  // tools may write preview-only sequences
  const std::vector<uint8_t> before = ReadAll(PathOf("p.sq9"));

  ASSERT_EQ(seq.OpenCreate(PathOf("p.sq9").c_str(), 10, 10, Q9_MONO1, 1), 1);
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), 1);
  seq.SetPreviewOnly(false);  // does not lift the protection
  EXPECT_EQ(seq.Save(), 0);
  seq.Close();
  EXPECT_EQ(ReadAll(PathOf("p.sq9")), before);
  EXPECT_EQ(Listing(), std::vector<std::string>{"p.sq9"});
}

// Until Save the destination stays as it was and a temporary file in its
// folder takes the frames; closing leaves no trace.
TEST_F(SequenceFileTest, SaveReplacesTheOldFileAtOnceCloseLeavesNoTrace) {
  const std::vector<uint8_t> old = {'R', 'I', 'F', 'F'};  // not a sequence: replaced
  WriteAll(PathOf("s.sq9"), old);
  CQ9SequenceFile seq;
  OpenSmall(seq, "s.sq9");
  // The temporary file has no name until Save, or where the file system
  // cannot make unnamed files a short hidden one.
  for (const std::string& name : Listing())
    EXPECT_TRUE(name == "s.sq9" || name.starts_with(".q9-")) << name;
  ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), 1);
  seq.Close();
  EXPECT_EQ(ReadAll(PathOf("s.sq9")), old);
  EXPECT_EQ(Listing(), std::vector<std::string>{"s.sq9"});

  // A new frame the caller leaves alone is written as zeros.
  OpenSmall(seq, "s.sq9");
  ASSERT_EQ(seq.AddFrame(kFrameData, -1), 1);
  ASSERT_EQ(seq.Save(), 1);
  EXPECT_EQ(Listing(), std::vector<std::string>{"s.sq9"});
  const Sq9Contents saved = InFile("s.sq9");
  ASSERT_EQ(saved.frames.size(), 2u);
  const Sq9Frame& data = saved.frames[1];
  EXPECT_EQ(data.bulbs, std::vector<uint8_t>(BulbDataSize(4, 6, Q9_MONO4), 0));
  EXPECT_EQ(data.record, std::vector<uint8_t>(tag_Q9_GRP_HDR::kSize, 0));
  EXPECT_EQ(data.dataHeader, std::vector<uint8_t>(tag_Q9_DATA_HDR::kSize, 0));
  // Not the owner-only mode of a temporary file.
  EXPECT_NE(fs::status(PathOf("s.sq9")).permissions() & fs::perms::others_read, fs::perms::none);

  // A failed save (the destination is now a non-empty directory, so the
  // rename fails) leaves no temporary file.
  ASSERT_TRUE(fs::remove(PathOf("s.sq9")) && fs::create_directory(PathOf("s.sq9")));
  WriteAll(PathOf("s.sq9/inside"), {1});
  EXPECT_EQ(seq.Save(), 0);
  seq.Close();
  EXPECT_EQ(Listing(), std::vector<std::string>{"s.sq9"});
}

}  // namespace
}  // namespace q9::platform
