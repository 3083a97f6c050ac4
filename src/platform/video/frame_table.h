#pragma once
// The presentation time stamps of every frame of a video stream, read from
// the container's packets without decoding them: frame n (counted from 1)
// is the n-th frame in presentation order. Containers other than AVI give
// their frames time stamps of their own, also at variable frame rates; this
// table is what numbers and times them.

#include <cstddef>
#include <cstdint>
#include <vector>

namespace q9::platform {

class MediaInput;

class FrameTable {
 public:
  // More frames than this are not indexed (a day at 120 frames a second).
  static constexpr size_t kMaxFrames = size_t(120) * 86400;

  // Reads every packet of the stream, then reopens the input at its start.
  // Packets the container marks to be dropped (before an edit list's
  // start) and empty ones are no frames. Where packets carry no time stamps
  // the frames are spaced by the stream's frame period. False when the
  // stream has no frame or the input cannot be reopened.
  bool Scan(MediaInput& input, int streamIndex);

  // Frame stamps in ascending order, in the stream's time base.
  const std::vector<int64_t>& Stamps() const { return m_stamps; }
  // When the last frame ends: its stamp plus its duration (the packet's
  // own, else the usual gap between frames).
  int64_t End() const { return m_end; }
  int64_t Frames() const { return int64_t(m_stamps.size()); }
  // The time base: a stamp counts num / den seconds.
  int32_t TimeBaseNum() const { return m_num; }
  int32_t TimeBaseDen() const { return m_den; }

  // How long each frame lasts, in 1/unitsPerSecond s: the time from its
  // stamp to the next one's (the last one's to End()), rounded so that the
  // rounding error is carried from frame to frame: the first k durations
  // always add up to the time from the first stamp to stamp k + 1, rounded
  // to the nearest unit, however many frames there are. A frame shorter
  // than half a unit can last 0.
  std::vector<uint32_t> Durations(uint32_t unitsPerSecond) const;

 private:
  std::vector<int64_t> m_stamps;
  int64_t m_end = 0;
  int32_t m_num = 1;
  int32_t m_den = 1;
};

}  // namespace q9::platform
