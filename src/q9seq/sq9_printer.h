#pragma once
// Prints a sequence file (.sq9) read by ReadSq9, as text or as the JSON of
// docs/q9seq-json.md.

#include <ostream>

#include "platform/signlib/sq9_reader.h"
#include "q9seq/info_options.h"

namespace q9::q9seq {

void PrintSq9(const platform::Sq9Contents& sequence, const InfoOptions& options, std::ostream& out);

}  // namespace q9::q9seq
