#pragma once
// q9convert without its window: every listed file of the source directory
// into sequences in the destination directory, answering every question
// from the options (convert_args.h). main() only forwards its arguments
// here, so tests run the whole program in-process.

#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "unattended/convert_args.h"

namespace q9::unattended {

// Printed, with exit status 2, when a run without the window is asked for
// with fewer than both directories (the program itself opens the window then).
constexpr const char* kNeedsBothDirectories =
    "converting without the window needs both -s SOURCE and -d DEST";

// The command line as parsed: --help and --version go to out; a run needs
// both directories. Progress, messages and errors go to err, the summary to
// out. A live progress line is drawn only when err is the process's
// standard error and that is a terminal. Gives the exit code
// (program/exit_code.h): 0 every file converted or kept, 1 a file failed or
// was of unknown type, 2 a wrong command line or destination, 130 Ctrl-C,
// 143 SIGTERM, 129 SIGHUP.
int RunUnattended(const ConvertArgs& args, std::ostream& out, std::ostream& err);
// The same for the arguments after the program name.
int RunUnattended(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// A main of q9convert's: the run without a window (on std::cout and
// std::cerr) for a command line that asks for it (both directories,
// --help, --version, one it cannot use); otherwise window(args), with the
// directory given, if any.
int RunOrElse(int argc, char** argv, const std::function<int(const ConvertArgs&)>& window);

}  // namespace q9::unattended
