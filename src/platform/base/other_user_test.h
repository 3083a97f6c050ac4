#pragma once
// For tests of permissions: root reads every file whatever its mode, so a
// test that needs a refusal runs its body in a forked child that drops to
// the unprivileged user "nobody" first (as any other user, the child keeps
// its own). The body's text comes back through a pipe.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <string>

namespace q9::platform::testing {

constexpr uid_t kNobody = 65534;

inline std::string AsUnprivilegedUser(const std::function<std::string()>& body) {
  int fds[2];
  if (pipe(fds) != 0) return "pipe failed";
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    if (geteuid() == 0 && (setgid(kNobody) != 0 || setuid(kNobody) != 0)) _exit(3);
    const std::string text = body();
    const ssize_t ignored = write(fds[1], text.data(), text.size());
    (void)ignored;
    _exit(0);
  }
  close(fds[1]);
  std::string text;
  char buffer[4096];
  for (ssize_t n; (n = read(fds[0], buffer, sizeof buffer)) > 0;) text.append(buffer, size_t(n));
  close(fds[0]);
  int status = 0;
  waitpid(pid, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child failed";
  return text;
}

}  // namespace q9::platform::testing
