#pragma once
// The exit status of every program of the system.

namespace q9::program {

enum ExitCode : int {
  kExitOk = 0,
  kExitFileError = 1,  // a file is missing, unreadable, invalid, failed or not written
  kExitUsage = 2,      // a wrong command line (or, for q9convert, destination)
};

// A run stopped by a signal exits as a shell reports a death by it:
// 128 + its number (130 SIGINT, 143 SIGTERM, 129 SIGHUP).
constexpr int ExitCodeOfSignal(int signal) {
  return 128 + signal;
}

}  // namespace q9::program
