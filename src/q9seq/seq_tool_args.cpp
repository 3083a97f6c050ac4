#include "q9seq/seq_tool_args.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <span>

#include "program/option_reader.h"

namespace q9::q9seq {
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

using platform::Failure;
using program::OptionInfo;
using program::OptionReader;

enum OptionId { kHelp = 1, kJson, kBulbs, kOutput, kZoom, kFrame };

constexpr OptionInfo kInfoOptions[] = {
    {kHelp, 'h', "help", false}, {kJson, 0, "json", false}, {kBulbs, 0, "bulbs", false}};
constexpr OptionInfo kMakeOldOptions[] = {{kHelp, 'h', "help", false},
                                          {kOutput, 'o', "output", true}};
constexpr OptionInfo kRenderOptions[] = {{kHelp, 'h', "help", false},
                                         {kOutput, 'o', "output", true},
                                         {kZoom, 0, "zoom", true},
                                         {kFrame, 0, "frame", true}};

bool IsOption(const std::string& arg) {
  return arg.size() > 1 && arg[0] == '-';
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

// What a value option needs, for "option '-o' needs a file name".
std::string NeededValue(int id) {
  return id == kOutput ? "a file name" : id == kZoom ? "a number" : "a frame number";
}

// One option of make-old or render with its value.
platform::Result<> TakeValue(int id, const std::string& value, SeqToolArgs& out, bool& zoomGiven) {
  switch (id) {
    case kOutput:
      if (!out.output.empty()) return Failure{"the output file is given twice"};
      out.output = value;
      return {};
    case kZoom: {
      if (zoomGiven) return Failure{"--zoom is given twice"};
      const std::optional<uint64_t> zoom = WholeNumber(value, kMaxZoom);
      if (!zoom || *zoom < kMinZoom)
        return Failure{"--zoom takes a whole number from 1 to 32, not '" + value + "'"};
      out.zoom = int(*zoom);
      zoomGiven = true;
      return {};
    }
    default: {
      if (out.frame) return Failure{"--frame is given twice"};
      const std::optional<uint64_t> frame =
          WholeNumber(value, std::numeric_limits<uint32_t>::max());
      if (!frame)
        return Failure{"--frame takes a frame number as info prints it, not '" + value + "'"};
      out.frame = uint32_t(*frame);
      return {};
    }
  }
}

// The words after the command name. Each command knows its own options; the
// one argument is the input file.
platform::Result<> ParseCommandWords(const std::vector<std::string>& args, SeqToolArgs& out) {
  const std::string& command = args[0];
  const std::span<const OptionInfo> options = out.command == SeqCommand::kInfo ? kInfoOptions
                                              : out.command == SeqCommand::kMakeOld
                                                  ? std::span<const OptionInfo>(kMakeOldOptions)
                                                  : kRenderOptions;
  bool haveInput = false;
  bool zoomGiven = false;
  OptionReader reader({args.begin() + 1, args.end()}, options, true);
  for (OptionReader::Item item = reader.Next(); item.kind != OptionReader::Kind::kEnd;
       item = reader.Next()) {
    switch (item.kind) {
      case OptionReader::Kind::kUnknown:
        return Failure{"unknown option '" + item.word + "' for " + command};
      case OptionReader::Kind::kMissingValue:
        return Failure{"option '" + item.word + "' needs " + NeededValue(item.id)};
      case OptionReader::Kind::kArgument:
        if (haveInput) return Failure{"unexpected argument '" + item.value + "'"};
        out.input = item.value;
        haveInput = true;
        break;
      default:
        if (item.id == kHelp) {
          out.command = SeqCommand::kHelp;
          return {};
        }
        if (item.id == kJson || item.id == kBulbs) {
          (item.id == kJson ? out.json : out.bulbs) = true;
          break;
        }
        // An empty value is no value.
        if (item.value.empty())
          return Failure{"option '" + item.word + "' needs " + NeededValue(item.id)};
        if (platform::Result<> taken = TakeValue(item.id, item.value, out, zoomGiven); !taken)
          return taken;
        break;
    }
  }

  switch (out.command) {
    case SeqCommand::kInfo:
    case SeqCommand::kRender:
      if (!haveInput) return Failure{command + " needs a sequence file"};
      if (out.input == "-") return Failure{command + " reads a file, not standard input"};
      break;
    default:
      if (!haveInput) return Failure{"make-old needs a description file or - for standard input"};
      if (out.output.empty()) return Failure{"make-old needs an output file: -o OUT.seq"};
      break;
  }
  if (out.command == SeqCommand::kRender) {
    if (out.output.empty()) return Failure{"render needs an output file: -o OUT.png or -o OUT.gif"};
    const std::optional<PictureFormat> format = PictureFormatOf(out.output);
    if (!format) return Failure{"render writes a .png or a .gif file, not '" + out.output + "'"};
    out.pictureFormat = *format;
  }
  if (out.input.empty()) return Failure{"empty file name"};
  return {};
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

platform::Result<SeqToolArgs> ParseSeqToolArgs(const std::vector<std::string>& args) {
  if (args.empty()) return Failure{"no command given"};
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
    if (platform::Result<> parsed = ParseCommandWords(args, out); !parsed) return parsed.Error();
    return out;
  } else {
    return Failure{IsOption(first) ? "unknown option '" + first + "'"
                                   : "unknown command '" + first + "'"};
  }
  if (args.size() > 1) return Failure{"unexpected argument '" + args[1] + "' after " + first};
  return out;
}

std::string_view SeqToolUsage() {
  return kUsage;
}

}  // namespace q9::q9seq
