#pragma once
// How far an audio export has read, in percent, for its progress bar.
//
// A packet's end time against the stream's duration, counted from the
// stream's start (else from the first packet's time stamp). A stream whose
// duration is unknown (a file that never states it) is measured by the
// packet's end in the file against the file's size instead; with neither,
// the bar stays at 0 until the export ends. 100 is never given here: it is
// said once, when everything is written.

#include <cstdint>
#include <optional>

namespace q9::platform {

class AudioProgress {
 public:
  struct Packet {
    std::optional<int64_t> stamp;  // presentation, else decoding time stamp
    int64_t duration = 0;          // in the stream's time units; < 0 unknown
    int64_t position = -1;         // byte offset in the file; < 0 unknown
    int64_t size = 0;              // bytes
  };

  // A packet's time stamp: its presentation stamp, else its decoding one;
  // none when both are `none` (the demuxer's "no value").
  static std::optional<int64_t> StampOf(int64_t pts, int64_t dts, int64_t none) {
    if (pts != none) return pts;
    if (dts != none) return dts;
    return std::nullopt;
  }

  // duration: in the stream's time units, <= 0 unknown; fileSize <= 0 unknown.
  AudioProgress(int64_t duration, std::optional<int64_t> start, int64_t fileSize)
      : m_duration(duration), m_start(start), m_fileSize(fileSize) {}

  int Percent(const Packet& packet);

 private:
  int64_t m_duration;
  std::optional<int64_t> m_start;
  int64_t m_fileSize;
};

}  // namespace q9::platform
