#pragma once
// Prints an open old sequence (.seq), as text or as the JSON of
// docs/q9seq-json.md.

#include <ostream>

#include "platform/signlib/cq8_seq.h"
#include "q9seq/info_options.h"

namespace q9::q9seq {

// Loads every frame in turn, so the sequence's current frame changes. False
// when a frame cannot be loaded (the sequence is not open).
bool PrintOldSeq(platform::CQ8Seq& sequence, const InfoOptions& options, std::ostream& out);

}  // namespace q9::q9seq
