// q9convert-window: the desktop window, with the one directory given, if
// any, in its field. q9convert starts it for a command line without both a
// source and a destination; given both (or --help, --version or a command
// line it cannot use) it runs without a window, as q9convert does.

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
