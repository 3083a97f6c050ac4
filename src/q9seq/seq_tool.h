#pragma once
// The sequence tool q9seq: prints sequence files and old sequences, writes
// old sequences from JSON descriptions, and draws sequences as pictures. main() only forwards its
// arguments here, so tests run the whole tool in-process.

#include <istream>
#include <ostream>
#include <string>
#include <vector>

namespace q9::q9seq {

// args are the words after the program name. Normal output goes to out,
// errors to err as one line "q9seq: <file>: <reason>". Gives the exit code:
// 0 success, 1 a file error, 2 a usage error. make-old reads a description
// named "-" from in.
int RunSeqTool(const std::vector<std::string>& args, std::istream& in, std::ostream& out,
               std::ostream& err);
// The same with standard input.
int RunSeqTool(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace q9::q9seq
