#pragma once
// Places in a run where a test can hold the process, so that it sends its
// signals at a chosen moment instead of guessing one. When the environment
// variable Q9_STOP_AT names the point a run reaches ("frame 3", "save",
// "commit clip.SQ9"), the process stops itself there (SIGSTOP) the first
// time it gets there; the test sees the stop through waitpid, sends what it
// wants and lets the process go on with SIGCONT (or kills it). Without the
// variable a point costs one test of a flag.

#include <string_view>

namespace q9::platform {

class StopPoint {
 public:
  static constexpr const char* kVariable = "Q9_STOP_AT";

  // True when the variable is set: callers build a point's name only then.
  static bool Armed();
  // Stops the process when point is the variable's value.
  static void Reach(std::string_view point);
};

}  // namespace q9::platform
