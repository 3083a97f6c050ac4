#pragma once
// The command line of q9convert, for its main and for the window: the
// source and destination directories, each of which may be missing, the
// options of a run without a window, and requests for help, the version or
// an error. With both directories q9convert converts without a window; the
// options say how existing files, errors, still images and the import
// settings are handled. Each value is one whole argument: paths start with
// "/" and may hold "-", so nothing is cut out of them.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "convert/video_extensions.h"

namespace q9::unattended {

constexpr std::string_view kConvertToolName = "q9convert";

// One change to the import settings, applied in command-line order after
// --settings.
struct SettingsEdit {
  enum Kind { kSetField, kCaptureFull };
  Kind kind = kSetField;
  std::string field;   // kSetField: the ImportSettings field name
  std::string value;   // kSetField: its value as text
  std::string option;  // the option as given, for messages
};

// The most files -j converts at once.
inline constexpr unsigned kMaxJobs = 64;

struct ConvertArgs {
  enum Command { kRun, kHelp, kVersion, kError };
  Command command = kRun;
  std::string error;   // kError: one line saying what is wrong
  std::string source;  // -s; empty when not given
  std::string dest;    // -d; empty when not given
  bool overwrite = false;
  bool stopOnError = false;
  bool quiet = false;
  std::optional<std::string> stillsInto;   // the shared still sequence's name
  std::optional<std::string> settingsSet;  // a named set from the settings store
  std::vector<SettingsEdit> edits;
  convert::VideoExtensions videoExtensions;  // --video-ext
  unsigned jobs = 0;                         // -j; 0: one per processor

  // Both directories given: the run needs no window.
  bool Unattended() const { return !source.empty() && !dest.empty(); }
};

// The arguments after the program name. A line that does not fit the usage
// gives kError and its reason.
ConvertArgs ParseConvertArgs(const std::vector<std::string>& args);

// Absolute, with "." and ".." taken out and without the trailing "/" that
// shell completion adds (so that a sign folder's name is the last part).
std::string CleanDirectory(const std::string& dir);

// The text printed by --help.
std::string_view ConvertUsage();

}  // namespace q9::unattended
