#pragma once
// Copying and nearest-neighbour scaling of rectangles of bulbs between bulb
// data buffers of the same colour type.

#include <cstdint>

#include "platform/signlib/bulb_layout.h"

namespace q9::imaging {

// A rectangle of bulbs: columns left..right - 1, rows top..bottom - 1.
struct BulbRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  friend bool operator==(const BulbRect&, const BulbRect&) = default;
};

// Copies the bulbs of dstRect's size from (srcRow, srcColumn) of the source to
// dstRect's top-left corner in the destination. Both layouts must have the
// same colour type. Returns 0; 1, copying nothing, when the types differ, the
// rectangle is inverted or either side reaches outside its layout.
int CopyBulbRect(const platform::BulbLayout& srcLayout, const platform::BulbLayout& dstLayout,
                 const BulbRect& dstRect, uint8_t* dstBuffer, const uint8_t* srcData, int srcColumn,
                 int srcRow);

// Nearest-neighbour scaling of the bulbs of srcRect onto a dstRect-sized area
// that starts at the destination's origin (not at dstRect's corner). With
// quadFlag whole 2 x 2 quads are sampled and written, so red, green, blue and
// extra places keep their colours; without it a bulb of a quad source spreads
// its level to all channels first, so that it keeps its level wherever it
// lands. The loop visits one row and one column past dstRect's size; writes
// outside the destination are dropped. Both layouts must have the same colour
// type.
void ScaleBulbRect(const uint8_t* srcData, const BulbRect& srcRect,
                   const platform::BulbLayout& srcLayout, uint8_t* dstBuffer,
                   const BulbRect& dstRect, const platform::BulbLayout& dstLayout, bool quadFlag);

}  // namespace q9::imaging
