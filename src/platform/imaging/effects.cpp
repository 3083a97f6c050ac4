// Effects done by our own pixel code: mosaic, average, noise, emboss and
// halftone. All work at 24 bits per pixel.

#include <cmath>
#include <numbers>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {

int Mosaic(Bitmap& bitmap, int tile) {
  if (tile < 2 || tile > 64 || !detail::MakeTrueColour(bitmap)) return kImagingFailure;
  const int w = bitmap.Width(), h = bitmap.Height();
  for (int ty = 0; ty < h; ty += tile) {
    const int th = std::min(tile, h - ty);
    for (int tx = 0; tx < w; tx += tile) {
      const int tw = std::min(tile, w - tx);
      uint32_t sum[3] = {0, 0, 0};
      for (int y = ty; y < ty + th; ++y) {
        const uint8_t* p = bitmap.Row(y) + 3 * tx;
        for (int i = 0; i < 3 * tw; ++i) sum[i % 3] += p[i];
      }
      const uint32_t n = uint32_t(tw * th);
      uint8_t mean[3];
      for (int c = 0; c < 3; ++c) mean[c] = uint8_t((sum[c] + n / 2) / n);
      for (int y = ty; y < ty + th; ++y) {
        uint8_t* p = bitmap.MutableRow(y) + 3 * tx;
        for (int i = 0; i < 3 * tw; ++i) p[i] = mean[i % 3];
      }
    }
  }
  return kImagingSuccess;
}

int AverageFilter(Bitmap& bitmap, int size) {
  if (size < 3 || size > 11 || !detail::MakeTrueColour(bitmap)) return kImagingFailure;
  const int radius = size / 2;  // an even size acts as the next odd one
  const int n = 2 * radius + 1;
  const int w = bitmap.Width(), h = bitmap.Height();
  const Bitmap src = bitmap;
  Bitmap out = Bitmap::Create(w, h, 24);
  if (!out.HasData()) return kImagingFailure;
  // Box sums with edges repeated: each source row summed across once into a
  // ring of n rows, then n ring rows summed down for each output row.
  const size_t values = size_t(w) * 3;
  std::vector<uint16_t> ring(values * size_t(n));
  auto sumAcross = [&](int y, uint16_t* a) {
    const uint8_t* p = src.Row(std::clamp(y, 0, h - 1));
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) {
        int s = 0;
        for (int k = -radius; k <= radius; ++k) s += p[3 * std::clamp(x + k, 0, w - 1) + c];
        a[3 * x + c] = uint16_t(s);
      }
  };
  auto slot = [&](int y) { return ring.data() + size_t((y % n + n) % n) * values; };
  for (int y = -radius; y < radius; ++y) sumAcross(y, slot(y));
  const int area = n * n;
  for (int y = 0; y < h; ++y) {
    sumAcross(y + radius, slot(y + radius));
    uint8_t* o = out.MutableRow(y);
    for (size_t i = 0; i < values; ++i) {
      int s = 0;
      for (int k = 0; k < n; ++k) s += ring[size_t(k) * values + i];
      o[i] = uint8_t((s + area / 2) / area);
    }
  }
  bitmap = std::move(out);
  return kImagingSuccess;
}

int AddNoise(Bitmap& bitmap, int level, int channel) {
  if (level < -1000 || level > 1000 || channel < 0 || channel > 3 ||
      !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  const int amplitude = std::abs(level) * 255 / 1000;
  if (amplitude == 0) return kImagingSuccess;
  const uint32_t span = uint32_t(2 * amplitude + 1);
  uint32_t state = 0x2545F491u;  // fixed seed: the same picture gets the same noise
  auto next = [&state] {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
  };
  // Byte offsets within a pixel: blue 0, green 1, red 2.
  const int only = channel == 1 ? 2 : channel == 2 ? 1 : 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.MutableRow(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      const int noise = int(next() % span) - amplitude;
      if (channel == 0) {
        for (int c = 0; c < 3; ++c) p[c] = detail::Clamp255(p[c] + noise);
      } else {
        p[only] = detail::Clamp255(p[only] + noise);
      }
    }
  }
  return kImagingSuccess;
}

