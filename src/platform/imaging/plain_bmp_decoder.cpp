#include "platform/imaging/plain_bmp_decoder.h"

#include <cerrno>
#include <climits>
#include <cstring>
#include <string>

#include "platform/imaging/imaging_internal.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

constexpr size_t kFileHeaderSize = 14;

// The information headers of Windows 3 and later; OS/2 headers are left to
// ImageMagick.
bool KnownHeaderSize(uint32_t size) {
  return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

}  // namespace

std::optional<Result<Bitmap>> PlainBmpDecoder::Decode(std::span<const uint8_t> data) {
  ByteReader r(data);
  const uint16_t magic = r.U16();
  r.Skip(8);
  const uint32_t offset = r.U32();
  const uint32_t headerSize = r.U32();
  const int32_t width = int32_t(r.U32());
  const int32_t height = int32_t(r.U32());
  const uint16_t planes = r.U16();
  const uint16_t bits = r.U16();
  const uint32_t compression = r.U32();
  r.Skip(12);
  const uint32_t coloursUsed = r.U32();
  const bool kindHandled = bits == 24 || bits == 8 || (bits == 32 && headerSize == 40);
  if (!r.Ok() || magic != 0x4D42 || !KnownHeaderSize(headerSize) || planes != 1 || !kindHandled ||
      compression != 0 || width <= 0 || height == 0 || height == INT32_MIN ||
      offset < kFileHeaderSize + headerSize)
    return std::nullopt;
  // An 8-bit file's palette follows the header: four bytes (blue, green,
  // red, unused) for each colour it uses, 256 when it does not say.
  const uint64_t colours = bits == 8 ? (coloursUsed == 0 ? 256 : coloursUsed) : 0;
  const uint64_t paletteAt = kFileHeaderSize + headerSize;
  if (colours > 256 || paletteAt + 4 * colours > offset) return std::nullopt;
  const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
  if (!detail::WithinPictureLimit(uint64_t(width), rows))
    return Result<Bitmap>(detail::TooLarge("BMP", uint64_t(width), rows));
  const uint64_t stride = (uint64_t(width) * bits / 8 + 3) / 4 * 4;
  const uint64_t needs = uint64_t(offset) + stride * rows;
  if (needs > data.size()) {
    return Result<Bitmap>(Failure{"truncated: the BMP file has " + std::to_string(data.size()) +
                                  " bytes; its picture needs " + std::to_string(needs)});
  }
  Bitmap picture = Bitmap::Create(width, int(rows), 24);
  if (!picture.HasData())
    return Result<Bitmap>(Failure{"not enough memory for the picture", ENOMEM});
  // Rows bottom-up as in the Bitmap, or top-down when the height is
  // negative; the padding stays zero.
  const uint8_t* bitsStart = data.data() + offset;
  const uint8_t* palette = data.data() + paletteAt;
  const size_t pixels = size_t(width);
  // A 32-bit file has alpha only when some fourth byte is not 0.
  bool alpha = false;
  for (uint64_t i = 0; bits == 32 && i < rows && !alpha; ++i)
    for (size_t x = 0; x < pixels && !alpha; ++x) alpha = bitsStart[i * stride + 4 * x + 3] != 0;
  for (uint64_t i = 0; i < rows; ++i) {
    const uint8_t* in = bitsStart + i * stride;
    uint8_t* out = picture.MutableRow(height > 0 ? int(rows - 1 - i) : int(i));
    if (bits == 24) {
      std::memcpy(out, in, pixels * 3);
    } else if (bits == 8) {
      for (size_t x = 0; x < pixels; ++x) {
        if (in[x] >= colours) {
          return Result<Bitmap>(Failure{"damaged: a BMP pixel names colour " +
                                        std::to_string(in[x]) + " of a palette of " +
                                        std::to_string(colours)});
        }
        std::memcpy(out + 3 * x, palette + 4 * size_t(in[x]), 3);
      }
    } else {
      for (size_t x = 0; x < pixels; ++x) {
        const unsigned a = alpha ? in[4 * x + 3] : 255;
        for (size_t c = 0; c < 3; ++c) out[3 * x + c] = detail::LaidOnWhite(in[4 * x + c], a);
      }
    }
  }
  return Result<Bitmap>(std::move(picture));
}

}  // namespace q9::platform
