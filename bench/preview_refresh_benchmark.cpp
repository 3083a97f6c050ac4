// One refresh of the preview as the Adjust dialog makes it while the user
// drags a slider: the slider's handler stores the value, the current frame
// is rendered anew (all four costly adjustments off neutral, so the whole
// frame is adjusted again), and the preview and the source window paint.
// Offscreen Qt; the frames are ffmpeg's testsrc2 pattern in MJPEG AVIs made
// at start.
//
// - Refresh/brightness: dragging Brt, as the user feels it (the costly case:
//   the frame is adjusted on every step).
// - Refresh/red: dragging Red (the four costly adjustments stay as they are,
//   so only the capture, the fit and the bulbs are redone).
// Each case runs for a 1920 x 1080 frame onto a 64 x 192 RGB16MB sign and a
// 640 x 480 frame onto a 16 x 96 one, both at zoom 4.0 (the source window
// is then twice the frame's size). The figure to read is the median of the
// repetitions, in wall time.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QPointer>
#include <QSlider>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "adjust_dialog/adjust_dlg.h"
#include "convert/source_media.h"
#include "gui/dialog_builder.h"
#include "gui/testing/scripted_prompts.h"
#include "preview/q9_preview_wnd.h"

namespace {

using namespace q9;

class Owner : public adjust_dialog::AdjustOwner, public preview::PreviewOwner {
 public:
  QWidget window;
  convert::SourceMedia media;
  QPointer<preview::CQ9PreviewWnd> preview = new preview::CQ9PreviewWnd(this);

  ~Owner() override { delete preview; }
  void RefreshPreview() override {
    if (preview) preview->RenderPreview(true);
  }
  void OnAdjustDialogClosing() override {}
  int SetStillImagesOptions(bool, const char*) override { return 1; }
  void OnPreviewWindowDestroyed() override { preview = nullptr; }
};

std::string Clip(int width, int height) {
  static const std::string dir = [] {
    char pattern[] = "/tmp/q9-refresh-bench-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) std::abort();
    return std::string(pattern);
  }();
  const std::string size = std::to_string(width) + "x" + std::to_string(height);
  std::string path = dir + "/" + size + ".avi";
  if (!std::filesystem::exists(path)) {
    const std::string cmd =
        "ffmpeg -nostdin -hide_banner -loglevel error -y -f lavfi -i testsrc2=s=" + size +
        ":r=25 -frames:v 10 -c:v mjpeg -q:v 3 " + path;
    if (std::system(cmd.c_str()) != 0) std::abort();
  }
  return path;
}

void Refresh(benchmark::State& state, int width, int height, platform::SignGeometry sign,
             int sliderId) {
  Owner owner;
  gui::ScriptedPrompts prompts;
  const std::string path = Clip(width, height);
  owner.window.show();
  owner.preview->Create(&owner.window, QRect(0, 0, int(sign.columns), int(sign.rows)));
  if (!owner.media.Open(path, sign.rows, sign.columns, sign.colorType)) {
    state.SkipWithError("open failed");
    return;
  }
  owner.media.GoToFrame(5);
  owner.media.ZoomIn();
  owner.media.ZoomIn();
  owner.media.Brightness = 80;
  owner.media.Contrast = 70;
  owner.media.Hue = 90;
  owner.media.Saturation = 40;
  owner.media.AdjustChanged = 1;
  owner.preview->ShowSource(QStringLiteral("sign"), &owner.media);
  auto dialog = std::make_unique<adjust_dialog::CAdjustDlg>(owner, prompts, &owner.window);
  dialog->setAttribute(Qt::WA_DeleteOnClose, false);
  dialog->show();
  dialog->AttachSource(&owner.media);
  QApplication::processEvents();
  if (dialog->SourceWindow()->size() != QSize(2 * width, 2 * height)) {
    state.SkipWithError("the source window has not the zoomed frame's size");
    return;
  }
  auto* slider = gui::FindControl<QSlider>(*dialog, sliderId);
  int step = 0;
  for (auto _ : state) {
    // The handler renders; the paints follow in the event loop.
    slider->setValue(slider->value() + (step++ % 2 ? -1 : 1));
    QApplication::processEvents();
  }
}

constexpr platform::SignGeometry kLarge{64, 192, platform::Q9_RGB16MB};
constexpr platform::SignGeometry kSmall{16, 96, platform::Q9_RGB16MB};
constexpr int kBrightnessSlider = 1000;
constexpr int kRedSlider = 1037;

// The fastest repetition too: on a shared machine it tells what the
// refresh costs when nothing else runs.
double Fastest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

#define Q9_REFRESH(name, ...)                   \
  BENCHMARK_CAPTURE(Refresh, name, __VA_ARGS__) \
      ->Unit(benchmark::kMillisecond)           \
      ->UseRealTime()                           \
      ->Repetitions(9)                          \
      ->ComputeStatistics("min", Fastest)       \
      ->ReportAggregatesOnly(true)

Q9_REFRESH(brightness_1920x1080_64x192, 1920, 1080, kLarge, kBrightnessSlider);
Q9_REFRESH(red_1920x1080_64x192, 1920, 1080, kLarge, kRedSlider);
Q9_REFRESH(brightness_640x480_16x96, 640, 480, kSmall, kBrightnessSlider);
Q9_REFRESH(red_640x480_16x96, 640, 480, kSmall, kRedSlider);

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
