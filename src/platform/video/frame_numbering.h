#pragma once
// Frame numbers of a video stream and the time stamps they stand for.
//
// AVI: the stream header's start, length, scale and rate as the file states
// them, and frame n is the frame whose time stamp is n: FFmpeg stamps every
// chunk of an AVI video stream with its index counted from the header's
// start, empty "drop" chunks included.
//
// Other containers have no frame numbers of their own. There a frame lasts
// one period of the stream's average frame rate (else its nominal rate, else
// 1/25 s): scale / rate is that period, start is the stream's start time in
// periods and length its duration in periods (from the stream, else the
// container; rounded to the nearest). Frame n is the frame shown at time
// n * scale / rate, with half a period of slack for rounded time stamps.
//
// In presentation order (UseTable), frames count from 1 in the order they
// are shown: frame n is the n-th stamp of the table, whatever the frame
// rate; scale / rate is still the stream's average frame period.

#include <cstdint>

#include "platform/video/frame_table.h"
#include "platform/video/video_stream_info.h"

namespace q9::platform {

class MediaInput;

class FrameNumbering {
 public:
  // Reads the numbering of the input's stream.
  void Describe(const MediaInput& input, int streamIndex);
  // Numbers the frames by the table from then on (after Describe).
  void UseTable(FrameTable table);
  // The table in use; empty when frames are numbered by the container.
  const FrameTable& Table() const { return m_table; }

  const VideoStreamInfo& Info() const { return m_info; }
  // The last time stamp (stream time base) that still shows frame n.
  int64_t LimitOf(int64_t n) const;

 private:
  VideoStreamInfo m_info;
  bool m_stampIsFrame = true;
  int64_t m_timeBaseNum = 1;
  int64_t m_timeBaseDen = 25;
  FrameTable m_table;
};

}  // namespace q9::platform
