#include "cli/make_old.h"

#include <gtest/gtest.h>

#include <cctype>
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

std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 31 + seed);
  return bytes;
}

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
  const Geometry geometries[] = {
      {2, 3, "mono1", platform::Q9_MONO1},     {5, 21, 2, platform::Q9_TRI3},
      {7, 20, "RGB4K", platform::Q9_RGB4K},    {3, 5, 14, platform::Q9_RGB16MB},
      {1, 1, "Quad16M", platform::Q9_QUAD16M},
  };
  for (const Geometry& g : geometries) {
    SCOPED_TRACE(g.colorType.dump());
    const size_t bulbSize = size_t(platform::BulbDataSize(g.rows, g.columns, g.expected));
    struct Frame {
      unsigned kind;
      std::vector<uint8_t> record;
      std::vector<uint8_t> bulbs;  // empty: no "bulbs" key
    };
    const std::vector<Frame> frames = {
        {1, {}, {}},
        {4, Pattern(13, 1), Pattern(bulbSize, 2)},
        {6, Pattern(kQ8RecordSize, 3), {}},
        {2, Pattern(40, 4), {}},
        {255, {0x7F}, {}},
        {6, {}, Pattern(bulbSize, 5)},
        {0, {}, {}},
    };
    json description = {{"rows", g.rows}, {"columns", g.columns}, {"colorType", g.colorType}};
    description["frames"] = json::array();
    for (size_t i = 0; i < frames.size(); ++i) {
      json frame = {{"kind", frames[i].kind}};
      std::string record = HexEncode(frames[i].record);
      // Upper case and white space are accepted in any hex text.
      if (i == 1) std::transform(record.begin(), record.end(), record.begin(), ::toupper);
      if (i == 3) record.insert(8, " \n\t");
      if (!frames[i].record.empty() || i == 6) frame["record"] = record;
      if (!frames[i].bulbs.empty()) frame["bulbs"] = HexEncode(frames[i].bulbs);
      description["frames"].push_back(frame);
    }
    const ToolRun made = MakeOld(description.dump(2));
    ASSERT_EQ(made.code, 0) << made.err;
    EXPECT_EQ(made.out + made.err, "");

    const json info = InfoJson("out.seq", true);
    EXPECT_EQ(info["format"], "seq");
    EXPECT_EQ(info["rows"], g.rows);
    EXPECT_EQ(info["columns"], g.columns);
    EXPECT_EQ(info["colorType"], g.expected);
    EXPECT_EQ(info["colorName"], platform::ColorTypeName(g.expected));
    EXPECT_EQ(info["pixelTech"], 0);
    EXPECT_EQ(info["previewOnly"], false);
    EXPECT_EQ(info["bulbDataSize"], bulbSize);
    ASSERT_EQ(info["frames"].size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
      SCOPED_TRACE(i);
      const json& f = info["frames"][i];
      std::vector<uint8_t> record = frames[i].record;
      record.resize(kQ8RecordSize, 0);  // short records read as zero-padded
      const bool graphical = platform::IsQ8GraphicalKind(frames[i].kind);
      EXPECT_EQ(f["index"], i + 1);
      EXPECT_EQ(f["kind"], frames[i].kind);
      EXPECT_EQ(f["record"], HexEncode(record));
      EXPECT_EQ(f["graphical"], graphical);
      if (graphical) {
        const std::vector<uint8_t> bulbs =
            frames[i].bulbs.empty() ? std::vector<uint8_t>(bulbSize, 0) : frames[i].bulbs;
        EXPECT_EQ(f["bulbs"], HexEncode(bulbs));
      } else {
        EXPECT_FALSE(f.contains("bulbs"));
      }
    }
    const json plain = InfoJson("out.seq", false);
    for (const json& f : plain["frames"]) EXPECT_FALSE(f.contains("bulbs"));
  }
}

