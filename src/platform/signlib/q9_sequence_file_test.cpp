#include "platform/signlib/q9_sequence_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <cstring>
#include <filesystem>

#include "platform/signlib/q9_data_frame.h"
#include "platform/signlib/q9_gph_frame.h"
#include "platform/signlib/q9_hdr_frame.h"
#include "platform/signlib/q9_inc_frame.h"
#include "platform/signlib/q9_txd_frame.h"
#include "platform/signlib/sq9_reader.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

using testing::ReadAll;
using testing::WriteAll;

class SequenceFileTest : public testing::TempDirTest {
 protected:
  // A writable 4 x 6 Mono4 sequence at name.
  void OpenSmall(CQ9SequenceFile& seq, const std::string& name = "a.sq9") {
    ASSERT_EQ(seq.OpenCreate(PathOf(name).c_str(), 4, 6, Q9_MONO4, Q9_PT_INCANDESCENT), 1);
  }
  std::vector<uint32_t> Types(const CQ9SequenceFile& seq) {
    std::vector<uint32_t> types;
    for (int i = 0; i < seq.FrameCount(); ++i) types.push_back(seq.Frame(i)->TypeCode());
    return types;
  }
};

TEST_F(SequenceFileTest, NewSequenceHoldsOnlyTheHeaderFrame) {
  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("a.sq9").c_str(), 7, 20, Q9_RGB4K, Q9_PT_LED), 1);
  EXPECT_EQ(seq.FrameCount(), 1);
  ASSERT_NE(seq.Frame(0), nullptr);
  EXPECT_EQ(seq.Frame(0)->TypeCode(), FourCC("hdr "));
  EXPECT_TRUE(seq.Frame(0)->IsKindOf(&CQ9HdrFrame::classCQ9HdrFrame));
  EXPECT_EQ(seq.Frame(1), nullptr);
  EXPECT_EQ(seq.Frame(-1), nullptr);
  EXPECT_EQ(seq.Geometry(), (SignGeometry{7, 20, Q9_RGB4K}));
  EXPECT_EQ(seq.PixelTech(), Q9_PT_LED);
  EXPECT_EQ(seq.BulbDataSize(), BulbDataSize(7, 20, Q9_RGB4K));
  EXPECT_EQ(seq.IsPreviewOnly(), 0);
}

TEST_F(SequenceFileTest, OpenCreateRefusesImpossibleGeometry) {
  struct Case {
    uint16_t rows, columns;
    uint32_t colorType, pixelTech;
    int expected;
  };
  // 32768 x 16384 Mono1 is exactly 64 MiB of bulbs; one more row pads to two.
  const Case cases[] = {
      {0, 10, Q9_MONO1, 1, 0},
      {10, 0, Q9_MONO1, 1, 0},
      {10, 10, 15, 1, 0},
      {10, 10, 0xFFFFFFFF, 1, 0},
      {10, 10, Q9_RGB16MB, 4, 0},
      {10, 10, Q9_RGB16MB, 3, 1},
      {10, 10, Q9_MONO1, 0, 1},
      {32768, 16384, Q9_MONO1, 1, 1},
      {32769, 16384, Q9_MONO1, 1, 0},
      {65535, 65535, Q9_RGB16M, 1, 0},
      {65535, 65535, Q9_RGB16MB, 1, 0},
      {1, 65535, Q9_RGB16MB, 1, 1},
  };
  for (const Case& c : cases) {
    CQ9SequenceFile seq;
    EXPECT_EQ(seq.OpenCreate(PathOf("g.sq9").c_str(), c.rows, c.columns, c.colorType, c.pixelTech),
              c.expected)
        << c.rows << "x" << c.columns << " type " << c.colorType << " tech " << c.pixelTech;
    EXPECT_EQ(seq.FrameCount(), c.expected);
    seq.Close();
    EXPECT_TRUE(Listing().empty());
  }
  CQ9SequenceFile seq;
  EXPECT_EQ(seq.OpenCreate(nullptr, 1, 1, Q9_MONO1, 1), 0);
  EXPECT_EQ(seq.OpenCreate("", 1, 1, Q9_MONO1, 1), 0);
  EXPECT_EQ(seq.OpenCreate((m_dir.string() + "/").c_str(), 1, 1, Q9_MONO1, 1), 0);
  EXPECT_EQ(seq.OpenCreate(m_dir.c_str(), 1, 1, Q9_MONO1, 1), 0);  // a directory
}

