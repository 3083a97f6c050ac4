#include "cli/seq_tool.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <fstream>
#include <iterator>

#include "cli/cli_test_support.h"
#include "cli/seq_tool_args.h"

extern char** environ;

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
      {{"info"}, "info needs a sequence file"},
      {{"info", "--json"}, "info needs a sequence file"},
      {{"info", "a.sq9", "b.sq9"}, "unexpected argument 'b.sq9'"},
      {{"info", "a.sq9", "--jsn"}, "unknown option '--jsn' for info"},
      {{"info", "a.sq9", "-o", "x"}, "unknown option '-o' for info"},
      {{"info", "-"}, "info reads a file, not standard input"},
      {{"info", ""}, "empty file name"},
      {{"make-old", "d.json"}, "make-old needs an output file: -o OUT.seq"},
      {{"make-old", "-o", "o.seq"}, "make-old needs a description file or - for standard input"},
      {{"make-old", "d.json", "-o"}, "option '-o' needs a file name"},
      {{"make-old", "d.json", "--output="}, "option '--output=' needs a file name"},
      {{"make-old", "d.json", "-o", "a", "-o", "b"}, "the output file is given twice"},
      {{"make-old", "d.json", "--json", "-o", "a"}, "unknown option '--json' for make-old"},
  };
  for (const Case& c : cases) {
    const ToolRun run = RunTool(c.args);
    EXPECT_TRUE(FailedWithOneLine(run, kExitUsage)) << c.reason;
    EXPECT_EQ(run.err, "q9seq: " + c.reason + " (see q9seq --help)\n");
  }
}

TEST(SeqToolTest, HelpAndVersionGoToStandardOutput) {
  for (const std::vector<std::string>& args : std::vector<std::vector<std::string>>{
           {"--help"}, {"-h"}, {"info", "x", "-h"}, {"make-old", "--help"}}) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.code, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, SeqToolUsage());
  }
  EXPECT_TRUE(SeqToolUsage().starts_with("Usage: q9seq info FILE [--json] [--bulbs]\n"));
  const ToolRun version = RunTool({"--version"});
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "q9seq " Q9_TEST_VERSION "\n");
}

TEST(SeqToolArgsTest, FilesAndOptionsInAnyOrder) {
  std::string error;
  auto args = ParseSeqToolArgs({"info", "--bulbs", "--", "--json"}, error);
  ASSERT_TRUE(args.has_value()) << error;
  EXPECT_EQ(args->input, "--json");
  EXPECT_TRUE(args->bulbs);
  EXPECT_FALSE(args->json);
  args = ParseSeqToolArgs({"make-old", "-oout.seq", "desc.json"}, error);
  ASSERT_TRUE(args.has_value()) << error;
  EXPECT_EQ(args->command, SeqCommand::kMakeOld);
  EXPECT_EQ(args->output, "out.seq");
  EXPECT_EQ(args->input, "desc.json");
}

// The built q9seq program, run as a process: main's exit codes and streams.
class SeqToolProcessTest : public TempDirTest {
 protected:
  struct Result {
    int code = -1;
    std::string out, err;
  };
  Result Run(const std::vector<std::string>& args, const std::string& input) {
    WriteAll(PathOf("stdin"), std::vector<uint8_t>(input.begin(), input.end()));
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, PathOf("stdin").c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, PathOf("stdout").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, PathOf("stderr").c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
    std::vector<std::string> words = {Q9SEQ_BINARY};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    pid_t pid = 0;
    Result result;
    const int rc = posix_spawn(&pid, Q9SEQ_BINARY, &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
      ADD_FAILURE() << "cannot start " << Q9SEQ_BINARY;
      return result;
    }
    int status = 0;
    if (waitpid(pid, &status, 0) == pid && WIFEXITED(status)) result.code = WEXITSTATUS(status);
    const auto text = [](const std::vector<uint8_t>& b) { return std::string(b.begin(), b.end()); };
    result.out = text(ReadAll(PathOf("stdout")));
    result.err = text(ReadAll(PathOf("stderr")));
    return result;
  }
};

TEST_F(SeqToolProcessTest, ExitCodesAndStreams) {
  const Result version = Run({"--version"}, "");
  EXPECT_EQ(version.code, 0);
  EXPECT_EQ(version.out, "q9seq " Q9_TEST_VERSION "\n");
  EXPECT_EQ(version.err, "");

  const Result usage = Run({}, "");
  EXPECT_EQ(usage.code, 2);
  EXPECT_EQ(usage.out, "");
  EXPECT_EQ(usage.err, "q9seq: no command given (see q9seq --help)\n");

  const Result missing = Run({"info", PathOf("nothing.seq")}, "");
  EXPECT_EQ(missing.code, 1);
  EXPECT_EQ(missing.out, "");
  EXPECT_EQ(missing.err, "q9seq: " + PathOf("nothing.seq") + ": No such file or directory\n");

  const Result made = Run({"make-old", "-", "-o", PathOf("a.seq")},
                          R"({"rows": 2, "columns": 3, "colorType": "RGB16M",
                              "frames": [{"kind": 4, "fields": [{"offset": 12, "size": 2, "value": 7}]}]})");
  EXPECT_EQ(made.code, 0) << made.err;
  EXPECT_EQ(made.out + made.err, "");

  const Result info = Run({"info", PathOf("a.seq"), "--json"}, "");
  EXPECT_EQ(info.code, 0) << info.err;
  EXPECT_EQ(info.err, "");
  const nlohmann::json json = nlohmann::json::parse(info.out);
  EXPECT_EQ(json["colorType"], 11);
  EXPECT_EQ(json["frames"][0]["record"].get<std::string>().substr(24, 4), "0700");

  const Result bad = Run({"make-old", "-", "-o", PathOf("b.seq")}, "{\"rows\": [");
  EXPECT_EQ(bad.code, 1);
  EXPECT_EQ(bad.out, "");
  EXPECT_TRUE(bad.err.starts_with("q9seq: standard input: invalid JSON: parse error at line 1"))
      << bad.err;
  EXPECT_EQ(std::count(bad.err.begin(), bad.err.end(), '\n'), 1);
  EXPECT_FALSE(std::filesystem::exists(PathOf("b.seq")));
}

}  // namespace
}  // namespace q9::cli
