#pragma once
// The packed device-independent bitmap: a 40-byte little-endian header, a
// colour table of 4-byte entries, then the bits as bottom-up rows, each padded
// to 4 bytes. It is the data contract between the imaging layer, the frame
// renderer and the bulb converter.

#include <cstddef>
#include <cstdint>

namespace q9::platform {

#pragma pack(push, 1)
struct BitmapInfoHeader {
  uint32_t biSize = 40;
  int32_t biWidth = 0;
  int32_t biHeight = 0;  // positive: rows bottom-up; negative: top-down
  uint16_t biPlanes = 1;
  uint16_t biBitCount = 0;
  uint32_t biCompression = 0;  // only uncompressed (BI_RGB) bitmaps are used
  uint32_t biSizeImage = 0;
  int32_t biXPelsPerMeter = 0;
  int32_t biYPelsPerMeter = 0;
  uint32_t biClrUsed = 0;
  uint32_t biClrImportant = 0;
};

// One colour table entry: blue, green, red, then a fourth byte.
struct RgbQuad {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t reserved = 0;
  friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};
#pragma pack(pop)

static_assert(sizeof(BitmapInfoHeader) == 40);
static_assert(sizeof(RgbQuad) == 4);

// The block that holds a header and its colour table: 1,068 bytes, room for
// the 40-byte header, a full 256-entry table and four spare bytes.
constexpr size_t kDibHeaderBlockSize = 1068;
static_assert(kDibHeaderBlockSize >= sizeof(BitmapInfoHeader) + 256 * sizeof(RgbQuad));

// Bytes per row of a bitmap of that width and depth, padded to 4 bytes.
constexpr uint64_t DibStride(uint64_t width, unsigned bitsPerPixel) {
  return (width * bitsPerPixel + 31) / 32 * 4;
}

}  // namespace q9::platform
