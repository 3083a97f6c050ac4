#pragma once
// PC Paintbrush pictures of 8 bits a plane (one plane with its 256-colour
// palette after the pixels, or three planes of red, green and blue, or four
// with alpha), plain or run-length coded, decoded row by row straight into a
// 24-bit Bitmap: a 100-megapixel picture takes its file and its Bitmap in
// memory, where ImageMagick would first hold it at 8 bytes a pixel. The
// pixels are those ImageMagick gives for the same file. Pictures of 1, 2 and
// 4 bits a plane (16 colours at most, and small) are left to ImageMagick.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/base/result.h"
#include "platform/imaging/bitmap.h"

namespace q9::platform {

class PcxDecoder {
 public:
  // Nothing when the data is not a PCX picture of the kinds above.
  // Otherwise the picture, or a failure: larger than kPictureLimit, data
  // that ends before the picture does ("truncated"), no memory.
  static std::optional<Result<Bitmap>> Decode(std::span<const uint8_t> data);
};

}  // namespace q9::platform
