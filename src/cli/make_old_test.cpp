#include "cli/make_old.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "cli/cli_test_support.h"
#include "cli/hex.h"
#include "cli/old_seq_description.h"
#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sign_types.h"

namespace q9::cli {
namespace {

using nlohmann::json;
using platform::kQ8RecordSize;
using namespace testing;

std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

class MakeOldTest : public TempDirTest {
 protected:
  ToolRun MakeOld(const std::string& description, const std::string& out = "out.seq") {
    WriteAll(PathOf("desc.json"), Bytes(description));
    return RunTool({"make-old", PathOf("desc.json"), "-o", PathOf(out)});
  }
  json InfoJson(const std::string& name, bool bulbs) {
    std::vector<std::string> args = {"info", PathOf(name), "--json"};
    if (bulbs) args.push_back("--bulbs");
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return ParseOutput(run);
  }
};

TEST_F(MakeOldTest, InfoGivesBackGeometryKindsRecordsAndBulbs) {
  struct Geometry {
    unsigned rows, columns;
    json colorType;  // as the description gives it: a number or a name
    uint32_t expected;
  };
  const Geometry geometries[] = {{2, 3, "mono1", platform::Q9_MONO1},
                                 {5, 21, 2, platform::Q9_TRI3},
                                 {1, 1, "Quad16M", platform::Q9_QUAD16M}};
  for (const Geometry& g : geometries) {
    SCOPED_TRACE(g.colorType.dump());
    const size_t bulbSize = size_t(platform::BulbDataSize(g.rows, g.columns, g.expected));
    const struct {
      unsigned kind;
      std::string record;          // hex: upper case and white space are accepted
      std::vector<uint8_t> bulbs;  // empty: no "bulbs" key
    } frames[] = {
        {1, "", {}},
        {4, "0A1B 2C3D\n\t4E5F", Pattern(bulbSize, 2)},
        {6, HexEncode(Pattern(kQ8RecordSize, 3)), {}},
        {255, "7f", {}},
        {6, "", Pattern(bulbSize, 5)},
        {0, "", {}},
    };
    json description = {{"rows", g.rows}, {"columns", g.columns}, {"colorType", g.colorType}};
    json expected = {{"format", "seq"},
                     {"rows", g.rows},
                     {"columns", g.columns},
                     {"colorType", g.expected},
                     {"colorName", platform::ColorTypeName(g.expected)},
                     {"pixelTech", 0},
                     {"pixelTechName", ""},
                     {"previewOnly", false},
                     {"bulbDataSize", bulbSize}};
    for (size_t i = 0; i < std::size(frames); ++i) {
      const auto& f = frames[i];
      json& given =
          description["frames"].emplace_back(json{{"kind", f.kind}, {"record", f.record}});
      if (!f.bulbs.empty()) given["bulbs"] = HexEncode(f.bulbs);
      std::string error;
      std::vector<uint8_t> record = HexDecode(f.record, error).value();
      record.resize(kQ8RecordSize, 0);  // short records read as zero-padded
      const bool graphical = platform::IsQ8GraphicalKind(f.kind);
      json& shown = expected["frames"].emplace_back(json{{"index", i + 1},
                                                         {"kind", f.kind},
                                                         {"record", HexEncode(record)},
                                                         {"graphical", graphical}});
      if (graphical)
        shown["bulbs"] = HexEncode(f.bulbs.empty() ? std::vector<uint8_t>(bulbSize) : f.bulbs);
    }
    const ToolRun made = MakeOld(description.dump(2));
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(made.out + made.err, "");
    ExpectSameJson(InfoJson("out.seq", true), expected);
    // What info prints describes the same sequence, here from standard input.
    const ToolRun again = RunTool({"make-old", "--output", PathOf("again.seq"), "-"},
                                  InfoJson("out.seq", true).dump());
    ASSERT_EQ(again.code, 0) << again.err;
    ExpectSameJson(InfoJson("again.seq", true), expected);
    for (json& f : expected["frames"]) f.erase("bulbs");
    ExpectSameJson(InfoJson("out.seq", false), expected);
  }
}

TEST_F(MakeOldTest, FieldsLandLittleEndianAtTheirOffsets) {
  struct Case {
    std::string frame;  // the frame's keys besides "kind"
    std::vector<std::pair<size_t, std::vector<uint8_t>>> expected;  // bytes at offsets
    size_t storedLength;  // the record grows to the end of the last field only
  };
  const Case cases[] = {
      {R"("fields": [{"offset": 12, "size": 2, "value": 4660}])", {{12, {0x34, 0x12}}}, 14},
      {R"("fields": [{"offset": 1052, "size": 4, "value": 4294967295}])",
       {{1050, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}}},
       1056},
      {R"("fields": [{"offset": 1055, "text": "Z"}])", {{1055, {'Z'}}}, 1056},
      {R"("record": "11223344556677", "fields": [{"offset": 2, "size": 2, "value": 0}])",
       {{0, {0x11, 0x22, 0, 0, 0x55, 0x66, 0x77}}},
       7},
      {R"("fields": [{"offset": 4, "size": 4, "value": 16909060}, {"offset": 5, "size": 1, "value": 238}])",
       {{4, {0x04, 0xEE, 0x02, 0x01}}},
       8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.frame);
    const ToolRun made = MakeOld(
        R"({"rows": 2, "columns": 3, "colorType": 0, "frames": [{"kind": 3, )" + c.frame + "}]}");
    ASSERT_EQ(made.code, 0) << made.err;
    // Header 32, frame header 8, then the stored record.
    EXPECT_EQ(std::filesystem::file_size(PathOf("out.seq")), 32 + 8 + c.storedLength);
    platform::CQ8Seq seq;
    ASSERT_EQ(seq.Open(PathOf("out.seq").c_str()), 0);
    ASSERT_EQ(seq.LoadFrame(1), 0);
    const uint8_t* record = seq.GetFrBufPtr();
    for (const auto& [offset, bytes] : c.expected)
      EXPECT_EQ(std::vector<uint8_t>(record + offset, record + offset + bytes.size()), bytes)
          << "at " << offset;
  }
}

TEST_F(MakeOldTest, BadDescriptionsGiveOneLineAndLeaveTheOutputAlone) {
  const auto sign = [](std::string rows, std::string columns, std::string colorType) {
    return R"({"rows": )" + rows + ", \"columns\": " + columns + ", \"colorType\": " + colorType +
           ", \"frames\": []}";
  };
  // Mono1, 2 x 3: 4 bytes of bulb data.
  const std::string head = R"({"rows": 2, "columns": 3, "colorType": 0, )";
  const auto frame = [&head](const std::string& keys) {
    return head + R"("frames": [{"kind": )" + keys + "}]}";
  };
  const auto field = [&frame](const std::string& keys) {
    return frame(R"(1, "fields": [{)" + keys + "}]");
  };
  const std::pair<std::string, std::string> cases[] = {
      // description, reason
      {"{\n  \"rows\": 2\n  \"columns\": 3}", "invalid JSON: parse error at line 3, column 11"},
      {"[1, 2]", "the description must be a JSON object, not array"},
      {R"({"columns": 3, "colorType": 0, "frames": []})", "rows: missing"},
      {sign("0", "3", "0"), "rows: 0 is out of range 1 to 4096"},
      {sign("2", "4097", "0"), "columns: 4097 is out of range 1 to 4096"},
      {sign("-1", "3", "0"), "rows: -1 is out of range 1 to 4096"},
      {sign("2.5", "3", "0"), "rows: must be a whole number"},
      {sign("\"2\"", "3", "0"), "rows: must be a number, not string"},
      {sign("2", "3", "15"), "colorType: 15 is out of range 0 to 14"},
      {sign("2", "3", "\"Purple\""), "colorType: unknown colour type name \"Purple\""},
      {sign("2", "3", "true"), "colorType: must be a number or a colour type name, not boolean"},
      {head + R"("frames": {}})", "frames: must be an array, not object"},
      {head + R"("frames": [1]})", "frames[0]: must be an object, not number"},
      {head + R"("row": 2, "frames": []})", "row: unknown key"},
      {head + R"("frames": [{}]})", "frames[0].kind: missing"},
      {frame("256"), "frames[0].kind: 256 is out of range 0 to 255"},
      {frame(R"(4, "bulb": "00000000")"), "frames[0].bulb: unknown key"},
      {frame(R"(2, "bulbs": "00000000")"),
       "frames[0].bulbs: frame kind 2 carries no bulb data (only kinds 4 and 6 do)"},
      {frame(R"(6, "bulbs": "0000000000")"),
       "frames[0].bulbs: 5 bytes, expected 4 for this geometry"},
      {frame(R"(4, "bulbs": "00000z00")"), "frames[0].bulbs: 'z' at position 5 is not a hex digit"},
      {frame(R"(4, "bulbs": "00\u00e9")"),
       "frames[0].bulbs: byte 0xC3 at position 2 is not a hex digit"},
      {frame(R"(1, "record": "0 12")"), "frames[0].record: odd number of hex digits"},
      {frame(R"(1, "record": ")" + std::string(2 * 1057, 'a') + "\""),
       "frames[0].record: 1057 bytes, at most 1056"},
      {frame(R"(1, "record": 5)"), "frames[0].record: must be a string, not number"},
      {frame(R"(1, "fields": {})"), "frames[0].fields: must be an array, not object"},
      {field(R"("offset": 0, "size": 3, "value": 1)"),
       "frames[0].fields[0].size: 3 is not 1, 2 or 4"},
      {field(R"("offset": 0, "size": 1, "value": 256)"),
       "frames[0].fields[0].value: 256 is out of range 0 to 255"},
      {field(R"("offset": 0, "size": 4, "value": 4294967296)"),
       "frames[0].fields[0].value: 4294967296 is out of range 0 to 4294967295"},
      {field(R"("offset": 1056, "size": 1, "value": 0)"),
       "frames[0].fields[0].offset: 1056 is out of range 0 to 1055"},
      {field(R"("offset": 1054, "size": 4, "value": 0)"),
       "frames[0].fields[0]: 4 bytes at offset 1054 run past the record's 1056 bytes"},
      {field(R"("offset": 1050, "text": "1234567")"),
       "frames[0].fields[0].text: 7 bytes at offset 1050 run past the record's 1056 bytes"},
      {field(R"("offset": 0, "text": "a", "size": 1)"),
       "frames[0].fields[0]: a field has either \"text\" or \"size\" and \"value\", not both"},
      {field(R"("offset": 0, "size": 1)"), "frames[0].fields[0].value: missing"},
      {frame(R"(1, "index": 2)"), "frames[0].index: 2 is out of range 1 to 1"},
      {frame(R"(2, "graphical": true)"), "frames[0].graphical: kind 2 is not graphical"},
      {head + R"("format": "sq9", "frames": []})",
       "format: \"sq9\" cannot be written; make-old writes \"seq\""},
      {head + R"("colorName": "Tri3", "frames": []})", "colorName: does not name colour type 0"},
      {head + R"("pixelTech": 1, "frames": []})", "pixelTech: 1 is out of range 0 to 0"},
      {head + R"("pixelTechName": "LED", "frames": []})",
       "pixelTechName: old sequences have no pixel technology"},
      {head + R"("previewOnly": true, "frames": []})",
       "previewOnly: old sequences cannot be preview-only"},
      {head + R"("bulbDataSize": 5, "frames": []})", "bulbDataSize: 5 is out of range 4 to 4"},
  };
  WriteAll(PathOf("out.seq"), Bytes("earlier"));
  for (const auto& [description, reason] : cases) {
    SCOPED_TRACE(description.substr(0, 200));
    const ToolRun run = MakeOld(description);
    EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
    EXPECT_TRUE(run.err.starts_with("q9seq: " + PathOf("desc.json") + ": " + reason)) << run.err;
    EXPECT_EQ(Listing(), (std::vector<std::string>{"desc.json", "out.seq"}));
  }
  EXPECT_EQ(ReadAll(PathOf("out.seq")), Bytes("earlier"));
}

