#pragma once
// JPEG pictures decoded by libjpeg straight into a 24-bit Bitmap, row by
// row: the decoder's own buffers are a few rows, so a 100-megapixel photo
// takes little more than its Bitmap (ImageMagick would first hold it at 8
// bytes a pixel). The pixels are exactly those ImageMagick gives for the same
// file, which decodes with the same library and the same settings. CMYK
// pictures, which ImageMagick converts to RGB its own way, are left to it.

#include <cstdint>
#include <span>

#include "platform/base/result.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform {

class JpegDecoder {
 public:
  // The picture; a warning of the library when it delivered every row but
  // found something damaged on the way (bytes between markers, for one).
  // Failures: not a JPEG or a damaged header (the library's words), a
  // picture larger than kPictureLimit, data that ends or breaks off before
  // the last row ("truncated"), no memory for the picture, and ENOTSUP for
  // CMYK pictures, which this decoder does not convert.
  static Result<LoadedPicture> Decode(std::span<const uint8_t> data);
};

}  // namespace q9::platform
