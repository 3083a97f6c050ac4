#include "cli/sequence_info.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "cli/cli_test_support.h"
#include "cli/hex.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/q9_data_frame.h"
#include "platform/signlib/q9_gph_frame.h"
#include "platform/signlib/q9_hdr_frame.h"
#include "platform/signlib/q9_inc_frame.h"
#include "platform/signlib/q9_sequence_file.h"
#include "platform/signlib/q9_txd_frame.h"
#include "platform/signlib/seq_writer.h"

namespace q9::cli {
namespace {

using nlohmann::json;
using namespace testing;
using namespace platform;

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 7 + seed);
  return bytes;
}

struct Sq9Case {
  uint16_t rows, columns;
  uint32_t colorType, pixelTech;
  bool previewOnly;
};

class SequenceInfoTest : public TempDirTest {
 protected:
  // A sequence holding every frame type: hdr, grp, dat, inc, txd, end.
  void WriteEveryFrameType(const std::string& name, const Sq9Case& c) {
    CQ9SequenceFile seq;
    ASSERT_EQ(seq.OpenCreate(PathOf(name).c_str(), c.rows, c.columns, c.colorType, c.pixelTech), 1);
    seq.SetPreviewOnly(c.previewOnly);
    for (uint32_t code : {kFrameGraphics, kFrameData, kFrameInclude, kFrameTransmitData, kFrameEnd})
      ASSERT_GE(seq.AddFrame(code, -1), 0);

    auto* grp = dynamic_cast<CQ9GphFrame*>(seq.Frame(1));
    std::memcpy(grp->GphHdr()->Bytes(), Pattern(64, 1).data(), 64);
    grp->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, 240);
    std::memcpy(grp->BulbData(), Pattern(grp->BulbDataSize(), 2).data(), grp->BulbDataSize());

    auto* dat = dynamic_cast<CQ9DataFrame*>(seq.Frame(2));
    dat->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, 0x01020304);
    std::memcpy(dat->DataHdr()->Bytes(), Pattern(tag_Q9_DATA_HDR::kSize, 3).data(),
                tag_Q9_DATA_HDR::kSize);
    dat->DataHdr()->SetU16(tag_Q9_DATA_HDR::kEntryCount, 3);
    std::memcpy(dat->BulbData(), Pattern(dat->BulbDataSize(), 4).data(), dat->BulbDataSize());

    auto* inc = dynamic_cast<CQ9IncFrame*>(seq.Frame(3));
    ASSERT_EQ(inc->SetFieldCount(2), 1);
    ASSERT_EQ(inc->EnableField(0, 1), 1);
    ASSERT_EQ(inc->SetFieldPath(0, "..\\Main.Lib\\Intro.SQ9"), 1);
    ASSERT_EQ(inc->SetFieldPath(1, "Other.SQ9"), 1);

    auto* txd = dynamic_cast<CQ9TxdFrame*>(seq.Frame(4));
    txd->TxdFrame()->SetName("Music");
    txd->TxdFrame()->SetText("c:\\clips\\intro.wav");
    txd->TxdFrame()->SetU32(tag_Q9_TXD_FRM::kKind, 1);
    ASSERT_EQ(seq.Save(), 1);
  }
};

