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

// Every destination bulb shows, in the destination's colour type, the source
// bulb nearest to it; with the quad flag the same place of the nearest quad.
TEST(ConvertBulbDataTest, SizesAndColourTypes) {
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
    const BulbLayout src = MakeBulbLayout(c.srcRows, c.srcColumns, c.srcType);
    const BulbLayout dst = MakeBulbLayout(c.dstRows, c.dstColumns, c.dstType);
    const Bytes source = RandomBulbs(c.srcRows, c.srcColumns, c.srcType, seed++);
    Bytes result(dst.totalSize, 0);
    ASSERT_EQ(ConvertBulbData(c.srcColumns, c.srcRows, {0, 0, int(c.srcColumns), int(c.srcRows)},
                              source.data(), c.srcType, c.dstColumns, c.dstRows,
                              {0, 0, int(c.dstColumns), int(c.dstRows)}, result.data(), c.dstType,
                              c.quad),
              kConvertBulbOk);
    auto nearest = [&](unsigned d, unsigned srcSize, unsigned dstSize) {
      return c.quad ? ((d & ~1u) * srcSize / dstSize & ~1u) + (d & 1) : d * srcSize / dstSize;
    };
    for (unsigned row = 0; row < c.dstRows; ++row)
      for (unsigned column = 0; column < c.dstColumns; ++column)
        ASSERT_EQ(At(dst, result, row, column),
                  c.colour(At(src, source, nearest(row, c.srcRows, c.dstRows),
                              nearest(column, c.srcColumns, c.dstColumns))))
            << row << "," << column;
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

// Only the destination rectangle is written; the rest of the buffer keeps
// its bytes.
TEST(ConvertBulbDataTest, WritesOnlyTheDestinationRectangle) {
  const uint32_t type = pf::Q9_RGB4K;
  const BulbLayout src = MakeBulbLayout(4, 6, type), dst = MakeBulbLayout(10, 20, type);
  const Bytes source = RandomBulbs(4, 6, type, 5), before = RandomBulbs(10, 20, type, 6);
  Bytes result = before;
  const BulbRect dstRect{3, 2, 15, 10};  // 12 x 8: twice the source
  ASSERT_EQ(ConvertBulbData(6, 4, {0, 0, 6, 4}, source.data(), type, 20, 10, dstRect, result.data(),
                            type, false),
            kConvertBulbOk);
  for (unsigned row = 0; row < 10; ++row)
    for (unsigned column = 0; column < 20; ++column) {
      const bool inside = int(column) >= dstRect.left && int(column) < dstRect.right &&
                          int(row) >= dstRect.top && int(row) < dstRect.bottom;
      ASSERT_EQ(At(dst, result, row, column), inside
                                                  ? At(src, source, (row - 2) / 2, (column - 3) / 2)
                                                  : At(dst, before, row, column))
          << row << "," << column;
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
      {"inverted rectangle", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {8, 0, 0, 8}, 6},
      {"no source rows", 8, 0, {0, 0, 8, 0}, 6, 8, 8, {0, 0, 8, 8}, 6},
      {"source type 15", 8, 8, {0, 0, 8, 8}, 15, 8, 8, {0, 0, 8, 8}, 6},
      {"destination type 15", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 8}, 15},
      {"null source", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 8}, 6},
      {"scratch too large", 1 << 24, 1, {0, 0, 1, 1}, 0, 1, 1 << 24, {0, 0, 1, 2}, 0},
  };
  for (const auto& c : cases) {
    Bytes result(4096, 0x77);
    const uint8_t* data = std::string_view(c.name) == "null source" ? nullptr : source.data();
    EXPECT_EQ(ConvertBulbData(c.srcColumns, c.srcRows, c.srcRect, data, c.srcType, c.dstColumns,
                              c.dstRows, c.dstRect, result.data(), c.dstType, false),
              kConvertBulbBadArgument)
        << c.name;
    EXPECT_EQ(result, Bytes(4096, 0x77)) << c.name;
  }
}

}  // namespace
}  // namespace q9::imaging
