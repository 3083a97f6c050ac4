#include "imaging/bulb_rect.h"

#include <algorithm>

#include "platform/signlib/sign_types.h"

namespace q9::imaging {

using platform::BulbLayout;
using platform::BulbPixel;

namespace {

// True when the rows and columns [row, row + height) x [column, column + width)
// lie inside the layout.
bool Inside(const BulbLayout& layout, int64_t column, int64_t row, int64_t width, int64_t height) {
  return column >= 0 && row >= 0 && width >= 0 && height >= 0 &&
         column + width <= int64_t(layout.columns) && row + height <= int64_t(layout.rows);
}

// Eight bits of a most-significant-bit-first bit row starting at bit pos; bits
// past the row's last byte read as 0.
uint8_t FetchBits(const uint8_t* row, size_t rowBytes, size_t pos) {
  const size_t index = pos >> 3;
  const unsigned window = unsigned(row[index]) << 8 | (index + 1 < rowBytes ? row[index + 1] : 0u);
  return uint8_t(window << (pos & 7) >> 8);
}

// Copies width bits from bit srcPos of one bit row to bit dstPos of another,
// a destination byte at a time.
void CopyBitRow(const uint8_t* src, size_t srcBytes, size_t srcPos, uint8_t* dst, size_t dstPos,
                size_t width) {
  while (width > 0) {
    const unsigned offset = unsigned(dstPos & 7);
    const unsigned count = unsigned(std::min<size_t>(8 - offset, width));
    const unsigned mask = (0xFFu >> offset) & ~(0xFFu >> (offset + count)) & 0xFFu;
    const unsigned bits = unsigned(FetchBits(src, srcBytes, srcPos)) >> offset;
    uint8_t& out = dst[dstPos >> 3];
    out = uint8_t((out & ~mask) | (bits & mask));
    srcPos += count;
    dstPos += count;
    width -= count;
  }
}

BulbPixel ReadBulb(const BulbLayout& layout, const uint8_t* data, int64_t row, int64_t column) {
  BulbPixel pixel;
  if (row >= 0 && column >= 0 && row < int64_t(layout.rows) && column < int64_t(layout.columns)) {
    platform::GetBulbPixel(layout, unsigned(row), unsigned(column), data, pixel);
  }
  return pixel;
}

void WriteBulb(const BulbLayout& layout, uint8_t* buffer, int64_t row, int64_t column,
               const BulbPixel& pixel) {
  if (row >= 0 && column >= 0 && row < int64_t(layout.rows) && column < int64_t(layout.columns)) {
    platform::SetBulbPixel(layout, unsigned(row), unsigned(column), buffer, pixel);
  }
}

// A quad bulb holds its level in the channel of its place; give every channel
// that level so that it lands whole on a bulb of any place.
BulbPixel SpreadQuadLevel(const BulbPixel& pixel) {
  uint8_t level = pixel.extra;
  if (pixel.red != 0) {
    level = pixel.red;
  } else if (pixel.blue != 0) {
    level = pixel.blue;
  } else if (pixel.green != 0) {
    level = pixel.green;
  }
  return {level, level, level, level};
}

}  // namespace

int CopyBulbRect(const BulbLayout& srcLayout, const BulbLayout& dstLayout, const BulbRect& dstRect,
                 uint8_t* dstBuffer, const uint8_t* srcData, int srcColumn, int srcRow) {
  const int64_t width = int64_t(dstRect.right) - dstRect.left;
  const int64_t height = int64_t(dstRect.bottom) - dstRect.top;
  if (srcLayout.colorType != dstLayout.colorType ||
      srcLayout.bitsPerBulb != dstLayout.bitsPerBulb ||
      !Inside(srcLayout, srcColumn, srcRow, width, height) ||
      !Inside(dstLayout, dstRect.left, dstRect.top, width, height)) {
    return 1;
  }
  if (platform::IsPackedType(srcLayout.colorType)) {
    for (int64_t y = 0; y < height; ++y) {
      for (int64_t x = 0; x < width; ++x) {
        WriteBulb(dstLayout, dstBuffer, dstRect.top + y, dstRect.left + x,
                  ReadBulb(srcLayout, srcData, srcRow + y, srcColumn + x));
      }
    }
    return 0;
  }
  // Each plane is a one-bit picture; copy it a row of bits at a time.
  for (uint32_t plane = 0; plane < srcLayout.bitsPerBulb; ++plane) {
    const uint8_t* srcPlane = srcData + size_t(plane) * srcLayout.planeSize;
    uint8_t* dstPlane = dstBuffer + size_t(plane) * dstLayout.planeSize;
    for (int64_t y = 0; y < height; ++y) {
      CopyBitRow(srcPlane + size_t(srcRow + y) * srcLayout.rowSize, srcLayout.rowSize,
                 size_t(srcColumn), dstPlane + size_t(dstRect.top + y) * dstLayout.rowSize,
                 size_t(dstRect.left), size_t(width));
    }
  }
  return 0;
}

void ScaleBulbRect(const uint8_t* srcData, const BulbRect& srcRect, const BulbLayout& srcLayout,
                   uint8_t* dstBuffer, const BulbRect& dstRect, const BulbLayout& dstLayout,
                   bool quadFlag) {
  const int64_t sw = int64_t(srcRect.right) - srcRect.left;
  const int64_t sh = int64_t(srcRect.bottom) - srcRect.top;
  int64_t dw = int64_t(dstRect.right) - dstRect.left;
  int64_t dh = int64_t(dstRect.bottom) - dstRect.top;
  if (dw == 0) dw = 1;
  if (dh == 0) dh = 1;
  const int64_t step = quadFlag ? 2 : 1;
  // With the quad flag the bounds are made even, so that whole quads are
  // visited; dw and dh keep the unrounded sizes.
  const int64_t evenMask = quadFlag ? ~int64_t(1) : ~int64_t(0);
  const int64_t top = dstRect.top & evenMask;
  const int64_t bottom = dstRect.bottom & evenMask;
  const int64_t left = dstRect.left & evenMask;
  const int64_t right = dstRect.right & evenMask;
  const bool spread = !quadFlag && srcLayout.quad != 0;

  // The loop runs one row and one column past the rectangle's size. Rows and
  // columns at or past the destination's own size would only be dropped, so
  // the loop stops there as well.
  for (int64_t k = 0; top + k <= bottom && k < int64_t(dstLayout.rows); k += step) {
    const int64_t srcRowBase = (srcRect.top + (k * sh) / dh) & evenMask;
    for (int64_t j = 0; left + j <= right && j < int64_t(dstLayout.columns); j += step) {
      const int64_t row = srcRowBase;
      const int64_t column = (srcRect.left + (j * sw) / dw) & evenMask;
      BulbPixel pixel = ReadBulb(srcLayout, srcData, row, column);
      if (spread) pixel = SpreadQuadLevel(pixel);
      WriteBulb(dstLayout, dstBuffer, k, j, pixel);
      if (quadFlag) {
        WriteBulb(dstLayout, dstBuffer, k + 1, j, ReadBulb(srcLayout, srcData, row + 1, column));
        WriteBulb(dstLayout, dstBuffer, k, j + 1, ReadBulb(srcLayout, srcData, row, column + 1));
        WriteBulb(dstLayout, dstBuffer, k + 1, j + 1,
                  ReadBulb(srcLayout, srcData, row + 1, column + 1));
      }
    }
  }
}

}  // namespace q9::imaging
