#pragma once
// q9convert without its window: every listed file of the source directory
// into sequences in the destination directory, answering every question
// from the options (convert_args.h). main() only forwards its arguments
// here, so tests run the whole program in-process.

#include <ostream>
#include <string>
#include <vector>

#include "cli/convert_args.h"

namespace q9::cli {

constexpr int kConvertExitOk = 0;             // every file converted or kept
constexpr int kConvertExitFileErrors = 1;     // a file failed or was of unknown type
constexpr int kConvertExitUsage = 2;          // a wrong command line or destination
constexpr int kConvertExitInterrupted = 130;  // Ctrl-C

// Printed, with exit status 2, when fewer than both directories are given.
constexpr const char* kDesktopNotBuilt =
    "q9convert: the desktop window is not built yet; give both -s SOURCE and -d DEST to "
    "convert without it.";

// The arguments after the program name. --help and --version go to out;
// progress, messages and errors go to err, the summary to out. A live
// progress line is drawn only when err is the process's standard error and
// that is a terminal.
int RunUnattended(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

// The run itself, for arguments that give both directories.
int RunUnattended(const ConvertArgs& args, std::ostream& out, std::ostream& err);

}  // namespace q9::cli