TEST_F(SequenceFileTest, AddFramePositions) {
  struct Case {
    int position;
    int expected;
    std::vector<uint32_t> order;
  };
  const uint32_t H = FourCC("hdr "), G = kFrameGraphics, D = kFrameData, T = kFrameTransmitData,
                 E = kFrameEnd;
  // Starting from hdr, grp, dat, txd (count 4), an end frame goes to:
  const Case cases[] = {
      {-1, 4, {H, G, D, T, E}}, {1, 1, {H, E, G, D, T}},       {2, 2, {H, G, E, D, T}},
      {3, 3, {H, G, D, E, T}},  {4, 4, {H, G, D, T, E}},       {5, 4, {H, G, D, T, E}},
      {99, 4, {H, G, D, T, E}}, {INT_MAX, 4, {H, G, D, T, E}}, {0, -1, {H, G, D, T}},
      {-2, -1, {H, G, D, T}},   {-5, -1, {H, G, D, T}},        {INT_MIN, -1, {H, G, D, T}},
  };
  for (const Case& c : cases) {
    CQ9SequenceFile seq;
    OpenSmall(seq);
    ASSERT_EQ(seq.AddFrame(G, -1), 1);
    ASSERT_EQ(seq.AddFrame(D, -1), 2);
    ASSERT_EQ(seq.AddFrame(T, -1), 3);
    CQ9Frame* graphics = seq.Frame(1);
    EXPECT_EQ(seq.AddFrame(E, c.position), c.expected) << "position " << c.position;
    EXPECT_EQ(Types(seq), c.order) << "position " << c.position;
    // Frames already handed out stay where they are in memory.
    EXPECT_EQ(seq.Frame(c.expected == 1 ? 2 : 1), graphics);
  }
}

TEST_F(SequenceFileTest, AddFrameRefusesUnknownTypesAndClosedSequences) {
  CQ9SequenceFile seq;
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), -1);  // never opened
  OpenSmall(seq);
  for (uint32_t code : {FourCC("hdr "), FourCC("GRP "), FourCC("grp\0"), 0u, 0xFFFFFFFFu})
    EXPECT_EQ(seq.AddFrame(code, -1), -1) << FourCCText(code);
  EXPECT_EQ(seq.FrameCount(), 1);
  seq.Close();
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), -1);
  EXPECT_EQ(seq.Frame(0), nullptr);
  EXPECT_EQ(seq.FrameCount(), 0);
  EXPECT_EQ(seq.Save(), 0);
}

