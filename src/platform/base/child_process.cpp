#include "platform/base/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <thread>

namespace q9::platform {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(20);

// Everything the child needs, made before the fork: after it the child may
// only make async-signal-safe calls.
struct Prepared {
  std::vector<std::string> strings;
  std::vector<char*> argv;
  std::vector<char*> envp;
};

Prepared Prepare(const ChildCommand& command) {
  Prepared p;
  p.strings.reserve(1 + command.args.size() + command.environment.size());
  p.strings.push_back(command.program);
  for (const std::string& a : command.args) p.strings.push_back(a);
  for (const std::string& e : command.environment) p.strings.push_back(e);
  const size_t argc = 1 + command.args.size();
  for (size_t i = 0; i < p.strings.size(); ++i)
    (i < argc ? p.argv : p.envp).push_back(p.strings[i].data());
  p.argv.push_back(nullptr);
  p.envp.push_back(nullptr);
  return p;
}

void SetLimit(int resource, uint64_t soft, uint64_t hard) {
  const rlimit limit{rlim_t(soft), rlim_t(hard)};
  setrlimit(resource, &limit);
}

// In the child, between fork and exec.
[[noreturn]] void RunChild(const ChildCommand& command, const Prepared& p, pid_t parent,
                           int errorFd) {
  setpgid(0, 0);
  // Killed when the thread that started it ends, however that happens. If
  // the parent is already gone the death signal will never come.
  prctl(PR_SET_PDEATHSIG, SIGKILL);
  if (getppid() != parent) _exit(127);
  // Our handlers are reset by exec, but ignored signals would stay ignored.
  struct sigaction dfl {};
  dfl.sa_handler = SIG_DFL;
  for (int s = 1; s < NSIG; ++s) sigaction(s, &dfl, nullptr);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);

  const ChildLimits& l = command.limits;
  if (l.cpuSeconds > 0) SetLimit(RLIMIT_CPU, l.cpuSeconds, l.cpuSeconds + 1);
  if (l.memoryBytes > 0) SetLimit(RLIMIT_AS, l.memoryBytes, l.memoryBytes);
  if (l.fileBytes > 0) SetLimit(RLIMIT_FSIZE, l.fileBytes, l.fileBytes);
  SetLimit(RLIMIT_CORE, 0, 0);

  if (chdir(command.directory.c_str()) != 0) _exit(127);
  const int null = open("/dev/null", O_RDWR);
  if (null < 0) _exit(127);
  dup2(null, STDIN_FILENO);
  dup2(null, STDOUT_FILENO);
  dup2(errorFd >= 0 ? errorFd : null, STDERR_FILENO);
  // Nothing else of ours: not the files being written, not a display
  // connection.
  if (syscall(SYS_close_range, 3u, ~0u, 0u) != 0) {
    for (int fd = 3; fd < 65536; ++fd) close(fd);
  }
  execve(p.argv[0], p.argv.data(), p.envp.data());
  _exit(127);
}

std::string SignalText(int signal) {
  switch (signal) {
    case SIGXCPU:
      return "it used up its CPU time";
    case SIGXFSZ:
      return "it wrote more than its file size limit";
    case SIGKILL:
      return "it was killed";
    default:
      return std::string("it ended on signal ") + sigabbrev_np(signal);
  }
}

Result<int> StatusOf(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  return Failure{SignalText(WTERMSIG(status)), EINTR};
}

}  // namespace

Result<std::string> ChildProcess::FindProgram(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string_view dirs = path ? path : "/usr/bin:/bin";
  while (!dirs.empty()) {
    const size_t colon = dirs.find(':');
    std::string dir(dirs.substr(0, colon));
    dirs = colon == std::string_view::npos ? std::string_view() : dirs.substr(colon + 1);
    if (dir.empty() || dir[0] != '/') continue;  // never the current folder
    const std::string candidate = dir + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return Failure{name + " is not installed (not found in PATH)", ENOENT};
}

Result<ChildProcess> ChildProcess::Start(const ChildCommand& command) {
  const Prepared prepared = Prepare(command);
  int errorFd = -1;
  if (!command.errorFile.empty()) {
    errorFd = open(command.errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (errorFd < 0) return Failure::FromErrno(errno);
  }
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid == 0) RunChild(command, prepared, parent, errorFd);
  const int forkError = errno;
  if (errorFd >= 0) close(errorFd);
  if (pid < 0) return Failure::FromErrno(forkError);
  // Also here, so that a kill of the group right after the fork reaches it.
  setpgid(pid, pid);
  return ChildProcess(pid);
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept : m_pid(other.m_pid) {
  other.m_pid = -1;
}

ChildProcess& ChildProcess::operator=(ChildProcess&& other) noexcept {
  if (this != &other) {
    KillAndReap();
    m_pid = other.m_pid;
    other.m_pid = -1;
  }
  return *this;
}

ChildProcess::~ChildProcess() {
  KillAndReap();
}

void ChildProcess::KillAndReap() {
  if (m_pid <= 0) return;
  kill(-m_pid, SIGKILL);
  kill(m_pid, SIGKILL);  // in case it never got its own group
  while (waitpid(m_pid, nullptr, 0) < 0 && errno == EINTR) {
  }
  m_pid = -1;
}

Result<int> ChildProcess::Wait(std::chrono::milliseconds timeLimit,
                               const std::function<bool()>& cancelled) {
  if (m_pid <= 0) return Failure{"no child process", ECHILD};
  const auto deadline = std::chrono::steady_clock::now() + timeLimit;
  // A descriptor of the child wakes the wait the moment it ends; without
  // one (old kernels) the wait looks every poll interval.
  const int pidfd = int(syscall(SYS_pidfd_open, m_pid, 0));
  Result<int> result = Failure{"no result", ECHILD};
  for (;;) {
    int status = 0;
    const pid_t done = waitpid(m_pid, &status, WNOHANG);
    if (done == m_pid) {
      m_pid = -1;
      result = StatusOf(status);
      break;
    }
    if (done < 0 && errno != EINTR) {
      result = Failure::FromErrno(errno);
      m_pid = -1;
      break;
    }
    if (cancelled && cancelled()) {
      KillAndReap();
      result = Failure{"cancelled", ECANCELED};
      break;
    }
    const auto left = deadline - std::chrono::steady_clock::now();
    if (left <= std::chrono::steady_clock::duration::zero()) {
      KillAndReap();
      result = Failure{"time limit reached", ETIMEDOUT};
      break;
    }
    const auto slice = std::min(
        std::chrono::duration_cast<std::chrono::milliseconds>(left) + std::chrono::milliseconds(1),
        std::chrono::milliseconds(kPollInterval));
    if (pidfd >= 0) {
      pollfd p{pidfd, POLLIN, 0};
      poll(&p, 1, int(slice.count()));
    } else {
      std::this_thread::sleep_for(slice);
    }
  }
  if (pidfd >= 0) close(pidfd);
  return result;
}

}  // namespace q9::platform
