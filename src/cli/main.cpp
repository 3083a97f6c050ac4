// q9seq: prints, writes and draws sequence files; see seq_tool.h.

#include <iostream>
#include <string>
#include <vector>

#include "cli/seq_tool.h"

int main(int argc, char** argv) {
  return q9::cli::RunSeqTool(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
