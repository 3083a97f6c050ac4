#pragma once
// For the tests of every program: a built program run as a process, as a
// user runs it, with its exit code and what it printed.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern char** environ;

namespace q9::program::testing {

struct ToolRun {
  int code = -1;
  std::string out;
  std::string err;
};

inline std::string Text(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Starts a built program with input as its standard input; its standard
// output and error go to the files "out" and "err" of dir. env adds
// "NAME=VALUE" entries to this process's environment for the program only.
inline pid_t StartProcess(const std::string& program, std::vector<std::string> args,
                          const std::string& dir, const std::string& input = "",
                          std::vector<std::string> env = {}) {
  std::ofstream(dir + "/in", std::ios::binary) << input;
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
  std::vector<char*> envp;
  for (char** e = environ; *e != nullptr; ++e) envp.push_back(*e);
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  pid_t pid = -1;
  EXPECT_EQ(posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()), 0);
  posix_spawn_file_actions_destroy(&actions);
  return pid;
}

// Waits until the program stops itself (SIGSTOP, see platform/base/
// stop_point.h); false when it ended instead, its status then lost.
inline bool WaitStopped(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WUNTRACED) == pid && WIFSTOPPED(status);
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

}  // namespace q9::program::testing
