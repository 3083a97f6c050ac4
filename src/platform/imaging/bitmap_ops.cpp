// Copies, clearing, block transfers and mirroring: pure pixel moves that keep
// every depth and the palette.

#include <algorithm>
#include <cstring>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/pixel_access.h"

namespace q9::platform {
namespace detail {

Bitmap TrueColourCopy(const Bitmap& src) {
  if (!src.HasData()) return Bitmap::Create(0, 0, 24);
  if (src.BitsPerPixel() == 24) return src;
  Bitmap out = Bitmap::Create(src.Width(), src.Height(), 24);
  if (!out.HasData()) return out;
  const int bpp = src.BitsPerPixel();
  for (int y = 0; y < src.Height(); ++y) {
    const uint8_t* in = src.Row(y);
    uint8_t* o = out.MutableRow(y);
    for (int x = 0; x < src.Width(); ++x) {
      const RgbQuad c = ColourOfValue(GetPixel(in, x, bpp), bpp, src.Palette());
      o[3 * x] = c.blue;
      o[3 * x + 1] = c.green;
      o[3 * x + 2] = c.red;
    }
  }
  return out;
}

bool MakeTrueColour(Bitmap& bitmap) {
  if (!bitmap.HasData()) return false;
  if (bitmap.BitsPerPixel() == 24) return true;
  Bitmap out = TrueColourCopy(bitmap);
  if (!out.HasData()) return false;
  bitmap = std::move(out);
  return true;
}

bool ClipBlock(int dstWidth, int dstHeight, int srcWidth, int srcHeight, int& dx, int& dy, int& sx,
               int& sy, int& w, int& h) {
  // 64-bit so that extreme arguments cannot overflow while clipping.
  int64_t DX = dx, DY = dy, SX = sx, SY = sy, W = w, H = h;
  if (W <= 0 || H <= 0) return false;
  if (SX < 0) DX -= SX, W += SX, SX = 0;
  if (SY < 0) DY -= SY, H += SY, SY = 0;
  if (DX < 0) SX -= DX, W += DX, DX = 0;
  if (DY < 0) SY -= DY, H += DY, DY = 0;
  W = std::min({W, int64_t(srcWidth) - SX, int64_t(dstWidth) - DX});
  H = std::min({H, int64_t(srcHeight) - SY, int64_t(dstHeight) - DY});
  if (W <= 0 || H <= 0) return false;
  dx = int(DX), dy = int(DY), sx = int(SX), sy = int(SY), w = int(W), h = int(H);
  return true;
}

void CopyBlock(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h) {
  // Holding a share makes dst detach if both are one.
  const Bitmap source = src;  // NOLINT(performance-unnecessary-copy-initialization)
  const int bpp = dst.BitsPerPixel();
  for (int y = 0; y < h; ++y) {
    const uint8_t* in = source.Row(sy + y);
    uint8_t* out = dst.MutableRow(dy + y);
    if (bpp >= 8) {
      const size_t bytes = size_t(bpp / 8);
      std::memcpy(out + size_t(dx) * bytes, in + size_t(sx) * bytes, size_t(w) * bytes);
    } else {
      for (int x = 0; x < w; ++x) SetPixel(out, dx + x, bpp, GetPixel(in, sx + x, bpp));
    }
  }
}

void ApplyTable24(Bitmap& bitmap, const std::array<uint8_t, 256>& table) {
  uint8_t* bits = bitmap.MutableBits();
  const size_t stride = bitmap.Stride();
  const size_t rowBytes = size_t(bitmap.Width()) * 3;
  ForRowBands(bitmap.Height(), uint64_t(bitmap.Width()) * uint64_t(bitmap.Height()),
              [&](int first, int end) {
                for (int y = first; y < end; ++y) {
                  uint8_t* p = bits + size_t(y) * stride;
                  for (size_t i = 0; i < rowBytes; ++i) p[i] = table[p[i]];
                }
              });
}

}  // namespace detail

int CopyBitmap(Bitmap& dst, const Bitmap& src) {
  if (!src.HasData()) return kImagingFailure;
  dst = src;
  return kImagingSuccess;
}

int CopyBitmapRect(Bitmap& dst, const Bitmap& src, int left, int top, int width, int height) {
  if (!src.HasData() || width <= 0 || height <= 0 || left < 0 || top < 0 ||
      int64_t(left) + width > src.Width() || int64_t(top) + height > src.Height())
    return kImagingFailure;
  Bitmap out = Bitmap::Create(width, height, src.BitsPerPixel());
  if (!out.HasData()) return kImagingFailure;
  out.SetPalette(src.Palette());
  detail::CopyBlock(out, 0, 0, src, left, top, width, height);
  dst = std::move(out);
  return kImagingSuccess;
}

Bitmap CopyRectWithBlack(const Bitmap& src, int left, int top, int width, int height) {
  if (!src.HasData() || width <= 0 || height <= 0) return Bitmap::Create(0, 0, src.BitsPerPixel());
  Bitmap out = Bitmap::Create(width, height, src.BitsPerPixel());
  if (!out.HasData()) return out;
  const int bpp = src.BitsPerPixel();
  if (bpp <= 8) {
    out.SetPalette(src.Palette());
    // The outside takes the darkest palette entry.
    uint32_t black = 0;
    int darkest = 1 << 30;
    for (size_t i = 0; i < src.Palette().size() && i < (size_t(1) << bpp); ++i) {
      const RgbQuad& c = src.Palette()[i];
      const int sum = c.red + c.green + c.blue;
      if (sum < darkest) darkest = sum, black = uint32_t(i);
    }
    if (black != 0) {
      for (int y = 0; y < height; ++y) {
        uint8_t* row = out.MutableRow(y);
        for (int x = 0; x < width; ++x) detail::SetPixel(row, x, bpp, black);
      }
    }
  }
  int dx = 0, dy = 0, sx = left, sy = top, w = width, h = height;
  if (detail::ClipBlock(width, height, src.Width(), src.Height(), dx, dy, sx, sy, w, h))
    detail::CopyBlock(out, dx, dy, src, sx, sy, w, h);
  return out;
}

int ClearBitmap(Bitmap& bitmap) {
  if (!bitmap.HasData()) return kImagingFailure;
  std::memset(bitmap.MutableBits(), 0, bitmap.ImageSize());
  return kImagingSuccess;
}

int BlitCopy(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h) {
  if (!dst.HasData() || !src.HasData() || dst.BitsPerPixel() != src.BitsPerPixel() || w < 0 ||
      h < 0)
    return kImagingFailure;
  if (detail::ClipBlock(dst.Width(), dst.Height(), src.Width(), src.Height(), dx, dy, sx, sy, w, h))
    detail::CopyBlock(dst, dx, dy, src, sx, sy, w, h);
  return kImagingSuccess;
}

int FlipBitmap(Bitmap& bitmap) {
  if (!bitmap.HasData()) return kImagingFailure;
  const size_t stride = bitmap.Stride();
  uint8_t* bits = bitmap.MutableBits();
  std::vector<uint8_t> temp(stride);
  for (int top = 0, bottom = bitmap.Height() - 1; top < bottom; ++top, --bottom) {
    uint8_t* a = bits + size_t(top) * stride;
    uint8_t* b = bits + size_t(bottom) * stride;
    std::memcpy(temp.data(), a, stride);
    std::memcpy(a, b, stride);
    std::memcpy(b, temp.data(), stride);
  }
  return kImagingSuccess;
}

int ReverseBitmap(Bitmap& bitmap) {
  if (!bitmap.HasData()) return kImagingFailure;
  const int bpp = bitmap.BitsPerPixel();
  const int w = bitmap.Width();
  std::vector<uint8_t> copy(bitmap.Stride());
  for (int y = 0; y < bitmap.Height(); ++y) {
    uint8_t* row = bitmap.MutableRow(y);
    std::memcpy(copy.data(), row, copy.size());
    for (int x = 0; x < w; ++x)
      detail::SetPixel(row, x, bpp, detail::GetPixel(copy.data(), w - 1 - x, bpp));
  }
  return kImagingSuccess;
}

}  // namespace q9::platform
