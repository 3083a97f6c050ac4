#include "platform/signlib/bulb_converter.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <memory>
#include <new>

#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/byte_io.h"
#include "platform/signlib/packed_dib.h"
#include "platform/signlib/sign_types.h"

// Colour mapping
// ==============
// Each colour type stores per channel a level from 0 to its highest level M:
//   Mono1, Mono4, Mono16, Mono64 and Quad16, Quad256, Quad64K, Quad16M   M = 1, 3, 15, 63
//   Tri3 1, Tri256 15, RGB64 3, RGB4K 15, RGB32KB 31, RGB16M and RGB16MB 255.
//
// Bulbs to picture (Bulb2DIB). A level L shows as the intensity
//   c = round(L * 255 / M) = (L * 255 + M / 2) / M
//   mono bulb         grey (c, c, c)
//   quad bulb         the colour of its place in the 2 x 2 quad: red (c, 0, 0),
//                     green (0, c, 0), blue (0, 0, c), extra grey (c, c, c)
//   Tri3, Tri256      (red c, green c, blue 0)
//   RGB types         (red c, green c, blue c)
//
// Picture to bulbs (ConvDIB2BulbEnh), with offsets oR, oG, oB, oW in -64..64:
//   R' = clamp(R - 4 oR, 0, 255), and likewise G' and B'
//   W  = (77 R' + 150 G' + 29 B') >> 8       luminance; the weights sum to 256
//   W' = clamp(W - 4 oW, 0, 255)
//   level(v) = round(v * M / 255) = (v * M + 127) / 255   (v * M / 255 is never
//                                                          exactly a half)
//   mono bulb         level(W')
//   quad bulb         level of its place's channel: R', G', B', or W' for extra
//   Tri3, Tri256      red level(R'), green level(G')
//   RGB types         level(R'), level(G'), level(B'); RGB32KB writes bit 15 as 0
// An offset of 64 lowers a channel by 256, so that channel never lights a bulb;
// -64 raises it by 256, so it always gives the highest level. A larger offset
// never gives a higher level. The white offset acts only where the white value
// is used: mono bulbs and the extra bulb of a quad.
//
// Why the round trip with zero offsets is exact: c lies within 1/2 of
// L * 255 / M, so c * M / 255 lies within M / 510 < 1/2 of L and rounds back to
// L (for M = 255, c is L itself). A grey (c, c, c) has luminance 256 c >> 8 = c,
// so mono and extra bulbs come back as well, and a quad bulb reads only the
// channel of its own place, which is the one its picture lit.

