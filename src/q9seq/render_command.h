#pragma once
// The render command: draws the frames of a sequence that carry bulbs as a
// PNG contact sheet or an animated GIF (docs/q9seq-render.md).

#include <cstdint>
#include <ostream>

#include "q9seq/seq_tool_args.h"

namespace q9::q9seq {

// The most pixels all frames of one animation may hold together: it bounds
// the time and the file of a long sequence drawn large.
constexpr uint64_t kMaxAnimationPixels = uint64_t(1) << 30;

// Reads args.input and writes args.output; on failure one line on err and
// no output file. Gives the exit code.
int RunRender(const SeqToolArgs& args, std::ostream& err);

}  // namespace q9::q9seq
