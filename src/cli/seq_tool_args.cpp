#include "cli/seq_tool_args.h"

namespace q9::cli {
namespace {

constexpr std::string_view kUsage =
    R"(Usage: q9seq info FILE [--json] [--bulbs]
       q9seq make-old DESCRIPTION.json -o OUT.seq
       q9seq --help | --version

Commands:
  info FILE         Print the sign geometry and the frames of a sequence file
                    (.sq9) or an old sequence (.seq). The file's contents, not
                    its name, decide which it is.
    --json          Print one JSON object instead of text.
    --bulbs         Add the bulb data of every frame that has some, in hex.
  make-old DESC     Write an old sequence from a JSON description; DESC "-"
                    reads the description from standard input.
    -o, --output OUT.seq
                    The old sequence to write. It is written under a temporary
                    name and renamed, so a failure leaves no partial file.

A command's options may come before or after its file name; "--" ends them.
docs/q9seq-json.md describes the JSON of info --json and of descriptions.

Exit status: 0 success, 1 a file is missing, unreadable or invalid or could
not be written, 2 a wrong command line.
)";

bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
}

bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

// The words after the command name. Each command knows its own options; the
// one positional argument is the input file.
bool ParseCommandWords(const std::vector<std::string>& args, SeqToolArgs& out, std::string& error) {
  const std::string& command = args[0];
  bool positionalOnly = false;
  bool haveInput = false;
  bool haveOutput = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!positionalOnly && IsOption(arg)) {
      if (arg == "--") {
        positionalOnly = true;
      } else if (arg == "-h" || arg == "--help") {
        out.command = SeqCommand::kHelp;
        return true;
      } else if (out.command == SeqCommand::kInfo && arg == "--json") {
        out.json = true;
      } else if (out.command == SeqCommand::kInfo && arg == "--bulbs") {
        out.bulbs = true;
      } else if (out.command == SeqCommand::kMakeOld &&
                 (arg == "-o" || arg == "--output" || arg.starts_with("--output=") ||
                  (arg.starts_with("-o") && arg.size() > 2))) {
        if (haveOutput) return Fail(error, "the output file is given twice");
        std::string value;
        if (arg == "-o" || arg == "--output") {
          if (i + 1 >= args.size()) return Fail(error, "option '" + arg + "' needs a file name");
          value = args[++i];
        } else {
          value = arg.starts_with("--output=") ? arg.substr(9) : arg.substr(2);
        }
        if (value.empty()) return Fail(error, "option '" + arg + "' needs a file name");
        out.output = value;
        haveOutput = true;
      } else {
        return Fail(error, "unknown option '" + arg + "' for " + command);
      }
      continue;
    }
    if (haveInput) return Fail(error, "unexpected argument '" + arg + "'");
    out.input = arg;
    haveInput = true;
  }

  if (out.command == SeqCommand::kInfo) {
    if (!haveInput) return Fail(error, "info needs a sequence file");
    if (out.input == "-") return Fail(error, "info reads a file, not standard input");
  } else {
    if (!haveInput) return Fail(error, "make-old needs a description file or - for standard input");
    if (!haveOutput) return Fail(error, "make-old needs an output file: -o OUT.seq");
  }
  if (out.input.empty()) return Fail(error, "empty file name");
  return true;
}

}  // namespace

std::optional<SeqToolArgs> ParseSeqToolArgs(const std::vector<std::string>& args,
                                            std::string& error) {
  if (args.empty()) {
    error = "no command given";
    return std::nullopt;
  }
  SeqToolArgs out;
  const std::string& first = args[0];
  if (first == "-h" || first == "--help" || first == "help") {
    out.command = SeqCommand::kHelp;
  } else if (first == "--version") {
    out.command = SeqCommand::kVersion;
  } else if (first == "info" || first == "make-old") {
    out.command = first == "info" ? SeqCommand::kInfo : SeqCommand::kMakeOld;
    if (!ParseCommandWords(args, out, error)) return std::nullopt;
    return out;
  } else {
    error = IsOption(first) ? "unknown option '" + first + "'" : "unknown command '" + first + "'";
    return std::nullopt;
  }
  if (args.size() > 1) {
    error = "unexpected argument '" + args[1] + "' after " + first;
    return std::nullopt;
  }
  return out;
}

std::string_view SeqToolUsage() {
  return kUsage;
}

}  // namespace q9::cli
