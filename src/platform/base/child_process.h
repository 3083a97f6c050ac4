#pragma once
// A helper program run as a child that we own from start to end. It is
// started without a shell, in a process group of its own (so that a
// terminal's Ctrl-C reaches us, not it, and one kill reaches all it
// started), with only the environment, working folder and open files we
// give it, and with kernel limits on its CPU time, memory and the size of
// the files it writes. It dies with us: the kernel kills it when our
// thread that started it ends, and the destructor kills its whole group if
// it is still running. Waiting has a time limit and polls a cancellation
// check; either ends the group at once.

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/base/result.h"

namespace q9::platform {

// Limits the kernel enforces in the child; 0 leaves one unset.
struct ChildLimits {
  unsigned cpuSeconds = 0;   // then SIGXCPU, and SIGKILL a second later
  uint64_t memoryBytes = 0;  // address space: allocations beyond it fail
  uint64_t fileBytes = 0;    // the largest file it may write (SIGXFSZ)
};

struct ChildCommand {
  std::string program;                   // an absolute path (FindProgram)
  std::vector<std::string> args;         // after the program's name
  std::vector<std::string> environment;  // all of it, "NAME=value"
  std::string directory;                 // its working folder
  std::string errorFile;                 // its standard error; "" for none
  ChildLimits limits;
};

class ChildProcess {
 public:
  // Starts the command. Its standard input and output are /dev/null; no
  // other file of ours stays open in it.
  static Result<ChildProcess> Start(const ChildCommand& command);
  // The program's path in PATH; fails when it is not there.
  static Result<std::string> FindProgram(const std::string& name);

  ChildProcess(ChildProcess&& other) noexcept;
  ChildProcess& operator=(ChildProcess&& other) noexcept;
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  // Kills the whole group and reaps the child when it is still running.
  ~ChildProcess();

  // Waits until the child ends and gives its exit status. Fails, after
  // killing its whole group, when timeLimit passes (ETIMEDOUT) or
  // cancelled() says true (ECANCELED); cancelled is polled every 20 ms.
  // A child ended by a signal fails with the signal's name, EINTR.
  Result<int> Wait(std::chrono::milliseconds timeLimit, const std::function<bool()>& cancelled);

  // The child's process id, which is also its group's; -1 once reaped.
  pid_t Id() const { return m_pid; }

 private:
  explicit ChildProcess(pid_t pid) : m_pid(pid) {}
  void KillAndReap();

  pid_t m_pid = -1;
};

}  // namespace q9::platform
