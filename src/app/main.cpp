// q9convert: with -s SOURCE and -d DEST it converts without a window (see
// cli/unattended_run.h); the desktop window is still to come.

#include <iostream>
#include <string>
#include <vector>

#include "cli/unattended_run.h"

int main(int argc, char** argv) {
  return q9::cli::RunUnattended(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                                std::cerr);
}