namespace q9::platform {
namespace {

using ByteTable = std::array<uint8_t, 256>;

// Level L (0..M) to picture intensity.
ByteTable IntensityTable(unsigned maxLevel) {
  ByteTable table{};
  for (unsigned level = 0; level <= maxLevel; ++level) {
    table[level] = uint8_t((level * 255 + maxLevel / 2) / maxLevel);
  }
  return table;
}

// Picture intensity to level 0..M.
ByteTable LevelTable(unsigned maxLevel) {
  ByteTable table{};
  for (unsigned v = 0; v < 256; ++v) table[v] = uint8_t((v * maxLevel + 127) / 255);
  return table;
}

// A channel value lowered by 4 x offset, limited to 0..255.
ByteTable OffsetTable(int offset) {
  offset = std::clamp(offset, -64, 64);
  ByteTable table{};
  for (int v = 0; v < 256; ++v) table[size_t(v)] = uint8_t(std::clamp(v - 4 * offset, 0, 255));
  return table;
}

struct Rgb {
  uint8_t red;
  uint8_t green;
  uint8_t blue;
};

// The parts of a packed bitmap header this converter reads.
struct PictureInfo {
  uint32_t width = 0;
  uint32_t height = 0;
  bool topDown = false;
  unsigned bitsPerPixel = 0;
  uint64_t stride = 0;
  unsigned tableEntries = 0;
};

int ReadPictureInfo(const uint8_t* header, uint32_t bitsSize, PictureInfo& info) {
  const uint32_t headerSize = LoadU32(header);
  const int32_t width = int32_t(LoadU32(header + 4));
  const int32_t height = int32_t(LoadU32(header + 8));
  const unsigned bitsPerPixel = LoadU16(header + 14);
  const uint32_t compression = LoadU32(header + 16);
  const uint32_t colorsUsed = LoadU32(header + 32);
  if (headerSize != sizeof(BitmapInfoHeader) || compression != 0) return kBulbCvUnsupportedBitmap;
  if (width <= 0 || height == 0) return kBulbCvUnsupportedBitmap;
  switch (bitsPerPixel) {
    case 1:
    case 4:
    case 8:
      info.tableEntries = colorsUsed != 0 ? colorsUsed : 1u << bitsPerPixel;
      if (info.tableEntries > 256) return kBulbCvUnsupportedBitmap;
      break;
    case 16:
    case 24:
    case 32:
      break;
    default:
      return kBulbCvUnsupportedBitmap;
  }
  info.width = uint32_t(width);
  info.topDown = height < 0;
  info.height = info.topDown ? uint32_t(-int64_t(height)) : uint32_t(height);
  info.bitsPerPixel = bitsPerPixel;
  info.stride = DibStride(info.width, bitsPerPixel);
  // stride * height <= bitsSize, without a product that could overflow.
  if (info.stride > bitsSize || info.height > bitsSize / info.stride) {
    return kBulbCvBufferTooSmall;
  }
  return kBulbCvOk;
}

uint8_t Expand5(unsigned v) {
  return uint8_t(v << 3 | v >> 2);
}

// Decodes the first count pixels of one bitmap row. Indices beyond the colour
// table read the zero entries of the 256-entry copy, that is black.
void DecodeRow(const uint8_t* row, const PictureInfo& info, const std::array<RgbQuad, 256>& table,
               uint32_t count, Rgb* out) {
  switch (info.bitsPerPixel) {
    case 1:
      for (uint32_t x = 0; x < count; ++x) {
        const RgbQuad& q = table[row[x >> 3] >> (7 - (x & 7)) & 1];
        out[x] = {q.red, q.green, q.blue};
      }
      break;
    case 4:
      for (uint32_t x = 0; x < count; ++x) {
        const RgbQuad& q = table[(x & 1) ? row[x >> 1] & 15 : row[x >> 1] >> 4];
        out[x] = {q.red, q.green, q.blue};
      }
      break;
    case 8:
      for (uint32_t x = 0; x < count; ++x) {
        const RgbQuad& q = table[row[x]];
        out[x] = {q.red, q.green, q.blue};
      }
      break;
    case 16:
      for (uint32_t x = 0; x < count; ++x) {
        const unsigned word = LoadU16(row + 2 * size_t(x));
        out[x] = {Expand5(word >> 10 & 31), Expand5(word >> 5 & 31), Expand5(word & 31)};
      }
      break;
    case 24:
      for (uint32_t x = 0; x < count; ++x) {
        const uint8_t* p = row + 3 * size_t(x);
        out[x] = {p[2], p[1], p[0]};
      }
      break;
    default:  // 32
      for (uint32_t x = 0; x < count; ++x) {
        const uint8_t* p = row + 4 * size_t(x);
        out[x] = {p[2], p[1], p[0]};
      }
      break;
  }
}

void WritePictureHeader(uint8_t* block, unsigned columns, unsigned rows, uint32_t imageSize) {
  std::memset(block, 0, kDibHeaderBlockSize);
  StoreU32(block, uint32_t(sizeof(BitmapInfoHeader)));
  StoreU32(block + 4, columns);
  StoreU32(block + 8, rows);  // positive: bottom-up
  StoreU16(block + 12, 1);
  StoreU16(block + 14, 24);
  StoreU32(block + 20, imageSize);  // compression (16) and colours used (32) stay 0
}

}  // namespace

int CalcBulbDIBSize(unsigned rows, unsigned columns, uint32_t colorType, uint32_t* size,
                    uint32_t* option) {
  if (!IsValidBulbGeometry(rows, columns, colorType)) return kBulbCvBadGeometry;
  if (size == nullptr) return kBulbCvBadArgument;
  *size = uint32_t(DibStride(columns, 24) * rows);
  if (option != nullptr) *option = kBulbDibOption24Bit;
  return kBulbCvOk;
}

int Bulb2DIB(const uint8_t* bulbs, uint32_t bulbSize, unsigned rows, unsigned columns,
             uint32_t colorType, uint8_t* headerBlock, uint8_t* bits, uint32_t bitsSize,
             uint32_t option) {
  if (!IsValidBulbGeometry(rows, columns, colorType)) return kBulbCvBadGeometry;
  if (bulbs == nullptr || headerBlock == nullptr || bits == nullptr) return kBulbCvBadArgument;
  if (option != kBulbDibOption24Bit) return kBulbCvBadArgument;
  const BulbLayout layout = MakeBulbLayout(rows, columns, colorType);
  const uint64_t stride = DibStride(columns, 24);
  const uint64_t imageSize = stride * rows;
  if (bulbSize < layout.totalSize || bitsSize < imageSize) return kBulbCvBufferTooSmall;

  WritePictureHeader(headerBlock, columns, rows, uint32_t(imageSize));
  const BulbKind kind = BulbKindOf(colorType);
  const ByteTable intensity = IntensityTable(BulbLevelMax(colorType));
  for (unsigned y = 0; y < rows; ++y) {
    uint8_t* out = bits + (rows - 1 - y) * stride;  // bottom-up
    for (unsigned x = 0; x < columns; ++x, out += 3) {
      BulbPixel bulb;
      GetBulbPixel(layout, y, x, bulbs, bulb);
      uint8_t red = intensity[bulb.red];
      uint8_t green = intensity[bulb.green];
      uint8_t blue = intensity[bulb.blue];
      if (kind == BulbKind::Mono) {
        green = blue = red;
      } else if (kind == BulbKind::Quad && QuadPlaceOf(y, x) == QuadPlace::Extra) {
        red = green = blue = intensity[bulb.extra];
      }
      out[0] = blue;
      out[1] = green;
      out[2] = red;
    }
    std::memset(out, 0, stride - 3 * size_t(columns));
  }
  return kBulbCvOk;
}

int ConvDIB2BulbEnh(const uint8_t* header, const uint8_t* bits, uint32_t bitsSize,
                    int /*reserved1*/, int /*reserved2*/, uint8_t* bulbs, uint32_t bulbSize,
                    unsigned rows, unsigned columns, uint32_t colorType, int red, int green,
                    int blue, int white) {
  if (!IsValidBulbGeometry(rows, columns, colorType)) return kBulbCvBadGeometry;
  if (header == nullptr || bits == nullptr || bulbs == nullptr) return kBulbCvBadArgument;
  const BulbLayout layout = MakeBulbLayout(rows, columns, colorType);
  if (bulbSize < layout.totalSize) return kBulbCvBufferTooSmall;
  PictureInfo info;
  if (const int result = ReadPictureInfo(header, bitsSize, info); result != kBulbCvOk) {
    return result;
  }

  std::array<RgbQuad, 256> table{};
  if (info.tableEntries > 0) {
    std::memcpy(table.data(), header + sizeof(BitmapInfoHeader),
                info.tableEntries * sizeof(RgbQuad));
  }
  const uint32_t usedRows = std::min<uint32_t>(info.height, rows);
  const uint32_t usedColumns = std::min<uint32_t>(info.width, columns);
  std::unique_ptr<Rgb[]> row(new (std::nothrow) Rgb[usedColumns]);
  if (!row) return kBulbCvOutOfMemory;

  const ByteTable offsetRed = OffsetTable(red);
  const ByteTable offsetGreen = OffsetTable(green);
  const ByteTable offsetBlue = OffsetTable(blue);
  const ByteTable offsetWhite = OffsetTable(white);
  const bool mono = BulbKindOf(colorType) == BulbKind::Mono;
  const ByteTable level = LevelTable(BulbLevelMax(colorType));

  std::memset(bulbs, 0, layout.totalSize);
  for (uint32_t y = 0; y < usedRows; ++y) {
    const uint32_t bitmapRow = info.topDown ? y : info.height - 1 - y;
    DecodeRow(bits + bitmapRow * info.stride, info, table, usedColumns, row.get());
    for (uint32_t x = 0; x < usedColumns; ++x) {
      const unsigned r = offsetRed[row[x].red];
      const unsigned g = offsetGreen[row[x].green];
      const unsigned b = offsetBlue[row[x].blue];
      const uint8_t w = level[offsetWhite[(77 * r + 150 * g + 29 * b) >> 8]];
      // SetBulbPixel takes from these the channels the colour type and the
      // quad place use.
      BulbPixel bulb;
      bulb.red = mono ? w : level[r];
      bulb.green = level[g];
      bulb.blue = level[b];
      bulb.extra = w;
      SetBulbPixel(layout, y, x, bulbs, bulb);
    }
  }
  return kBulbCvOk;
}

}  // namespace q9::platform
