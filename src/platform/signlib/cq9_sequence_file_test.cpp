#include "platform/signlib/cq9_sequence_file.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "platform/signlib/cq9_data_frame.h"
#include "platform/signlib/cq9_hdr_frame.h"
#include "platform/signlib/cq9_inc_frame.h"
#include "platform/signlib/cq9_txd_frame.h"
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

// Bytes that differ from themselves moved by any distance: a chunk copied
// from a wrong offset does not look right by chance.
std::vector<uint8_t> Pattern(size_t n, int tag) {
  std::vector<uint8_t> bytes(n);
  uint32_t x = uint32_t(tag) * 2654435761u + 1;
  for (uint8_t& b : bytes) {
    x = x * 1103515245u + 12345u;
    b = uint8_t(x >> 16);
  }
  return bytes;
}

// Each frame carries a tag in every part of it, so that the file shows which
// frame landed where and whether all of it did.
void Tag(CQ9Frame& frame, int tag) {
  const auto t = static_cast<uint8_t>(tag);
  if (auto* g = dynamic_cast<CQ9GphFrame*>(&frame)) {
    g->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, uint32_t(tag));
    const std::vector<uint8_t> bulbs = Pattern(g->BulbDataSize(), tag);
    std::memcpy(g->BulbData(), bulbs.data(), bulbs.size());
  }
  if (auto* d = dynamic_cast<CQ9DataFrame*>(&frame)) std::memset(d->DataHdr()->Bytes(), t, 960);
  if (auto* inc = dynamic_cast<CQ9IncFrame*>(&frame)) {
    // Paths of many lengths, odd and even: chunks with and without a pad
    // byte, growing or shrinking when tagged again.
    const std::string path = "F" + std::to_string(tag) + std::string(size_t(tag * 211 % 509), 'x');
    inc->SetFieldCount(1);
    inc->SetFieldPath(0, path.c_str());
  }
  if (auto* txd = dynamic_cast<CQ9TxdFrame*>(&frame)) txd->TxdFrame()->SetText(std::to_string(tag));
  if (auto* hdr = dynamic_cast<CQ9HdrFrame*>(&frame)) hdr->HdrFrame()->bytes[0] = t;
}

// The tag of a frame as read, or -1 when a part of it does not carry it.
int TagOf(const Sq9Frame& f) {
  const auto all = [](const std::vector<uint8_t>& bytes, size_t n, uint8_t t) {
    return bytes.size() >= n &&
           std::all_of(bytes.begin(), bytes.begin() + long(n), [t](uint8_t b) { return b == t; });
  };
  if (f.typeCode == kFrameSequenceHeader) return f.record[0];
  if (f.typeCode == kFrameTransmitData) return std::stoi(RecordText(f.record, 400, 255));
  if (f.typeCode == kFrameInclude)
    return f.fields.size() == 1 ? std::stoi(f.fields[0].path.substr(1)) : -1;
  if (f.typeCode == kFrameEnd) return 0;
  const int tag = int(LoadU32(f.record.data() + tag_Q9_GRP_HDR::kHoldTime));
  const bool whole = f.bulbs == Pattern(f.bulbs.size(), tag) &&
                     (f.typeCode != kFrameData || all(f.dataHeader, 960, uint8_t(tag)));
  return whole ? tag : -1;
}