TEST_F(MakeOldTest, FieldsLandLittleEndianAtTheirOffsets) {
  struct Case {
    std::string frame;  // the frame's keys besides "kind"
    std::vector<std::pair<size_t, std::vector<uint8_t>>> expected;  // bytes at offsets
    size_t storedLength;  // the record grows to the end of the last field only
  };
  const Case cases[] = {
      {R"("fields": [{"offset": 0, "size": 1, "value": 171}])", {{0, {0xAB}}}, 1},
      {R"("fields": [{"offset": 12, "size": 2, "value": 4660}])", {{12, {0x34, 0x12}}}, 14},
      {R"("fields": [{"offset": 100, "size": 4, "value": 2712847316}])",
       {{100, {0xD4, 0xC3, 0xB2, 0xA1}}},
       104},
      {R"("fields": [{"offset": 1052, "size": 4, "value": 4294967295}])",
       {{1050, {0, 0, 0xFF, 0xFF, 0xFF, 0xFF}}},
       1056},
      {R"("fields": [{"offset": 16, "text": "Intro"}, {"offset": 24, "text": "Lib"}])",
       {{16, Bytes("Intro")}, {21, {0, 0, 0}}, {24, Bytes("Lib")}},
       27},
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

TEST_F(MakeOldTest, BadDescriptionsGiveOneLineAndNoFile) {
  struct Case {
    std::string description;
    std::string reason;  // after "q9seq: <description>: "
  };
  // Mono1, 2 x 3: 4 bytes of bulb data.
  const std::string head = R"({"rows": 2, "columns": 3, "colorType": 0, )";
  const auto frame = [&head](const std::string& keys) {
    return head + R"("frames": [{)" + keys + "}]}";
  };
  const Case cases[] = {
      {R"({"rows": 2,})", "invalid JSON: parse error at line 1, column 12: syntax error"},
      {"{\n  \"rows\": 2\n  \"columns\": 3}", "invalid JSON: parse error at line 3, column 11"},
      {"", "invalid JSON: parse error at line 1, column 1"},
      {"[1, 2]", "the description must be a JSON object, not array"},
      {R"({"columns": 3, "colorType": 0, "frames": []})", "rows: missing"},
      {R"({"rows": 0, "columns": 3, "colorType": 0, "frames": []})",
       "rows: 0 is out of range 1 to 4096"},
      {R"({"rows": 2, "columns": 4097, "colorType": 0, "frames": []})",
       "columns: 4097 is out of range 1 to 4096"},
      {R"({"rows": -1, "columns": 3, "colorType": 0, "frames": []})",
       "rows: -1 is out of range 1 to 4096"},
      {R"({"rows": 2.5, "columns": 3, "colorType": 0, "frames": []})",
       "rows: must be a whole number"},
      {R"({"rows": "2", "columns": 3, "colorType": 0, "frames": []})",
       "rows: must be a number, not string"},
      {R"({"rows": 2, "columns": 3, "colorType": 15, "frames": []})",
       "colorType: 15 is out of range 0 to 14"},
      {R"({"rows": 2, "columns": 3, "colorType": "Purple", "frames": []})",
       "colorType: unknown colour type name \"Purple\""},
      {R"({"rows": 2, "columns": 3, "colorType": true, "frames": []})",
       "colorType: must be a number or a colour type name, not boolean"},
      {R"({"rows": 2, "columns": 3, "colorType": 0})", "frames: missing"},
      {head + R"("frames": {}})", "frames: must be an array, not object"},
      {head + R"("frames": [1]})", "frames[0]: must be an object, not number"},
      {head + R"("row": 2, "frames": []})", "row: unknown key"},
      {frame(""), "frames[0].kind: missing"},
      {frame(R"("kind": 256)"), "frames[0].kind: 256 is out of range 0 to 255"},
      {frame(R"("kind": 4, "bulb": "00000000")"), "frames[0].bulb: unknown key"},
      {frame(R"("kind": 2, "bulbs": "00000000")"),
       "frames[0].bulbs: frame kind 2 carries no bulb data (only kinds 4 and 6 do)"},
      {frame(R"("kind": 4, "bulbs": "000000")"),
       "frames[0].bulbs: 3 bytes, expected 4 for this geometry"},
      {frame(R"("kind": 6, "bulbs": "0000000000")"),
       "frames[0].bulbs: 5 bytes, expected 4 for this geometry"},
      {frame(R"("kind": 4, "bulbs": "zz000000")"),
       "frames[0].bulbs: 'z' at position 0 is not a hex digit"},
      {frame(R"("kind": 1, "record": ")" + std::string(2 * 1057, 'a') + "\""),
       "frames[0].record: 1057 bytes, at most 1056"},
      {frame(R"("kind": 1, "record": "abc")"), "frames[0].record: odd number of hex digits"},
      {frame(R"("kind": 1, "record": 5)"), "frames[0].record: must be a string, not number"},
      {frame(R"("kind": 1, "fields": {})"), "frames[0].fields: must be an array, not object"},
      {frame(R"("kind": 1, "fields": [{"offset": 0, "size": 3, "value": 1}])"),
       "frames[0].fields[0].size: 3 is not 1, 2 or 4"},
      {frame(R"("kind": 1, "fields": [{"offset": 0, "size": 1, "value": 256}])"),
       "frames[0].fields[0].value: 256 is out of range 0 to 255"},
      {frame(R"("kind": 1, "fields": [{"offset": 0, "size": 2, "value": 65536}])"),
       "frames[0].fields[0].value: 65536 is out of range 0 to 65535"},
      {frame(R"("kind": 1, "fields": [{"offset": 0, "size": 4, "value": 4294967296}])"),
       "frames[0].fields[0].value: 4294967296 is out of range 0 to 4294967295"},
      {frame(R"("kind": 1, "fields": [{"offset": 1056, "size": 1, "value": 0}])"),
       "frames[0].fields[0].offset: 1056 is out of range 0 to 1055"},
      {frame(R"("kind": 1, "fields": [{"offset": 1054, "size": 4, "value": 0}])"),
       "frames[0].fields[0]: 4 bytes at offset 1054 run past the record's 1056 bytes"},
      {frame(R"("kind": 1, "fields": [{"offset": 1050, "text": "1234567"}])"),
       "frames[0].fields[0].text: 7 bytes at offset 1050 run past the record's 1056 bytes"},
      {frame(R"("kind": 1, "fields": [{"offset": 0, "text": "a", "size": 1}])"),
       "frames[0].fields[0]: a field has either \"text\" or \"size\" and \"value\", not both"},
      {frame(R"("kind": 1, "fields": [{"offset": 0, "size": 1}])"),
       "frames[0].fields[0].value: missing"},
      {frame(R"("kind": 1, "fields": [{"size": 1, "value": 1}])"),
       "frames[0].fields[0].offset: missing"},
      {frame(R"("kind": 1, "index": 2)"), "frames[0].index: 2 is out of range 1 to 1"},
      {frame(R"("kind": 2, "graphical": true)"), "frames[0].graphical: kind 2 is not graphical"},
      {head + R"("format": "sq9", "frames": []})",
       "format: \"sq9\" cannot be written; make-old writes \"seq\""},
      {head + R"("colorName": "Tri3", "frames": []})", "colorName: does not name colour type 0"},
      {head + R"("pixelTech": 1, "frames": []})", "pixelTech: 1 is out of range 0 to 0"},
      {head + R"("previewOnly": true, "frames": []})",
       "previewOnly: old sequences cannot be preview-only"},
      {head + R"("bulbDataSize": 5, "frames": []})", "bulbDataSize: 5 is out of range 4 to 4"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.description.substr(0, 200));
    const ToolRun run = MakeOld(c.description);
    EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
    EXPECT_TRUE(run.err.starts_with("q9seq: " + PathOf("desc.json") + ": " + c.reason)) << run.err;
    EXPECT_EQ(Listing(), std::vector<std::string>{"desc.json"});
  }
}

TEST_F(MakeOldTest, AFailureLeavesAnEarlierOutputUntouched) {
  WriteAll(PathOf("out.seq"), Bytes("earlier"));
  EXPECT_TRUE(FailedWithOneLine(MakeOld(R"({"rows": 2})"), kExitFileError));
  EXPECT_EQ(ReadAll(PathOf("out.seq")), Bytes("earlier"));
  EXPECT_EQ(Listing(), (std::vector<std::string>{"desc.json", "out.seq"}));
}

TEST_F(MakeOldTest, UsageErrorsWriteNothing) {
  WriteAll(PathOf("desc.json"),
           Bytes(R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})"));
  const std::vector<std::vector<std::string>> lines = {
      {"make-old", PathOf("desc.json"), "-o", PathOf("out.seq"), "--frobnicate"},
      {"make-old", PathOf("desc.json"), PathOf("other.json"), "-o", PathOf("out.seq")},
      {"make-old", "-o", PathOf("out.seq")},
  };
  for (const auto& line : lines) {
    EXPECT_TRUE(FailedWithOneLine(RunTool(line), kExitUsage)) << line.back();
    EXPECT_EQ(Listing(), std::vector<std::string>{"desc.json"});
  }
}

TEST_F(MakeOldTest, WriteFailureNamesTheFile) {
  const std::string description = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})";
  const ToolRun run = MakeOld(description, "missing-dir/out.seq");
  EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
  EXPECT_NE(run.err.find(PathOf("missing-dir/out.seq")), std::string::npos) << run.err;
  EXPECT_EQ(Listing(), std::vector<std::string>{"desc.json"});
}