TEST_F(SequenceInfoTest, JsonOfASequenceFileWithEveryFrameType) {
  const Sq9Case cases[] = {
      {4, 10, Q9_MONO1, Q9_PT_LED, true},
      {7, 20, Q9_RGB4K, Q9_PT_INCANDESCENT, false},
      {3, 5, Q9_RGB16MB, Q9_PT_NONE, false},
  };
  for (const Sq9Case& c : cases) {
    SCOPED_TRACE(ColorTypeName(c.colorType));
    // Each its own file: a preview-only sequence cannot be written over.
    const std::string name = "every" + std::to_string(c.colorType) + ".sq9";
    WriteEveryFrameType(name, c);
    const size_t bulbSize = size_t(BulbDataSize(c.rows, c.columns, c.colorType));
    const ToolRun run = RunTool({"info", "--bulbs", PathOf(name), "--json"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const json info = ParseOutput(run);

    EXPECT_EQ(info["format"], "sq9");
    EXPECT_EQ(info["rows"], c.rows);
    EXPECT_EQ(info["columns"], c.columns);
    EXPECT_EQ(info["colorType"], c.colorType);
    EXPECT_EQ(info["colorName"], ColorTypeName(c.colorType));
    EXPECT_EQ(info["pixelTech"], c.pixelTech);
    EXPECT_EQ(info["pixelTechName"], PixelTechName(c.pixelTech));
    EXPECT_EQ(info["previewOnly"], c.previewOnly);
    EXPECT_EQ(info["bulbDataSize"], bulbSize);

    const json& frames = info["frames"];
    ASSERT_EQ(frames.size(), 6u);
    const char* types[] = {"hdr ", "grp ", "dat ", "inc ", "txd ", "end "};
    for (size_t i = 0; i < 6; ++i) {
      EXPECT_EQ(frames[i]["index"], i);
      EXPECT_EQ(frames[i]["type"], types[i]);
    }
    EXPECT_EQ(frames[0]["hdrFrm"], std::string(128, '0'));

    std::vector<uint8_t> gphHdr = Pattern(64, 1);
    StoreU32(&gphHdr[34], 240);
    EXPECT_EQ(frames[1]["holdTime"], 240);
    EXPECT_EQ(frames[1]["gphHdr"], HexEncode(gphHdr));
    EXPECT_EQ(frames[1]["bulbs"], HexEncode(Pattern(bulbSize, 2)));
    EXPECT_FALSE(frames[1].contains("dataHdr"));

    EXPECT_EQ(frames[2]["holdTime"], 0x01020304);
    const std::string dataHdr = frames[2]["dataHdr"];
    EXPECT_EQ(dataHdr.size(), 67488u);
    EXPECT_EQ(dataHdr.substr(2 * 960, 4), "0300");
    EXPECT_EQ(dataHdr.substr(0, 8), HexEncode(std::vector<uint8_t>(Pattern(4, 3))));
    EXPECT_EQ(frames[2]["gphHdr"].get<std::string>().size(), 128u);
    EXPECT_EQ(frames[2]["bulbs"], HexEncode(Pattern(bulbSize, 4)));

    EXPECT_EQ(frames[3]["fields"],
              json::parse(R"([{"enabled": true, "path": "..\\Main.Lib\\Intro.SQ9"},
                                                    {"enabled": false, "path": "Other.SQ9"}])"));
    EXPECT_FALSE(frames[3].contains("bulbs"));

    const std::string txd = frames[4]["txd"];
    EXPECT_EQ(txd.size(), 1312u);
    EXPECT_EQ(txd.substr(2 * 39, 8), "01000000");  // kind 1: a sound file
    EXPECT_EQ(frames[4]["name"], "Music");
    EXPECT_EQ(frames[4]["text"], "c:\\clips\\intro.wav");

    EXPECT_EQ(frames[5].size(), 2u);  // index and type only

    // Without --bulbs no frame carries bulbs; everything else is the same.
    json plain = ParseOutput(RunTool({"info", PathOf(name), "--json"}));
    json expected = info;
    for (json& f : expected["frames"]) f.erase("bulbs");
    EXPECT_EQ(plain, expected);
  }
}

TEST_F(SequenceInfoTest, TextOfASequenceFile) {
  WriteEveryFrameType("every.sq9", {4, 10, Q9_MONO4, Q9_PT_REFLECTIVE, true});
  const ToolRun run = RunTool({"info", PathOf("every.sq9")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "format        sq9\n"
            "rows          4\n"
            "columns       10\n"
            "colour type   4 (Mono4)\n"
            "pixel tech    2 (Reflective)\n"
            "preview-only  yes\n"
            "bulb data     16 bytes per frame\n"
            "frames        6\n"
            "    0  hdr\n"
            "    1  grp   hold 240 x 1/120 s (2.000 s)\n"
            "    2  dat   hold 16909060 x 1/120 s (140908.833 s), 3 data fields\n"
            "    3  inc   2 fields: on \"..\\Main.Lib\\Intro.SQ9\", off \"Other.SQ9\"\n"
            "    4  txd   name \"Music\", text \"c:\\clips\\intro.wav\"\n"
            "    5  end\n");
  const ToolRun bulbs = RunTool({"info", PathOf("every.sq9"), "--bulbs"});
  EXPECT_NE(bulbs.out.find("    1  grp   hold 240 x 1/120 s (2.000 s)\n       bulbs " +
                           HexEncode(Pattern(16, 2)) + "\n    2  dat"),
            std::string::npos)
      << bulbs.out;
}

TEST_F(SequenceInfoTest, TextOfAnOldSequence) {
  CQ8SeqWriter writer;
  ASSERT_TRUE(writer.Create(5, 21, Q9_TRI3));
  std::vector<uint8_t> graphics(13, 0);
  graphics[12] = 25;  // 25 tenths
  std::vector<uint8_t> data(kQ8RecordSize, 0);
  data[kQ8TimeUnit] = 1;
  data[kQ8HoldTime] = 60;  // 60/120 s
  data[kQ8DataEntries + 0 * kQ8DataEntrySize] = 9;
  data[kQ8DataEntries + 5 * kQ8DataEntrySize + 1] = 1;
  std::vector<uint8_t> include(32, 0);
  std::memcpy(&include[kQ8IncludeName], "ABCDEFGH", 8);  // fills its field: no NUL
  std::memcpy(&include[kQ8IncludeLibrary], "Lib\x01", 4);
  std::vector<uint8_t> transmit(kQ8RecordSize, 0);
  const size_t second = kQ8TextEntries + kQ8TextEntrySize;
  transmit[kQ8TextEntries + kQ8TextCount] = 3;
  std::memcpy(&transmit[kQ8TextEntries + kQ8TextLabel], "Port", 4);
  std::memcpy(&transmit[kQ8TextEntries + kQ8TextData], "abcXYZ", 6);  // only 3 in use
  transmit[second + kQ8TextCount] = 2;
  std::memcpy(&transmit[second + kQ8TextData], "de", 2);
  ASSERT_TRUE(writer.AddFrame(kQ8FrameEnd, {}));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameGraphics, graphics));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameData, data));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameInclude, include));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameTransmitData, transmit));
  ASSERT_TRUE(writer.AddFrame(200, {}));
  // The extension does not matter; the contents do.
  ASSERT_TRUE(writer.Write(PathOf("old.sq9")));

  const ToolRun run = RunTool({"info", PathOf("old.sq9")});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.out,
            "format        seq\n"
            "rows          5\n"
            "columns       21\n"
            "colour type   2 (Tri3)\n"
            "bulb data     48 bytes per frame\n"
            "frames        6\n"
            "    1  kind 1 (end)\n"
            "    2  kind 4 (graphics)  hold 25 x 1/10 s (2.500 s)\n"
            "    3  kind 6 (data)  hold 60 x 1/120 s (0.500 s), 2 data fields\n"
            "    4  kind 2 (include)  name \"ABCDEFGH\", library \"Lib\\x01\"\n"
            "    5  kind 7 (transmit data)  name \"Port\", text \"abcde\"\n"
            "    6  kind 200 (unknown)\n");
}

