// The predefined 3 x 3 spatial filters 8 to 32. Every kernel sums to zero, so
// a flat area gives 0 (black) and only edges whose response has the kernel's
// own sign show; the result is clipped to 0..255 per channel.

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace {

struct Kernel {
  int k[3][3];  // rows top to bottom, columns left to right
};

// Indexed by filter number - kFilterGradientFirst.
constexpr Kernel kKernels[kFilterLast - kFilterGradientFirst + 1] = {
    // 8..15 compass gradients: bright where the picture gets brighter towards
    // the named direction.
    {{{1, 1, 1}, {1, -2, 1}, {-1, -1, -1}}},  // 8  north
    {{{1, 1, 1}, {-1, -2, 1}, {-1, -1, 1}}},  // 9  north-east
    {{{-1, 1, 1}, {-1, -2, 1}, {-1, 1, 1}}},  // 10 east
    {{{-1, -1, 1}, {-1, -2, 1}, {1, 1, 1}}},  // 11 south-east
    {{{-1, -1, -1}, {1, -2, 1}, {1, 1, 1}}},  // 12 south
    {{{1, -1, -1}, {1, -2, -1}, {1, 1, 1}}},  // 13 south-west
    {{{1, 1, -1}, {1, -2, -1}, {1, 1, -1}}},  // 14 west
    {{{1, 1, 1}, {1, -2, -1}, {1, -1, -1}}},  // 15 north-west
    // 16..21 Laplacians: bright on the bright side of an edge.
    {{{0, -1, 0}, {-1, 4, -1}, {0, -1, 0}}},      // 16 filter 1 (four neighbours)
    {{{-1, -1, -1}, {-1, 8, -1}, {-1, -1, -1}}},  // 17 filter 2 (eight neighbours)
    {{{1, -2, 1}, {-2, 4, -2}, {1, -2, 1}}},      // 18 filter 3
    {{{-1, 0, -1}, {0, 4, 0}, {-1, 0, -1}}},      // 19 diagonal
    {{{0, -1, 0}, {0, 2, 0}, {0, -1, 0}}},        // 20 horizontal (horizontal edges)
    {{{0, 0, 0}, {-1, 2, -1}, {0, 0, 0}}},        // 21 vertical (vertical edges)
    // 22, 23 Sobel: horizontal edges bright where the top is brighter,
    // vertical edges bright where the right is brighter.
    {{{1, 2, 1}, {0, 0, 0}, {-1, -2, -1}}},  // 22 horizontal
    {{{-1, 0, 1}, {-2, 0, 2}, {-1, 0, 1}}},  // 23 vertical
    // 24, 25 Prewitt, the same directions with even weights.
    {{{1, 1, 1}, {0, 0, 0}, {-1, -1, -1}}},  // 24 horizontal
    {{{-1, 0, 1}, {-1, 0, 1}, {-1, 0, 1}}},  // 25 vertical
    // 26..28 shift and difference: the pixel minus its neighbour up-left,
    // left, or above.
    {{{-1, 0, 0}, {0, 1, 0}, {0, 0, 0}}},  // 26 diagonal
    {{{0, 0, 0}, {-1, 1, 0}, {0, 0, 0}}},  // 27 horizontal
    {{{0, -1, 0}, {0, 1, 0}, {0, 0, 0}}},  // 28 vertical
    // 29..32 line segments: bright on thin lines of that direction.
    {{{-1, -1, -1}, {2, 2, 2}, {-1, -1, -1}}},  // 29 horizontal
    {{{-1, 2, -1}, {-1, 2, -1}, {-1, 2, -1}}},  // 30 vertical
    {{{-1, -1, 2}, {-1, 2, -1}, {2, -1, -1}}},  // 31 left to right (rising)
    {{{2, -1, -1}, {-1, 2, -1}, {-1, -1, 2}}},  // 32 right to left (falling)
};

}  // namespace

int SpatialFilter(Bitmap& bitmap, int predefinedFilter) {
  if (predefinedFilter < kFilterGradientFirst || predefinedFilter > kFilterLast ||
      !detail::MakeTrueColour(bitmap))
    return kImagingFailure;
  const Kernel& kernel = kKernels[predefinedFilter - kFilterGradientFirst];
  const Bitmap src = bitmap;  // reads from the unfiltered pixels
  const int w = src.Width(), h = src.Height();
  Bitmap out = Bitmap::Create(w, h, 24);
  if (!out.HasData()) return kImagingFailure;
  uint8_t* outBits = out.MutableBits();
  const size_t stride = out.Stride();
  ForRowBands(h, uint64_t(w) * uint64_t(h), [&](int first, int end) {
    for (int y = first; y < end; ++y) {
      // Edges repeat the outermost pixels.
      const uint8_t* rows[3] = {src.Row(y > 0 ? y - 1 : 0), src.Row(y),
                                src.Row(y + 1 < h ? y + 1 : h - 1)};
      uint8_t* o = outBits + size_t(h - 1 - y) * stride;
      for (int x = 0; x < w; ++x) {
        const int xs[3] = {x > 0 ? x - 1 : 0, x, x + 1 < w ? x + 1 : w - 1};
        for (int ch = 0; ch < 3; ++ch) {
          int sum = 0;
          for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) sum += kernel.k[r][c] * rows[r][3 * xs[c] + ch];
          o[3 * x + ch] = detail::Clamp255(sum);
        }
      }
    }
  });
  bitmap = std::move(out);
  return kImagingSuccess;
}

}  // namespace q9::platform