TEST_F(SequenceFileTest, NewFramesAreZeroedAndOfTheirClass) {
  struct Case {
    uint32_t code;
    const CQ9RuntimeClass* cls;
  };
  const Case cases[] = {{kFrameGraphics, &CQ9GphFrame::classCQ9GphFrame},
                        {kFrameData, &CQ9DataFrame::classCQ9DataFrame},
                        {kFrameInclude, &CQ9IncFrame::classCQ9IncFrame},
                        {kFrameTransmitData, &CQ9TxdFrame::classCQ9TxdFrame},
                        {kFrameEnd, &CQ9Frame::classCQ9Frame}};
  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("z.sq9").c_str(), 9, 33, Q9_RGB16MB, 1), 1);
  auto allZero = [](const uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i)
      if (p[i] != 0) return false;
    return true;
  };
  for (const Case& c : cases) {
    const int index = seq.AddFrame(c.code, -1);
    ASSERT_GT(index, 0);
    CQ9Frame* frame = seq.Frame(index);
    EXPECT_EQ(frame->TypeCode(), c.code);
    EXPECT_TRUE(frame->IsKindOf(c.cls)) << FourCCText(c.code);
    if (auto* g = dynamic_cast<CQ9GphFrame*>(frame)) {
      ASSERT_EQ(g->BulbDataSize(), BulbDataSize(9, 33, Q9_RGB16MB));
      EXPECT_TRUE(allZero(g->BulbData(), g->BulbDataSize()));
      EXPECT_TRUE(allZero(g->GphHdr()->Bytes(), tag_Q9_GRP_HDR::kSize));
    }
    if (auto* d = dynamic_cast<CQ9DataFrame*>(frame)) {
      EXPECT_TRUE(allZero(d->DataHdr()->Bytes(), tag_Q9_DATA_HDR::kSize));
    }
    if (auto* t = dynamic_cast<CQ9TxdFrame*>(frame)) {
      EXPECT_TRUE(allZero(t->TxdFrame()->Bytes(), tag_Q9_TXD_FRM::kSize));
    }
    if (auto* inc = dynamic_cast<CQ9IncFrame*>(frame)) {
      EXPECT_EQ(inc->FieldCount(), 0);
    }
  }
  // SetFrameDefaults takes a written data frame back to that state.
  auto* data = dynamic_cast<CQ9DataFrame*>(seq.Frame(2));
  ASSERT_NE(data, nullptr);
  std::memset(data->BulbData(), 0x5A, data->BulbDataSize());
  data->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, 300);
  data->DataHdr()->SetU16(tag_Q9_DATA_HDR::kEntryCount, 128);
  data->SetFrameDefaults();
  EXPECT_TRUE(allZero(data->BulbData(), data->BulbDataSize()));
  EXPECT_TRUE(allZero(data->GphHdr()->Bytes(), tag_Q9_GRP_HDR::kSize));
  EXPECT_TRUE(allZero(data->DataHdr()->Bytes(), tag_Q9_DATA_HDR::kSize));
}

TEST_F(SequenceFileTest, FrameLimitIs65535Frames) {
  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("limit.sq9").c_str(), 1, 1, Q9_MONO1, 1), 1);
  for (int i = 1; i < 65535; ++i) ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), i);
  EXPECT_EQ(seq.FrameCount(), 65535);
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), -2);
  EXPECT_EQ(seq.AddFrame(kFrameEnd, 1), -2);
  EXPECT_EQ(seq.AddFrame(FourCC("abcd"), -1), -1);  // a bad argument still reads as such
  EXPECT_EQ(seq.FrameCount(), 65535);
  ASSERT_EQ(seq.Save(), 1);
  seq.Close();
  Sq9Contents contents;
  std::string error;
  ASSERT_TRUE(ReadSq9File(PathOf("limit.sq9"), contents, error)) << error;
  EXPECT_EQ(contents.header.frameCount, 65535u);
  EXPECT_EQ(contents.frames.size(), 65535u);
}

TEST_F(SequenceFileTest, FrameLimitKeepsTheRiffSizeWithin32Bits) {
  // 64 MiB of bulbs per frame: 63 graphics frames fit below 4 GiB. The
  // frames' pages are never touched, so this costs address space only.
  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("big.sq9").c_str(), 32768, 16384, Q9_MONO1, 1), 1);
  const uint64_t frameBytes = 8 + 64 + (uint64_t(1) << 26);
  const uint64_t fixedBytes = 4 + (8 + 28) + (8 + 64);
  const uint64_t fitting = (0xFFFFFFFFull - fixedBytes) / frameBytes;
  ASSERT_EQ(fitting, 63u);
  for (uint64_t i = 1; i <= fitting; ++i)
    ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), static_cast<int>(i));
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), -2);
  EXPECT_EQ(seq.AddFrame(kFrameData, -1), -2);
  // Smaller frames still fit in what is left.
  EXPECT_EQ(seq.AddFrame(kFrameEnd, -1), static_cast<int>(fitting + 1));
  EXPECT_EQ(seq.AddFrame(kFrameInclude, 1), 1);
}

