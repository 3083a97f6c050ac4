#pragma once
// Helpers shared by the command-line tool tests: q9seq run in-process with
// its streams captured, a check that a failure leaves exactly one line on
// standard error, and a built program run as a process as a user runs it.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "cli/seq_tool.h"
#include "platform/signlib/sq9_test_support.h"

extern char** environ;

namespace q9::cli::testing {

using platform::testing::ReadAll;
using platform::testing::TempDirTest;
using platform::testing::WriteAll;

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

inline ToolRun RunTool(const std::vector<std::string>& args, const std::string& input = "") {
  std::istringstream in(input);
  std::ostringstream out, err;
  return {RunSeqTool(args, in, out, err), out.str(), err.str()};  // in this order
}

// The failure contract: the code, nothing on standard output and one line
// "q9seq: ..." on standard error.
inline ::testing::AssertionResult FailedWithOneLine(const ToolRun& run, int code) {
  if (run.code == code && run.out.empty() && run.err.starts_with("q9seq: ") &&
      run.err.find('\n') == run.err.size() - 1)
    return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure()
         << "exit code " << run.code << " (expected " << code << "), stdout [" << run.out
         << "], stderr [" << run.err << "]";
}

// On a mismatch the patch from one document to the other names just the
// members that differ.
inline void ExpectSameJson(const nlohmann::json& actual, const nlohmann::json& expected) {
  EXPECT_TRUE(actual == expected) << nlohmann::json::diff(actual, expected).dump(1);
}

// Bytes that differ from their neighbours, so that a misplaced one shows.
inline std::vector<uint8_t> Pattern(size_t size, uint8_t seed) {
  std::vector<uint8_t> bytes(size);
  for (size_t i = 0; i < size; ++i) bytes[i] = uint8_t(i * 31 + seed);
  return bytes;
}

inline std::vector<uint8_t> Bytes(const std::string& text) {
  return {text.begin(), text.end()};
}

inline std::string Text(const std::string& path) {
  const std::vector<uint8_t> bytes = ReadAll(path);
  return std::string(bytes.begin(), bytes.end());
}

// Starts a built program with input as its standard input; its standard
// output and error go to the files "out" and "err" of dir.
inline pid_t StartProcess(const std::string& program, std::vector<std::string> args,
                          const std::string& dir, const std::string& input = "") {
  WriteAll(dir + "/in", std::vector<uint8_t>(input.begin(), input.end()));
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, (dir + "/in").c_str(), O_RDONLY, 0);
  for (const int fd : {1, 2})
    posix_spawn_file_actions_addopen(&actions, fd, (dir + (fd == 1 ? "/out" : "/err")).c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0644);
  args.insert(args.begin(), program);
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits for it and takes its exit code (-1 when it did not exit) and output,
// removing the files.
inline ToolRun WaitProcess(pid_t pid, const std::string& dir) {
  int status = 0;
  const bool exited = waitpid(pid, &status, 0) == pid && WIFEXITED(status);
  ToolRun run{exited ? WEXITSTATUS(status) : -1, Text(dir + "/out"), Text(dir + "/err")};
  for (const char* name : {"/in", "/out", "/err"}) std::remove((dir + name).c_str());
  return run;
}

}  // namespace q9::cli::testing
