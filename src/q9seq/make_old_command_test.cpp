#include "q9seq/make_old_command.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "platform/signlib/q8_record.h"
#include "platform/signlib/sign_types.h"
#include "q9seq/hex.h"
#include "q9seq/old_seq_description.h"
#include "q9seq/q9seq_test_support.h"

namespace q9::q9seq {
namespace {

using nlohmann::json;
using platform::kQ8RecordSize;
using namespace testing;

class MakeOldTest : public TempDirTest {
 protected:
  ToolRun MakeOld(const std::string& description, const std::string& out = "out.seq") {
    WriteAll(PathOf("desc.json"), Bytes(description));
    return RunTool({"make-old", PathOf("desc.json"), "-o", PathOf(out)});
  }
  json InfoJson(const std::string& name) {
    const ToolRun run = RunTool({"info", PathOf(name), "--json", "--bulbs"});
    EXPECT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return json::parse(run.out);  // throws, failing the test, on bad JSON
  }
};

TEST_F(MakeOldTest, InfoGivesBackGeometryKindsRecordsAndBulbs) {
  const size_t bulbSize = size_t(platform::BulbDataSize(5, 21, platform::Q9_TRI3));
  const struct {
    unsigned kind;
    std::string record;          // hex: upper case and white space are accepted
    std::vector<uint8_t> bulbs;  // empty: no "bulbs" key
  } frames[] = {
      {1, "", {}},
      {4, "0A1B 2C3D\n\t4E5F", Pattern(bulbSize, 2)},
      {6, HexEncode(Pattern(kQ8RecordSize, 3)), {}},
      {255, "7f", {}},
  };
  json description = {{"rows", 5}, {"columns", 21}, {"colorType", "tri3"}};
  json expected = {
      {"format", "seq"},         {"rows", 5},      {"columns", 21},       {"colorType", 2},
      {"colorName", "Tri3"},     {"pixelTech", 0}, {"pixelTechName", ""}, {"previewOnly", false},
      {"bulbDataSize", bulbSize}};
  for (size_t i = 0; i < std::size(frames); ++i) {
    const auto& f = frames[i];
    json& given = description["frames"].emplace_back(json{{"kind", f.kind}, {"record", f.record}});
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
  ExpectSameJson(InfoJson("out.seq"), expected);
  // What info prints describes the same sequence, here from standard input.
  const ToolRun again =
      RunTool({"make-old", "--output", PathOf("again.seq"), "-"}, InfoJson("out.seq").dump());
  ASSERT_EQ(again.code, 0) << again.err;
  ExpectSameJson(InfoJson("again.seq"), expected);
}

TEST_F(MakeOldTest, FieldsLandLittleEndianOnTheRecord) {
  const ToolRun made = MakeOld(R"({"rows": 2, "columns": 3, "colorType": 0, "frames": [{"kind": 3,
      "record": "11223344556677", "fields": [{"offset": 2, "size": 4, "value": 16909060},
      {"offset": 8, "size": 2, "value": 4660}, {"offset": 10, "text": "Z"}]}]})");
  ASSERT_EQ(made.code, 0) << made.err;
  // Header 32, frame header 8, then the record up to the end of its last field.
  const std::vector<uint8_t> file = ReadAll(PathOf("out.seq"));
  ASSERT_EQ(file.size(), 40 + 11);
  EXPECT_EQ(HexEncode(std::span(file).subspan(40)), "112204030201770034125a");
}

TEST_F(MakeOldTest, BadDescriptionsGiveOneLineAndLeaveTheOutputAlone) {
  const auto sign = [](const std::string& rows, const std::string& columns,
                       const std::string& colorType) {
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
      {sign("\"2\"", "3", "0"), "rows: must be a number, not string"},
      {sign("2", "3", "15"), "colorType: 15 is out of range 0 to 14"},
      {sign("2", "3", "\"Purple\""), "colorType: unknown colour type name \"Purple\""},
      {frame(R"(4, "bulb": "00000000")"), "frames[0].bulb: unknown key"},
      {frame(R"(2, "bulbs": "00000000")"),
       "frames[0].bulbs: frame kind 2 carries no bulb data (only kinds 4 and 6 do)"},
      {frame(R"(6, "bulbs": "0000000000")"),
       "frames[0].bulbs: 5 bytes, expected 4 for this geometry"},
      {frame(R"(4, "bulbs": "00000z00")"), "frames[0].bulbs: 'z' at position 5 is not a hex digit"},
      {frame(R"(1, "record": ")" + std::string(2 * 1057, 'a') + "\""),
       "frames[0].record: 1057 bytes, at most 1056"},
      {field(R"("offset": 0, "size": 3, "value": 1)"),
       "frames[0].fields[0].size: 3 is not 1, 2 or 4"},
      {field(R"("offset": 0, "size": 4, "value": 4294967296)"),
       "frames[0].fields[0].value: 4294967296 is out of range 0 to 4294967295"},
      {field(R"("offset": 1054, "size": 4, "value": 0)"),
       "frames[0].fields[0]: 4 bytes at offset 1054 run past the record's 1056 bytes"},
      {field(R"("offset": 0, "text": "a", "size": 1)"),
       "frames[0].fields[0]: a field has either \"text\" or \"size\" and \"value\", not both"},
      // What info prints besides the description must agree with it.
      {head + R"("format": "sq9", "frames": []})",
       "format: \"sq9\" cannot be written; make-old writes \"seq\""},
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

TEST_F(MakeOldTest, OverlongUnreadableAndUnwritableAreRefused) {
  std::string error, many = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": [)";
  for (int i = 0; i < 50; ++i) many += std::string(i ? "," : "") + R"({"kind": 1})";
  many += "]}";
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

  const ToolRun missing = RunTool({"make-old", PathOf("missing.json"), "-o", PathOf("out.seq")});
  EXPECT_TRUE(FailedWithOneLine(missing, kExitFileError));
  EXPECT_EQ(missing.err, "q9seq: " + PathOf("missing.json") + ": No such file or directory\n");
  const ToolRun unwritable =
      MakeOld(R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})", "no-dir/out.seq");
  EXPECT_TRUE(FailedWithOneLine(unwritable, kExitFileError));
  EXPECT_NE(unwritable.err.find(PathOf("no-dir/out.seq")), std::string::npos) << unwritable.err;
  EXPECT_EQ(Listing(), (std::vector<std::string>{"desc.json", "long.json"}));
}

}  // namespace
}  // namespace q9::q9seq
