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

// Random bulb data of that geometry.
Bytes RandomBulbs(unsigned rows, unsigned columns, uint32_t type, unsigned seed) {
  std::mt19937 random(seed);
  Bytes data(pf::BulbDataSize(rows, columns, type));
  for (uint8_t& b : data) b = uint8_t(random());
  return data;
}

BulbPixel At(const BulbLayout& layout, const Bytes& data, unsigned row, unsigned column) {
  BulbPixel pixel;
  pf::GetBulbPixel(layout, row, column, data.data(), pixel);
  return pixel;
}

// How a source bulb shows in another colour type: of a quad only the green
// (luminance 150 of 255) and extra bulbs light a mono bulb.
const auto kSame = [](BulbPixel p) { return p; };
const auto kQuadToMono1 = [](BulbPixel p) {
  return BulbPixel{0, 0, uint8_t(p.green != 0 || p.extra != 0), 0};
};

// Every bulb of the destination rectangle shows, in the destination's colour
// type, the source bulb nearest to it; with the quad flag the same place of
// the nearest quad. The rest of the buffer keeps its bytes. Same type and
// size is a plain copy.
TEST(ConvertBulbDataTest, SizesColourTypesAndOnlyTheDestinationRectangle) {
  const struct {
    unsigned srcColumns, srcRows;
    uint32_t srcType;
    unsigned dstColumns, dstRows;
    uint32_t dstType;
    bool quad;
    BulbPixel (*colour)(BulbPixel);
  } cases[] = {
      {12, 5, pf::Q9_MONO16, 24, 10, pf::Q9_MONO16, false, kSame},
      {10, 6, pf::Q9_QUAD256, 20, 12, pf::Q9_QUAD256, true, kSame},
      {7, 3, pf::Q9_RGB32KB, 7, 3, pf::Q9_RGB32KB, false, kSame},  // packed, odd columns
      {6, 4, pf::Q9_QUAD16, 12, 8, pf::Q9_MONO1, true, kQuadToMono1},
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

// A destination rectangle past the buffer, an old sequence's geometry
// without rows, a scratch larger than any sign: refused, nothing written.
TEST(ConvertBulbDataTest, BadArgumentsLeaveTheDestinationUnchanged) {
  const Bytes source(4096, 0x11);
  Bytes result(4096, 0x77);
  const auto convert = [&](unsigned srcColumns, unsigned srcRows, unsigned dstColumns,
                           unsigned dstRows, BulbRect dstRect) {
    return ConvertBulbData(srcColumns, srcRows, {0, 0, 1, int(srcRows)}, source.data(),
                           pf::Q9_MONO1, dstColumns, dstRows, dstRect, result.data(), pf::Q9_MONO1,
                           false);
  };
  EXPECT_EQ(convert(8, 8, 8, 8, {0, 0, 8, 9}), kConvertBulbBadArgument);
  EXPECT_EQ(convert(8, 0, 8, 8, {0, 0, 8, 8}), kConvertBulbBadArgument);
  EXPECT_EQ(convert(1 << 24, 1, 1, 1 << 24, {0, 0, 1, 2}), kConvertBulbBadArgument);
  EXPECT_EQ(result, Bytes(4096, 0x77));
}

}  // namespace
}  // namespace q9::imaging
