#include "cli/seq_tool_args.h"

#include <algorithm>
#include <cctype>
#include <limits>

namespace q9::cli {
namespace {

constexpr std::string_view kUsage =
    R"(Usage: q9seq info FILE [--json] [--bulbs]
       q9seq make-old DESCRIPTION.json -o OUT.seq
       q9seq render FILE -o OUT.png|OUT.gif [--zoom N] [--frame N]
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
  render FILE       Draw the frames that carry bulbs (graphics and data
                    frames) as the sign shows them.
    -o, --output OUT.png|OUT.gif
                    A .png is a sheet of all those frames in a grid; a .gif
                    is an animation of them that keeps their hold times and
                    loops forever. Written like make-old's output.
    --zoom N        Pixels per bulb on each side, 1 to 32 (default 1). From 4
                    on, each bulb is drawn as a round lamp on black.
    --frame N       Only frame N, numbered as info prints it.

A command's options may come before or after its file name; "--" ends them.
docs/q9seq-json.md describes the JSON of info --json and of descriptions,
docs/q9seq-render.md the pictures of render.

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

enum class Match { kNo, kValue, kMissing };

// A value option at args[i]: "--long V", "--long=V", and with a short name
// also "-s V" and "-sV". Moves i past a separate value.
Match ValueOption(const std::vector<std::string>& args, size_t& i, std::string_view shortName,
                  std::string_view longName, std::string& value) {
  const std::string& arg = args[i];
  const std::string withEquals = std::string(longName) + "=";
  if (arg == longName || (!shortName.empty() && arg == shortName)) {
    if (i + 1 >= args.size()) return Match::kMissing;
    value = args[++i];
  } else if (arg.starts_with(withEquals)) {
    value = arg.substr(withEquals.size());
  } else if (!shortName.empty() && !arg.starts_with("--") && arg.starts_with(shortName)) {
    value = arg.substr(shortName.size());
  } else {
    return Match::kNo;
  }
  return value.empty() ? Match::kMissing : Match::kValue;
}

// Digits only (no sign, no spaces), at most max.
std::optional<uint64_t> WholeNumber(const std::string& text, uint64_t max) {
  if (text.empty() || text.size() > 20) return std::nullopt;
  uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    const uint64_t digit = uint64_t(c - '0');
    if (value > (max - digit) / 10) return std::nullopt;
    value = value * 10 + digit;
  }
  return value;
}

// The options of make-old and render; false with error set when arg is
// such an option but wrong. handled tells whether arg was one.
bool ParseValueOption(const std::vector<std::string>& args, size_t& i, SeqToolArgs& out,
                      bool& haveOutput, bool& haveZoom, bool& handled, std::string& error) {
  const std::string arg = args[i];
  std::string value;
  handled = true;
  const bool render = out.command == SeqCommand::kRender;
  Match m = ValueOption(args, i, "-o", "--output", value);
  if (m != Match::kNo) {
    if (m == Match::kMissing) return Fail(error, "option '" + arg + "' needs a file name");
    if (haveOutput) return Fail(error, "the output file is given twice");
    out.output = value;
    haveOutput = true;
    return true;
  }
  if (render && (m = ValueOption(args, i, "", "--zoom", value)) != Match::kNo) {
    if (m == Match::kMissing) return Fail(error, "option '" + arg + "' needs a number");
    if (haveZoom) return Fail(error, "--zoom is given twice");
    const std::optional<uint64_t> zoom = WholeNumber(value, kMaxZoom);
    if (!zoom || *zoom < kMinZoom)
      return Fail(error, "--zoom takes a whole number from 1 to 32, not '" + value + "'");
    out.zoom = int(*zoom);
    haveZoom = true;
    return true;
  }
  if (render && (m = ValueOption(args, i, "", "--frame", value)) != Match::kNo) {
    if (m == Match::kMissing) return Fail(error, "option '" + arg + "' needs a frame number");
    if (out.frame) return Fail(error, "--frame is given twice");
    const std::optional<uint64_t> frame = WholeNumber(value, std::numeric_limits<uint32_t>::max());
    if (!frame)
      return Fail(error, "--frame takes a frame number as info prints it, not '" + value + "'");
    out.frame = uint32_t(*frame);
    return true;
  }
  handled = false;
  return true;
}

// The words after the command name. Each command knows its own options; the
// one positional argument is the input file.
bool ParseCommandWords(const std::vector<std::string>& args, SeqToolArgs& out, std::string& error) {
  const std::string& command = args[0];
  bool positionalOnly = false;
  bool haveInput = false;
  bool haveOutput = false;
  bool haveZoom = false;
  for (size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (!positionalOnly && IsOption(arg)) {
      bool handled = false;
      if (arg == "--") {
        positionalOnly = true;
      } else if (arg == "-h" || arg == "--help") {
        out.command = SeqCommand::kHelp;
        return true;
      } else if (out.command == SeqCommand::kInfo && arg == "--json") {
        out.json = true;
      } else if (out.command == SeqCommand::kInfo && arg == "--bulbs") {
        out.bulbs = true;
      } else if (out.command != SeqCommand::kInfo) {
        if (!ParseValueOption(args, i, out, haveOutput, haveZoom, handled, error)) return false;
        if (!handled) return Fail(error, "unknown option '" + arg + "' for " + command);
      } else {
        return Fail(error, "unknown option '" + arg + "' for " + command);
      }
      continue;
    }
    if (haveInput) return Fail(error, "unexpected argument '" + arg + "'");
    out.input = arg;
    haveInput = true;
  }

  switch (out.command) {
    case SeqCommand::kInfo:
    case SeqCommand::kRender:
      if (!haveInput) return Fail(error, command + " needs a sequence file");
      if (out.input == "-") return Fail(error, command + " reads a file, not standard input");
      break;
    default:
      if (!haveInput)
        return Fail(error, "make-old needs a description file or - for standard input");
      if (!haveOutput) return Fail(error, "make-old needs an output file: -o OUT.seq");
      break;
  }
  if (out.command == SeqCommand::kRender) {
    if (!haveOutput) return Fail(error, "render needs an output file: -o OUT.png or -o OUT.gif");
    const std::optional<PictureFormat> format = PictureFormatOf(out.output);
    if (!format)
      return Fail(error, "render writes a .png or a .gif file, not '" + out.output + "'");
    out.pictureFormat = *format;
  }
  if (out.input.empty()) return Fail(error, "empty file name");
  return true;
}

}  // namespace

std::optional<PictureFormat> PictureFormatOf(std::string_view path) {
  if (path.size() < 4) return std::nullopt;
  std::string ext(path.substr(path.size() - 4));
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char c) { return char(std::tolower(c)); });
  if (ext == ".png") return PictureFormat::kPng;
  if (ext == ".gif") return PictureFormat::kGif;
  return std::nullopt;
}

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
  } else if (first == "info" || first == "make-old" || first == "render") {
    out.command = first == "info"       ? SeqCommand::kInfo
                  : first == "make-old" ? SeqCommand::kMakeOld
                                        : SeqCommand::kRender;
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
