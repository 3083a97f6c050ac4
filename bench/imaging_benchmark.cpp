// The four adjustments run on every full frame while a slider is off
// neutral, and the fit scales every capture to the sign: their cost per
// frame at 640 x 480 and 1920 x 1080.

#include <benchmark/benchmark.h>

#include "platform/imaging/imaging_library.h"

namespace {

using q9::platform::Bitmap;

Bitmap Frame(int w, int h) {
  Bitmap b = Bitmap::Create(w, h, 24);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.MutableRow(y);
    for (int i = 0; i < 3 * w; ++i) row[i] = uint8_t((i * 7 + y * 13) & 0xFF);
  }
  return b;
}

template <int (*Op)(Bitmap&, int)>
void Adjust(benchmark::State& state) {
  Bitmap frame = Frame(int(state.range(0)), int(state.range(1)));
  const int change = int(state.range(2));
  for (auto _ : state) {
    Op(frame, change);
    benchmark::DoNotOptimize(frame.Bits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

// The four at once (80, 70, 90 and 40 on the sliders), frame after frame
// into the same storage, as the renderer runs them.
void AdjustAll(benchmark::State& state) {
  const Bitmap frame = Frame(int(state.range(0)), int(state.range(1)));
  Bitmap out;
  for (auto _ : state) {
    q9::platform::AdjustColours(frame, out, 250, 93, 73, -375);
    benchmark::DoNotOptimize(out.Bits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void Fit(benchmark::State& state) {
  const Bitmap frame = Frame(int(state.range(0)), int(state.range(1)));
  for (auto _ : state) {
    Bitmap b = frame;
    q9::platform::FitBitmap(b, int(state.range(2)), int(state.range(3)));
    benchmark::DoNotOptimize(b.Bits());
  }
  state.SetItemsProcessed(state.iterations() * state.range(0) * state.range(1));
}

void FrameSizes(benchmark::internal::Benchmark* b, int change) {
  b->Args({640, 480, change})->Args({1920, 1080, change})->Unit(benchmark::kMillisecond);
}

BENCHMARK(Adjust<q9::platform::ChangeBrightness>)->Apply([](auto* b) { FrameSizes(b, 300); });
BENCHMARK(Adjust<q9::platform::ChangeContrast>)->Apply([](auto* b) { FrameSizes(b, 300); });
BENCHMARK(Adjust<q9::platform::ChangeSaturation>)->Apply([](auto* b) { FrameSizes(b, 300); });
BENCHMARK(Adjust<q9::platform::ChangeHue>)->Apply([](auto* b) { FrameSizes(b, 45); });
BENCHMARK(AdjustAll)->Apply([](auto* b) { FrameSizes(b, 0); });
// To a 192 x 64 sign (shrinking), and a 640 x 480 frame up to 1920 x 1080.
BENCHMARK(Fit)
    ->Args({640, 480, 192, 64})
    ->Args({1920, 1080, 192, 64})
    ->Args({640, 480, 1920, 1080})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
