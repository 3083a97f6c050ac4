#pragma once
// Ctrl-C as the Cancel button of an unattended run. While a guard exists,
// SIGINT and SIGTERM only raise a flag; the run's progress calls pass it on to the
// conversion, which drops the file it is writing and stops. Later Ctrl-Cs
// while the run winds down are noted but do not end the process, so no
// temporary file of an unfinished sequence is left behind. The previous
// handling comes back when the guard goes.

#include <signal.h>

namespace q9::unattended {

class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // True once SIGINT or SIGTERM arrived while this guard was installed.
  static bool Interrupted();

 private:
  struct sigaction m_previousInt {};
  struct sigaction m_previousTerm {};
  bool m_installedInt = false;
  bool m_installedTerm = false;
};

}  // namespace q9::unattended
