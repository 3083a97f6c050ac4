// Scaling to an exact size. The smooth path is separable: each output row is
// first gathered from the source rows (vertical weights), then each output
// pixel from that row (horizontal weights). Weights are 14-bit fixed point and
// sum exactly to one, so a uniform picture stays exactly uniform. Every
// output index of an axis takes the same number of source indices (shorter
// windows are padded with zero weights), so the inner loops have a fixed
// length and the vertical one, over whole rows, becomes vector code.

#include <algorithm>
#include <cmath>
#include <new>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;
// The gathered rows keep 8 bits below the value: (sum + kMidHalf) >> kMidShift.
constexpr int kMidShift = kWeightBits - 8;
constexpr uint32_t kMidHalf = 1u << (kMidShift - 1);
constexpr int kOutShift = kWeightBits + 8;
constexpr uint32_t kOutHalf = 1u << (kOutShift - 1);

// For each output index along one axis: the first source index and taps
// weights for the consecutive source indices from there.
struct AxisWeights {
  int srcLength = 0;
  int dstLength = 0;
  int taps = 1;
  std::vector<int> first;
  std::vector<uint32_t> weights;  // taps per output index
};

// The window of output index i: its first source index and real weights.
int Window(int i, int srcLength, int dstLength, std::vector<double>& w) {
  w.clear();
  if (srcLength == dstLength) {
    w.push_back(1.0);
    return i;
  }
  if (dstLength < srcLength) {
    // Area averaging: the output pixel covers [lo, hi) of the source.
    const double scale = double(srcLength) / dstLength;
    const double lo = i * scale, hi = std::min((i + 1) * scale, double(srcLength));
    const int first = int(std::floor(lo));
    const int last = std::min(int(std::ceil(hi)), srcLength) - 1;
    for (int k = first; k <= last; ++k)
      w.push_back(std::max(0.0, std::min(hi, k + 1.0) - std::max(lo, double(k))) / scale);
    return first;
  }
  // Bilinear between the two source pixels around the output centre.
  const double centre =
      std::clamp((i + 0.5) * srcLength / dstLength - 0.5, 0.0, double(srcLength - 1));
  const int first = int(std::floor(centre));
  const double f = centre - first;
  w.push_back(1.0 - f);
  if (first + 1 < srcLength) w.push_back(f);
  return first;
}

AxisWeights BuildWeights(int srcLength, int dstLength) {
  AxisWeights a;
  a.srcLength = srcLength;
  a.dstLength = dstLength;
  std::vector<double> w;
  for (int i = 0; i < dstLength; ++i) {
    Window(i, srcLength, dstLength, w);
    a.taps = std::max(a.taps, int(w.size()));
  }
  // A window never holds more indices than the source has, so every padded
  // window fits inside the source once moved back from its end.
  a.first.resize(size_t(dstLength));
  a.weights.assign(size_t(dstLength) * size_t(a.taps), 0);
  for (int i = 0; i < dstLength; ++i) {
    const int windowFirst = Window(i, srcLength, dstLength, w);
    const int first = std::min(windowFirst, srcLength - a.taps);
    a.first[size_t(i)] = first;
    uint32_t* out = a.weights.data() + size_t(i) * size_t(a.taps) + (windowFirst - first);
    // To fixed point, with the rounding remainder on the largest weight so
    // that the weights sum to exactly kOne.
    int32_t sum = 0;
    size_t largest = 0;
    for (size_t k = 0; k < w.size(); ++k) {
      out[k] = uint32_t(std::lround(w[k] * kOne));
      sum += int32_t(out[k]);
      if (out[k] > out[largest]) largest = k;
    }
    out[largest] = uint32_t(int32_t(out[largest]) + kOne - sum);
  }
  return a;
}

// The weights of the last call, made again only when the sizes change.
void KeepWeights(AxisWeights& a, int srcLength, int dstLength) {
  if (a.srcLength != srcLength || a.dstLength != dstLength) a = BuildWeights(srcLength, dstLength);
}

// One output row's worth of the source rows: mid[i] = the weighted sum of
// rows[k][i] with 8 fraction bits.
Q9_VECTOR_CLONES void GatherRows(const uint8_t* const* rows, const uint32_t* weights, int taps,
                                 size_t n, uint32_t* acc, uint16_t* mid) {
  const uint8_t* in = rows[0];
  const uint32_t w0 = weights[0];
  for (size_t i = 0; i < n; ++i) acc[i] = w0 * in[i];
  for (int k = 1; k < taps; ++k) {
    const uint32_t w = weights[k];
    if (w == 0) continue;
    in = rows[k];
    for (size_t i = 0; i < n; ++i) acc[i] += w * in[i];
  }
  for (size_t i = 0; i < n; ++i) mid[i] = uint16_t((acc[i] + kMidHalf) >> kMidShift);
}

// Each output pixel of a row from the gathered row.
void SpreadRow(const uint16_t* mid, const AxisWeights& wx, int width, uint8_t* out) {
  const int taps = wx.taps;
  for (int ox = 0; ox < width; ++ox) {
    const uint16_t* m = mid + size_t(wx.first[size_t(ox)]) * 3;
    const uint32_t* w = wx.weights.data() + size_t(ox) * size_t(taps);
    uint32_t b = 0, g = 0, r = 0;
    for (int k = 0; k < taps; ++k, m += 3) {
      b += w[k] * m[0];
      g += w[k] * m[1];
      r += w[k] * m[2];
    }
    out[3 * ox] = uint8_t((b + kOutHalf) >> kOutShift);
    out[3 * ox + 1] = uint8_t((g + kOutHalf) >> kOutShift);
    out[3 * ox + 2] = uint8_t((r + kOutHalf) >> kOutShift);
  }
}

