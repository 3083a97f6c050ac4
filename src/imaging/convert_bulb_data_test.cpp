#include "imaging/convert_bulb_data.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/signlib/sign_types.h"

namespace q9::imaging {
namespace {

using platform::BulbLayout;
using platform::BulbPixel;
using platform::MakeBulbLayout;
using Bytes = std::vector<uint8_t>;
namespace pf = platform;

// Bulb data of that geometry with valid random bulbs and zero padding.
Bytes RandomBulbs(unsigned rows, unsigned columns, uint32_t type, unsigned seed) {
  const BulbLayout layout = MakeBulbLayout(rows, columns, type);
  Bytes data(layout.totalSize, 0);
  std::mt19937 random(seed);
  for (unsigned row = 0; row < rows; ++row)
    for (unsigned column = 0; column < columns; ++column) {
      const uint32_t v = random();
      pf::SetBulbPixel(layout, row, column, data.data(),
                       {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
  return data;
}

BulbPixel At(const BulbLayout& layout, const Bytes& data, unsigned row, unsigned column) {
  BulbPixel pixel;
  pf::GetBulbPixel(layout, row, column, data.data(), pixel);
  return pixel;
}

// How a source bulb shows in another colour type. Red, green and blue at full
// intensity have luminance 77, 150 and 29: only the green (150) and extra
// (255) bulbs of a quad light a mono bulb.
const auto kSame = [](BulbPixel p) { return p; };
const auto kTri3ToRgb = [](BulbPixel p) {
  return BulbPixel{0, uint8_t(p.green * 255), uint8_t(p.red * 255), 0};
};
const auto kTo5Bits = [](BulbPixel p) {
  auto five = [](unsigned v) { return uint8_t((v * 31 + 127) / 255); };
  return BulbPixel{five(p.blue), five(p.green), five(p.red), 0};
};
const auto kQuadToMono1 = [](BulbPixel p) {
  return BulbPixel{0, 0, uint8_t(p.green != 0 || p.extra != 0), 0};
};

// Every bulb of the destination rectangle shows, in the destination's colour
// type, the source bulb nearest to it; with the quad flag the same place of
// the nearest quad. The rest of the buffer keeps its bytes.
TEST(ConvertBulbDataTest, SizesColourTypesAndOnlyTheDestinationRectangle) {
  const struct {
    unsigned srcColumns, srcRows;
    uint32_t srcType;
    unsigned dstColumns, dstRows;
    uint32_t dstType;
    bool quad;
    BulbPixel (*colour)(BulbPixel);
  } cases[] = {
      {48, 16, pf::Q9_MONO16, 96, 32, pf::Q9_MONO16, false, kSame},
      {10, 6, pf::Q9_QUAD256, 20, 12, pf::Q9_QUAD256, true, kSame},
      {9, 5, pf::Q9_TRI3, 9, 5, pf::Q9_RGB16M, false, kTri3ToRgb},
      {7, 3, pf::Q9_RGB32KB, 14, 6, pf::Q9_RGB32KB, false, kSame},  // packed, odd columns
      {5, 3, pf::Q9_RGB16MB, 10, 6, pf::Q9_RGB32KB, false, kTo5Bits},
      {6, 4, pf::Q9_QUAD16, 6, 4, pf::Q9_MONO1, true, kQuadToMono1},
  };
  unsigned seed = 11;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.srcType << " onto " << c.dstType);
    // The destination rectangle starts at column 2, row 2 of a larger buffer.
    const unsigned rows = c.dstRows + 3, columns = c.dstColumns + 4;
    const BulbLayout src = MakeBulbLayout(c.srcRows, c.srcColumns, c.srcType);
    const BulbLayout dst = MakeBulbLayout(rows, columns, c.dstType);
    const Bytes source = RandomBulbs(c.srcRows, c.srcColumns, c.srcType, seed++);
    const Bytes before = RandomBulbs(rows, columns, c.dstType, seed++);
    Bytes result = before;
    ASSERT_EQ(ConvertBulbData(c.srcColumns, c.srcRows, {0, 0, int(c.srcColumns), int(c.srcRows)},
                              source.data(), c.srcType, columns, rows,
                              {2, 2, int(c.dstColumns) + 2, int(c.dstRows) + 2}, result.data(),
                              c.dstType, c.quad),
              kConvertBulbOk);
    auto nearest = [&](unsigned d, unsigned srcSize, unsigned dstSize) {
      return c.quad ? ((d & ~1u) * srcSize / dstSize & ~1u) + (d & 1) : d * srcSize / dstSize;
    };
    for (unsigned row = 0; row < rows; ++row)
      for (unsigned column = 0; column < columns; ++column) {
        const bool inside = row - 2 < c.dstRows && column - 2 < c.dstColumns;  // unsigned
        ASSERT_EQ(At(dst, result, row, column),
                  inside ? c.colour(At(src, source, nearest(row - 2, c.srcRows, c.dstRows),
                                       nearest(column - 2, c.srcColumns, c.dstColumns)))
                         : At(dst, before, row, column))
            << row << "," << column;
      }
  }
}

// Same type and size is a plain copy: the bytes come out identical. Every
// type converted to RGB16MB and back gives the same bulbs, since RGB16MB holds
// every level of every type exactly.
TEST(ConvertBulbDataTest, PlainCopyAndLosslessRoundTripForEveryType) {
  const unsigned rows = 7, columns = 19;
  const BulbRect rect{0, 0, int(columns), int(rows)};
  for (uint32_t type = 0; type < pf::kColorTypeCount; ++type) {
    const Bytes source = RandomBulbs(rows, columns, type, type + 100);
    Bytes copy(source.size(), 0), back(source.size(), 0);
    Bytes wide(pf::BulbDataSize(rows, columns, pf::Q9_RGB16MB), 0);
    for (bool quad : {false, true}) {
      ASSERT_EQ(ConvertBulbData(columns, rows, rect, source.data(), type, columns, rows, rect,
                                copy.data(), type, quad),
                kConvertBulbOk);
      EXPECT_EQ(copy, source) << "type " << type;
    }
    ASSERT_EQ(ConvertBulbData(columns, rows, rect, source.data(), type, columns, rows, rect,
                              wide.data(), pf::Q9_RGB16MB, false),
              kConvertBulbOk);
    ASSERT_EQ(ConvertBulbData(columns, rows, rect, wide.data(), pf::Q9_RGB16MB, columns, rows, rect,
                              back.data(), type, false),
              kConvertBulbOk);
    EXPECT_EQ(back, source) << "type " << type;
  }
}

TEST(ConvertBulbDataTest, BadArgumentsLeaveTheDestinationUnchanged) {
  const Bytes source(4096, 0x11);
  const struct {
    const char* name;
    unsigned srcColumns, srcRows;
    BulbRect srcRect;
    uint32_t srcType;
    unsigned dstColumns, dstRows;
    BulbRect dstRect;
    uint32_t dstType;
  } cases[] = {
      {"source past the right", 8, 8, {0, 0, 9, 8}, 6, 8, 8, {0, 0, 8, 8}, 6},
      {"destination past the bottom", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 9}, 6},
      {"negative rectangle", 8, 8, {-1, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 8}, 11},
      {"no source rows", 8, 0, {0, 0, 8, 0}, 6, 8, 8, {0, 0, 8, 8}, 6},
      {"source type 15", 8, 8, {0, 0, 8, 8}, 15, 8, 8, {0, 0, 8, 8}, 6},
      {"scratch too large", 1 << 24, 1, {0, 0, 1, 1}, 0, 1, 1 << 24, {0, 0, 1, 2}, 0},
  };
  for (const auto& c : cases) {
    Bytes result(4096, 0x77);
    EXPECT_EQ(ConvertBulbData(c.srcColumns, c.srcRows, c.srcRect, source.data(), c.srcType,
                              c.dstColumns, c.dstRows, c.dstRect, result.data(), c.dstType, false),
              kConvertBulbBadArgument)
        << c.name;
    EXPECT_EQ(result, Bytes(4096, 0x77)) << c.name;
  }
}

}  // namespace
}  // namespace q9::imaging
