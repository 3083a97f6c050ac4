#include "unattended/interrupt_guard.h"

#include <unistd.h>

#include <atomic>

namespace q9::unattended {
namespace {

std::atomic<bool> g_interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free, "the signal handler needs a lock-free flag");

constexpr char kAgain[] = "\nq9convert: stopping; the file being written is removed first\n";

void OnInterrupt(int) {
  // Only async-signal-safe calls here.
  if (g_interrupted.exchange(true)) {
    const ssize_t ignored = write(STDERR_FILENO, kAgain, sizeof kAgain - 1);
    (void)ignored;
  }
}

}  // namespace

InterruptGuard::InterruptGuard() {
  g_interrupted = false;
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;  // reads and writes in progress carry on
  // A helper program (Ghostscript) runs in a group of its own: the run
  // ends it itself on its way out.
  m_installedInt = sigaction(SIGINT, &action, &m_previousInt) == 0;
  m_installedTerm = sigaction(SIGTERM, &action, &m_previousTerm) == 0;
}

InterruptGuard::~InterruptGuard() {
  if (m_installedInt) sigaction(SIGINT, &m_previousInt, nullptr);
  if (m_installedTerm) sigaction(SIGTERM, &m_previousTerm, nullptr);
}

bool InterruptGuard::Interrupted() {
  return g_interrupted.load();
}

}  // namespace q9::unattended
