#pragma once
// Encapsulated PostScript drawn into a picture by Ghostscript, which runs as
// a confined child of ours (platform/base/child_process.h), never inside
// ImageMagick. A document is a program: it may loop for ever, allocate
// without end or try to open files. So Ghostscript runs in SAFER mode in a
// private folder made for the call, which holds the document, the page it
// draws and nothing else, and which is its temporary folder; it sees no
// file of ours and no environment but that folder; the kernel limits its
// CPU time, memory and the size of what it writes; and it is killed, with
// anything it started, when the wall-time limit passes or the caller
// cancels. The folder is removed after every call.

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

#include "platform/base/result.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform {

class PostScriptRasterizer {
 public:
  // The longest side of a drawn page in pixels. A document's bounding box
  // is drawn at 72 pixels an inch, the size a point has on the screen,
  // unless that makes a side longer than this; then at the resolution that
  // makes the longer side this long.
  static constexpr int kMaxPageSide = 4000;

  explicit PostScriptRasterizer(const PostScriptLimits& limits) : m_limits(limits) {}

  // The first page of the document as a binary PPM picture ("P6").
  // cancelled is polled while Ghostscript runs; true stops it at once.
  // Failures: "cancelled", a time-out, a CPU-time or size limit, the
  // document's own PostScript error, Ghostscript not installed.
  Result<std::vector<uint8_t>> Rasterize(std::span<const uint8_t> document,
                                         const std::function<bool()>& cancelled) const;

  // The resolution (pixels an inch) for a document: 72 unless its
  // %%BoundingBox makes a side longer than kMaxPageSide at 72.
  static double ResolutionFor(std::span<const uint8_t> document);

 private:
  PostScriptLimits m_limits;
};

}  // namespace q9::platform
