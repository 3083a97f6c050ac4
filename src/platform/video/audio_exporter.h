#pragma once
// Copies the first audio stream of a video into a WAV file as it is, without
// re-encoding (or, for today's containers, decodes what is no PCM into
// 16-bit PCM), through FFmpeg's WAV muxer in bit-exact mode: the header is
// the plain standard one (no LIST/INFO chunk, no encoder name). The muxer
// writes into an AtomicFile and never opens the destination itself, so a
// failure or an abort leaves no half-written WAV.

#include <cstdint>
#include <functional>
#include <string>

namespace q9::platform {

class MediaInput;

class AudioExporter {
 public:
  // Receives the percentage done (0 to 100); returns 0 to go on.
  using Progress = std::function<int(int percent)>;

  // input is a demuxer of the video of its own (its read position moves).
  // Results: AVIERR_OK; AVIERR_NODATA (no audio stream);
  // AVIERR_START_NOT_FOUND (the stream's start cannot be turned into a time:
  // scale or rate 0); AVIERR_FORMAT_SIZE_ZERO (no format block);
  // AVIERR_UNSUPPORTED (a codec a WAV file cannot hold); AVIERR_FILEOPEN
  // (cannot create the file); AVIERR_FILEREAD, AVIERR_FILEWRITE,
  // AVIERR_MEMORY; AVIERR_USERABORT (progress returned non-zero).
  // kCopy copies the stream as it is, in any codec a WAV file can name;
  // kPcm writes a standard PCM WAV: PCM as it is, anything else decoded to
  // 16-bit PCM (AVIERR_UNSUPPORTED then means no decoder for the codec).
  enum class Mode { kCopy, kPcm };
  static int32_t Export(MediaInput& input, const std::string& wavPath, const Progress& progress,
                        Mode mode = Mode::kCopy);
};

}  // namespace q9::platform
