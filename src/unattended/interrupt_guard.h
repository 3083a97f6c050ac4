#pragma once
// Ctrl-C, SIGTERM and SIGHUP as the Cancel button of an unattended run.
// While a guard exists, these signals only note which one came first; the
// run's progress calls pass it on to the conversion, which drops the video
// it is converting and stops, or finishes the file it is already saving.
// Later signals while the run winds down are noted but do not end the
// process, so no unfinished file is left behind. The previous handling
// comes back when the guard goes.

#include <signal.h>

#include <iterator>

namespace q9::unattended {

class InterruptGuard {
 public:
  InterruptGuard();
  ~InterruptGuard();
  InterruptGuard(const InterruptGuard&) = delete;
  InterruptGuard& operator=(const InterruptGuard&) = delete;

  // True once one of the signals arrived while this guard was installed.
  static bool Interrupted();
  // The first signal that arrived (SIGINT, SIGTERM or SIGHUP); 0 before any.
  static int Signal();

 private:
  static constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
  struct sigaction m_previous[std::size(kSignals)]{};
  bool m_installed[std::size(kSignals)] = {};
};

}  // namespace q9::unattended