TEST_F(MakeOldTest, DescriptionFromStandardInputAndOptionsInAnyOrder) {
  const std::string description =
      R"({"rows": 2, "columns": 3, "colorType": "Tri3", "frames": [{"kind": 4}]})";
  WriteAll(PathOf("desc.json"), Bytes(description));
  const std::vector<std::vector<std::string>> lines = {
      {"make-old", "-", "-o", PathOf("a.seq")},
      {"make-old", "-o", PathOf("b.seq"), "-"},
      {"make-old", "--output=" + PathOf("c.seq"), PathOf("desc.json")},
      {"make-old", "--output", PathOf("d.seq"), "--", PathOf("desc.json")},
  };
  for (const auto& line : lines) {
    const ToolRun run = RunTool(line, description);
    EXPECT_EQ(run.code, 0) << run.err;
  }
  for (const char* name : {"a.seq", "b.seq", "c.seq", "d.seq"}) {
    const json info = InfoJson(name, false);
    EXPECT_EQ(info["colorName"], "Tri3") << name;
    EXPECT_EQ(info["frames"].size(), 1u) << name;
  }
  const ToolRun bad = RunTool({"make-old", "-", "-o", PathOf("e.seq")}, "{oops");
  EXPECT_TRUE(FailedWithOneLine(bad, kExitFileError));
  EXPECT_TRUE(bad.err.starts_with("q9seq: standard input: invalid JSON")) << bad.err;
}

