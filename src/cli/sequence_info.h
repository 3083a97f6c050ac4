#pragma once
// The info command: finds out whether a file is a sequence file (.sq9) or an
// old sequence (.seq) from its first bytes, reads it and prints it.

#include <optional>
#include <ostream>
#include <string>

#include "cli/info_options.h"

namespace q9::cli {

enum class SequenceFormat { kSq9, kOldSeq };

// The format the file's first bytes announce; nullopt and a reason when the
// file cannot be opened, is not a regular file or starts like neither.
std::optional<SequenceFormat> DetectSequenceFormat(const std::string& path, std::string& error);

// Prints the sequence at path to out; on failure one line on err. Gives the
// exit code.
int RunInfo(const std::string& path, const InfoOptions& options, std::ostream& out,
            std::ostream& err);

}  // namespace q9::cli
