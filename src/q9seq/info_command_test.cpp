#include "q9seq/info_command.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <span>

#include "platform/signlib/cq9_data_frame.h"
#include "platform/signlib/cq9_gph_frame.h"
#include "platform/signlib/cq9_hdr_frame.h"
#include "platform/signlib/cq9_inc_frame.h"
#include "platform/signlib/cq9_sequence_file.h"
#include "platform/signlib/cq9_txd_frame.h"
#include "q9seq/hex.h"
#include "q9seq/q9seq_test_support.h"

namespace q9::q9seq {
namespace {

using nlohmann::json;
using namespace testing;
using namespace platform;

class SequenceInfoTest : public TempDirTest {
 protected:
  // A sequence holding every frame type, hdr, grp, dat, inc, txd and end, for
  // a preview-only Mono4 sign of 4 x 10 bulbs (16 bytes of bulb data). Gives
  // its frames as info --json --bulbs prints them.
  json WriteEveryFrameType(const std::string& name) {
    CQ9SequenceFile seq;
    EXPECT_EQ(seq.OpenCreate(PathOf(name).c_str(), 4, 10, Q9_MONO4, Q9_PT_REFLECTIVE), 1);
    seq.SetPreviewOnly(true);
    for (uint32_t code : {kFrameGraphics, kFrameData, kFrameInclude, kFrameTransmitData, kFrameEnd})
      EXPECT_GE(seq.AddFrame(code, -1), 0);
    const size_t bulbSize = 16;

    auto* grp = dynamic_cast<CQ9GphFrame*>(seq.Frame(1));
    std::memcpy(grp->GphHdr()->Bytes(), Pattern(64, 1).data(), 64);
    grp->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, 240);
    std::memcpy(grp->BulbData(), Pattern(bulbSize, 2).data(), bulbSize);

    auto* dat = dynamic_cast<CQ9DataFrame*>(seq.Frame(2));
    dat->GphHdr()->SetU32(tag_Q9_GRP_HDR::kHoldTime, 0x01020304);
    std::memcpy(dat->DataHdr()->Bytes(), Pattern(tag_Q9_DATA_HDR::kSize, 3).data(),
                tag_Q9_DATA_HDR::kSize);
    dat->DataHdr()->SetU16(tag_Q9_DATA_HDR::kEntryCount, 3);
    std::memcpy(dat->BulbData(), Pattern(bulbSize, 4).data(), bulbSize);

    auto* inc = dynamic_cast<CQ9IncFrame*>(seq.Frame(3));
    EXPECT_EQ(inc->SetFieldCount(2), 1);
    EXPECT_EQ(inc->EnableField(0, 1), 1);
    EXPECT_EQ(inc->SetFieldPath(0, "..\\Main.Lib\\Intro.SQ9"), 1);
    EXPECT_EQ(inc->SetFieldPath(1, "Other.SQ9"), 1);

    auto* txd = dynamic_cast<CQ9TxdFrame*>(seq.Frame(4));
    txd->TxdFrame()->SetName("Music");
    txd->TxdFrame()->SetText("c:\\clips\\intro.wav");
    txd->TxdFrame()->SetU32(tag_Q9_TXD_FRM::kKind, 1);
    EXPECT_EQ(seq.Save(), 1);

    json frames = json::parse(R"([{"index": 0, "type": "hdr "},
        {"index": 1, "type": "grp ", "holdTime": 240},
        {"index": 2, "type": "dat ", "holdTime": 16909060},
        {"index": 3, "type": "inc ", "fields": [{"enabled": true, "path": "..\\Main.Lib\\Intro.SQ9"},
                                               {"enabled": false, "path": "Other.SQ9"}]},
        {"index": 4, "type": "txd ", "name": "Music", "text": "c:\\clips\\intro.wav"},
        {"index": 5, "type": "end "}])");
    const auto hex = [](const auto* record) {
      return HexEncode(std::span(record->Bytes(), record->kSize));
    };
    frames[0]["hdrFrm"] = std::string(128, '0');
    frames[1]["gphHdr"] = hex(grp->GphHdr());
    frames[1]["bulbs"] = HexEncode(Pattern(bulbSize, 2));
    frames[2]["gphHdr"] = hex(dat->GphHdr());
    frames[2]["dataHdr"] = hex(dat->DataHdr());
    frames[2]["bulbs"] = HexEncode(Pattern(bulbSize, 4));
    frames[4]["txd"] = hex(txd->TxdFrame());
    return frames;
  }
};

