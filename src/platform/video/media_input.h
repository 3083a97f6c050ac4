#pragma once
// One demuxer over a file or over bytes in memory. Both kinds of source are
// read through an I/O context of our own, so a file name is never taken for
// a protocol ("clip:1.avi"), and a demuxer may not open other files or URLs
// (playlists, references): everything comes from the one source.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/video/avi_stream_header.h"

struct AVFormatContext;
struct AVIOContext;

namespace q9::platform {

class MediaInput {
 public:
  MediaInput();
  ~MediaInput();
  MediaInput(const MediaInput&) = delete;
  MediaInput& operator=(const MediaInput&) = delete;

  // Whether the stream probe runs after the headers are read. It reads (and
  // may decode) the first packets to complete what the headers leave open;
  // an AVI header states all that counting frames needs.
  enum class Probe { Always, UnlessAvi };

  // AVIERR_OK, or AVIERR_FILEOPEN (cannot open the file), AVIERR_BADFORMAT
  // (no container FFmpeg reads), AVIERR_MEMORY, AVIERR_FILEREAD.
  int32_t OpenFile(const std::string& path, Probe probe);
  int32_t OpenMemory(std::shared_ptr<const std::vector<uint8_t>> bytes, Probe probe);
  // A fresh demuxer over the same source, positioned at its start.
  int32_t Reopen();
  void Close();

  bool IsOpen() const { return m_ctx != nullptr; }
  AVFormatContext* Context() const { return m_ctx; }
  bool IsAvi() const { return m_isAvi; }

  // The AVI stream header of FFmpeg's stream i, or null when the file is no
  // AVI or its headers do not line up with FFmpeg's streams.
  const AviStreamHeader* AviHeader(int streamIndex) const;

  // The first video stream (cover pictures skipped) and the first audio
  // stream; -1 when there is none. In an AVI the first audio stream is the
  // first 'auds' header, even when FFmpeg could not make sense of its format.
  int FirstVideoStream() const;
  int FirstAudioStream() const;

  // The bytes behind the demuxer (a file or memory); defined with the reader.
  class Source;

 private:
  int32_t OpenSource(std::unique_ptr<Source> source, Probe probe);
  int32_t OpenDemuxer();
  void CloseDemuxer();

  std::unique_ptr<Source> m_source;
  Probe m_probe = Probe::Always;
  AVIOContext* m_io = nullptr;
  AVFormatContext* m_ctx = nullptr;
  bool m_isAvi = false;
  std::vector<AviStreamHeader> m_aviStreams;
};

// The table code nearest to an FFmpeg error, or otherwise when none is near.
int32_t AviErrorFromAv(int averror, int32_t otherwise);

}  // namespace q9::platform
