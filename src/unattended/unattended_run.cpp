#include "unattended/unattended_run.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>
#include <thread>

#include "convert/ahead_conversion.h"
#include "convert/conversion_batch.h"
#include "convert/sign_folder.h"
#include "convert/source_listing.h"
#include "convert/source_media.h"
#include "program/exit_code.h"
#include "program/program_messages.h"
#include "unattended/interrupt_guard.h"
#include "unattended/settings_recipe.h"
#include "unattended/unattended_host.h"

namespace q9::unattended {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBadDestination =
    "Could not determine exact Q9100 dimensions and type!.\nCheck the destination directory.";
// The largest rows and columns a sequence file holds.
constexpr unsigned kMaxSignSide = 65535;

int UsageError(std::ostream& err, const std::string& text) {
  return program::PrintError(err, kConvertToolName, text, program::kExitUsage);
}

int TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

const char* SignalName(int signal) {
  switch (signal) {
    case SIGINT:
      return "Ctrl-C";
    case SIGTERM:
      return "SIGTERM";
    case SIGHUP:
      return "SIGHUP";
    default:
      return "a signal";
  }
}

std::string SummaryLine(const convert::BatchSummary& s, int signal,
                        const std::vector<std::string>& kept, bool stopOnError, double seconds) {
  std::ostringstream line;
  line << s.converted << " converted, " << s.skipped << " skipped (destination exists), "
       << s.failed << " failed, " << s.unknown << " of unknown type; " << s.framesWritten
       << (s.framesWritten == 1 ? " frame" : " frames") << " written in " << std::fixed
       << std::setprecision(1) << seconds << " s";
  if (signal != 0) {
    line << "; interrupted by " << SignalName(signal);
    // The files that were being saved when the signal came were finished:
    // a script that reads the exit status learns here that they exist.
    if (!kept.empty()) {
      line << "; finished and kept:";
      for (const std::string& name : kept) line << ' ' << name;
    }
  } else if (s.stopped && stopOnError)
    line << "; stopped at the first error";
  return line.str();
}

// The run itself, for arguments that give both directories.
int Convert(const ConvertArgs& args, std::ostream& out, std::ostream& err) {
  const std::string source = CleanDirectory(args.source);
  const std::string dest = CleanDirectory(args.dest);
  std::error_code ec;
  if (!fs::is_directory(source, ec))
    return UsageError(err, "the source directory '" + source + "' does not exist");

  platform::SignGeometry sign;
  if (!convert::ParseSignFolder(dest, sign) || sign.rows == 0 || sign.columns == 0 ||
      sign.rows > kMaxSignSide || sign.columns > kMaxSignSide)
    return UsageError(err, kBadDestination);

  const bool live = &err == &std::cerr && isatty(STDERR_FILENO);
  const UnattendedOutput output{live, args.quiet, live ? TerminalWidth() : 80, args.overwrite,
                                args.stopOnError};
  UnattendedHost host(err, output, &InterruptGuard::Interrupted);
  convert::SourceMedia media(&host);
  media.SetVideoExtensions(args.videoExtensions);
  host.Attach(media);

  SettingsRecipe recipe;
  if (args.settingsSet) {
    if (const platform::Result<> loaded = recipe.LoadSet(*args.settingsSet); !loaded)
      return UsageError(err, "--settings: " + loaded.Reason());
  }
  recipe.AddEdits(args.edits);
  // Checked once before anything is converted; the sign alone gives the
  // Keep Aspect size, the picture of each file the rest.
  if (const platform::Result<> applied =
          recipe.Apply(media, {false, 0, 0, int(sign.columns), int(sign.rows)});
      !applied)
    return UsageError(err, applied.Reason());

  if (!fs::exists(dest, ec)) {
    // That one folder only: a missing parent is a mistyped path.
    if (mkdir(dest.c_str(), 0777) != 0)
      return UsageError(
          err, "cannot create the destination directory '" + dest + "': " + std::strerror(errno));
    if (!args.quiet) err << "created the destination directory " << dest << '\n';
  } else if (!fs::is_directory(dest, ec)) {
    return UsageError(err, "the destination '" + dest + "' is not a directory");
  }

  const platform::Result<convert::SourceEntries> entries =
      convert::ReadSourceEntries(source, args.videoExtensions);
  if (!entries)
    return program::PrintError(
        err, kConvertToolName,
        "cannot read the source directory '" + source + "': " + entries.Reason(),
        program::kExitUsage);
  // Named like media files but no files: never opened, named here.
  for (const convert::SkippedEntry& skipped : entries->skipped)
    err << "warning: skipping " << program::WithoutControls(skipped.name, '?') << ": "
        << skipped.reason << '\n';

  if (!recipe.Empty()) host.UseRecipe(recipe);

  const std::vector<std::string>& names = entries->names;
  convert::ConversionBatch batch(media, host);
  batch.SetSourceDirectory(source);
  batch.SetDestinationDirectory(dest);
  batch.SetMarkedNames(names);
  batch.SetGeometry(sign);
  batch.SetPolicy(convert::BatchPolicy::Unattended(args.stopOnError));
  if (args.stillsInto) batch.SetStillImagesOptions(true, args.stillsInto->c_str());
  host.SetFileCount(names.size());

  // Several files at once, each by a worker of its own that starts from
  // these settings; a run that saves audio carries the TXD option from file
  // to file and converts in turn.
  const unsigned jobs =
      args.jobs != 0 ? args.jobs : std::max(1u, std::thread::hardware_concurrency());
  convert::AheadConversion::Setup setup;
  setup.workers = jobs;
  setup.prepare = [&media, &args](convert::SourceMedia& worker) {
    static_cast<adjust::ImportSettings&>(worker) = media;
    worker.SetVideoExtensions(args.videoExtensions);
  };
  setup.hooks.answer = [stop = args.stopOnError](convert::MessageButtons buttons) {
    if (buttons != convert::MessageButtons::YesNo) return convert::MessageAnswer::Ok;
    return stop ? convert::MessageAnswer::No : convert::MessageAnswer::Yes;
  };
  if (!recipe.Empty())
    setup.hooks.sourceOpened = [&recipe](convert::SourceMedia& worker) {
      recipe.ApplyToSource(worker);
    };
  setup.hooks.stopRequested = &InterruptGuard::Interrupted;
  convert::AheadConversion ahead(std::move(setup));
  if (jobs > 1 && media.SaveAudioFlag == 0 && media.AddTxdFlag == 0) batch.SetAhead(&ahead);

  const auto start = std::chrono::steady_clock::now();
  convert::BatchSummary summary;
  int signal = 0;
  {
    InterruptGuard guard;
    summary = batch.Run();
    signal = InterruptGuard::Signal();
  }
  // Without a signal nothing else cancels a run without a window; should
  // it, it counts as Ctrl-C.
  if (signal == 0 && summary.cancelled) signal = SIGINT;
  host.SavedAtTheEnd(summary.stillSequenceSaved);
  host.Finish();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out << SummaryLine(summary, signal, host.KeptAfterInterrupt(), args.stopOnError, seconds) << '\n'
      << std::flush;

  if (signal != 0) return program::ExitCodeOfSignal(signal);
  return summary.failed + summary.unknown > 0 ? program::kExitFileError : program::kExitOk;
}

}  // namespace

int RunUnattended(const ConvertArgs& args, std::ostream& out, std::ostream& err) {
  switch (args.command) {
    case ConvertArgs::kError:
      return UsageError(err, args.error + "\nTry '" + std::string(kConvertToolName) +
                                 " --help' for the options.");
    case ConvertArgs::kHelp:
      out << ConvertUsage() << std::flush;
      return program::kExitOk;
    case ConvertArgs::kVersion:
      program::PrintVersion(out, kConvertToolName);
      return program::kExitOk;
    case ConvertArgs::kRun:
      break;
  }
  if (!args.Unattended()) return UsageError(err, kNeedsBothDirectories);
  return Convert(args, out, err);
}

int RunUnattended(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  return RunUnattended(ParseConvertArgs(args), out, err);
}

int RunOrElse(int argc, char** argv, const std::function<int(const ConvertArgs&)>& window) {
  const ConvertArgs args = ParseConvertArgs(std::vector<std::string>(argv + 1, argv + argc));
  if (args.command != ConvertArgs::kRun || args.Unattended())
    return RunUnattended(args, std::cout, std::cerr);
  return window(args);
}

}  // namespace q9::unattended
