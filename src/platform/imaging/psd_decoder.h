#pragma once
// Photoshop documents (RGB and grey, 8 and 16 bits a channel) read from the
// flattened picture every such file carries after its layers, plain or
// PackBits-coded, channel by channel straight into a 24-bit Bitmap: a
// 100-megapixel document takes its file and its Bitmap in memory, where
// ImageMagick would first hold it at 8 bytes a pixel. The pixels are those
// ImageMagick gives for the same file.
//
// Left to ImageMagick: large documents (PSB), other colour modes (indexed,
// CMYK, Lab, bitmap, duotone), 1- and 32-bit channels, documents whose
// flattened picture has transparency (a negative layer count) or is missing,
// and ZIP-coded pictures.

#include <cstdint>
#include <optional>
#include <span>

#include "platform/base/result.h"
#include "platform/imaging/bitmap.h"

namespace q9::platform {

class PsdDecoder {
 public:
  // Nothing when the data is not a document of the kinds above. Otherwise
  // the picture, or a failure: larger than kPictureLimit, data that ends
  // before the picture does ("truncated"), PackBits rows that do not add up
  // ("damaged"), no memory.
  static std::optional<Result<Bitmap>> Decode(std::span<const uint8_t> data);
};

}  // namespace q9::platform
