#pragma once
// Where each bulb of a bulb data buffer lives, and its value as four bytes.
//
// Plane types keep one bit plane per bit of the bulb value, plane i holding
// bit i; within a plane the bulb at (row y, column x) is bit 0x80 >> (x % 8)
// of byte y * rowSize + x / 8. The packed types RGB32KB and RGB16MB keep 2 or
// 3 bytes per bulb, and the whole system addresses them with UNPADDED rows
// (row y starts at y * columns * bytesPerBulb) inside a buffer of the padded
// size that BulbDataSize gives. The bulb converter, the scaler and the preview
// all go through these functions, so they agree also for odd column counts.

#include <cstdint>

namespace q9::platform {

// The descriptor of one bulb data buffer: eight unsigned 32-bit values, in
// this order.
struct BulbLayout {
  uint32_t bitsPerBulb = 0;  // from the colour type table; 1 above type 15
  uint32_t planeSize = 0;    // bytes of one bit plane (an even number of rows)
  uint32_t rowSize = 0;      // bytes of one plane row (whole 16-bit words)
  uint32_t rows = 0;
  uint32_t columns = 0;
  uint32_t quad = 0;       // 1 for the quad types
  uint32_t totalSize = 0;  // bytes of the whole buffer
  uint32_t colorType = 0;
  friend bool operator==(const BulbLayout&, const BulbLayout&) = default;
};
static_assert(sizeof(BulbLayout) == 32);

// The value of one bulb, in the byte order of a colour table entry. Mono types
// use red; quad types use the channel of the bulb's place in its 2 x 2 quad
// (extra is the fourth, white, bulb); colour types use red, green and blue.
struct BulbPixel {
  uint8_t blue = 0;
  uint8_t green = 0;
  uint8_t red = 0;
  uint8_t extra = 0;
  friend bool operator==(const BulbPixel&, const BulbPixel&) = default;
};
static_assert(sizeof(BulbPixel) == 4);

// What a bulb of a colour type stands for: one grey level (mono), one level
// of the channel of its place in a 2 x 2 quad (quad), or a level per colour
// channel (colour). None for types without bulb values (15 and above).
enum class BulbKind { None, Mono, Quad, Colour };
BulbKind BulbKindOf(uint32_t colorType);

// The highest level one channel of a bulb holds: 1, 3, 15, 63 for Mono1 to
// Mono64 and Quad16 to Quad16M, 1 Tri3, 15 Tri256, 3 RGB64, 15 RGB4K,
// 255 RGB16M, 31 RGB32KB, 255 RGB16MB; 0 for types without bulb values.
unsigned BulbLevelMax(uint32_t colorType);

// The largest number of bulbs (rows x columns) the bulb code accepts. It keeps
// every size, also the 24-bit preview picture, well inside 32 bits, and far
// above any real sign (4096 x 4096).
constexpr uint64_t kMaxBulbCount = uint64_t(1) << 24;

// True when rows and columns are both at least 1, their product is at most
// kMaxBulbCount and the colour type is one of the 15 named types.
bool IsValidBulbGeometry(uint64_t rows, uint64_t columns, uint32_t colorType);

// The layout of a buffer of that geometry. Sizes are computed for any input
// and saturate at 0xFFFFFFFF; check IsValidBulbGeometry before allocating.
BulbLayout MakeBulbLayout(unsigned rows, unsigned columns, uint32_t colorType);

// Which channel a quad bulb stands for, by its place in the 2 x 2 quad.
enum class QuadPlace { Red, Green, Blue, Extra };
constexpr QuadPlace QuadPlaceOf(unsigned row, unsigned column) {
  if (column % 2 == 0) return row % 2 == 0 ? QuadPlace::Red : QuadPlace::Green;
  return row % 2 == 0 ? QuadPlace::Blue : QuadPlace::Extra;
}

// Reads the bulb at (row, column). 0 on success; 1, with out = {0, 0, 0, 0},
// when the bulb lies outside the layout or the colour type has no bulb values.
// Channels that the colour type does not use read as 0.
int GetBulbPixel(const BulbLayout& layout, unsigned row, unsigned column, const uint8_t* data,
                 BulbPixel& out);

// Writes the bulb at (row, column). 0 on success; 1, writing nothing, outside
// the layout or for a colour type without bulb values. Channels that the
// colour type does not use are ignored; used channels keep only as many low
// bits as the bulb holds for them.
int SetBulbPixel(const BulbLayout& layout, unsigned row, unsigned column, uint8_t* buffer,
                 const BulbPixel& pixel);

}  // namespace q9::platform
