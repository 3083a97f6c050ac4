#pragma once
// Prints an open old sequence (.seq), as text or as the JSON of
// docs/q9seq-json.md.

#include <ostream>

#include "cli/info_options.h"
#include "platform/signlib/cq8_seq.h"

namespace q9::cli {

// Loads every frame in turn, so the sequence's current frame changes. False
// when a frame cannot be loaded (the sequence is not open).
bool PrintOldSeq(platform::CQ8Seq& sequence, const InfoOptions& options, std::ostream& out);

}  // namespace q9::cli