TEST_F(SequenceInfoTest, JsonAndTextOfASequenceFileWithEveryFrameType) {
  json expected = json::parse(R"({"format": "sq9", "rows": 4, "columns": 10, "colorType": 4,
      "colorName": "Mono4", "pixelTech": 2, "pixelTechName": "Reflective", "previewOnly": true,
      "bulbDataSize": 16})");
  expected["frames"] = WriteEveryFrameType("every.sq9");
  const ToolRun run = RunTool({"info", "--bulbs", PathOf("every.sq9"), "--json"});
  ASSERT_EQ(run.code, 0) << run.err;
  EXPECT_EQ(run.err, "");
  ExpectSameJson(json::parse(run.out), expected);

  EXPECT_EQ(RunTool({"info", PathOf("every.sq9")}).out,
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
  // The extension does not matter; the contents do. The data frame has two
  // fields in use (codes at 32 and 73), the transmit frame two texts (3 of
  // "abcXYZ" and 2 of "de"; the bytes after its 16 entries are no text);
  // the include name fills its field: no NUL.
  const std::string description = R"({"rows": 5, "columns": 21, "colorType": 2, "frames": [
      {"kind": 1}, {"kind": 4, "fields": [{"offset": 12, "size": 2, "value": 25}]},
      {"kind": 6, "fields": [{"offset": 6, "size": 1, "value": 1}, {"offset": 12, "size": 2,
       "value": 60}, {"offset": 32, "size": 1, "value": 9}, {"offset": 73, "size": 1, "value": 1}]},
      {"kind": 2, "fields": [{"offset": 16, "text": "ABCDEFGH"}, {"offset": 24, "text": "Lib\u0001"}]},
      {"kind": 7, "fields": [{"offset": 16, "size": 1, "value": 3}, {"offset": 17, "text": "Port"},
       {"offset": 32, "text": "abcXYZ"}, {"offset": 48, "size": 1, "value": 2},
       {"offset": 64, "text": "de"}, {"offset": 528, "size": 1, "value": 2},
       {"offset": 544, "text": "zz"}]}, {"kind": 200}]})";
  ASSERT_EQ(RunTool({"make-old", "-", "-o", PathOf("old.sq9")}, description).code, 0);
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
  WriteEveryFrameType("good.sq9");
  const std::string oneFrame =
      R"({"rows": 2, "columns": 3, "colorType": 0, "frames": [{"kind": 4}]})";
  ASSERT_EQ(RunTool({"make-old", "-", "-o", PathOf("good.seq")}, oneFrame).code, 0);
  std::vector<uint8_t> shortSq9 = ReadAll(PathOf("good.sq9")), seq = ReadAll(PathOf("good.seq"));
  std::vector<uint8_t> shortSeq(seq.begin(), seq.end() - 3), longSeq = seq;
  shortSq9.resize(shortSq9.size() / 2);
  longSeq.push_back(0);
  std::filesystem::create_directory(PathOf("folder.sq9"));
  const struct {
    std::string name;
    std::optional<std::vector<uint8_t>> contents;  // none: not written
    std::string reason;
  } cases[] = {
      {"missing.sq9", {}, "No such file or directory"},
      {"folder.sq9", {}, "is a directory"},
      {"empty.sq9", std::vector<uint8_t>(),
       "empty file, neither a sequence file (.sq9) nor an old sequence (.seq)"},
      {"sound.sq9", Bytes(std::string("RIFF\x24\0\0\0WAVEfmt ", 16)),
       "not a sequence file: no RIFF 'SQ9 ' signature"},
      {"short.sq9", shortSq9, "RIFF size "},
      {"short.seq", shortSeq, "the old sequence is truncated"},
      {"long.seq", longSeq, "the old sequence is corrupt"},
  };
  for (const auto& c : cases) {
    if (c.contents) WriteAll(PathOf(c.name), *c.contents);
    const ToolRun run = RunTool({"info", PathOf(c.name), "--json"});
    EXPECT_TRUE(FailedWithOneLine(run, kExitFileError)) << c.name;
    EXPECT_TRUE(run.err.starts_with("q9seq: " + PathOf(c.name) + ": " + c.reason)) << run.err;
  }
}

}  // namespace
}  // namespace q9::q9seq