TEST_F(MakeOldTest, WriteFailureNamesTheFile) {
  const ToolRun run =
      MakeOld(R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})", "missing-dir/out.seq");
  EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
  EXPECT_NE(run.err.find(PathOf("missing-dir/out.seq")), std::string::npos) << run.err;
  EXPECT_EQ(Listing(), std::vector<std::string>{"desc.json"});
}

TEST_F(MakeOldTest, OverlongAndUnreadableDescriptionsAreRefused) {
  const std::string small = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})";
  std::string error;
  EXPECT_TRUE(ParseOldSeqDescription(small, error, 100).has_value()) << error;
  std::string many = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": [)";
  for (int i = 0; i < 50; ++i) many += std::string(i ? "," : "") + R"({"kind": 1})";
  many += "]}";
  EXPECT_TRUE(ParseOldSeqDescription(many, error, 1000).has_value()) << error;
  EXPECT_FALSE(ParseOldSeqDescription(many, error, 100).has_value());
  EXPECT_EQ(error, "more than 100 JSON values");

  // From a stream and from a file: 100 bytes may be read, 101 not.
  WriteAll(PathOf("long.json"), std::vector<uint8_t>(101, ' '));
  for (const std::string& path : {std::string("-"), PathOf("long.json")}) {
    std::istringstream tooLong(std::string(101, ' ')), fits(std::string(101, ' '));
    EXPECT_FALSE(ReadDescriptionText(path, tooLong, error, 100).has_value()) << path;
    EXPECT_EQ(error, "description longer than 100 bytes");
    EXPECT_EQ(ReadDescriptionText(path, fits, error, 101), std::string(101, ' ')) << path;
  }

  std::filesystem::create_directory(PathOf("dir.json"));
  for (const auto& [name, reason] : {std::pair{"missing.json", "No such file or directory"},
                                     std::pair{"dir.json", "is a directory"}}) {
    const ToolRun run = RunTool({"make-old", PathOf(name), "-o", PathOf("out.seq")});
    EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
    EXPECT_EQ(run.err, "q9seq: " + PathOf(name) + ": " + reason + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("out.seq")));
}

}  // namespace
}  // namespace q9::cli
