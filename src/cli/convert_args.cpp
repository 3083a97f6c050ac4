#include "cli/convert_args.h"

#include <array>
#include <filesystem>
#include <system_error>

namespace q9::cli {
namespace {

constexpr std::string_view kUsage =
    R"(Usage: q9convert -s SOURCE -d DEST [options]
       q9convert [-s SOURCE | -d DEST]
       q9convert --help | --version

Converts every file of SOURCE that the converter lists (old sequences .seq,
videos .avi, still images .bmp .jpg .tga .wpg .eps .pcd .pcx .cmp .dib .psd
.mac .pct; message files .msg are listed but cannot be converted), in name
order, into sequence files (.SQ9) in DEST, without a window. DEST is a sign
folder such as /signs/16x96.RGB16MB.SIGN or a library folder inside one
(.../Default.LIB); its name gives the sign's height, width and colour type.
A missing DEST folder is created (its parent must exist). Each file's
sequence is named after it: clip.avi gives clip.SQ9.

Without both -s and -d the desktop window opens instead; a directory given
on the command line fills its field there.

Directories:
  -s DIR, -sDIR, -S DIR, --source DIR   the source directory
  -d DIR, -dDIR, -D DIR, --dest DIR     the destination directory

Options (the long ones also as --option=VALUE):
  --overwrite          Replace existing sequences. Without it an existing
                       sequence is kept and its source skipped.
  --stop-on-error      Stop at the first file that fails or is of unknown
                       type. Without it the run reports them and goes on.
  --stills-into NAME   Put all still images into one sequence NAME in DEST
                       (NAME gets the extension .SQ9: Stills -> StillsSQ9,
                       Stills.bmp -> Stills.SQ9, "" -> STILL_IMAGES.SQ9).
  --save-audio         Save each video's audio track as a WAV file.
  --wav-dir DIR        Where the WAV files go (default: beside the video).
  --txd                Add a frame naming the saved WAV file, for the sign's
                       sound player (needs --save-audio to have a WAV file).
  --settings NAME      Start from the settings set NAME that the Adjust
                       dialog saved: sliders and capture rectangle.
  --set FIELD=VALUE    Set one import setting, e.g. --set Brightness=80 or
                       --set CommandMask=0x1. The fields: Red Green Blue
                       White Brightness Contrast Hue Saturation (0 to 128,
                       64 neutral), ColorResBits Gamma CommandMask
                       CommandParams[N].Value CommandParams[N].Choice (N 0 to
                       27), CaptureInitialized DropImage ConstrainRect
                       KeepAspect AutoCenter XPos YPos Width Height SizeMode
                       (0 percent, 1 pixels), WavPath AddTxdFlag
                       SaveAudioFlag.
  --capture full       Capture the whole picture of every source.
  -q, --quiet          Print only errors and the summary.
  -h, --help           Print this help.
  --version            Print the version.

--settings is applied first, then --set, --capture, --save-audio, --wav-dir
and --txd in the order given, to every file after it opens; positions from a
settings set are checked against each file's picture.

Ctrl-C stops the run: the file being converted is dropped (nothing of it is
left), files already written stay.

Exit status: 0 every file converted or kept because it existed, 1 a file
failed or was of unknown type, 2 a wrong command line or destination,
130 interrupted.
)";

bool Fail(std::string& error, std::string message) {
  error = std::move(message);
  return false;
}

enum class Match { kNo, kValue, kMissing };

using ShortNames = std::array<std::string_view, 2>;  // empty ones unused

// A value option at args[i]: "--long V" and "--long=V"; with short names
// also "-x V" and "-xV". Moves i past a separate value.
Match ValueOption(const std::vector<std::string>& args, size_t& i, const ShortNames& shortNames,
                  std::string_view longName, std::string& value) {
  const std::string& arg = args[i];
  bool separate = arg == longName;
  for (std::string_view s : shortNames) separate = separate || (!s.empty() && arg == s);
  if (separate) {
    if (i + 1 >= args.size()) return Match::kMissing;
    value = args[++i];
  } else if (arg.size() > longName.size() && arg.starts_with(longName) &&
             arg[longName.size()] == '=') {
    value = arg.substr(longName.size() + 1);
  } else {
    bool attached = false;
    for (std::string_view s : shortNames) {
      if (!s.empty() && !arg.starts_with("--") && arg.starts_with(s)) {
        value = arg.substr(s.size());
        attached = true;
      }
    }
    if (!attached) return Match::kNo;
  }
  return Match::kValue;
}

// One option at args[i]; handled tells whether it was one of ours.
bool ParseOption(const std::vector<std::string>& args, size_t& i, ConvertArgs& out, bool& handled,
                 std::string& error) {
  const std::string arg = args[i];
  handled = true;
  if (arg == "--overwrite") {
    out.overwrite = true;
  } else if (arg == "--stop-on-error") {
    out.stopOnError = true;
  } else if (arg == "-q" || arg == "--quiet") {
    out.quiet = true;
  } else if (arg == "--save-audio") {
    out.edits.push_back({SettingsEdit::kSetField, "SaveAudioFlag", "1", arg});
  } else if (arg == "--txd") {
    out.edits.push_back({SettingsEdit::kSetField, "AddTxdFlag", "1", arg});
  } else {
    struct ValueOptionForm {
      ShortNames shortNames;
      std::string_view longName;
      std::string_view what;
    };
    static const ValueOptionForm kValueOptions[] = {
        {{"-s", "-S"}, "--source", "a directory"},
        {{"-d", "-D"}, "--dest", "a directory"},
        {{}, "--stills-into", "a name"},
        {{}, "--settings", "a set name"},
        {{}, "--set", "FIELD=VALUE"},
        {{}, "--wav-dir", "a directory"},
        {{}, "--capture", "'full'"},
    };
    for (const ValueOptionForm& form : kValueOptions) {
      std::string value;
      const Match m = ValueOption(args, i, form.shortNames, form.longName, value);
      if (m == Match::kNo) continue;
      if (m == Match::kMissing)
        return Fail(error, "option '" + arg + "' needs " + std::string(form.what));
      if (form.longName == "--source" || form.longName == "--dest") {
        std::string& dir = form.longName == "--source" ? out.source : out.dest;
        if (value.empty()) return Fail(error, "option '" + arg + "' needs a directory");
        if (!dir.empty())
          return Fail(error,
                      std::string(form.longName == "--source" ? "the source" : "the destination") +
                          " directory is given twice");
        dir = value;
      } else if (form.longName == "--stills-into") {
        if (out.stillsInto) return Fail(error, "--stills-into is given twice");
        if (value.find('/') != std::string::npos)
          return Fail(error, "--stills-into takes a file name in the destination, not a path: '" +
                                 value + "'");
        out.stillsInto = value;
      } else if (form.longName == "--settings") {
        if (out.settingsSet) return Fail(error, "--settings is given twice");
        out.settingsSet = value;
      } else if (form.longName == "--set") {
        const size_t eq = value.find('=');
        if (eq == std::string::npos || eq == 0)
          return Fail(error, "--set takes FIELD=VALUE, not '" + value + "'");
        out.edits.push_back(
            {SettingsEdit::kSetField, value.substr(0, eq), value.substr(eq + 1), "--set " + value});
      } else if (form.longName == "--wav-dir") {
        if (value.empty()) return Fail(error, "option '" + arg + "' needs a directory");
        // Absolute, because the TXD frame names the WAV file by this path.
        out.edits.push_back(
            {SettingsEdit::kSetField, "WavPath", CleanDirectory(value), "--wav-dir " + value});
      } else {
        if (value != "full") return Fail(error, "--capture takes 'full', not '" + value + "'");
        out.edits.push_back({SettingsEdit::kCaptureFull, "", "", "--capture full"});
      }
      return true;
    }
    handled = false;
  }
  return true;
}

}  // namespace

std::optional<ConvertArgs> ParseConvertArgs(const std::vector<std::string>& args,
                                            std::string& error) {
  ConvertArgs out;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "-h" || arg == "--help") {
      out.command = ConvertArgs::kHelp;
      return out;
    }
    if (arg == "--version") {
      out.command = ConvertArgs::kVersion;
      return out;
    }
    bool handled = false;
    if (!ParseOption(args, i, out, handled, error)) return std::nullopt;
    if (!handled) {
      error = arg.starts_with("-") ? "unknown option '" + arg + "'"
                                   : "unexpected argument '" + arg + "'";
      return std::nullopt;
    }
  }
  return out;
}

std::string_view ConvertUsage() {
  return kUsage;
}

std::string CleanDirectory(const std::string& dir) {
  std::error_code ec;
  std::filesystem::path p = std::filesystem::absolute(dir, ec);
  if (ec) p = dir;
  std::string text = p.lexically_normal().string();
  while (text.size() > 1 && text.back() == '/') text.pop_back();
  return text;
}

}  // namespace q9::cli
