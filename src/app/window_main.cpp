// q9convert: with -s SOURCE and -d DEST (and for --help, --version or a
// command line it cannot use) the run without a window; otherwise the
// desktop window, with the one directory given, if any, in its field.

#include <iostream>
#include <string>
#include <vector>

#include "app/converter_app.h"
#include "unattended/convert_args.h"
#include "unattended/unattended_run.h"

int main(int argc, char** argv) {
  using q9::unattended::ConvertArgs;
  const ConvertArgs args =
      q9::unattended::ParseConvertArgs(std::vector<std::string>(argv + 1, argv + argc));
  if (args.command != ConvertArgs::kRun || args.Unattended())
    return q9::unattended::RunUnattended(args, std::cout, std::cerr);
  return q9::app::CConverterApp::Run(argc, argv, args.source, args.dest);
}
