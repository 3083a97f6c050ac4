// q9convert: with -s SOURCE and -d DEST it converts without a window (see
// unattended/unattended_run.h); the desktop window is still to come.

#include <iostream>
#include <string>
#include <vector>

#include "unattended/convert_args.h"
#include "unattended/unattended_run.h"

int main(int argc, char** argv) {
  using q9::unattended::ConvertArgs;
  const ConvertArgs args =
      q9::unattended::ParseConvertArgs(std::vector<std::string>(argv + 1, argv + argc));
  // Without both directories the window will start here, with the ones given.
  if (args.command == ConvertArgs::kRun && !args.Unattended())
    return q9::unattended::ReportNoWindow(std::cerr);
  return q9::unattended::RunUnattended(args, std::cout, std::cerr);
}
