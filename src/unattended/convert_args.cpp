#include "unattended/convert_args.h"

#include <charconv>
#include <filesystem>
#include <system_error>

#include "platform/base/result.h"
#include "program/option_reader.h"

namespace q9::unattended {
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
  --video-ext LIST     Also convert files with these extensions as videos,
                       e.g. --video-ext mp4,mov,mkv,webm,m4v,mpg,gif: any
                       container and codec FFmpeg decodes (H.264, HEVC,
                       VP9, AV1...). Every frame is converted, in the order
                       shown, and held for its own time from the file's
                       time stamps (also at variable frame rates), so the
                       sequence lasts as long as the video to within 1/120
                       s. AVI files keep their own frame numbers.
  -j N, --jobs N       Convert N files at once (default: one per processor;
                       -j 1 converts one after the other). The files written
                       and the lines printed are the same, in list order:
                       a file waits for the ones before it. Files that go
                       into the shared still sequence, or whose sequence
                       exists or comes from another file too, and every
                       file of a run that saves audio, convert in turn.
  -q, --quiet          Print only errors and the summary.
  -h, --help           Print this help.
  --version            Print the version.

--settings is applied first, then --set, --capture, --save-audio, --wav-dir
and --txd in the order given, to every file after it opens; positions from a
settings set are checked against each file's picture.

Every file that cannot be converted gets a warning line with the reason
(not a picture, truncated, damaged, too large with its size and the limit,
unreadable, a PostScript time-out); entries of SOURCE that are no files
(folders, pipes, devices, broken links) are named and skipped. Damage a
file converted despite (repeated video frames, a header that promised more
frames than the file holds) is told in a warning too. Pictures may have up
to 100 megapixels; .eps files are drawn by Ghostscript in a child process
confined to a private folder and stopped after 20 seconds.

Ctrl-C, SIGTERM and SIGHUP stop the run: a video being converted is dropped
(nothing of it is left), a file already being saved is finished and kept
(the summary names it), files already written stay. A run killed outright
leaves each file as it was or whole, and no temporary file where the file
system makes unnamed files (else a hidden .q9-XXXXXXXX file may remain).

Exit status: 0 every file converted or kept because it existed, 1 a file
failed or was of unknown type, 2 a wrong command line or destination or a
source directory that cannot be read, 130 Ctrl-C (SIGINT), 143 SIGTERM,
129 SIGHUP: 128 + the signal's number, as a shell reports a death by that
signal.
)";

using platform::Failure;
using program::OptionInfo;
using program::OptionReader;

enum OptionId {
  kHelp = 1,
  kVersion,
  kOverwrite,
  kStopOnError,
  kQuiet,
  kSaveAudio,
  kTxd,
  kSource,
  kDest,
  kStillsInto,
  kSettings,
  kSet,
  kWavDir,
  kCapture,
  kVideoExt,
  kJobs
};

constexpr OptionInfo kOptions[] = {
    {kHelp, 'h', "help", false},
    {kVersion, 0, "version", false},
    {kOverwrite, 0, "overwrite", false},
    {kStopOnError, 0, "stop-on-error", false},
    {kQuiet, 'q', "quiet", false},
    {kSaveAudio, 0, "save-audio", false},
    {kTxd, 0, "txd", false},
    {kSource, 's', "source", true},
    {kSource, 'S', nullptr, true},
    {kDest, 'd', "dest", true},
    {kDest, 'D', nullptr, true},
    {kStillsInto, 0, "stills-into", true},
    {kSettings, 0, "settings", true},
    {kSet, 0, "set", true},
    {kWavDir, 0, "wav-dir", true},
    {kCapture, 0, "capture", true},
    {kVideoExt, 0, "video-ext", true},
    {kJobs, 'j', "jobs", true},
};

// What a value option needs, for "option '--set' needs FIELD=VALUE".
const char* NeededValue(int id) {
  switch (id) {
    case kStillsInto:
      return "a name";
    case kSettings:
      return "a set name";
    case kSet:
      return "FIELD=VALUE";
    case kCapture:
      return "'full'";
    case kVideoExt:
      return "a list of extensions";
    case kJobs:
      return "a number of files";
    default:
      return "a directory";
  }
}

