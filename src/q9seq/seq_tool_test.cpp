#include "q9seq/seq_tool.h"

#include <gtest/gtest.h>

#include "q9seq/q9seq_test_support.h"
#include "q9seq/seq_tool_args.h"

namespace q9::q9seq {
namespace {

using namespace testing;

TEST(SeqToolTest, UsageErrorsGiveOneLineAndCode2) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no command given"},
      {{"show", "a.seq"}, "unknown command 'show'"},
      {{"info", "--json"}, "info needs a sequence file"},
      {{"info", "a.sq9", "b.sq9"}, "unexpected argument 'b.sq9'"},
      {{"info", "-"}, "info reads a file, not standard input"},
      {{"make-old", "d.json"}, "make-old needs an output file: -o OUT.seq"},
      {{"make-old", "d.json", "-o"}, "option '-o' needs a file name"},
      {{"make-old", "d.json", "-o", "a", "-o", "b"}, "the output file is given twice"},
      {{"make-old", "d.json", "-o", "o.seq", "--frame", "1"},
       "unknown option '--frame' for make-old"},
      {{"render", "a.sq9", "-o", "o.jpg"}, "render writes a .png or a .gif file, not 'o.jpg'"},
      {{"render", "a.sq9", "-o", "o.png", "--zoom=33"},
       "--zoom takes a whole number from 1 to 32, not '33'"},
  };
  for (const auto& [args, reason] : cases) {
    const ToolRun run = RunTool(args);
    EXPECT_TRUE(FailedWithOneLine(run, kExitUsage)) << reason;
    EXPECT_EQ(run.err, "q9seq: " + reason + " (see q9seq --help)\n");
  }
}

// The built q9seq program, run as a process: main's exit codes and streams
// (help and version on standard output).
class SeqToolProcessTest : public TempDirTest {};

TEST_F(SeqToolProcessTest, ExitCodesAndStreams) {
  const std::string description = R"({"rows": 1, "columns": 1, "colorType": 0, "frames": []})";
  const std::tuple<std::vector<std::string>, std::string, ToolRun> cases[] = {
      {{"--version"}, "", {0, "q9seq " Q9_TEST_VERSION "\n", ""}},
      {{"--help"}, "", {0, std::string(SeqToolUsage()), ""}},
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
}

}  // namespace
}  // namespace q9::q9seq
