// q9seq: prints, writes and draws sequence files; see seq_tool.h.

#include <iostream>
#include <string>
#include <vector>

#include "q9seq/seq_tool.h"

int main(int argc, char** argv) {
  return q9::q9seq::RunSeqTool(std::vector<std::string>(argv + 1, argv + argc), std::cout,
                               std::cerr);
}
