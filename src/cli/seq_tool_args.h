#pragma once
// The command line of the sequence tool: which command, which files, which
// options. Only the shape of the line is checked here; the commands check
// the files.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q9::cli {

enum class SeqCommand { kHelp, kVersion, kInfo, kMakeOld };

struct SeqToolArgs {
  SeqCommand command = SeqCommand::kHelp;
  // info: the sequence to print. make-old: the description, "-" for
  // standard input.
  std::string input;
  std::string output;  // make-old: the old sequence to write
  bool json = false;   // info --json
  bool bulbs = false;  // info --bulbs
};

// The arguments after the program name. nullopt and a one-line reason for a
// line that does not fit the usage.
std::optional<SeqToolArgs> ParseSeqToolArgs(const std::vector<std::string>& args,
                                            std::string& error);

// The text printed by --help.
std::string_view SeqToolUsage();

}  // namespace q9::cli
