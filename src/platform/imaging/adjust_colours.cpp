// Brightness, contrast, hue and saturation in one pass over the pixels, as
// a video frame needs them when sliders are off neutral. Brightness and
// contrast are byte tables and compose into one; hue and saturation are
// fixed-point arithmetic on short runs of pixels spread into planes, so that
// the compiler turns the loops into vector code. Every step rounds and clips
// exactly as the single adjustments do (colour_tables.h), so the result is
// the same as running them one after another.

#include <algorithm>
#include <array>

#include "platform/imaging/colour_tables.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform {
namespace {

constexpr int kRun = 64;  // pixels spread into planes at a time

struct ColourPass {
  bool levels = false;  // brightness and contrast, composed
  std::array<uint8_t, 256> table{};
  bool hue = false;
  std::array<int32_t, 9> h{};
  bool saturation = false;
  int32_t k = 0;
};

struct Planes {
  alignas(64) int32_t b[kRun];
  alignas(64) int32_t g[kRun];
  alignas(64) int32_t r[kRun];
};

inline int32_t Clip(int32_t v) {
  return std::clamp(v, 0, 255);
}

void Spread(const uint8_t* in, int n, const ColourPass& p, Planes& q) {
  if (p.levels) {
    for (int i = 0; i < n; ++i) {
      q.b[i] = p.table[in[3 * i]];
      q.g[i] = p.table[in[3 * i + 1]];
      q.r[i] = p.table[in[3 * i + 2]];
    }
  } else {
    for (int i = 0; i < n; ++i) {
      q.b[i] = in[3 * i];
      q.g[i] = in[3 * i + 1];
      q.r[i] = in[3 * i + 2];
    }
  }
}

void Gather(const Planes& q, int n, uint8_t* out) {
  for (int i = 0; i < n; ++i) {
    out[3 * i] = uint8_t(q.b[i]);
    out[3 * i + 1] = uint8_t(q.g[i]);
    out[3 * i + 2] = uint8_t(q.r[i]);
  }
}

Q9_VECTOR_CLONES void RotateHue(Planes& q, int n, const std::array<int32_t, 9>& h) {
  const int32_t h0 = h[0], h1 = h[1], h2 = h[2], h3 = h[3], h4 = h[4], h5 = h[5], h6 = h[6],
                h7 = h[7], h8 = h[8];
  for (int i = 0; i < n; ++i) {
    const int32_t r = q.r[i], g = q.g[i], b = q.b[i];
    q.r[i] = Clip((h0 * r + h1 * g + h2 * b + detail::kHueHalf) >> detail::kHueBits);
    q.g[i] = Clip((h3 * r + h4 * g + h5 * b + detail::kHueHalf) >> detail::kHueBits);
    q.b[i] = Clip((h6 * r + h7 * g + h8 * b + detail::kHueHalf) >> detail::kHueBits);
  }
}

Q9_VECTOR_CLONES void Saturate(Planes& q, int n, int32_t k) {
  for (int i = 0; i < n; ++i) {
    const int32_t r = q.r[i], g = q.g[i], b = q.b[i];
    const int32_t grey = (77 * r + 150 * g + 29 * b + 128) >> 8;  // Luma
    q.r[i] = Clip(grey + (((r - grey) * k + detail::kSaturationHalf) >> detail::kSaturationBits));
    q.g[i] = Clip(grey + (((g - grey) * k + detail::kSaturationHalf) >> detail::kSaturationBits));
    q.b[i] = Clip(grey + (((b - grey) * k + detail::kSaturationHalf) >> detail::kSaturationBits));
  }
}

void AdjustRow(const ColourPass& p, const uint8_t* in, uint8_t* out, int width) {
  Planes q;
  for (int x = 0; x < width; x += kRun) {
    const int n = std::min(kRun, width - x);
    Spread(in + 3 * size_t(x), n, p, q);
    if (p.hue) RotateHue(q, n, p.h);
    if (p.saturation) Saturate(q, n, p.k);
    Gather(q, n, out + 3 * size_t(x));
  }
}

}  // namespace

int AdjustColours(const Bitmap& src, Bitmap& dst, int brightness, int contrast, int hue,
                  int saturation) {
  if (!detail::InRange(brightness, -1000, 1000) || !detail::InRange(contrast, -1000, 1000) ||
      !detail::InRange(hue, -180, 180) || !detail::InRange(saturation, -1000, 1000) ||
      !src.HasData())
    return kImagingFailure;
  const Bitmap source = detail::TrueColourCopy(src);
  if (!source.HasData()) return kImagingFailure;
  if (brightness == 0 && contrast == 0 && hue == 0 && saturation == 0) {
    dst = source;
    return kImagingSuccess;
  }

  ColourPass p;
  p.levels = brightness != 0 || contrast != 0;
  if (p.levels) {
    const auto bright = detail::BrightnessTable(brightness);
    const auto contrasted = detail::ContrastTable(contrast, 128);
    for (size_t v = 0; v < 256; ++v)
      p.table[v] = brightness == 0 ? contrasted[v]
                   : contrast == 0 ? bright[v]
                                   : contrasted[bright[v]];
  }
  p.hue = hue != 0;
  if (p.hue) p.h = detail::HueCoefficients(hue);
  p.saturation = saturation != 0;
  p.k = detail::SaturationFactor(saturation);

  const int w = source.Width();
  const int h = source.Height();
  // dst keeps its storage when it has the size (frame after frame); when it
  // shares the source's pixels, OverwriteBits gives it storage of its own.
  const bool reuse =
      dst.HasData() && dst.Width() == w && dst.Height() == h && dst.BitsPerPixel() == 24;
  Bitmap out = reuse ? std::move(dst) : Bitmap::Create(w, h, 24);
  if (!out.HasData()) return kImagingFailure;
  out.SetPalette({});
  const uint8_t* in = source.Bits();
  uint8_t* bits = out.OverwriteBits();
  const size_t stride = out.Stride();
  const size_t rowBytes = 3 * size_t(w);
  ForRowBands(h, uint64_t(w) * uint64_t(h), [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      uint8_t* row = bits + size_t(y) * stride;
      AdjustRow(p, in + size_t(y) * stride, row, w);
      std::fill(row + rowBytes, row + stride, uint8_t(0));
    }
  });
  dst = std::move(out);
  return kImagingSuccess;
}

}  // namespace q9::platform
