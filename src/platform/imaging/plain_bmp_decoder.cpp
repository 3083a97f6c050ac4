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
  if (!r.Ok() || magic != 0x4D42 || !KnownHeaderSize(headerSize) || planes != 1 || bits != 24 ||
      compression != 0 || width <= 0 || height == 0 || height == INT32_MIN ||
      offset < kFileHeaderSize + headerSize)
    return std::nullopt;
  const uint64_t rows = uint64_t(height < 0 ? -int64_t(height) : height);
  if (!detail::WithinPictureLimit(uint64_t(width), rows))
    return Result<Bitmap>(detail::TooLarge("BMP", uint64_t(width), rows));
  const uint64_t stride = (uint64_t(width) * 3 + 3) / 4 * 4;
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
  const size_t rowBytes = size_t(width) * 3;
  for (uint64_t i = 0; i < rows; ++i) {
    const int y = height > 0 ? int(rows - 1 - i) : int(i);
    std::memcpy(picture.MutableRow(y), bitsStart + i * stride, rowBytes);
  }
  return Result<Bitmap>(std::move(picture));
}

}  // namespace q9::platform