// One option with its value (empty for the options without one).
platform::Result<> Take(const OptionReader::Item& item, ConvertArgs& out) {
  const std::string& value = item.value;
  switch (item.id) {
    case kOverwrite:
      out.overwrite = true;
      break;
    case kStopOnError:
      out.stopOnError = true;
      break;
    case kQuiet:
      out.quiet = true;
      break;
    case kSaveAudio:
      out.edits.push_back({SettingsEdit::kSetField, "SaveAudioFlag", "1", item.word});
      break;
    case kTxd:
      out.edits.push_back({SettingsEdit::kSetField, "AddTxdFlag", "1", item.word});
      break;
    case kSource:
    case kDest: {
      std::string& dir = item.id == kSource ? out.source : out.dest;
      if (value.empty()) return Failure{"option '" + item.word + "' needs a directory"};
      if (!dir.empty())
        return Failure{std::string(item.id == kSource ? "the source" : "the destination") +
                       " directory is given twice"};
      dir = value;
      break;
    }
    case kStillsInto:
      if (out.stillsInto) return Failure{"--stills-into is given twice"};
      if (value.find('/') != std::string::npos)
        return Failure{"--stills-into takes a file name in the destination, not a path: '" + value +
                       "'"};
      out.stillsInto = value;
      break;
    case kSettings:
      if (out.settingsSet) return Failure{"--settings is given twice"};
      out.settingsSet = value;
      break;
    case kSet: {
      const size_t eq = value.find('=');
      if (eq == std::string::npos || eq == 0)
        return Failure{"--set takes FIELD=VALUE, not '" + value + "'"};
      out.edits.push_back(
          {SettingsEdit::kSetField, value.substr(0, eq), value.substr(eq + 1), "--set " + value});
      break;
    }
    case kWavDir:
      if (value.empty()) return Failure{"option '" + item.word + "' needs a directory"};
      // Absolute, because the TXD frame names the WAV file by this path.
      out.edits.push_back(
          {SettingsEdit::kSetField, "WavPath", CleanDirectory(value), "--wav-dir " + value});
      break;
    case kJobs: {
      unsigned n = 0;
      const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
      if (error != std::errc() || end != value.data() + value.size() || n < 1 || n > kMaxJobs)
        return Failure{"-j takes a number of files from 1 to " + std::to_string(kMaxJobs) +
                       ", not '" + value + "'"};
      out.jobs = n;
      break;
    }
    case kVideoExt: {
      // Added to the lists given before.
      platform::Result<convert::VideoExtensions> parsed =
          convert::VideoExtensions::Parse(out.videoExtensions.Text() + "," + value);
      if (!parsed) return Failure{"--video-ext: " + parsed.Reason()};
      out.videoExtensions = std::move(*parsed);
      break;
    }
    default:
      if (value != "full") return Failure{"--capture takes 'full', not '" + value + "'"};
      out.edits.push_back({SettingsEdit::kCaptureFull, "", "", "--capture full"});
      break;
  }
  return {};
}

// The line read option by option; help and version end it at once.
platform::Result<> Read(const std::vector<std::string>& args, ConvertArgs& out) {
  OptionReader reader(args, kOptions, false);
  for (OptionReader::Item item = reader.Next(); item.kind != OptionReader::Kind::kEnd;
       item = reader.Next()) {
    switch (item.kind) {
      case OptionReader::Kind::kUnknown:
        return Failure{"unknown option '" + item.word + "'"};
      case OptionReader::Kind::kArgument:
        // "-" and "--" are no arguments of ours either.
        return Failure{item.word.starts_with("-") ? "unknown option '" + item.word + "'"
                                                  : "unexpected argument '" + item.word + "'"};
      case OptionReader::Kind::kMissingValue:
        return Failure{"option '" + item.word + "' needs " + NeededValue(item.id)};
      default:
        if (item.id == kHelp || item.id == kVersion) {
          out.command = item.id == kHelp ? ConvertArgs::kHelp : ConvertArgs::kVersion;
          return {};
        }
        if (platform::Result<> taken = Take(item, out); !taken) return taken;
        break;
    }
  }
  return {};
}

}  // namespace

ConvertArgs ParseConvertArgs(const std::vector<std::string>& args) {
  ConvertArgs out;
  if (const platform::Result<> read = Read(args, out); !read) {
    out.command = ConvertArgs::kError;
    out.error = read.Reason();
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

}  // namespace q9::unattended
