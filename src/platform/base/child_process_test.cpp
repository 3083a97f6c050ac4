#include "platform/base/child_process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/base/private_folder.h"
#include "platform/base/temp_dir_test.h"

namespace q9::platform {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

std::string Text(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// True once no process with this id runs (a zombie no longer runs).
bool Gone(pid_t pid) {
  const std::string stat = Text("/proc/" + std::to_string(pid) + "/stat");
  const size_t close = stat.rfind(')');
  return stat.empty() || (close != std::string::npos && stat.substr(close + 2, 1) == "Z");
}

// Waits for a condition, at most 10 s.
template <class Condition>
bool Eventually(Condition condition) {
  const auto deadline = std::chrono::steady_clock::now() + 10s;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(5ms);
  }
  return true;
}

class ChildProcessTest : public testing::TempDirTest {
 protected:
  // sh -c script, in the test's folder, its standard error into "err".
  ChildCommand Shell(const std::string& script) const {
    ChildCommand c;
    c.program = "/bin/sh";
    c.args = {"-c", script};
    c.environment = {"PATH=/usr/bin:/bin", "ONLY=this"};
    c.directory = m_dir.string();
    c.errorFile = PathOf("err");
    return c;
  }
  Result<int> Run(const ChildCommand& command, std::chrono::milliseconds limit = 10s,
                  const std::function<bool()>& cancelled = {}) {
    Result<ChildProcess> child = ChildProcess::Start(command);
    if (!child) return child.Error();
    return child->Wait(limit, cancelled);
  }
};

TEST_F(ChildProcessTest, RunsWithOnlyWhatItIsGiven) {
  std::ofstream(PathOf("here")) << "";
  // A descriptor of ours without close-on-exec must not reach the child.
  const int opened = open(PathOf("here").c_str(), O_RDONLY);
  ASSERT_GE(opened, 0);
  const int leaked = dup2(opened, 57);
  close(opened);
  ASSERT_EQ(leaked, 57);
  const Result<int> r = Run(Shell(
      "env >&2; echo cwd=$(pwd) >&2; ls /proc/self/fd >&2; read line && echo stdin=$line >&2; "
      "echo pgid=$(cut -d' ' -f5 /proc/self/stat) self=$$ >&2; exit 3"));
  close(leaked);
  ASSERT_TRUE(r.Ok()) << r.Reason();
  EXPECT_EQ(*r, 3);
  const std::string err = Text(PathOf("err"));
  EXPECT_NE(err.find("ONLY=this\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("HOME="), std::string::npos) << err;
  EXPECT_NE(err.find("cwd=" + m_dir.string() + "\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("\n" + std::to_string(leaked) + "\n"), std::string::npos) << err;
  EXPECT_EQ(err.find("stdin="), std::string::npos) << err;  // /dev/null: nothing to read
  // ls and cut run in the shell's group, which is its own.
  const size_t pgid = err.find("pgid=");
  ASSERT_NE(pgid, std::string::npos) << err;
  const std::string pgidValue = err.substr(pgid + 5, err.find(' ', pgid) - pgid - 5);
  EXPECT_NE(err.find("self=" + pgidValue + "\n"), std::string::npos) << err;
  EXPECT_NE(pgidValue, std::to_string(getpgrp()));
}

// Each way a wait ends early kills the whole group: the shell and the
// sleep it started in the background.
TEST_F(ChildProcessTest, TimeLimitAndCancelKillTheWholeGroup) {
  int polls = 0;
  const struct {
    const char* name;
    std::chrono::milliseconds limit;
    std::function<bool()> cancelled;
    int errorNumber;
  } cases[] = {
      {"time limit", 300ms, {}, ETIMEDOUT},
      {"cancel", 60s, [&] { return ++polls > 3; }, ECANCELED},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(PathOf("pid"));
    Result<ChildProcess> child =
        ChildProcess::Start(Shell("sleep 60 & echo $! > pid.tmp; mv pid.tmp pid; wait"));
    ASSERT_TRUE(child.Ok()) << child.Reason();
    const pid_t shell = child->Id();
    ASSERT_TRUE(Eventually([&] { return fs::exists(PathOf("pid")); }));
    const pid_t sleeper = std::stoi(Text(PathOf("pid")));
    const Result<int> r = child->Wait(c.limit, c.cancelled);
    EXPECT_EQ(r.Error().errorNumber, c.errorNumber) << r.Reason();
    EXPECT_EQ(child->Id(), -1);
    EXPECT_TRUE(Gone(shell));
    EXPECT_TRUE(Eventually([&] { return Gone(sleeper); }));
  }
}

TEST_F(ChildProcessTest, KernelLimitsEndTheChild) {
  ChildCommand cpu = Shell("while :; do :; done");
  cpu.limits.cpuSeconds = 1;
  ChildCommand file = Shell("");
  file.program = "/bin/dd";
  file.args = {"if=/dev/zero", "of=big", "bs=1000", "count=100"};
  file.limits.fileBytes = 10000;
  // The shell holds the 200 MB text in memory, and fails to.
  ChildCommand memory = Shell("x=$(head -c 200000000 /dev/zero | tr '\\0' a); echo ${#x} >&2");
  memory.limits.memoryBytes = 64 << 20;
  const struct {
    const char* name;
    const ChildCommand& command;
    const char* reason;  // null: any way of failing
  } cases[] = {
      {"cpu", cpu, "it used up its CPU time"},
      {"file size", file, "it wrote more than its file size limit"},
      {"memory", memory, nullptr},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<int> r = Run(c.command, 20s);
    if (c.reason)
      EXPECT_EQ(r.Reason(), c.reason);
    else
      EXPECT_TRUE(!r.Ok() || *r != 0);
  }
  EXPECT_LE(fs::file_size(PathOf("big")), 10000u);
}

// A child never outlives the thread that started it, however that ends.
TEST_F(ChildProcessTest, DiesWithItsParent) {
  const pid_t parent = fork();
  if (parent == 0) {
    Result<ChildProcess> child =
        ChildProcess::Start(Shell("echo $$ > pid.tmp; mv pid.tmp pid; "
                                  "exec sleep 60"));
    if (child && Eventually([&] { return fs::exists(PathOf("pid")); })) _exit(0);
    _exit(1);  // without killing anything
  }
  int status = 0;
  ASSERT_EQ(waitpid(parent, &status, 0), parent);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  const pid_t sleeper = std::stoi(Text(PathOf("pid")));
  EXPECT_TRUE(Eventually([&] { return Gone(sleeper); }));
}

TEST(ChildProcess, FindsProgramsOnlyInAbsoluteFoldersOfThePath) {
  const Result<std::string> sh = ChildProcess::FindProgram("sh");
  ASSERT_TRUE(sh.Ok()) << sh.Reason();
  EXPECT_EQ(sh->front(), '/');
  EXPECT_EQ(ChildProcess::FindProgram("no-such-program-q9").Reason(),
            "no-such-program-q9 is not installed (not found in PATH)");
}

class PrivateFolderTest : public testing::TempDirTest {};

TEST_F(PrivateFolderTest, MadeForThisUserAndRemovedWithItsContents) {
  const char* saved = getenv("TMPDIR");
  const std::string savedValue = saved ? saved : "";
  setenv("TMPDIR", m_dir.c_str(), 1);
  std::string path;
  {
    Result<PrivateFolder> folder = PrivateFolder::Create("job-");
    ASSERT_TRUE(folder.Ok()) << folder.Reason();
    path = folder->Path();
    EXPECT_TRUE(path.starts_with(PathOf("job-"))) << path;
    struct stat st {};
    ASSERT_EQ(stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    fs::create_directories(folder->File("a/b"));
    std::ofstream(folder->File("a/b/c")) << "x";
    PrivateFolder moved = std::move(*folder);
    EXPECT_TRUE(fs::exists(path));
  }
  EXPECT_TRUE(Listing().empty());
  if (saved)
    setenv("TMPDIR", savedValue.c_str(), 1);
  else
    unsetenv("TMPDIR");
}

}  // namespace
}  // namespace q9::platform