// Weights and scratch rows of the caller's thread, kept from call to call so
// that frame after frame allocates nothing: two sets of rows, one for each
// row band.
struct Scratch {
  AxisWeights wx, wy;
  std::vector<uint32_t> acc;
  std::vector<uint16_t> mid;
  std::vector<const uint8_t*> rows;
};

// src (24 bits) scaled into out (24 bits, width x height, its storage
// written over).
bool SmoothResampleInto(const Bitmap& src, Bitmap& out) {
  const int width = out.Width();
  const int height = out.Height();
  const int srcW = src.Width();
  const int srcH = src.Height();
  const size_t rowValues = size_t(srcW) * 3;
  // The helper thread works with this thread's scratch: a reference, since
  // the name of a thread_local would mean the helper's own.
  thread_local Scratch ownScratch;
  Scratch& scratch = ownScratch;
  const AxisWeights& wx = scratch.wx;
  const AxisWeights& wy = scratch.wy;
  try {
    KeepWeights(scratch.wx, srcW, width);
    KeepWeights(scratch.wy, srcH, height);
    if (scratch.acc.size() < 2 * rowValues) {
      scratch.acc.assign(2 * rowValues, 0);
      scratch.mid.assign(2 * rowValues, 0);
    }
    if (scratch.rows.size() < 2 * size_t(wy.taps)) scratch.rows.resize(2 * size_t(wy.taps));
  } catch (const std::bad_alloc&) {
    scratch = Scratch();
    return false;
  }
  const uint8_t* srcBits = src.Bits();
  const size_t srcStride = src.Stride();
  uint8_t* outBits = out.OverwriteBits();
  const size_t outStride = out.Stride();
  const size_t outRowBytes = size_t(width) * 3;
  // The work is proportional to the source's size, not the output's.
  const uint64_t work = uint64_t(srcW) * uint64_t(srcH) + uint64_t(width) * uint64_t(height);
  ForRowBands(height, work, [&](int firstRow, int endRow) {
    const bool second = firstRow != 0;
    uint32_t* acc = scratch.acc.data() + (second ? rowValues : 0);
    uint16_t* mid = scratch.mid.data() + (second ? rowValues : 0);
    const int taps = wy.taps;
    const uint8_t** r = scratch.rows.data() + (second ? taps : 0);
    for (int oy = firstRow; oy < endRow; ++oy) {
      for (int k = 0; k < taps; ++k)
        r[k] = srcBits + size_t(srcH - 1 - (wy.first[size_t(oy)] + k)) * srcStride;
      GatherRows(r, wy.weights.data() + size_t(oy) * size_t(taps), taps, rowValues, acc, mid);
      uint8_t* o = outBits + size_t(height - 1 - oy) * outStride;
      SpreadRow(mid, wx, width, o);
      std::fill(o + outRowBytes, o + outStride, uint8_t(0));
    }
  });
  return true;
}

Bitmap SmoothResample(const Bitmap& picture, int width, int height) {
  Bitmap src = detail::TrueColourCopy(picture);
  if (!src.HasData()) return src;
  Bitmap out = Bitmap::Create(width, height, 24);
  if (!out.HasData()) return out;
  if (!SmoothResampleInto(src, out)) return Bitmap::Create(0, 0, 24);
  return out;
}

Bitmap NearestResample(const Bitmap& src, int width, int height) {
  Bitmap out = Bitmap::Create(width, height, src.BitsPerPixel());
  if (!out.HasData()) return out;
  out.SetPalette(src.Palette());
  const int bpp = src.BitsPerPixel();
  for (int y = 0; y < height; ++y) {
    const int sy = int((int64_t(2 * y + 1) * src.Height()) / (2 * int64_t(height)));
    const uint8_t* in = src.Row(sy);
    uint8_t* o = out.MutableRow(y);
    for (int x = 0; x < width; ++x) {
      const int sx = int((int64_t(2 * x + 1) * src.Width()) / (2 * int64_t(width)));
      detail::SetPixel(o, x, bpp, detail::GetPixel(in, sx, bpp));
    }
  }
  return out;
}

}  // namespace

int ResizeBitmap(Bitmap& bitmap, int width, int height, int flags) {
  if (!bitmap.HasData() || width <= 0 || height <= 0 || bitmap.Width() <= 0 ||
      bitmap.Height() <= 0 || (flags != kResizeSmooth && flags != kResizeNearest))
    return kImagingFailure;
  Bitmap out = flags == kResizeNearest ? NearestResample(bitmap, width, height)
                                       : SmoothResample(bitmap, width, height);
  if (!out.HasData()) return kImagingFailure;
  bitmap = std::move(out);
  return kImagingSuccess;
}

int FitBitmap(Bitmap& bitmap, int width, int height) {
  return ResizeBitmap(bitmap, width, height, kResizeSmooth);
}

int FitBitmap(const Bitmap& src, Bitmap& dst, int width, int height) {
  if (!src.HasData() || width <= 0 || height <= 0 || src.Width() <= 0 || src.Height() <= 0)
    return kImagingFailure;
  const Bitmap source = detail::TrueColourCopy(src);
  if (!source.HasData()) return kImagingFailure;
  const bool reuse = dst.HasData() && dst.Width() == width && dst.Height() == height &&
                     dst.BitsPerPixel() == 24 && !dst.SharesPixelsWith(source);
  Bitmap out = reuse ? std::move(dst) : Bitmap::Create(width, height, 24);
  if (!out.HasData()) return kImagingFailure;
  out.SetPalette({});
  if (!SmoothResampleInto(source, out)) {
    if (reuse) dst = std::move(out);
    return kImagingFailure;
  }
  dst = std::move(out);
  return kImagingSuccess;
}

}  // namespace q9::platform
