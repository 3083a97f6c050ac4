#pragma once
// The info command: prints a sequence file (.sq9) or an old sequence (.seq),
// whichever the file's first bytes say it is.

#include <ostream>
#include <string>

#include "q9seq/info_options.h"

namespace q9::q9seq {

// Prints the sequence at path to out; on failure one line on err. Gives the
// exit code.
int RunInfo(const std::string& path, const InfoOptions& options, std::ostream& out,
            std::ostream& err);

}  // namespace q9::q9seq
