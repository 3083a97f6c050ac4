#pragma once
// Uncompressed BMP files of 24 bits a pixel (the kind scanners and paint
// programs write), 32 bits and 8-bit palettes, read row by row into a
// 24-bit Bitmap: a 100-megapixel one takes its file and its Bitmap in
// memory, where ImageMagick would first hold it at 8 bytes a pixel. The
// pixels are those ImageMagick gives for the same file; like it, a 32-bit
// file whose fourth bytes are not all 0 has them as alpha, and transparent
// parts are laid on white. Other BMP files (1, 4 and 16 bits, run-length or
// bit-field coding, 32 bits with a version 4 or 5 header, OS/2 headers) are
// left to ImageMagick.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/base/result.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform {

class PlainBmpDecoder {
 public:
  // Nothing when the data is not a BMP of the kinds above. Otherwise the
  // picture, or a failure: larger than kPictureLimit, data cut short
  // ("truncated"), a colour index past the palette ("damaged"), no memory.
  static std::optional<Result<Bitmap>> Decode(std::span<const uint8_t> data);
};

}  // namespace q9::platform
