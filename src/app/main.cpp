// q9convert: with -s SOURCE and -d DEST (and for --help, --version or a
// command line it cannot use) the run without a window, in this program,
// which loads none of the desktop libraries: a script converting folder
// after folder starts faster. Otherwise the window program takes the same
// command line in its place: q9convert-window beside this program (the
// build tree), else in ../libexec/q9convert/ (an installed tree).

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "program/exit_code.h"
#include "program/program_messages.h"
#include "unattended/unattended_run.h"

namespace {

constexpr const char* kWindowProgram = "q9convert-window";

// Where the window program may be, the first existing one first.
std::vector<std::filesystem::path> WindowProgramPlaces() {
  std::error_code ec;
  const std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) return {};
  const std::filesystem::path dir = self.parent_path();
  return {dir / kWindowProgram, dir.parent_path() / "libexec" / "q9convert" / kWindowProgram};
}

// Runs the window program in this process's place; returns only when none
// could be started, with the exit code after saying why.
int StartWindowProgram(char** argv) {
  std::string tried;
  for (const std::filesystem::path& place : WindowProgramPlaces()) {
    execv(place.c_str(), argv);
    if (errno != ENOENT)
      return q9::program::PrintError(
          std::cerr, "q9convert",
          "cannot start the window program " + place.string() + ": " + std::strerror(errno),
          q9::program::kExitFileError);
    tried += (tried.empty() ? "" : " or ") + place.string();
  }
  return q9::program::PrintError(
      std::cerr, "q9convert",
      "the window program is missing: no " + (tried.empty() ? std::string(kWindowProgram) : tried),
      q9::program::kExitFileError);
}

}  // namespace

int main(int argc, char** argv) {
  return q9::unattended::RunOrElse(
      argc, argv, [argv](const q9::unattended::ConvertArgs&) { return StartWindowProgram(argv); });
}