// Frames reach the file as they are added; those inserted before written
// ones, and written ones taken up again, are put in their places by Save.
// What a sequence kept whole in memory would write, whatever the order of
// the calls: every frame in its place, with all its bytes.
TEST_F(SequenceFileTest, StreamedFramesLandWhereTheyBelong) {
  const uint32_t G = kFrameGraphics, D = kFrameData, I = kFrameInclude, T = kFrameTransmitData,
                 E = kFrameEnd;
  constexpr uint32_t kRetag = 0;  // take up frame `at` again and give it a new tag
  struct Op {
    uint32_t type;
    int at;  // AddFrame's position, or the frame to retag
  };
  // 256 x 800 RGB16MB: 600 KiB of bulbs a frame, so that frames moving
  // together outgrow the buffer they move through.
  const struct Case {
    const char* what;
    uint16_t rows, columns;
    std::vector<Op> ops;
  } cases[] = {
      {"appended only", 4, 6, {{G, -1}, {D, -1}, {I, -1}, {T, -1}, {E, -1}}},
      {"audio frame after a video",
       256,
       800,
       {{G, -1}, {G, -1}, {G, -1}, {G, -1}, {G, -1}, {T, 1}}},
      {"inserted in several places",
       256,
       800,
       {{G, -1}, {D, -1}, {G, -1}, {G, -1}, {E, 2}, {I, 4}, {T, 1}, {G, -1}}},
      {"taken up again: later frames move down",
       256,
       800,
       {{G, -1}, {G, -1}, {G, -1}, {G, -1}, {G, -1}, {kRetag, 2}, {kRetag, 0}}},
      {"taken up and inserted",
       256,
       800,
       {{G, -1}, {G, -1}, {I, -1}, {G, -1}, {kRetag, 1}, {T, 3}, {kRetag, 4}, {G, -1}, {E, 99}}},
      {"the last stored frame taken up", 4, 6, {{G, -1}, {D, -1}, {G, -1}, {kRetag, 2}}},
      {"an include frame shrinks: later frames move down",
       256,
       800,
       {{G, -1}, {I, -1}, {G, -1}, {G, -1}, {G, -1}, {kRetag, 2}}},
      {"small frames among large ones",
       256,
       800,
       {{I, -1}, {G, -1}, {I, -1}, {I, -1}, {G, -1}, {kRetag, 3}, {T, 2}, {E, -1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    CQ9SequenceFile seq;
    ASSERT_EQ(seq.OpenCreate(PathOf("s.sq9").c_str(), c.rows, c.columns, Q9_RGB16MB, 1), 1);
    std::vector<std::pair<uint32_t, int>> expected = {{FourCC("hdr "), 0}};
    int next = 1;
    for (const Op& op : c.ops) {
      const int tag = next++;
      int index = op.at;
      if (op.type != kRetag) {
        index = seq.AddFrame(op.type, op.at);
        ASSERT_GT(index, 0);
        expected.insert(expected.begin() + index, {op.type, 0});
      }
      CQ9Frame* frame = seq.Frame(index);
      ASSERT_NE(frame, nullptr);
      ASSERT_EQ(frame->TypeCode(), expected[size_t(index)].first);
      Tag(*frame, tag);
      expected[size_t(index)].second = frame->TypeCode() == E ? 0 : tag;
    }
    ASSERT_EQ(seq.Save(), 1);
    const Sq9Contents saved = InFile("s.sq9");
    std::vector<std::pair<uint32_t, int>> found;
    for (const Sq9Frame& f : saved.frames) found.emplace_back(f.typeCode, TagOf(f));
    EXPECT_EQ(found, expected);
    EXPECT_EQ(Listing(), std::vector<std::string>{"s.sq9"});
  }
}

// Frames that nobody filled go to the file as holes, which read as zeros,
// also at its end and when frames move past them.
TEST_F(SequenceFileTest, FramesNobodyFilledReadAsZeros) {
  for (const bool insert : {false, true}) {
    CQ9SequenceFile seq;
    ASSERT_EQ(seq.OpenCreate(PathOf("z.sq9").c_str(), 256, 800, Q9_RGB16MB, 1), 1);
    ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), 1);
    ASSERT_EQ(seq.AddFrame(kFrameGraphics, -1), 2);
    Tag(*seq.Frame(2), 7);
    ASSERT_EQ(seq.AddFrame(kFrameData, -1), 3);  // the last one, left alone too
    if (insert) {
      ASSERT_EQ(seq.AddFrame(kFrameEnd, 1), 1);
    }
    ASSERT_EQ(seq.Save(), 1);
    const Sq9Contents saved = InFile("z.sq9");
    ASSERT_EQ(saved.frames.size(), insert ? 5u : 4u);
    const std::vector<uint8_t> zeros(BulbDataSize(256, 800, Q9_RGB16MB), 0);
    const size_t first = insert ? 2 : 1;
    EXPECT_EQ(saved.frames[first].bulbs, zeros);
    EXPECT_EQ(TagOf(saved.frames[first + 1]), 7);
    EXPECT_EQ(saved.frames[first + 2].bulbs, zeros);
    EXPECT_EQ(saved.frames[first + 2].dataHeader, std::vector<uint8_t>(tag_Q9_DATA_HDR::kSize, 0));
  }
}

// A disk that fills up while frames stream: the frame that cannot be written
// makes the next AddFrame fail, Save gives 0, and nothing is left behind.
TEST_F(SequenceFileTest, AWriteThatFailsStopsAddingAndSaving) {
  const pid_t child = fork();
  if (child == 0) {
    // The file size limit stands for the full disk, in a child of its own.
    signal(SIGXFSZ, SIG_IGN);
    const rlimit limit{1 << 20, 1 << 20};
    if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(3);
    CQ9SequenceFile seq;
    if (seq.OpenCreate(PathOf("f.sq9").c_str(), 256, 800, Q9_RGB16MB, 1) != 1) _exit(4);
    int added = 0, result = 0;
    while ((result = seq.AddFrame(kFrameGraphics, -1)) > 0 && added < 10) {
      Tag(*seq.Frame(result), 1);
      ++added;
    }
    // 1 MiB holds one or two frames of 600 KiB (writes are buffered), not ten.
    const bool ok = result == CQ9SequenceFile::kErrorInsertingFrame && added >= 1 && added < 10 &&
                    seq.Save() == 0;
    seq.Close();
    _exit(ok ? 0 : 1);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  EXPECT_TRUE(Listing().empty());
}

}  // namespace
}  // namespace q9::platform
