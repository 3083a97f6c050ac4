#include "unattended/interrupt_guard.h"

#include <unistd.h>

#include <atomic>
#include <iterator>

namespace q9::unattended {
namespace {

std::atomic<int> g_signal{0};
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler needs a lock-free flag");

constexpr char kAgain[] = "\nq9convert: stopping once the file in hand is dropped or saved\n";

void OnSignal(int signal) {
  // Only async-signal-safe calls here.
  int none = 0;
  if (!g_signal.compare_exchange_strong(none, signal)) {
    const ssize_t ignored = write(STDERR_FILENO, kAgain, sizeof kAgain - 1);
    (void)ignored;
  }
}

}  // namespace

InterruptGuard::InterruptGuard() {
  g_signal = 0;
  struct sigaction action {};
  action.sa_handler = OnSignal;
  sigemptyset(&action.sa_mask);
  for (const int signal : kSignals) sigaddset(&action.sa_mask, signal);
  action.sa_flags = SA_RESTART;  // reads and writes in progress carry on
  // A helper program (Ghostscript) runs in a group of its own: the run
  // ends it itself on its way out.
  for (size_t i = 0; i < std::size(kSignals); ++i)
    m_installed[i] = sigaction(kSignals[i], &action, &m_previous[i]) == 0;
}

InterruptGuard::~InterruptGuard() {
  for (size_t i = 0; i < std::size(kSignals); ++i)
    if (m_installed[i]) sigaction(kSignals[i], &m_previous[i], nullptr);
}

bool InterruptGuard::Interrupted() {
  return g_signal.load() != 0;
}

int InterruptGuard::Signal() {
  return g_signal.load();
}

}  // namespace q9::unattended
