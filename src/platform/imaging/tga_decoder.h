#pragma once
// Truevision TGA pictures (true colour at 15, 16, 24 and 32 bits, 8-bit grey
// and 8-bit colour-mapped, plain or run-length coded) decoded straight into a
// 24-bit Bitmap: a 100-megapixel picture takes its file and its Bitmap in
// memory, where ImageMagick would first hold it at 8 bytes a pixel.
//
// The colours are those ImageMagick gives for the same file (its 5-bit
// scaling, its reading of the alpha bits, transparent parts laid on white),
// but the rows and columns are put the way the file's origin bits say: a
// TGA file stored from the bottom row up (most of them) shows the right way
// up, where ImageMagick hands its rows over in file order. Interleaved
// files, 1-bit and 16-bit colour-mapped ones are left to ImageMagick.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/base/result.h"
#include "platform/imaging/bitmap.h"

namespace q9::platform {

class TgaDecoder {
 public:
  // Nothing when the data is not a TGA picture of the kinds above.
  // Otherwise the picture, or a failure: larger than kPictureLimit, data
  // that ends before the last pixel ("truncated"), a colour index past the
  // colour map ("damaged"), no memory.
  static std::optional<Result<Bitmap>> Decode(std::span<const uint8_t> data);
};

}  // namespace q9::platform