TEST_F(MakeOldTest, InfoJsonOfAnOldSequenceIsADescriptionOfIt) {
  const std::string description = R"({"rows": 5, "columns": 21, "colorType": 2, "frames": [
      {"kind": 4, "fields": [{"offset": 12, "size": 2, "value": 25}], "bulbs": ")" +
                                  HexEncode(Pattern(48, 9)) + R"("},
      {"kind": 2, "fields": [{"offset": 16, "text": "Intro"}]}, {"kind": 1}]})";
  ASSERT_EQ(MakeOld(description, "first.seq").code, 0);
  const ToolRun first = RunTool({"info", PathOf("first.seq"), "--json", "--bulbs"});
  ASSERT_EQ(first.code, 0);
  const ToolRun again = RunTool({"make-old", "-", "-o", PathOf("second.seq")}, first.out);
  ASSERT_EQ(again.code, 0) << again.err;
  const ToolRun second = RunTool({"info", PathOf("second.seq"), "--json", "--bulbs"});
  EXPECT_EQ(second.out, first.out);
}

TEST(DescriptionLimitsTest, TooManyValuesAndTooLongTextsAreRefused) {
  const std::string small = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})";
  std::string error;
  EXPECT_TRUE(ParseOldSeqDescription(small, error, 100).has_value()) << error;
  std::string many = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": [)";
  for (int i = 0; i < 50; ++i) many += std::string(i ? "," : "") + R"({"kind": 1})";
  many += "]}";
  EXPECT_TRUE(ParseOldSeqDescription(many, error, 1000).has_value()) << error;
  EXPECT_FALSE(ParseOldSeqDescription(many, error, 100).has_value());
  EXPECT_EQ(error, "more than 100 JSON values");

  std::istringstream longInput(std::string(101, ' '));
  EXPECT_FALSE(ReadDescriptionText("-", longInput, error, 100).has_value());
  EXPECT_EQ(error, "description longer than 100 bytes");
  std::istringstream shortInput(std::string(100, ' '));
  EXPECT_EQ(ReadDescriptionText("-", shortInput, error, 100), std::string(100, ' '));
}

TEST_F(MakeOldTest, UnreadableDescriptionsAreFileErrors) {
  std::filesystem::create_directory(PathOf("dir.json"));
  WriteAll(PathOf("long.json"), std::vector<uint8_t>(101, ' '));
  std::istringstream none;
  std::string error;
  EXPECT_FALSE(ReadDescriptionText(PathOf("long.json"), none, error, 100).has_value());
  EXPECT_EQ(error, "description longer than 100 bytes");
  EXPECT_EQ(ReadDescriptionText(PathOf("long.json"), none, error, 101), std::string(101, ' '));

  const struct {
    std::string name;
    std::string reason;
  } cases[] = {{"missing.json", "No such file or directory"}, {"dir.json", "is a directory"}};
  for (const auto& c : cases) {
    const ToolRun run = RunTool({"make-old", PathOf(c.name), "-o", PathOf("out.seq")});
    EXPECT_TRUE(FailedWithOneLine(run, kExitFileError));
    EXPECT_EQ(run.err, "q9seq: " + PathOf(c.name) + ": " + c.reason + "\n");
  }
  EXPECT_FALSE(std::filesystem::exists(PathOf("out.seq")));
}

}  // namespace
}  // namespace q9::cli
