#include "imaging/convert_bulb_data.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <vector>

#include "platform/signlib/sign_types.h"

namespace q9::imaging {
namespace {

using platform::BulbLayout;
using platform::BulbPixel;
using platform::GetBulbPixel;
using platform::MakeBulbLayout;
using platform::SetBulbPixel;
namespace pf = platform;

// Bulb data of that geometry with valid random bulbs and zero padding.
std::vector<uint8_t> RandomBulbs(unsigned rows, unsigned columns, uint32_t type, unsigned seed) {
  const BulbLayout layout = MakeBulbLayout(rows, columns, type);
  std::vector<uint8_t> data(layout.totalSize, 0);
  std::mt19937 random(seed);
  for (unsigned row = 0; row < rows; ++row) {
    for (unsigned column = 0; column < columns; ++column) {
      const uint32_t v = random();
      SetBulbPixel(layout, row, column, data.data(),
                   {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)});
    }
  }
  return data;
}

BulbPixel At(const BulbLayout& layout, const std::vector<uint8_t>& data, unsigned row,
             unsigned column) {
  BulbPixel pixel;
  GetBulbPixel(layout, row, column, data.data(), pixel);
  return pixel;
}

uint8_t Level(const BulbPixel& p) {
  return std::max({p.red, p.green, p.blue, p.extra});
}

struct ConvertCase {
  const char* name;
  unsigned srcColumns, srcRows;
  uint32_t srcType;
  unsigned dstColumns, dstRows;
  uint32_t dstType;
  bool quad;
  // Checks destination bulb (row, column) against the source.
  std::function<void(const BulbLayout& src, const std::vector<uint8_t>& source,
                     const BulbLayout& dst, const std::vector<uint8_t>& result, unsigned row,
                     unsigned column)>
      check;
};

void ExpectSameBulb(const BulbLayout& src, const std::vector<uint8_t>& source,
                    const BulbLayout& dst, const std::vector<uint8_t>& result, unsigned row,
                    unsigned column) {
  ASSERT_EQ(At(dst, result, row, column), At(src, source, row, column)) << row << "," << column;
}

void ExpectHalfScale(const BulbLayout& src, const std::vector<uint8_t>& source,
                     const BulbLayout& dst, const std::vector<uint8_t>& result, unsigned row,
                     unsigned column) {
  ASSERT_EQ(At(dst, result, row, column), At(src, source, row / 2, column / 2))
      << row << "," << column;
}

const ConvertCase kCases[] = {
    {"Mono16 48x16 onto 96x32: 2 x 2 blocks", 48, 16, pf::Q9_MONO16, 96, 32, pf::Q9_MONO16, false,
     ExpectHalfScale},
    {"Quad256 doubled with the quad flag keeps quad colours", 10, 6, pf::Q9_QUAD256, 20, 12,
     pf::Q9_QUAD256, true,
     [](const BulbLayout& src, const std::vector<uint8_t>& source, const BulbLayout& dst,
        const std::vector<uint8_t>& result, unsigned row, unsigned column) {
       // Quad at (r, c) of the destination repeats source quad (r / 2) & ~1,
       // so the bulb keeps its place and its value.
       const unsigned sr = ((row & ~1u) / 2 & ~1u) + (row & 1);
       const unsigned sc = ((column & ~1u) / 2 & ~1u) + (column & 1);
       ASSERT_EQ(At(dst, result, row, column), At(src, source, sr, sc)) << row << "," << column;
     }},
    {"Quad256 doubled without the flag: nearest level", 10, 6, pf::Q9_QUAD256, 20, 12,
     pf::Q9_QUAD256, false,
     [](const BulbLayout& src, const std::vector<uint8_t>& source, const BulbLayout& dst,
        const std::vector<uint8_t>& result, unsigned row, unsigned column) {
       ASSERT_EQ(Level(At(dst, result, row, column)), Level(At(src, source, row / 2, column / 2)))
           << row << "," << column;
     }},
    {"Tri3 onto RGB16M, same size: colour only", 9, 5, pf::Q9_TRI3, 9, 5, pf::Q9_RGB16M, false,
     [](const BulbLayout& src, const std::vector<uint8_t>& source, const BulbLayout& dst,
        const std::vector<uint8_t>& result, unsigned row, unsigned column) {
       const BulbPixel s = At(src, source, row, column);
       ASSERT_EQ(At(dst, result, row, column),
                 (BulbPixel{0, uint8_t(s.green * 255), uint8_t(s.red * 255), 0}))
           << row << "," << column;
     }},
    {"RGB32KB with odd columns, same size", 7, 5, pf::Q9_RGB32KB, 7, 5, pf::Q9_RGB32KB, false,
     ExpectSameBulb},
    {"RGB32KB with odd columns, doubled", 7, 3, pf::Q9_RGB32KB, 14, 6, pf::Q9_RGB32KB, false,
     ExpectHalfScale},
    {"RGB16MB with odd columns onto RGB32KB, doubled", 5, 3, pf::Q9_RGB16MB, 10, 6, pf::Q9_RGB32KB,
     false,
     [](const BulbLayout& src, const std::vector<uint8_t>& source, const BulbLayout& dst,
        const std::vector<uint8_t>& result, unsigned row, unsigned column) {
       const BulbPixel s = At(src, source, row / 2, column / 2);
       auto five = [](unsigned v) { return uint8_t((v * 31 + 127) / 255); };
       ASSERT_EQ(At(dst, result, row, column),
                 (BulbPixel{five(s.blue), five(s.green), five(s.red), 0}))
           << row << "," << column;
     }},
    {"Quad16 onto Mono1, quad flag, same size: the extra bulb shows white", 6, 4, pf::Q9_QUAD16, 6,
     4, pf::Q9_MONO1, true,
     [](const BulbLayout& src, const std::vector<uint8_t>& source, const BulbLayout& dst,
        const std::vector<uint8_t>& result, unsigned row, unsigned column) {
       // Red, green and blue at full intensity have luminance 77, 150 and 29:
       // only the green (150) and extra (255) bulbs light a mono bulb.
       const BulbPixel s = At(src, source, row, column);
       const bool lit = s.green != 0 || s.extra != 0;
       ASSERT_EQ(At(dst, result, row, column).red, lit ? 1 : 0) << row << "," << column;
     }},
};

TEST(ConvertBulbDataTest, EdgeCases) {
  unsigned seed = 11;
  for (const ConvertCase& c : kCases) {
    SCOPED_TRACE(c.name);
    const BulbLayout src = MakeBulbLayout(c.srcRows, c.srcColumns, c.srcType);
    const BulbLayout dst = MakeBulbLayout(c.dstRows, c.dstColumns, c.dstType);
    const std::vector<uint8_t> source = RandomBulbs(c.srcRows, c.srcColumns, c.srcType, seed++);
    std::vector<uint8_t> result(dst.totalSize, 0);
    ASSERT_EQ(ConvertBulbData(c.srcColumns, c.srcRows, {0, 0, int(c.srcColumns), int(c.srcRows)},
                              source.data(), c.srcType, c.dstColumns, c.dstRows,
                              {0, 0, int(c.dstColumns), int(c.dstRows)}, result.data(), c.dstType,
                              c.quad),
              kConvertBulbOk);
    for (unsigned row = 0; row < c.dstRows; ++row) {
      for (unsigned column = 0; column < c.dstColumns; ++column) {
        c.check(src, source, dst, result, row, column);
        if (testing::Test::HasFatalFailure()) return;
      }
    }
  }
}

// Same type and size is a plain copy: the bytes come out identical.
TEST(ConvertBulbDataTest, SameTypeSameSizeIsAPlainCopy) {
  for (uint32_t type = 0; type < pf::kColorTypeCount; ++type) {
    const unsigned rows = 7, columns = 19;
    const std::vector<uint8_t> source = RandomBulbs(rows, columns, type, type + 100);
    std::vector<uint8_t> result(source.size(), 0);
    for (bool quad : {false, true}) {
      ASSERT_EQ(ConvertBulbData(columns, rows, {0, 0, int(columns), int(rows)}, source.data(), type,
                                columns, rows, {0, 0, int(columns), int(rows)}, result.data(), type,
                                quad),
                kConvertBulbOk);
      EXPECT_EQ(result, source) << "type " << type;
    }
  }
}

// Through the picture route, every type converted to RGB16MB and back gives
// the same bulbs (RGB16MB holds every level of every type exactly).
TEST(ConvertBulbDataTest, ColourTypeChangeAndBackIsLossless) {
  const unsigned rows = 5, columns = 11;
  const BulbRect rect{0, 0, int(columns), int(rows)};
  for (uint32_t type = 0; type < pf::kColorTypeCount; ++type) {
    const std::vector<uint8_t> source = RandomBulbs(rows, columns, type, type + 200);
    std::vector<uint8_t> wide(pf::BulbDataSize(rows, columns, pf::Q9_RGB16MB), 0);
    std::vector<uint8_t> back(source.size(), 0);
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
  const BulbLayout dst = MakeBulbLayout(10, 20, type);
  const std::vector<uint8_t> source = RandomBulbs(4, 6, type, 5);
  std::vector<uint8_t> result = RandomBulbs(10, 20, type, 6);
  const std::vector<uint8_t> before = result;
  const BulbRect dstRect{3, 2, 15, 10};  // 12 x 8: twice the source
  ASSERT_EQ(ConvertBulbData(6, 4, {0, 0, 6, 4}, source.data(), type, 20, 10, dstRect, result.data(),
                            type, false),
            kConvertBulbOk);
  const BulbLayout src = MakeBulbLayout(4, 6, type);
  for (unsigned row = 0; row < 10; ++row) {
    for (unsigned column = 0; column < 20; ++column) {
      const bool inside = int(column) >= dstRect.left && int(column) < dstRect.right &&
                          int(row) >= dstRect.top && int(row) < dstRect.bottom;
      const BulbPixel expected =
          inside ? At(src, source, (row - 2) / 2, (column - 3) / 2) : At(dst, before, row, column);
      ASSERT_EQ(At(dst, result, row, column), expected) << row << "," << column;
    }
  }
}

TEST(ConvertBulbDataTest, BadArgumentsLeaveTheDestinationUnchanged) {
  const std::vector<uint8_t> source(4096, 0x11);
  struct Case {
    const char* name;
    unsigned srcColumns, srcRows;
    BulbRect srcRect;
    uint32_t srcType;
    unsigned dstColumns, dstRows;
    BulbRect dstRect;
    uint32_t dstType;
    bool nullSource;
  };
  const Case cases[] = {
      {"source rectangle past the right", 8, 8, {0, 0, 9, 8}, 6, 8, 8, {0, 0, 8, 8}, 6, false},
      {"destination rectangle past the bottom",
       8,
       8,
       {0, 0, 8, 8},
       6,
       8,
       8,
       {0, 0, 8, 9},
       6,
       false},
      {"negative rectangle", 8, 8, {-1, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 8}, 11, false},
      {"inverted rectangle", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {8, 0, 0, 8}, 6, false},
      {"no source rows", 8, 0, {0, 0, 8, 0}, 6, 8, 8, {0, 0, 8, 8}, 6, false},
      {"colour type 15", 8, 8, {0, 0, 8, 8}, 15, 8, 8, {0, 0, 8, 8}, 6, false},
      {"destination type 15", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 8}, 15, false},
      {"null source", 8, 8, {0, 0, 8, 8}, 6, 8, 8, {0, 0, 8, 8}, 6, true},
      {"scratch too large", 1 << 24, 1, {0, 0, 1, 1}, 0, 1, 1 << 24, {0, 0, 1, 2}, 0, false},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> result(4096, 0x77);
    EXPECT_EQ(ConvertBulbData(c.srcColumns, c.srcRows, c.srcRect,
                              c.nullSource ? nullptr : source.data(), c.srcType, c.dstColumns,
                              c.dstRows, c.dstRect, result.data(), c.dstType, false),
              kConvertBulbBadArgument)
        << c.name;
    EXPECT_EQ(result, std::vector<uint8_t>(4096, 0x77)) << c.name;
  }
}

}  // namespace
}  // namespace q9::imaging
