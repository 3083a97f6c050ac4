#pragma once
// Uncompressed 24-bit BMP files, the kind scanners and paint programs write,
// copied row by row into a Bitmap. Such a file is already the picture's
// bytes: a 100-megapixel one takes its file and its Bitmap in memory, where
// ImageMagick would first hold it at 8 bytes a pixel. The pixels are those
// ImageMagick gives for the same file. Other BMP files (palettes, 16 and 32
// bits, run-length or bit-field coding) are left to ImageMagick.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/base/result.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform {

class PlainBmpDecoder {
 public:
  // Nothing when the data is not a plain 24-bit BMP. Otherwise the picture,
  // or a failure: larger than kPictureLimit, data cut short ("truncated"),
  // no memory.
  static std::optional<Result<Bitmap>> Decode(std::span<const uint8_t> data);
};

}  // namespace q9::platform
