// The cost of rendering one video frame onto a sign, against the cost of
// decoding it. The frames are ffmpeg's testsrc2 pattern (gradients, moving
// shapes, text) at 640 x 480 and 1920 x 1080 in MJPEG AVIs made with the
// ffmpeg command; the sign is 64 rows x 192 columns of RGB16MB and the
// capture the whole frame (Percent mode, 100 x 100 at 0, 0).
//
// - Decode: VideoFile::GetFrame of the next frame (the conversion's path).
// - Render/neutral: RenderPictureFrame of one decoded frame with every
//   slider at 64 and AdjustChanged set, as a conversion renders each new
//   frame.
// - Render/adjusted: the same with brightness, contrast, hue and saturation
//   off neutral (80, 70, 90, 40), so the four adjustments run on the full
//   frame each time.
// - Step: what a conversion spends per frame through SourceMedia: next
//   frame, AdjustChanged, RenderFrame (neutral).
// Each iteration is one frame: the time column is the wall time per frame,
// the CPU column the whole process's CPU time per frame (decoder threads and
// the imaging library's second row band included), which is the steadier
// figure on a busy machine.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "convert/source_media.h"
#include "imaging/frame_renderer.h"
#include "platform/video/video_file.h"

namespace {

using q9::platform::Bitmap;

constexpr int kFrames = 50;
const q9::platform::SignGeometry kSign{64, 192, q9::platform::Q9_RGB16MB};

class Inputs {
 public:
  static Inputs& Get() {
    static Inputs inputs;
    return inputs;
  }
  // The MJPEG AVI of that size, made on first use.
  const std::string& Clip(int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    auto it = m_clips.find(size);
    if (it != m_clips.end()) return it->second;
    const std::string path = m_dir + "/" + size + ".avi";
    const std::string cmd =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=s=" + size +
        ":r=25 -frames:v " + std::to_string(kFrames) + " -c:v mjpeg -q:v 3 " + path;
    if (std::system(cmd.c_str()) != 0) std::abort();
    return m_clips[size] = path;
  }

 private:
  Inputs() {
    char dir[] = "/tmp/q9-render-bench-XXXXXX";
    if (::mkdtemp(dir) == nullptr) std::abort();
    m_dir = dir;
  }
  ~Inputs() {
    std::error_code ec;
    std::filesystem::remove_all(m_dir, ec);
  }
  std::string m_dir;
  std::map<std::string, std::string> m_clips;
};

q9::adjust::ImportSettings WholeFrame() {
  q9::adjust::ImportSettings s;
  s.CaptureInitialized = 1;
  s.SizeMode = q9::adjust::kSizePercent;
  s.XPos = s.YPos = 0;
  s.Width = s.Height = 100;
  return s;
}

void Decode(benchmark::State& state, int width, int height) {
  q9::platform::VideoFile video;
  if (video.Open(Inputs::Get().Clip(width, height)) != q9::platform::AVIERR_OK) {
    state.SkipWithError("open failed");
    return;
  }
  Bitmap frame;
  int64_t n = 0;
  for (auto _ : state) {
    // Wrapping round seeks back once every kFrames frames.
    if (!video.GetFrame(n, frame)) state.SkipWithError("frame missing");
    n = (n + 1) % kFrames;
    benchmark::DoNotOptimize(frame.Bits());
  }
}

void Render(benchmark::State& state, int width, int height, bool adjusted) {
  q9::platform::VideoFile video;
  Bitmap decoded;
  if (video.Open(Inputs::Get().Clip(width, height)) != q9::platform::AVIERR_OK ||
      !video.GetFrame(kFrames / 2, decoded)) {
    state.SkipWithError("no frame");
    return;
  }
  q9::adjust::ImportSettings s = WholeFrame();
  if (adjusted) {
    s.Brightness = 80;
    s.Contrast = 70;
    s.Hue = 90;
    s.Saturation = 40;
  }
  q9::imaging::RenderTarget target;
  for (auto _ : state) {
    s.AdjustChanged = 1;
    if (q9::imaging::RenderPictureFrame(s, kSign, decoded, target) != 1)
      state.SkipWithError("render failed");
    benchmark::DoNotOptimize(target.bulbs.data());
  }
}

void Step(benchmark::State& state, int width, int height) {
  q9::convert::SourceMedia media;
  static_cast<q9::adjust::ImportSettings&>(media) = WholeFrame();
  if (media.Open(Inputs::Get().Clip(width, height), kSign.rows, kSign.columns, kSign.colorType) !=
      1) {
    state.SkipWithError("open failed");
    return;
  }
  int n = 1;
  for (auto _ : state) {
    media.GoToFrame(n);
    media.AdjustChanged = 1;
    if (media.RenderFrame() != 1) state.SkipWithError("render failed");
    n = n % (kFrames - 1) + 1;
    benchmark::DoNotOptimize(media.BulbBuffer().data());
  }
}

BENCHMARK_CAPTURE(Decode, 640x480, 640, 480)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Render, neutral_640x480, 640, 480, false)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Render, adjusted_640x480, 640, 480, true)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Step, 640x480, 640, 480)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Decode, 1920x1080, 1920, 1080)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Render, neutral_1920x1080, 1920, 1080, false)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Render, adjusted_1920x1080, 1920, 1080, true)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();
BENCHMARK_CAPTURE(Step, 1920x1080, 1920, 1080)
    ->Unit(benchmark::kMillisecond)
    ->MeasureProcessCPUTime();

}  // namespace

BENCHMARK_MAIN();
