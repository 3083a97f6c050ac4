#include "q9seq/seq_tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

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

// A full disk or a closed pipe on standard output fails the command too.
TEST(SeqToolTest, AFailedStandardOutputFailsTheCommand) {
  std::ostream broken(nullptr);  // every write fails
  std::ostringstream err;
  EXPECT_EQ(RunSeqTool({"--version"}, broken, err), kExitFileError);
  EXPECT_EQ(err.str(), "q9seq: cannot write to standard output\n");
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

// The old-sequence writer saves like every other: a kill in the middle of
// the save leaves the folder as it was, an older file included.
TEST_F(SeqToolProcessTest, AKillDuringASaveLeavesTheFolderAsItWas) {
  const int probe = open(m_dir.c_str(), O_TMPFILE | O_RDWR, 0600);
  if (probe < 0) GTEST_SKIP() << "this file system cannot make unnamed files";
  close(probe);
  const std::string description = R"({"rows": 2, "columns": 3, "colorType": 0, "frames": [
      {"kind": 4, "bulbs": "01020304"}]})";
  for (const bool older : {false, true}) {
    SCOPED_TRACE(older ? "over an older file" : "a new file");
    if (older) std::ofstream(PathOf("a.seq")) << "older";
    const std::vector<std::string> before = Listing();
    const pid_t pid = StartProcess(Q9SEQ_BINARY, {"make-old", "-", "-o", PathOf("a.seq")}, m_dir,
                                   description, {"Q9_STOP_AT=commit a.seq"});
    ASSERT_TRUE(program::testing::WaitStopped(pid));
    kill(pid, SIGKILL);
    EXPECT_EQ(WaitProcess(pid, m_dir).code, -1);
    EXPECT_EQ(Listing(), before);
    if (older) {
      EXPECT_EQ(Text(PathOf("a.seq")), "older");
    }
  }
}

}  // namespace
}  // namespace q9::q9seq