TEST_F(SequenceFileTest, PreviewOnlyFileIsNeverOverwritten) {
  {
    CQ9SequenceFile maker;
    OpenSmall(maker, "p.sq9");
    ASSERT_GT(maker.AddFrame(kFrameGraphics, -1), 0);
    maker.SetPreviewOnly(true);
    EXPECT_NE(maker.IsPreviewOnly(), 0);
    ASSERT_EQ(maker.Save(), 1);  // tools may write preview-only sequences
  }
  const std::vector<uint8_t> before = ReadAll(PathOf("p.sq9"));
  ASSERT_FALSE(before.empty());

  CQ9SequenceFile seq;
  ASSERT_EQ(seq.OpenCreate(PathOf("p.sq9").c_str(), 10, 10, Q9_MONO1, 1), 1);
  EXPECT_NE(seq.IsPreviewOnly(), 0);
  EXPECT_EQ(seq.FrameCount(), 1);
  EXPECT_EQ(seq.AddFrame(kFrameGraphics, -1), 1);
  seq.SetPreviewOnly(false);  // does not lift the protection
  EXPECT_NE(seq.IsPreviewOnly(), 0);
  EXPECT_EQ(seq.Save(), 0);
  seq.Close();
  EXPECT_EQ(ReadAll(PathOf("p.sq9")), before);
  EXPECT_EQ(Listing(), std::vector<std::string>{"p.sq9"});

  // The same object opens an ordinary destination afterwards.
  ASSERT_EQ(seq.OpenCreate(PathOf("q.sq9").c_str(), 10, 10, Q9_MONO1, 1), 1);
  EXPECT_EQ(seq.IsPreviewOnly(), 0);
}

TEST_F(SequenceFileTest, FilesThatAreNotSequencesAreReplaced) {
  const std::vector<std::vector<uint8_t>> olds = {
      {}, {'R', 'I', 'F', 'F'}, std::vector<uint8_t>(100, 0xFF)};
  for (const auto& old : olds) {
    WriteAll(PathOf("x.sq9"), old);
    CQ9SequenceFile seq;
    OpenSmall(seq, "x.sq9");
    EXPECT_EQ(seq.IsPreviewOnly(), 0);
    ASSERT_EQ(seq.Save(), 1);
    seq.Close();
    Sq9Contents contents;
    std::string error;
    EXPECT_TRUE(ReadSq9File(PathOf("x.sq9"), contents, error)) << error;
  }
}

TEST_F(SequenceFileTest, SaveReplacesTheOldFileAtOnce) {
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  WriteAll(PathOf("s.sq9"), old);
  CQ9SequenceFile seq;
  OpenSmall(seq, "s.sq9");
  // The temporary file exists beside the destination from the start.
  std::vector<std::string> names = Listing();
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0].rfind(".s.sq9.", 0), 0u) << names[0];
  ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), 1);
  EXPECT_EQ(ReadAll(PathOf("s.sq9")), old);

  ASSERT_EQ(seq.Save(), 1);
  EXPECT_EQ(Listing(), std::vector<std::string>{"s.sq9"});
  Sq9Contents contents;
  std::string error;
  ASSERT_TRUE(ReadSq9File(PathOf("s.sq9"), contents, error)) << error;
  EXPECT_EQ(contents.frames.size(), 2u);

  // A second Save writes the sequence again, with what was added since.
  ASSERT_EQ(seq.AddFrame(kFrameEnd, -1), 2);
  ASSERT_EQ(seq.Save(), 1);
  seq.Close();
  EXPECT_EQ(Listing(), std::vector<std::string>{"s.sq9"});
  ASSERT_TRUE(ReadSq9File(PathOf("s.sq9"), contents, error)) << error;
  EXPECT_EQ(contents.frames.size(), 3u);
}

