// q9convert: with -s SOURCE and -d DEST (and for --help, --version or a
// command line it cannot use) the run without a window; otherwise the
// desktop window.

#include <iostream>
#include <string>
#include <vector>

#include "app/converter_app.h"
#include "cli/unattended_run.h"

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  std::string error;
  const auto parsed = q9::cli::ParseConvertArgs(args, error);
  if (!parsed || parsed->command != q9::cli::ConvertArgs::kRun || parsed->Unattended())
    return q9::cli::RunUnattended(args, std::cout, std::cerr);
  return q9::app::CConverterApp::Run(argc, argv, parsed->source, parsed->dest);
}
