#pragma once
// Bulb data of one sign geometry and colour type turned into bulb data of
// another: old-sequence frames onto the destination sign, and their preview.

#include <cstdint>

#include "imaging/bulb_rect.h"

namespace q9::imaging {

enum ConvertBulbResult : int {
  kConvertBulbOk = 0,
  kConvertBulbBadArgument = 1,  // null buffer, bad geometry, rectangle outside its buffer
  kConvertBulbOutOfMemory = 2,  // a scratch or intermediate buffer could not be made
  kConvertBulbColorFailed = 3,  // the bulb converter refused the colour-type change
};

// Converts the bulbs of srcRect of the source (srcColumns x srcRows bulbs of
// srcColorType) into dstRect of the destination buffer, which must already
// have the destination's full bulb data size and is written in place. A
// different colour type goes through the bulb converter's picture with zero
// offsets; a different size is sampled nearest-neighbour (see ScaleBulbRect
// for quadFlag). Returns 0, or a non-zero code with the destination unchanged.
int ConvertBulbData(unsigned srcColumns, unsigned srcRows, const BulbRect& srcRect,
                    const uint8_t* srcData, uint32_t srcColorType, unsigned dstColumns,
                    unsigned dstRows, const BulbRect& dstRect, uint8_t* dstBuffer,
                    uint32_t dstColorType, bool quadFlag);

}  // namespace q9::imaging
