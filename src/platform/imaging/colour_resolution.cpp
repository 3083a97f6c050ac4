// Colour resolution: converting a picture to another bit depth. Palettes are
// fixed, grey, or chosen for the picture by ImageMagick; the mapping to a
// palette (nearest colour, optionally with Floyd-Steinberg error diffusion)
// is our own so that it is exact and the same on every machine.

#include <cstring>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace {

std::vector<RgbQuad> FixedPalette(int bpp) {
  std::vector<RgbQuad> p;
  auto add = [&p](int r, int g, int b) {
    p.push_back(RgbQuad{uint8_t(b), uint8_t(g), uint8_t(r), 0});
  };
  if (bpp == 1) {
    add(0, 0, 0);
    add(255, 255, 255);
  } else if (bpp == 4) {
    // The 16 standard colours.
    const int c[16][3] = {{0, 0, 0},       {128, 0, 0},   {0, 128, 0},   {128, 128, 0},
                          {0, 0, 128},     {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
                          {128, 128, 128}, {255, 0, 0},   {0, 255, 0},   {255, 255, 0},
                          {0, 0, 255},     {255, 0, 255}, {0, 255, 255}, {255, 255, 255}};
    for (const auto& e : c) add(e[0], e[1], e[2]);
  } else {
    // A 6 x 6 x 6 cube (steps of 51), then 40 greys between the cube's greys.
    for (int r = 0; r < 6; ++r)
      for (int g = 0; g < 6; ++g)
        for (int b = 0; b < 6; ++b) add(51 * r, 51 * g, 51 * b);
    for (int i = 1; i <= 40; ++i) {
      const int v = i * 255 / 41;
      add(v, v, v);
    }
  }
  return p;
}

std::vector<RgbQuad> GreyPalette(int bpp) {
  const int n = 1 << bpp;
  std::vector<RgbQuad> p(static_cast<size_t>(n));
  for (int i = 0; i < n; ++i) {
    const auto v = uint8_t(i * 255 / (n - 1));
    p[size_t(i)] = RgbQuad{v, v, v, 0};
  }
  return p;
}

// Nearest palette entry (squared RGB distance, first of equals), remembered
// in a small cache because pictures repeat their colours.
class NearestColour {
 public:
  NearestColour(const std::vector<RgbQuad>& palette, bool grey, int bpp)
      : m_palette(palette), m_grey(grey), m_levels((1 << bpp) - 1) {
    m_cache.fill(kEmpty);
  }

  uint32_t operator()(int r, int g, int b) {
    if (m_grey) return uint32_t((detail::Luma(r, g, b) * m_levels + 127) / 255);
    const uint32_t key = uint32_t(r) << 16 | uint32_t(g) << 8 | uint32_t(b);
    uint64_t& slot = m_cache[(key * 2654435761u) >> 20];
    if ((slot >> 8) == key) return uint32_t(slot & 0xFF);
    uint32_t best = 0;
    int bestDistance = 1 << 30;
    for (size_t i = 0; i < m_palette.size(); ++i) {
      const RgbQuad& c = m_palette[i];
      const int d =
          (r - c.red) * (r - c.red) + (g - c.green) * (g - c.green) + (b - c.blue) * (b - c.blue);
      if (d < bestDistance) bestDistance = d, best = uint32_t(i);
    }
    slot = uint64_t(key) << 8 | best;
    return best;
  }

 private:
  static constexpr uint64_t kEmpty = ~uint64_t(0);
  const std::vector<RgbQuad>& m_palette;
  bool m_grey;
  int m_levels;
  std::array<uint64_t, 4096> m_cache{};
};

Bitmap ToPalette(const Bitmap& src, int bpp, uint32_t flags) {
  std::vector<RgbQuad> palette;
  bool grey = false;
  if (flags & kColourResOptimisedPalette) {
    if (!detail::OptimisedPalette(src, 1 << bpp, palette)) return Bitmap::Create(0, 0, bpp);
  } else if (flags & kColourResGreyPalette) {
    palette = GreyPalette(bpp);
    grey = true;
  } else {
    palette = FixedPalette(bpp);
  }
  Bitmap out = Bitmap::Create(src.Width(), src.Height(), bpp);
  if (!out.HasData()) return out;
  NearestColour nearest(palette, grey, bpp);
  const int w = src.Width();
  const bool dither = (flags & kColourResDither) != 0;
  // Error rows for the diffusion: this row and the next, with a spare pixel
  // on each side.
  std::vector<int> err(dither ? size_t(w + 2) * 3 : 0), nextErr(err.size());
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* o = out.MutableRow(y);
    for (int x = 0; x < w; ++x) {
      int b = in[3 * x], g = in[3 * x + 1], r = in[3 * x + 2];
      if (dither) {
        const size_t e = size_t(x + 1) * 3;
        b = detail::Clamp255(b + err[e] / 16);
        g = detail::Clamp255(g + err[e + 1] / 16);
        r = detail::Clamp255(r + err[e + 2] / 16);
      }
      const uint32_t index = nearest(r, g, b);
      detail::SetPixel(o, x, bpp, index);
      if (dither) {
        const RgbQuad& c = palette[index];
        const int diff[3] = {b - c.blue, g - c.green, r - c.red};
        for (int ch = 0; ch < 3; ++ch) {
          const size_t e = size_t(x + 1) * 3 + size_t(ch);
          err[e + 3] += 7 * diff[ch];
          nextErr[e - 3] += 3 * diff[ch];
          nextErr[e] += 5 * diff[ch];
          nextErr[e + 3] += diff[ch];
        }
      }
    }
    if (dither) {
      err.swap(nextErr);
      std::fill(nextErr.begin(), nextErr.end(), 0);
    }
  }
  palette.resize(size_t(1) << bpp);  // an optimised palette may be shorter
  out.SetPalette(std::move(palette));
  return out;
}

Bitmap ToDirect(const Bitmap& src, int bpp) {
  if (bpp == 24) return src;
  Bitmap out = Bitmap::Create(src.Width(), src.Height(), bpp);
  if (!out.HasData()) return out;
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* o = out.MutableRow(y);
    for (int x = 0; x < src.Width(); ++x, in += 3) {
      if (bpp == 32) {
        o[4 * x] = in[0], o[4 * x + 1] = in[1], o[4 * x + 2] = in[2], o[4 * x + 3] = 0;
      } else {
        const uint32_t v = uint32_t(in[2] >> 3) << 10 | uint32_t(in[1] >> 3) << 5 | (in[0] >> 3);
        detail::SetPixel(o, x, 16, v);
      }
    }
  }
  return out;
}

}  // namespace

int ColourResolution(const Bitmap& src, Bitmap& dst, int bitsPerPixel, uint32_t flags) {
  if (!src.HasData()) return kImagingFailure;
  if (bitsPerPixel == 0) {
    dst = src;
    return kImagingSuccess;
  }
  if (!Bitmap::IsSupportedDepth(bitsPerPixel)) return kImagingFailure;
  const Bitmap tc = detail::TrueColourCopy(src);
  if (!tc.HasData()) return kImagingFailure;
  Bitmap out = bitsPerPixel <= 8 ? ToPalette(tc, bitsPerPixel, flags) : ToDirect(tc, bitsPerPixel);
  if (!out.HasData()) return kImagingFailure;
  dst = std::move(out);
  return kImagingSuccess;
}

int ColourResolution(Bitmap& bitmap, int bitsPerPixel, uint32_t flags) {
  return ColourResolution(Bitmap(bitmap), bitmap, bitsPerPixel, flags);
}

}  // namespace q9::platform
