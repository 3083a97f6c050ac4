#pragma once
// The desktop program's start: the application object, the wait cursor,
// the imaging library, and the main dialog run modally until it closes.

#include <string>

namespace q9::app {

class CConverterApp {
 public:
  // Runs the window. source and destination are the directories given on
  // the command line, each empty when absent; a given one fills its field
  // in place of the stored one. Returns the program's exit status.
  static int Run(int& argc, char** argv, const std::string& source, const std::string& destination);
};

}  // namespace q9::app
