// Opens fuzzed bytes as a video from memory, through the same demuxing,
// decoding and conversion code as a file: reads the first frames, steps back
// (the seek path), jumps to the last frame and copies the audio to a WAV.
// The frames' durations are taken too.

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/video/video_file.h"

namespace {

const std::string& WavPath() {
  static const std::string path = [] {
    char dir[] = "/tmp/q9-video-fuzz-XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    return std::string(dir) + "/out.wav";
  }();
  return path;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace q9::platform;
  VideoFile video;
  // Both numberings: the container's, and presentation order from the
  // packets' stamps, with its audio decoded to PCM.
  video.SetPresentationOrder(size > 0 && (data[size - 1] & 1) != 0);
  if (video.OpenMemory(std::vector<uint8_t>(data, data + size)) != AVIERR_OK) return 0;
  const VideoStreamInfo info = video.StreamInfo();
  Bitmap frame;
  for (int64_t n = info.start; n < info.start + 4; ++n) video.GetFrame(n, frame);
  video.GetFrame(info.start + 1, frame);
  video.GetFrame(info.LastFrameNumber(), frame);
  video.FrameDurations(120);
  if (video.HasAudioStream() == AVIERR_OK) {
    int calls = 0;
    video.SaveAudioToWav(WavPath(), [&calls](int) { return ++calls > 1000 ? 1 : 0; });
    ::unlink(WavPath().c_str());
  }
  return 0;
}