TEST_F(SequenceFileTest, SavedFileGetsOrdinaryPermissions) {
  CQ9SequenceFile seq;
  OpenSmall(seq, "m.sq9");
  ASSERT_EQ(seq.Save(), 1);
  const auto perms = std::filesystem::status(PathOf("m.sq9")).permissions();
  // Not the owner-only mode of a temporary file.
  EXPECT_NE(perms & std::filesystem::perms::others_read, std::filesystem::perms::none);
}

TEST_F(SequenceFileTest, CloseWithoutSaveLeavesEverythingAsItWas) {
  {
    CQ9SequenceFile seq;
    OpenSmall(seq, "new.sq9");
    seq.AddFrame(kFrameGraphics, -1);
    seq.Close();
    EXPECT_TRUE(Listing().empty());
    seq.Close();  // twice is harmless
  }
  {
    const std::vector<uint8_t> old = {1, 2, 3, 4};
    WriteAll(PathOf("old.sq9"), old);
    CQ9SequenceFile seq;
    OpenSmall(seq, "old.sq9");
    seq.AddFrame(kFrameGraphics, -1);
  }  // the destructor closes too
  EXPECT_EQ(ReadAll(PathOf("old.sq9")), (std::vector<uint8_t>{1, 2, 3, 4}));
  EXPECT_EQ(Listing(), std::vector<std::string>{"old.sq9"});
}

TEST_F(SequenceFileTest, ReopeningClosesTheFirstSequenceUnsaved) {
  CQ9SequenceFile seq;
  OpenSmall(seq, "first.sq9");
  seq.AddFrame(kFrameGraphics, -1);
  ASSERT_EQ(seq.OpenCreate(PathOf("second.sq9").c_str(), 3, 3, Q9_RGB32KB, 2), 1);
  EXPECT_EQ(seq.FrameCount(), 1);
  EXPECT_EQ(seq.Geometry(), (SignGeometry{3, 3, Q9_RGB32KB}));
  ASSERT_EQ(seq.Save(), 1);
  seq.Close();
  EXPECT_EQ(Listing(), std::vector<std::string>{"second.sq9"});
}

TEST_F(SequenceFileTest, UnwritableDestinationFailsAtOpen) {
  ASSERT_TRUE(std::filesystem::create_directory(m_dir / "locked"));
  WriteAll(PathOf("plain"), {1});
  std::vector<std::string> paths = {PathOf("missing/a.sq9"), PathOf("plain/a.sq9"),
                                    "/proc/q9-no-such-dir/a.sq9", "/proc/a.sq9"};
  // Permission bits do not stop the superuser; the /proc paths cover that case.
  if (geteuid() != 0) {
    std::filesystem::permissions(
        m_dir / "locked", std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    paths.push_back(PathOf("locked/a.sq9"));
  }
  for (const std::string& path : paths) {
    CQ9SequenceFile seq;
    EXPECT_EQ(seq.OpenCreate(path.c_str(), 4, 4, Q9_MONO1, 1), 0) << path;
    EXPECT_EQ(seq.FrameCount(), 0);
    EXPECT_EQ(seq.Save(), 0);
    seq.Close();
  }
  EXPECT_EQ(Listing(), (std::vector<std::string>{"locked", "plain"}));
  EXPECT_TRUE(std::filesystem::is_empty(m_dir / "locked"));
}

TEST_F(SequenceFileTest, FailedSaveLeavesNoTemporaryFile) {
  CQ9SequenceFile seq;
  OpenSmall(seq, "d.sq9");
  // The destination turns into a non-empty directory: the rename must fail.
  ASSERT_TRUE(std::filesystem::create_directory(m_dir / "d.sq9"));
  WriteAll(PathOf("d.sq9/inside"), {1});
  EXPECT_EQ(seq.Save(), 0);
  seq.Close();
  EXPECT_EQ(Listing(), std::vector<std::string>{"d.sq9"});
}

}  // namespace
}  // namespace q9::platform
