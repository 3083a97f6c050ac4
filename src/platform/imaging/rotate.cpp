// Rotation: quarter turns move pixels exactly at any depth; other angles
// resample bilinearly at 24 bits per pixel.

#include <cmath>
#include <numbers>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace {

// turns: 1 = 90, 2 = 180, 3 = 270 degrees clockwise.
Bitmap QuarterTurn(const Bitmap& src, int turns) {
  const int w = src.Width(), h = src.Height(), bpp = src.BitsPerPixel();
  const bool swap = turns != 2;
  Bitmap out = Bitmap::Create(swap ? h : w, swap ? w : h, bpp);
  if (!out.HasData()) return out;
  out.SetPalette(src.Palette());
  for (int y = 0; y < out.Height(); ++y) {
    uint8_t* row = out.MutableRow(y);
    for (int x = 0; x < out.Width(); ++x) {
      // The source pixel that lands on (x, y).
      int sx = 0, sy = 0;
      if (turns == 1) sx = y, sy = h - 1 - x;
      if (turns == 2) sx = w - 1 - x, sy = h - 1 - y;
      if (turns == 3) sx = w - 1 - y, sy = x;
      detail::SetPixel(row, x, bpp, detail::GetPixel(src.Row(sy), sx, bpp));
    }
  }
  return out;
}

Bitmap RotateAnyAngle(const Bitmap& picture, int degrees, bool grow) {
  Bitmap src = detail::TrueColourCopy(picture);
  if (!src.HasData()) return src;
  const double radians = degrees * std::numbers::pi / 180.0;
  const double c = std::cos(radians), s = std::sin(radians);
  const int w = src.Width(), h = src.Height();
  int outW = w, outH = h;
  if (grow) {
    // The bounding box of the turned picture; the epsilon keeps exact sizes
    // from rounding up through floating-point noise.
    const double bw = std::abs(w * c) + std::abs(h * s), bh = std::abs(w * s) + std::abs(h * c);
    if (bw > double(kMaxBitmapPixels) || bh > double(kMaxBitmapPixels))
      return Bitmap::Create(0, 0, 24);
    outW = int(std::ceil(bw - 1e-6));
    outH = int(std::ceil(bh - 1e-6));
  }
  Bitmap out = Bitmap::Create(outW, outH, 24);
  if (!out.HasData()) return out;
  for (int y = 0; y < outH; ++y) {
    uint8_t* o = out.MutableRow(y);
    const double yr = y + 0.5 - outH / 2.0;
    for (int x = 0; x < outW; ++x) {
      // Turn the output pixel's centre back into the source.
      const double xr = x + 0.5 - outW / 2.0;
      const double fx = c * xr + s * yr + w / 2.0 - 0.5;
      const double fy = -s * xr + c * yr + h / 2.0 - 0.5;
      if (fx <= -1.0 || fy <= -1.0 || fx >= w || fy >= h) continue;  // stays black
      const int x0 = int(std::floor(fx)), y0 = int(std::floor(fy));
      // The fractions lie in [0, 1), so adding a half and truncating rounds.
      const int ax = int((fx - x0) * 256.0 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
      const int ay = int((fy - y0) * 256.0 + 0.5);  // NOLINT(bugprone-incorrect-roundings)
      const int weights[4] = {(256 - ax) * (256 - ay), ax * (256 - ay), (256 - ax) * ay, ax * ay};
      int sum[3] = {0, 0, 0};
      for (int k = 0; k < 4; ++k) {
        const int px = x0 + (k & 1), py = y0 + (k >> 1);
        if (px < 0 || py < 0 || px >= w || py >= h || weights[k] == 0) continue;  // black
        const uint8_t* p = src.Row(py) + 3 * px;
        for (int ch = 0; ch < 3; ++ch) sum[ch] += weights[k] * p[ch];
      }
      for (int ch = 0; ch < 3; ++ch) o[3 * x + ch] = uint8_t((sum[ch] + 32768) >> 16);
    }
  }
  return out;
}

}  // namespace

int RotateBitmap(Bitmap& bitmap, int angleDegrees, int flags) {
  if (!bitmap.HasData() || (flags != kRotateKeepSize && flags != kRotateResize))
    return kImagingFailure;
  const int angle = ((angleDegrees % 360) + 360) % 360;
  if (angle == 0) return kImagingSuccess;
  Bitmap out;
  if (angle % 90 == 0) {
    out = QuarterTurn(bitmap, angle / 90);
    if (out.HasData() && flags == kRotateKeepSize &&
        (out.Width() != bitmap.Width() || out.Height() != bitmap.Height()))
      out =
          CopyRectWithBlack(out, (out.Width() - bitmap.Width()) / 2,
                            (out.Height() - bitmap.Height()) / 2, bitmap.Width(), bitmap.Height());
  } else {
    out = RotateAnyAngle(bitmap, angle, flags == kRotateResize);
  }
  if (!out.HasData()) return kImagingFailure;
  bitmap = std::move(out);
  return kImagingSuccess;
}

}  // namespace q9::platform
