#include "preview/stretch_bitmap.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "imaging/frame_renderer.h"

namespace q9::preview {
namespace {

using platform::Bitmap;
using platform::BitmapInfoHeader;
using platform::RgbQuad;

constexpr uint32_t kOpaque = 0xff000000u;

uint32_t Opaque(const uint8_t* bgr) {
  return kOpaque | uint32_t(bgr[2]) << 16 | uint32_t(bgr[1]) << 8 | bgr[0];
}

// One picture row as 0xffRRGGBB words, as QImage::Format_RGB32 holds them,
// each pixel `repeat` times.
void ConvertRow(const Bitmap& bitmap, int y, int repeat, uint32_t* out) {
  const int width = bitmap.Width();
  const uint8_t* in = bitmap.Row(y);
  const int bytes = bitmap.BitsPerPixel() / 8;
  if (bytes == 3 || bytes == 4) {
    if (repeat == 2) {
      for (int x = 0; x < width; ++x, in += bytes, out += 2) out[0] = out[1] = Opaque(in);
    } else {
      for (int x = 0; x < width; ++x, in += bytes)
        for (int k = 0; k < repeat; ++k) *out++ = Opaque(in);
    }
    return;
  }
  // Palette and 5-5-5 pictures are rare and small; the bitmap knows their
  // colours.
  for (int x = 0; x < width; ++x) {
    const RgbQuad c = bitmap.PixelColour(x, y);
    for (int k = 0; k < repeat; ++k)
      *out++ = kOpaque | uint32_t(c.red) << 16 | uint32_t(c.green) << 8 | c.blue;
  }
}

}  // namespace

int PictureIndexAt(int index, int pictureSize, int screenSize) {
  return int((2 * int64_t(index) + 1) * pictureSize / (2 * int64_t(screenSize)));
}

void StretchBitmap(const Bitmap& bitmap, QSize screen, const QRect& area, QImage& out) {
  if (out.size() != area.size() || out.format() != QImage::Format_RGB32)
    out = QImage(area.size(), QImage::Format_RGB32);
  if (out.isNull()) return;
  StretchBitmap(bitmap, screen, area, out.bits(), size_t(out.bytesPerLine()));
}

void StretchBitmap(const Bitmap& bitmap, QSize screen, const QRect& area, uchar* first,
                   size_t bytesPerLine) {
  const auto lineAt = [&](int y) {
    return reinterpret_cast<uint32_t*>(first + size_t(y) * bytesPerLine);
  };
  const int width = bitmap.Width(), height = bitmap.Height();
  if (!bitmap.HasData() || width <= 0 || height <= 0) {
    for (int y = 0; y < area.height(); ++y) std::fill_n(lineAt(y), area.width(), kOpaque);
    return;
  }
  const int outWidth = area.width();
  const size_t rowBytes = size_t(outWidth) * sizeof(uint32_t);
  // Whole rows of a whole multiple repeat each pixel; anything else looks
  // each column up.
  const int repeat = area.left() == 0 && outWidth == screen.width() && outWidth % width == 0
                         ? outWidth / width
                         : 0;
  std::vector<int> columns;
  if (repeat == 0) {
    columns.resize(size_t(outWidth));
    for (int x = 0; x < outWidth; ++x)
      columns[size_t(x)] = PictureIndexAt(area.left() + x, width, screen.width());
  }
  std::vector<uint32_t> row(repeat > 0 ? 0 : static_cast<size_t>(width));
  int previous = -1;
  for (int y = 0; y < area.height(); ++y) {
    uint32_t* line = lineAt(y);
    const int pictureY = PictureIndexAt(area.top() + y, height, screen.height());
    if (pictureY == previous) {
      std::memcpy(line, lineAt(y - 1), rowBytes);
      continue;
    }
    previous = pictureY;
    if (repeat > 0) {
      ConvertRow(bitmap, pictureY, repeat, line);
    } else {
      ConvertRow(bitmap, pictureY, 1, row.data());
      for (int x = 0; x < outWidth; ++x) line[x] = row[size_t(columns[size_t(x)])];
    }
  }
}

Bitmap BitmapOfPackedDib(const std::vector<uint8_t>& header, const std::vector<uint8_t>& bits) {
  BitmapInfoHeader info;
  if (header.size() < sizeof info) return Bitmap::Create(0, 0, 24);
  std::memcpy(&info, header.data(), sizeof info);
  const int width = info.biWidth;
  const int64_t height = std::llabs(int64_t(info.biHeight));
  if (width <= 0 || height <= 0 || height > INT32_MAX || info.biCompression != 0 ||
      !Bitmap::IsSupportedDepth(info.biBitCount))
    return Bitmap::Create(0, 0, 24);
  Bitmap bitmap = Bitmap::Create(width, int(height), info.biBitCount);
  const size_t stride = bitmap.Stride();
  if (!bitmap.HasData() || bits.size() < stride * size_t(height)) return Bitmap::Create(0, 0, 24);
  if (info.biBitCount <= 8) {
    const size_t colours = imaging::PackedColoursUsed(info);
    const size_t room = (header.size() - sizeof info) / sizeof(RgbQuad);
    std::vector<RgbQuad> palette(std::min(colours, room));
    std::memcpy(palette.data(), header.data() + sizeof info, palette.size() * sizeof(RgbQuad));
    bitmap.SetPalette(std::move(palette));
  }
  uint8_t* out = bitmap.MutableBits();
  if (info.biHeight > 0) {
    std::memcpy(out, bits.data(), stride * size_t(height));
  } else {
    // Top-down: the first row of the bits is the top row, the last in the
    // bitmap's bottom-up order.
    for (int64_t y = 0; y < height; ++y)
      std::memcpy(out + size_t(height - 1 - y) * stride, bits.data() + size_t(y) * stride, stride);
  }
  return bitmap;
}

}  // namespace q9::preview
