#include "platform/signlib/bulb_layout.h"

#include <array>
#include <limits>

#include "platform/signlib/sign_types.h"

namespace q9::platform {
namespace {

constexpr uint64_t kU32Max = std::numeric_limits<uint32_t>::max();

uint64_t SaturatingMul(uint64_t a, uint64_t b) {
  if (a != 0 && b > kU32Max / a) return kU32Max;
  return a * b > kU32Max ? kU32Max : a * b;
}

// How a bulb's value splits into channels, by colour type: mono and quad
// bulbs are one level of all their bits; colour bulbs have two (red, green) or
// three (red, green, blue) fields of equal width, lowest field red.
struct TypeChannels {
  BulbKind kind;
  unsigned fields;
  unsigned width;
};

constexpr std::array<TypeChannels, kColorTypeCount> kChannels = {{
    {BulbKind::Mono, 1, 1},    // Mono1
    {BulbKind::Quad, 1, 1},    // Quad16
    {BulbKind::Colour, 2, 1},  // Tri3
    {BulbKind::Quad, 1, 2},    // Quad256
    {BulbKind::Mono, 1, 2},    // Mono4
    {BulbKind::Quad, 1, 4},    // Quad64K
    {BulbKind::Mono, 1, 4},    // Mono16
    {BulbKind::Colour, 2, 4},  // Tri256
    {BulbKind::Quad, 1, 6},    // Quad16M
    {BulbKind::Colour, 3, 2},  // RGB64
    {BulbKind::Colour, 3, 4},  // RGB4K
    {BulbKind::Colour, 3, 8},  // RGB16M
    {BulbKind::Mono, 1, 6},    // Mono64
    {BulbKind::Colour, 3, 5},  // RGB32KB, packed 5-5-5
    {BulbKind::Colour, 3, 8},  // RGB16MB, packed bytes
}};

uint8_t& QuadChannel(BulbPixel& pixel, unsigned row, unsigned column) {
  switch (QuadPlaceOf(row, column)) {
    case QuadPlace::Red:
      return pixel.red;
    case QuadPlace::Green:
      return pixel.green;
    case QuadPlace::Blue:
      return pixel.blue;
    case QuadPlace::Extra:
      break;
  }
  return pixel.extra;
}

BulbPixel PixelFromValue(uint32_t colorType, unsigned row, unsigned column, uint32_t v) {
  BulbPixel pixel;
  const TypeChannels& c = kChannels[colorType];
  if (c.kind == BulbKind::Mono) {
    pixel.red = uint8_t(v);
  } else if (c.kind == BulbKind::Quad) {
    QuadChannel(pixel, row, column) = uint8_t(v);
  } else {
    const uint32_t mask = (1u << c.width) - 1;
    pixel.red = uint8_t(v & mask);
    pixel.green = uint8_t(v >> c.width & mask);
    if (c.fields == 3) pixel.blue = uint8_t(v >> 2 * c.width & mask);
  }
  return pixel;
}

uint32_t ValueFromPixel(uint32_t colorType, unsigned row, unsigned column, BulbPixel pixel) {
  const TypeChannels& c = kChannels[colorType];
  if (c.kind == BulbKind::Mono) return pixel.red;
  if (c.kind == BulbKind::Quad) return QuadChannel(pixel, row, column);
  const uint32_t mask = (1u << c.width) - 1;
  uint32_t v = (pixel.red & mask) | (pixel.green & mask) << c.width;
  if (c.fields == 3) v |= (pixel.blue & mask) << 2 * c.width;
  return v;
}

bool Addressable(const BulbLayout& layout, unsigned row, unsigned column) {
  return row < layout.rows && column < layout.columns && layout.colorType < kColorTypeCount;
}

}  // namespace

BulbKind BulbKindOf(uint32_t colorType) {
  return colorType < kColorTypeCount ? kChannels[colorType].kind : BulbKind::None;
}

unsigned BulbLevelMax(uint32_t colorType) {
  return colorType < kColorTypeCount ? (1u << kChannels[colorType].width) - 1 : 0;
}

bool IsValidBulbGeometry(uint64_t rows, uint64_t columns, uint32_t colorType) {
  return rows >= 1 && columns >= 1 && rows <= kMaxBulbCount && columns <= kMaxBulbCount &&
         rows * columns <= kMaxBulbCount && colorType < kColorTypeCount;
}

BulbLayout MakeBulbLayout(unsigned rows, unsigned columns, uint32_t colorType) {
  BulbLayout layout;
  layout.bitsPerBulb = BitsPerBulb(colorType);
  const uint64_t evenRows = uint64_t(rows) + (rows & 1);
  const uint64_t rowSize = (uint64_t(columns) + 15) / 16 * 2;
  layout.rowSize = uint32_t(rowSize);
  layout.planeSize = uint32_t(SaturatingMul(evenRows, rowSize));
  layout.rows = rows;
  layout.columns = columns;
  layout.quad = IsQuadType(colorType) ? 1 : 0;
  if (IsPackedType(colorType)) {
    const uint64_t nibbleBits = (layout.bitsPerBulb + 3) / 4 * 4;
    const uint64_t paddedRow = (nibbleBits * columns + 31) / 32 * 4;
    layout.totalSize = uint32_t(SaturatingMul(paddedRow, rows));
  } else {
    layout.totalSize = uint32_t(SaturatingMul(layout.planeSize, layout.bitsPerBulb));
  }
  layout.colorType = colorType;
  return layout;
}

int GetBulbPixel(const BulbLayout& layout, unsigned row, unsigned column, const uint8_t* data,
                 BulbPixel& out) {
  out = BulbPixel{};
  if (!Addressable(layout, row, column)) return 1;
  if (layout.colorType == Q9_RGB32KB) {
    const uint8_t* p = data + (size_t(row) * layout.columns + column) * 2;
    const unsigned word = unsigned(p[0]) | unsigned(p[1]) << 8;
    out.blue = uint8_t(word & 31);
    out.green = uint8_t(word >> 5 & 31);
    out.red = uint8_t(word >> 10 & 31);
    return 0;
  }
  if (layout.colorType == Q9_RGB16MB) {
    const uint8_t* p = data + (size_t(row) * layout.columns + column) * 3;
    out.blue = p[0];
    out.green = p[1];
    out.red = p[2];
    return 0;
  }
  const size_t byteIndex = size_t(row) * layout.rowSize + column / 8;
  const unsigned bit = 0x80u >> (column % 8);
  uint32_t v = 0;
  for (uint32_t plane = 0; plane < layout.bitsPerBulb; ++plane) {
    if (data[size_t(plane) * layout.planeSize + byteIndex] & bit) v |= uint32_t(1) << plane;
  }
  out = PixelFromValue(layout.colorType, row, column, v);
  return 0;
}

int SetBulbPixel(const BulbLayout& layout, unsigned row, unsigned column, uint8_t* buffer,
                 const BulbPixel& pixel) {
  if (!Addressable(layout, row, column)) return 1;
  if (layout.colorType == Q9_RGB32KB) {
    uint8_t* p = buffer + (size_t(row) * layout.columns + column) * 2;
    const unsigned word = (pixel.red & 31u) << 10 | (pixel.green & 31u) << 5 | (pixel.blue & 31u);
    p[0] = uint8_t(word);
    p[1] = uint8_t(word >> 8);  // bit 15 stays 0
    return 0;
  }
  if (layout.colorType == Q9_RGB16MB) {
    uint8_t* p = buffer + (size_t(row) * layout.columns + column) * 3;
    p[0] = pixel.blue;
    p[1] = pixel.green;
    p[2] = pixel.red;
    return 0;
  }
  const uint32_t v = ValueFromPixel(layout.colorType, row, column, pixel);
  const size_t byteIndex = size_t(row) * layout.rowSize + column / 8;
  const uint8_t bit = uint8_t(0x80u >> (column % 8));
  for (uint32_t plane = 0; plane < layout.bitsPerBulb; ++plane) {
    uint8_t& b = buffer[size_t(plane) * layout.planeSize + byteIndex];
    b = (v >> plane & 1) ? uint8_t(b | bit) : uint8_t(b & ~bit);
  }
  return 0;
}

}  // namespace q9::platform