TEST_F(SequenceInfoTest, UnreadableFilesGiveOneLine) {
  WriteEveryFrameType("good.sq9", {4, 10, Q9_MONO1, Q9_PT_LED, false});
  std::vector<uint8_t> sq9 = ReadAll(PathOf("good.sq9"));
  WriteAll(PathOf("short.sq9"), std::vector<uint8_t>(sq9.begin(), sq9.begin() + sq9.size() / 2));

  CQ8SeqWriter writer;
  ASSERT_TRUE(writer.Create(2, 3, Q9_MONO1));
  ASSERT_TRUE(writer.AddFrame(kQ8FrameGraphics, std::vector<uint8_t>(20, 1)));
  std::vector<uint8_t> seq;
  ASSERT_TRUE(writer.Serialize(&seq));
  WriteAll(PathOf("short.seq"), std::vector<uint8_t>(seq.begin(), seq.end() - 3));
  WriteAll(PathOf("magic.seq"), std::vector<uint8_t>(seq.begin(), seq.begin() + 6));
  std::vector<uint8_t> longer = seq;
  longer.push_back(0);
  WriteAll(PathOf("long.seq"), longer);

  const std::string text = "rows 2\ncolumns 3\n";
  WriteAll(PathOf("notes.seq"), std::vector<uint8_t>(text.begin(), text.end()));
  const std::string wave = "RIFF\x24\x00\x00\x00WAVEfmt ";
  WriteAll(PathOf("sound.sq9"), std::vector<uint8_t>(wave.begin(), wave.end()));
  WriteAll(PathOf("empty.sq9"), {});
  std::filesystem::create_directory(PathOf("folder.sq9"));

  const struct {
    std::string name;
    std::string reason;
  } cases[] = {
      {"missing.sq9", "No such file or directory"},
      {"folder.sq9", "is a directory"},
      {"empty.sq9", "empty file, neither a sequence file (.sq9) nor an old sequence (.seq)"},
      {"notes.seq", "neither a sequence file (.sq9) nor an old sequence (.seq)"},
      {"sound.sq9", "not a sequence file: no RIFF 'SQ9 ' signature"},
      {"short.sq9", "RIFF size "},
      {"short.seq", "the old sequence is truncated"},
      {"magic.seq", "the old sequence is truncated"},
      {"long.seq", "the old sequence is corrupt"},
  };
  for (const auto& c : cases) {
    for (const char* format : {"--json", "--bulbs"}) {
      const ToolRun run = RunTool({"info", PathOf(c.name), format});
      EXPECT_TRUE(FailedWithOneLine(run, kExitFileError)) << c.name;
      EXPECT_TRUE(run.err.starts_with("q9seq: " + PathOf(c.name) + ": " + c.reason))
          << c.name << ": " << run.err;
    }
  }
}

}  // namespace
}  // namespace q9::cli
