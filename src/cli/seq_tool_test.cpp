#include "cli/seq_tool.h"

#include <gtest/gtest.h>

#include "cli/cli_test_support.h"
#include "cli/seq_tool_args.h"

namespace q9::cli {
namespace {

using namespace testing;

TEST(SeqToolTest, UsageErrorsGiveOneLineAndCode2) {
  struct Case {
    std::vector<std::string> args;
    std::string reason;
  };
  const Case cases[] = {
      {{}, "no command given"},
      {{"show", "a.seq"}, "unknown command 'show'"},
      {{"--verbose"}, "unknown option '--verbose'"},
      {{"--version", "x"}, "unexpected argument 'x' after --version"},
      {{"info", "--json"}, "info needs a sequence file"},
      {{"info", "a.sq9", "b.sq9"}, "unexpected argument 'b.sq9'"},
      {{"info", "a.sq9", "-o", "x"}, "unknown option '-o' for info"},
      {{"info", "-"}, "info reads a file, not standard input"},
      {{"info", ""}, "empty file name"},
      {{"make-old", "d.json"}, "make-old needs an output file: -o OUT.seq"},
      {{"make-old", "-o", "o.seq"}, "make-old needs a description file or - for standard input"},
      {{"make-old", "d.json", "-o"}, "option '-o' needs a file name"},
      {{"make-old", "d.json", "--output="}, "option '--output=' needs a file name"},
      {{"make-old", "d.json", "-o", "a", "-o", "b"}, "the output file is given twice"},
      {{"make-old", "d.json", "-o", "o.seq", "--frame", "1"},
       "unknown option '--frame' for make-old"},
      {{"render", "-o", "x.png"}, "render needs a sequence file"},
      {{"render", "a.sq9"}, "render needs an output file: -o OUT.png or -o OUT.gif"},
      {{"render", "a.sq9", "-o", "o.jpg"}, "render writes a .png or a .gif file, not 'o.jpg'"},
      {{"render", "a.sq9", "-o", "o.png", "--zoom", "0"},
       "--zoom takes a whole number from 1 to 32, not '0'"},
      {{"render", "a.sq9", "-o", "o.png", "--zoom=33"},
       "--zoom takes a whole number from 1 to 32, not '33'"},
      {{"render", "a.sq9", "-o", "o.png", "--zoom", "+2"},
       "--zoom takes a whole number from 1 to 32, not '+2'"},
      {{"render", "a.sq9", "-o", "o.png", "--zoom", "2", "--zoom", "2"}, "--zoom is given twice"},
      {{"render", "a.sq9", "-o", "o.png", "--frame", "-1"},
       "--frame takes a frame number as info prints it, not '-1'"},
      {{"render", "a.sq9", "-o", "o.png", "--frame"}, "option '--frame' needs a frame number"},
      {{"render", "a.sq9", "-o", "o.png", "--bulbs"}, "unknown option '--bulbs' for render"},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunTool(c.args);
    EXPECT_TRUE(FailedWithOneLine(run, kExitUsage)) << c.reason;
    EXPECT_EQ(run.err, "q9seq: " + c.reason + " (see q9seq --help)\n");
  }
}

TEST(SeqToolTest, HelpGoesToStandardOutputAndOptionsEndAtTwoDashes) {
  for (const std::vector<std::string>& args :
       std::vector<std::vector<std::string>>{{"--help"}, {"make-old", "x", "-h"}}) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.out + run.err, SeqToolUsage());
  }
  std::string error;
  auto args = ParseSeqToolArgs({"info", "--bulbs", "--", "--json"}, error);
  ASSERT_TRUE(args.has_value()) << error;
  EXPECT_EQ(std::tuple(args->input, args->bulbs, args->json), std::tuple("--json", true, false));
  args = ParseSeqToolArgs({"make-old", "-oout.seq", "desc.json"}, error);
  ASSERT_TRUE(args.has_value()) << error;
  EXPECT_EQ(std::tuple(args->output, args->input), std::tuple("out.seq", "desc.json"));
}

// The built q9seq program, run as a process: main's exit codes and streams.
class SeqToolProcessTest : public TempDirTest {};

TEST_F(SeqToolProcessTest, ExitCodesAndStreams) {
  const std::string description = R"({"rows": 2, "columns": 3, "colorType": "RGB16M",
      "frames": [{"kind": 4, "fields": [{"offset": 12, "size": 2, "value": 7}]}]})";
  const std::tuple<std::vector<std::string>, std::string, ToolRun> cases[] = {
      {{"--version"}, "", {0, "q9seq " Q9_TEST_VERSION "\n", ""}},
      {{}, "", {2, "", "q9seq: no command given (see q9seq --help)\n"}},
      {{"make-old", "-", "-o", PathOf("a.seq")}, description, {0, "", ""}},
      {{"make-old", "-", "-o", PathOf("b.seq")},
       "[1]",
       {1, "", "q9seq: standard input: the description must be a JSON object, not array\n"}},
  };
  for (const auto& [args, input, expected] : cases) {
    const ToolRun run = WaitProcess(StartProcess(Q9SEQ_BINARY, args, m_dir, input), m_dir);
    EXPECT_EQ(std::tuple(run.code, run.out, run.err),
              std::tuple(expected.code, expected.out, expected.err));
  }
  const nlohmann::json info = ParseOutput(RunTool({"info", PathOf("a.seq"), "--json"}));
  EXPECT_EQ(info["colorType"], 11);
  EXPECT_EQ(info["frames"][0]["record"].get<std::string>().substr(24, 4), "0700");
}

}  // namespace
}  // namespace q9::cli
