// Colour adjustments. Brightness, contrast, hue and saturation run on every
// full video frame while a slider is off neutral, so each is one pass over
// the pixels with tables and integer arithmetic, split over two threads for
// large frames.

#include <cmath>

#include "platform/imaging/colour_tables.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace {

// Runs pixel(b, g, r) over every pixel of a 24-bit picture, in bands.
template <class Pixel>
void ForEachPixel24(Bitmap& bitmap, Pixel&& pixel) {
  uint8_t* bits = bitmap.MutableBits();
  const size_t stride = bitmap.Stride();
  const int w = bitmap.Width();
  ForRowBands(bitmap.Height(), uint64_t(w) * uint64_t(bitmap.Height()),
                      [&](int first, int end) {
                        for (int y = first; y < end; ++y) {
                          uint8_t* p = bits + size_t(y) * stride;
                          for (int x = 0; x < w; ++x, p += 3) pixel(p[0], p[1], p[2]);
                        }
                      });
}

}  // namespace

int ChangeBrightness(Bitmap& bitmap, int change) {
  if (!detail::InRange(change, -1000, 1000) || !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  if (change == 0) return kImagingSuccess;
  detail::ApplyTable24(bitmap, detail::BrightnessTable(change));
  return kImagingSuccess;
}

int ChangeContrast(Bitmap& bitmap, int change) {
  if (!detail::InRange(change, -1000, 1000) || !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  if (change == 0) return kImagingSuccess;
  detail::ApplyTable24(bitmap, detail::ContrastTable(change, 128));
  return kImagingSuccess;
}

int ChangeSaturation(Bitmap& bitmap, int change) {
  if (!detail::InRange(change, -1000, 1000) || !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  if (change == 0) return kImagingSuccess;
  // scaled[d + 255] = d * (1000 + change) / 1000 in fixed point; the clamp
  // table takes grey + scaled difference (-510..765) to 0..255.
  const int32_t k = detail::SaturationFactor(change);
  std::array<int16_t, 511> scaled{};
  for (int d = -255; d <= 255; ++d)
    scaled[size_t(d + 255)] = int16_t((d * k + detail::kSaturationHalf) >> detail::kSaturationBits);
  constexpr int kLow = 510;
  std::array<uint8_t, 510 + 766> clamp{};
  for (int v = -kLow; v <= 765; ++v) clamp[size_t(v + kLow)] = detail::Clamp255(v);
  ForEachPixel24(bitmap, [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    const int grey = detail::Luma(r, g, b);
    b = clamp[size_t(grey + scaled[size_t(b - grey + 255)] + kLow)];
    g = clamp[size_t(grey + scaled[size_t(g - grey + 255)] + kLow)];
    r = clamp[size_t(grey + scaled[size_t(r - grey + 255)] + kLow)];
  });
  return kImagingSuccess;
}

int ChangeHue(Bitmap& bitmap, int angle) {
  if (!detail::InRange(angle, -180, 180) || !detail::MakeTrueColour(bitmap)) return kImagingFailure;
  if (angle == 0) return kImagingSuccess;
  // Nine tables of coefficient x value: the same sums as the combined pass.
  const std::array<int32_t, 9> k = detail::HueCoefficients(angle);
  std::array<std::array<int32_t, 256>, 9> t{};
  for (size_t i = 0; i < 9; ++i)
    for (int v = 0; v < 256; ++v) t[i][size_t(v)] = k[i] * v;
  ForEachPixel24(bitmap, [&](uint8_t& b, uint8_t& g, uint8_t& r) {
    constexpr int kBits = detail::kHueBits;
    const int nr = (t[0][r] + t[1][g] + t[2][b] + detail::kHueHalf) >> kBits;
    const int ng = (t[3][r] + t[4][g] + t[5][b] + detail::kHueHalf) >> kBits;
    const int nb = (t[6][r] + t[7][g] + t[8][b] + detail::kHueHalf) >> kBits;
    r = detail::Clamp255(nr);
    g = detail::Clamp255(ng);
    b = detail::Clamp255(nb);
  });
  return kImagingSuccess;
}

int GammaCorrect(Bitmap& bitmap, int gammaTimes100) {
  if (!detail::InRange(gammaTimes100, 1, 100000) || !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  std::array<uint8_t, 256> t{};
  const double exponent = 100.0 / gammaTimes100;
  for (int v = 0; v < 256; ++v)
    t[size_t(v)] = detail::Clamp255(int(std::lround(255.0 * std::pow(v / 255.0, exponent))));
  detail::ApplyTable24(bitmap, t);
  return kImagingSuccess;
}

int InvertBitmap(Bitmap& bitmap) {
  if (!bitmap.HasData()) return kImagingFailure;
  if (bitmap.BitsPerPixel() <= 8) {
    std::vector<RgbQuad> palette = bitmap.Palette();
    for (RgbQuad& c : palette)
      c = RgbQuad{uint8_t(255 - c.blue), uint8_t(255 - c.green), uint8_t(255 - c.red), c.reserved};
    bitmap.SetPalette(std::move(palette));
    return kImagingSuccess;
  }
  if (!detail::MakeTrueColour(bitmap)) return kImagingFailure;
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[size_t(v)] = uint8_t(255 - v);
  detail::ApplyTable24(bitmap, t);
  return kImagingSuccess;
}

int GreyScaleBitmap(Bitmap& bitmap) {
  if (!bitmap.HasData()) return kImagingFailure;
  Bitmap out = Bitmap::Create(bitmap.Width(), bitmap.Height(), 8);  // grey palette 0..255
  if (!out.HasData()) return kImagingFailure;
  const int bpp = bitmap.BitsPerPixel();
  if (bpp <= 8) {
    // Map the indices through the palette's greys; the pixels are not touched.
    std::array<uint8_t, 256> greyOf{};
    for (size_t i = 0; i < bitmap.Palette().size() && i < 256; ++i) {
      const RgbQuad& c = bitmap.Palette()[i];
      greyOf[i] = uint8_t(detail::Luma(c.red, c.green, c.blue));
    }
    for (int y = 0; y < bitmap.Height(); ++y) {
      const uint8_t* in = bitmap.Row(y);
      uint8_t* o = out.MutableRow(y);
      for (int x = 0; x < bitmap.Width(); ++x) o[x] = greyOf[detail::GetPixel(in, x, bpp)];
    }
  } else {
    const Bitmap src = detail::TrueColourCopy(bitmap);
    if (!src.HasData()) return kImagingFailure;
    for (int y = 0; y < src.Height(); ++y) {
      const uint8_t* in = src.Row(y);
      uint8_t* o = out.MutableRow(y);
      for (int x = 0; x < src.Width(); ++x, in += 3)
        o[x] = uint8_t(detail::Luma(in[2], in[1], in[0]));
    }
  }
  bitmap = std::move(out);
  return kImagingSuccess;
}

int CombineBitmap(Bitmap& dst, int dx, int dy, int w, int h, const Bitmap& src, int sx, int sy,
                  uint32_t operation) {
  if (operation != kCombineAdd || !src.HasData() || w < 0 || h < 0) return kImagingFailure;
  const Bitmap source = detail::TrueColourCopy(src);
  if (!source.HasData() || !detail::MakeTrueColour(dst)) return kImagingFailure;
  if (!detail::ClipBlock(dst.Width(), dst.Height(), source.Width(), source.Height(), dx, dy, sx, sy,
                         w, h))
    return kImagingSuccess;
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = source.Row(sy + y) + 3 * size_t(sx);
    uint8_t* o = dst.MutableRow(dy + y) + 3 * size_t(dx);
    for (int i = 0; i < 3 * w; ++i) o[i] = uint8_t(std::min(255, o[i] + in[i]));
  }
  return kImagingSuccess;
}

int HistoContrast(Bitmap& bitmap, int change) {
  if (!detail::InRange(change, -1000, 1000) || !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  if (change == 0) return kImagingSuccess;
  // The pivot is the picture's mean grey rather than the middle of the range.
  uint64_t sum = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* p = bitmap.Row(y);
    for (int x = 0; x < bitmap.Width(); ++x, p += 3)
      sum += uint64_t(detail::Luma(p[2], p[1], p[0]));
  }
  const uint64_t count = uint64_t(bitmap.Width()) * uint64_t(bitmap.Height());
  const int mean = count ? int((sum + count / 2) / count) : 128;
  detail::ApplyTable24(bitmap, detail::ContrastTable(change, mean));
  return kImagingSuccess;
}

int StretchIntensity(Bitmap& bitmap) {
  if (!detail::MakeTrueColour(bitmap)) return kImagingFailure;
  int lo = 255, hi = 0;
  for (int y = 0; y < bitmap.Height(); ++y) {
    const uint8_t* p = bitmap.Row(y);
    for (int i = 0; i < 3 * bitmap.Width(); ++i)
      lo = std::min(lo, int(p[i])), hi = std::max(hi, int(p[i]));
  }
  if (hi <= lo) return kImagingSuccess;  // one value only: nothing to stretch
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v)
    t[size_t(v)] = detail::Clamp255(detail::RoundedDivide(int64_t(v - lo) * 255, hi - lo));
  detail::ApplyTable24(bitmap, t);
  return kImagingSuccess;
}

}  // namespace q9::platform
