#pragma once
// What the container says about a video stream. For an AVI these are the
// stream header's own fields; for other containers VideoFile derives them
// from the frame rate and duration (see video_file.h).

#include <cstdint>

namespace q9::platform {

struct VideoStreamInfo {
  int64_t start = 0;   // first frame number
  int64_t length = 0;  // frames, counting empty "drop" frames; 0 when unknown
  uint32_t scale = 0;  // one frame lasts scale / rate seconds
  uint32_t rate = 0;   // may be 0 in a broken AVI header
  int32_t width = 0;
  int32_t height = 0;
  // start and length are an AVI stream header's own: a length of 0 there
  // says the stream holds no frames, not that its length is unknown.
  bool fromHeader = false;

  // Frames run from start to start + length - 1.
  int64_t LastFrameNumber() const { return start + length - 1; }
};

}  // namespace q9::platform