int Emboss(Bitmap& bitmap, int direction, int depth) {
  if (direction < 0 || direction > 7 || depth < 0 || depth > 1000 ||
      !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  // Steps towards the light: north, north-east, ... north-west (y down).
  static constexpr int kDx[8] = {0, 1, 1, 1, 0, -1, -1, -1};
  static constexpr int kDy[8] = {-1, -1, 0, 1, 1, 1, 0, -1};
  const int w = bitmap.Width(), h = bitmap.Height();
  std::vector<uint8_t> grey(size_t(w) * size_t(h));
  for (int y = 0; y < h; ++y) {
    const uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < w; ++x, p += 3)
      grey[size_t(y) * size_t(w) + size_t(x)] = uint8_t(detail::Luma(p[2], p[1], p[0]));
  }
  auto at = [&](int x, int y) {
    return int(grey[size_t(std::clamp(y, 0, h - 1)) * size_t(w) + size_t(std::clamp(x, 0, w - 1))]);
  };
  const int dx = kDx[direction], dy = kDy[direction];
  for (int y = 0; y < h; ++y) {
    uint8_t* o = bitmap.MutableRow(y);
    for (int x = 0; x < w; ++x) {
      const int diff = at(x + dx, y + dy) - at(x - dx, y - dy);
      const uint8_t v = detail::Clamp255(128 + diff * depth / 500);
      o[3 * x] = o[3 * x + 1] = o[3 * x + 2] = v;
    }
  }
  return kImagingSuccess;
}

int Halftone(Bitmap& bitmap, int type, int angle) {
  if ((type != 0 && type != 1) || !detail::MakeTrueColour(bitmap)) return kImagingFailure;
  static constexpr int kBayer[8][8] = {
      {0, 32, 8, 40, 2, 34, 10, 42},  {48, 16, 56, 24, 50, 18, 58, 26},
      {12, 44, 4, 36, 14, 46, 6, 38}, {60, 28, 52, 20, 62, 30, 54, 22},
      {3, 35, 11, 43, 1, 33, 9, 41},  {51, 19, 59, 27, 49, 17, 57, 25},
      {15, 47, 7, 39, 13, 45, 5, 37}, {63, 31, 55, 23, 61, 29, 53, 21}};
  constexpr double kCell = 6.0;  // print screen period in pixels
  const double a = (angle % 36000) / 100.0 * std::numbers::pi / 180.0;
  const double c = std::cos(a), s = std::sin(a);
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* p = bitmap.MutableRow(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3) {
      // Screen coordinates: the pixel centre turned by the screen angle.
      const double u = c * (x + 0.5) + s * (y + 0.5), v = -s * (x + 0.5) + c * (y + 0.5);
      int threshold = 0;  // 1..255: a pixel at least this bright stays white
      if (type == 0) {
        // Dots grow from the cell centres as the picture darkens; the
        // cosine spot function covers half the cell at middle grey.
        const double fu = u / kCell - std::floor(u / kCell) - 0.5;
        const double fv = v / kCell - std::floor(v / kCell) - 0.5;
        const double spot =
            (std::cos(2.0 * std::numbers::pi * fu) + std::cos(2.0 * std::numbers::pi * fv)) / 2.0;
        threshold = 1 + int((spot + 1.0) / 2.0 * 254.0);
      } else {
        const int i = int(std::floor(u)) & 7, j = int(std::floor(v)) & 7;
        threshold = 1 + (kBayer[j][i] * 254 + 31) / 63;
      }
      const uint8_t out = detail::Luma(p[2], p[1], p[0]) >= threshold ? 255 : 0;
      p[0] = p[1] = p[2] = out;
    }
  }
  return kImagingSuccess;
}

}  // namespace q9::platform
