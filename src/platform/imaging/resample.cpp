// Scaling to an exact size. The smooth path is separable: each output row is
// first gathered from the source rows (vertical weights), then each output
// pixel from that row (horizontal weights). Weights are 14-bit fixed point and
// sum exactly to one, so a uniform picture stays exactly uniform.

#include <algorithm>
#include <cmath>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace {

constexpr int kWeightBits = 14;
constexpr int32_t kOne = 1 << kWeightBits;

// For each output index along one axis: the first source index and its
// weights (count consecutive source indices).
struct AxisWeights {
  std::vector<int> first;
  std::vector<int> count;
  std::vector<size_t> offset;  // into weights
  std::vector<int32_t> weights;
};

AxisWeights BuildWeights(int srcLength, int dstLength) {
  AxisWeights a;
  a.first.resize(size_t(dstLength));
  a.count.resize(size_t(dstLength));
  a.offset.resize(size_t(dstLength));
  std::vector<double> w;
  for (int i = 0; i < dstLength; ++i) {
    w.clear();
    int first = 0;
    if (srcLength == dstLength) {
      first = i;
      w.push_back(1.0);
    } else if (dstLength < srcLength) {
      // Area averaging: the output pixel covers [lo, hi) of the source.
      const double scale = double(srcLength) / dstLength;
      const double lo = i * scale, hi = std::min((i + 1) * scale, double(srcLength));
      first = int(std::floor(lo));
      const int last = std::min(int(std::ceil(hi)), srcLength) - 1;
      for (int k = first; k <= last; ++k)
        w.push_back(std::max(0.0, std::min(hi, k + 1.0) - std::max(lo, double(k))) / scale);
    } else {
      // Bilinear between the two source pixels around the output centre.
      const double centre =
          std::clamp((i + 0.5) * srcLength / dstLength - 0.5, 0.0, double(srcLength - 1));
      first = int(std::floor(centre));
      const double f = centre - first;
      w.push_back(1.0 - f);
      if (first + 1 < srcLength) w.push_back(f);
    }
    // To fixed point, with the rounding remainder on the largest weight so
    // that the weights sum to exactly kOne.
    a.first[size_t(i)] = first;
    a.count[size_t(i)] = int(w.size());
    a.offset[size_t(i)] = a.weights.size();
    int32_t sum = 0;
    size_t largest = a.weights.size();
    for (double v : w) {
      const auto fixed = int32_t(std::lround(v * kOne));
      if (a.weights.size() == largest || fixed > a.weights[largest]) largest = a.weights.size();
      a.weights.push_back(fixed);
      sum += fixed;
    }
    a.weights[largest] += kOne - sum;
  }
  return a;
}

Bitmap SmoothResample(const Bitmap& picture, int width, int height) {
  const Bitmap src = detail::TrueColourCopy(picture);
  if (!src.HasData()) return src;
  Bitmap out = Bitmap::Create(width, height, 24);
  if (!out.HasData()) return out;
  const int srcW = src.Width();
  const AxisWeights wx = BuildWeights(srcW, width);
  const AxisWeights wy = BuildWeights(src.Height(), height);
  uint8_t* outBits = out.MutableBits();
  const size_t outStride = out.Stride();
  const size_t rowValues = size_t(srcW) * 3;
  // The work is proportional to the source's size, not the output's.
  const uint64_t work = uint64_t(srcW) * uint64_t(src.Height()) + uint64_t(width) * height;
  detail::ForRowBands(height, work, [&](int firstRow, int endRow) {
    std::vector<uint32_t> acc(rowValues);
    std::vector<uint32_t> mid(rowValues);  // source row values x 256
    for (int oy = firstRow; oy < endRow; ++oy) {
      // Vertical: gather this output row from the source rows.
      std::fill(acc.begin(), acc.end(), 0u);
      const size_t wo = wy.offset[size_t(oy)];
      for (int k = 0; k < wy.count[size_t(oy)]; ++k) {
        const auto weight = uint32_t(wy.weights[wo + size_t(k)]);
        const uint8_t* in = src.Row(wy.first[size_t(oy)] + k);
        for (size_t i = 0; i < rowValues; ++i) acc[i] += weight * in[i];
      }
      for (size_t i = 0; i < rowValues; ++i) mid[i] = (acc[i] + 32) >> 6;
      // Horizontal: each output pixel from the gathered row.
      uint8_t* o = outBits + size_t(height - 1 - oy) * outStride;
      for (int ox = 0; ox < width; ++ox) {
        const size_t xo = wx.offset[size_t(ox)];
        const uint32_t* m = mid.data() + size_t(wx.first[size_t(ox)]) * 3;
        uint32_t b = 0, g = 0, r = 0;
        for (int k = 0; k < wx.count[size_t(ox)]; ++k, m += 3) {
          const auto weight = uint32_t(wx.weights[xo + size_t(k)]);
          b += weight * m[0];
          g += weight * m[1];
          r += weight * m[2];
        }
        constexpr uint32_t kHalf = 1u << (kWeightBits + 8 - 1);
        o[3 * ox] = uint8_t((b + kHalf) >> (kWeightBits + 8));
        o[3 * ox + 1] = uint8_t((g + kHalf) >> (kWeightBits + 8));
        o[3 * ox + 2] = uint8_t((r + kHalf) >> (kWeightBits + 8));
      }
    }
  });
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

}  // namespace q9::platform
