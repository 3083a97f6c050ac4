#include "cli/unattended_run.h"

#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "cli/interrupt_guard.h"
#include "cli/settings_recipe.h"
#include "cli/unattended_host.h"
#include "convert/conversion_batch.h"
#include "convert/sign_folder.h"
#include "convert/source_listing.h"
#include "convert/source_media.h"

#ifndef Q9_VERSION
#define Q9_VERSION "unknown"
#endif

namespace q9::cli {
namespace {

namespace fs = std::filesystem;

constexpr const char* kBadDestination =
    "Could not determine exact Q9100 dimensions and type!.\nCheck the destination directory.";
// The largest rows and columns a sequence file holds.
constexpr unsigned kMaxSignSide = 65535;

int Fail(std::ostream& err, int code, const std::string& text) {
  err << kConvertToolName << ": " << text << '\n' << std::flush;
  return code;
}

int TerminalWidth() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

std::string SummaryLine(const convert::BatchSummary& s, bool interrupted, bool stopOnError,
                        double seconds) {
  std::ostringstream line;
  line << s.converted << " converted, " << s.skipped << " skipped (destination exists), "
       << s.failed << " failed, " << s.unknown << " of unknown type; " << s.framesWritten
       << (s.framesWritten == 1 ? " frame" : " frames") << " written in " << std::fixed
       << std::setprecision(1) << seconds << " s";
  if (interrupted)
    line << "; interrupted";
  else if (s.stopped && stopOnError)
    line << "; stopped at the first error";
  return line.str();
}

}  // namespace

int RunUnattended(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  std::string error;
  const std::optional<ConvertArgs> parsed = ParseConvertArgs(args, error);
  if (!parsed)
    return Fail(err, kConvertExitUsage,
                error + "\nTry '" + std::string(kConvertToolName) + " --help' for the options.");
  if (parsed->command == ConvertArgs::kHelp) {
    out << ConvertUsage() << std::flush;
    return kConvertExitOk;
  }
  if (parsed->command == ConvertArgs::kVersion) {
    out << kConvertToolName << ' ' << Q9_VERSION << '\n' << std::flush;
    return kConvertExitOk;
  }
  if (!parsed->Unattended()) {
    err << kDesktopNotBuilt << '\n' << std::flush;
    return kConvertExitUsage;
  }
  return RunUnattended(*parsed, out, err);
}

int RunUnattended(const ConvertArgs& args, std::ostream& out, std::ostream& err) {
  const std::string source = CleanDirectory(args.source);
  const std::string dest = CleanDirectory(args.dest);
  std::error_code ec;
  if (!fs::is_directory(source, ec))
    return Fail(err, kConvertExitUsage, "the source directory '" + source + "' does not exist");

  platform::SignGeometry sign;
  if (!convert::ParseSignFolder(dest, sign) || sign.rows == 0 || sign.columns == 0 ||
      sign.rows > kMaxSignSide || sign.columns > kMaxSignSide)
    return Fail(err, kConvertExitUsage, kBadDestination);

  const bool live = &err == &std::cerr && isatty(STDERR_FILENO);
  const UnattendedOutput output{live, args.quiet, live ? TerminalWidth() : 80, args.overwrite,
                                args.stopOnError};
  UnattendedHost host(err, output, &InterruptGuard::Interrupted);
  convert::SourceMedia media(&host);
  host.Attach(media);

  SettingsRecipe recipe;
  std::string error;
  if (args.settingsSet && !recipe.LoadSet(*args.settingsSet, error))
    return Fail(err, kConvertExitUsage, "--settings: " + error);
  recipe.AddEdits(args.edits);
  // Checked once before anything is converted; the sign alone gives the
  // Keep Aspect size, the picture of each file the rest.
  if (!recipe.Apply(media, {false, 0, 0, int(sign.columns), int(sign.rows)}, error))
    return Fail(err, kConvertExitUsage, error);

  if (!fs::exists(dest, ec)) {
    // That one folder only: a missing parent is a mistyped path.
    if (mkdir(dest.c_str(), 0777) != 0)
      return Fail(
          err, kConvertExitUsage,
          "cannot create the destination directory '" + dest + "': " + std::strerror(errno));
    if (!args.quiet) err << "created the destination directory " << dest << '\n';
  } else if (!fs::is_directory(dest, ec)) {
    return Fail(err, kConvertExitUsage, "the destination '" + dest + "' is not a directory");
  }

  if (!recipe.Empty()) host.UseRecipe(recipe);

  const std::vector<std::string> names = convert::ListSourceFiles(source);
  convert::ConversionBatch batch(media, host);
  batch.SetSourceDirectory(source);
  batch.SetDestinationDirectory(dest);
  batch.SetMarkedNames(names);
  batch.SetGeometry(sign);
  batch.SetPolicy(convert::BatchPolicy::Unattended(args.stopOnError));
  if (args.stillsInto) batch.SetStillImagesOptions(true, args.stillsInto->c_str());
  host.SetFileCount(names.size());

  const auto start = std::chrono::steady_clock::now();
  convert::BatchSummary summary;
  bool interrupted = false;
  {
    InterruptGuard guard;
    summary = batch.Run();
    interrupted = InterruptGuard::Interrupted() || summary.cancelled;
  }
  host.Finish();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  out << SummaryLine(summary, interrupted, args.stopOnError, seconds) << '\n' << std::flush;

  if (interrupted) return kConvertExitInterrupted;
  return summary.failed + summary.unknown > 0 ? kConvertExitFileErrors : kConvertExitOk;
}

}  // namespace q9::cli
