#include "imaging/convert_bulb_data.h"

#include <algorithm>
#include <memory>
#include <new>

#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/packed_dib.h"

namespace q9::imaging {

using platform::BulbLayout;
using platform::MakeBulbLayout;

namespace {

using Buffer = std::unique_ptr<uint8_t[]>;

// A zeroed block, or null when memory runs out.
Buffer AllocZeroed(size_t size) {
  return Buffer(new (std::nothrow) uint8_t[size]());
}

bool RectInside(const BulbRect& rect, unsigned columns, unsigned rows) {
  return rect.left >= 0 && rect.top >= 0 && rect.left <= rect.right && rect.top <= rect.bottom &&
         unsigned(rect.right) <= columns && unsigned(rect.bottom) <= rows;
}

// Same colour type on both sides: a straight copy when the rectangles have the
// same size, otherwise scaled through a scratch of the source's type.
int ConvertSameType(const BulbLayout& srcLayout, const BulbRect& srcRect, const uint8_t* srcData,
                    const BulbLayout& dstLayout, const BulbRect& dstRect, uint8_t* dstBuffer,
                    bool quadFlag) {
  if (srcRect.Width() == dstRect.Width() && srcRect.Height() == dstRect.Height()) {
    return CopyBulbRect(srcLayout, dstLayout, dstRect, dstBuffer, srcData, srcRect.left,
                        srcRect.top) == 0
               ? kConvertBulbOk
               : kConvertBulbBadArgument;
  }
  // Wide enough for either side, in whole 16-bulb words.
  const uint64_t scratchColumns =
      (uint64_t(std::max(srcLayout.columns, dstLayout.columns)) + 15) / 16 * 16;
  const uint64_t scratchRows = std::max(srcLayout.rows, dstLayout.rows);
  if (!platform::IsValidBulbGeometry(scratchRows, scratchColumns, srcLayout.colorType)) {
    return kConvertBulbBadArgument;
  }
  const BulbLayout scratchLayout =
      MakeBulbLayout(unsigned(scratchRows), unsigned(scratchColumns), srcLayout.colorType);
  Buffer scratch = AllocZeroed(scratchLayout.totalSize);
  if (!scratch) return kConvertBulbOutOfMemory;
  ScaleBulbRect(srcData, srcRect, srcLayout, scratch.get(), dstRect, scratchLayout, quadFlag);
  return CopyBulbRect(scratchLayout, dstLayout, dstRect, dstBuffer, scratch.get(), 0, 0) == 0
             ? kConvertBulbOk
             : kConvertBulbBadArgument;
}

}  // namespace

int ConvertBulbData(unsigned srcColumns, unsigned srcRows, const BulbRect& srcRect,
                    const uint8_t* srcData, uint32_t srcColorType, unsigned dstColumns,
                    unsigned dstRows, const BulbRect& dstRect, uint8_t* dstBuffer,
                    uint32_t dstColorType, bool quadFlag) {
  if (srcData == nullptr || dstBuffer == nullptr ||
      !platform::IsValidBulbGeometry(srcRows, srcColumns, srcColorType) ||
      !platform::IsValidBulbGeometry(dstRows, dstColumns, dstColorType) ||
      !RectInside(srcRect, srcColumns, srcRows) || !RectInside(dstRect, dstColumns, dstRows)) {
    return kConvertBulbBadArgument;
  }
  const BulbLayout srcLayout = MakeBulbLayout(srcRows, srcColumns, srcColorType);
  const BulbLayout dstLayout = MakeBulbLayout(dstRows, dstColumns, dstColorType);
  if (srcColorType == dstColorType) {
    return ConvertSameType(srcLayout, srcRect, srcData, dstLayout, dstRect, dstBuffer, quadFlag);
  }

  // A different colour type: draw the source bulbs as a picture and read the
  // picture back as bulbs of the destination type, still at the source's size.
  const BulbLayout midLayout = MakeBulbLayout(srcRows, srcColumns, dstColorType);
  Buffer mid = AllocZeroed(midLayout.totalSize);
  if (!mid) return kConvertBulbOutOfMemory;
  {
    uint32_t pictureSize = 0;
    uint32_t option = 0;
    if (platform::CalcBulbDIBSize(srcRows, srcColumns, srcColorType, &pictureSize, &option) != 0) {
      return kConvertBulbColorFailed;
    }
    Buffer header = AllocZeroed(platform::kDibHeaderBlockSize);
    Buffer bits = AllocZeroed(pictureSize);
    if (!header || !bits) return kConvertBulbOutOfMemory;
    if (platform::Bulb2DIB(srcData, srcLayout.totalSize, srcRows, srcColumns, srcColorType,
                           header.get(), bits.get(), pictureSize, option) != 0 ||
        platform::ConvDIB2BulbEnh(header.get(), bits.get(), pictureSize, 0, 0, mid.get(),
                                  midLayout.totalSize, srcRows, srcColumns, dstColorType, 0, 0, 0,
                                  0) != 0) {
      return kConvertBulbColorFailed;
    }
  }
  return ConvertSameType(midLayout, srcRect, mid.get(), dstLayout, dstRect, dstBuffer, quadFlag);
}

}  // namespace q9::imaging
