#include "platform/signlib/bulb_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/signlib/sign_types.h"

namespace q9::platform {
namespace {

TEST(BulbLayoutTest, LayoutValues) {
  struct Case {
    unsigned rows, columns;
    uint32_t type;
    BulbLayout expected;  // bits, plane, row, rows, columns, quad, total, type
  };
  const Case cases[] = {
      {7, 21, Q9_RGB32KB, {16, 32, 4, 7, 21, 0, 308, 13}},
      {7, 21, Q9_RGB16MB, {24, 32, 4, 7, 21, 0, 448, 14}},
      {5, 17, Q9_QUAD256, {2, 24, 4, 5, 17, 1, 48, 3}},
      {16, 48, Q9_MONO16, {4, 96, 6, 16, 48, 0, 384, 6}},
      {3, 1, Q9_QUAD16M, {6, 8, 2, 3, 1, 1, 48, 8}},
      {2, 2, Q9_NO_COLOR, {0, 4, 2, 2, 2, 0, 0, 15}},
      {2, 2, 20, {1, 4, 2, 2, 2, 0, 4, 20}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeBulbLayout(c.rows, c.columns, c.type), c.expected) << c.type;
  }
}

TEST(BulbLayoutTest, TotalSizeIsTheBulbDataSize) {
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    for (unsigned rows : {1u, 2u, 7u, 16u, 33u}) {
      for (unsigned columns : {1u, 3u, 15u, 16u, 17u, 50u}) {
        EXPECT_EQ(MakeBulbLayout(rows, columns, type).totalSize, BulbDataSize(rows, columns, type))
            << rows << " x " << columns << " type " << type;
      }
    }
  }
}

TEST(BulbLayoutTest, HugeGeometrySaturatesAndIsInvalid) {
  const BulbLayout layout = MakeBulbLayout(0xFFFFFFFFu, 0xFFFFFFFFu, Q9_RGB16M);
  EXPECT_EQ(layout.totalSize, 0xFFFFFFFFu);
  EXPECT_EQ(layout.planeSize, 0xFFFFFFFFu);
  EXPECT_EQ(MakeBulbLayout(0xFFFFFFFFu, 0xFFFFFFFFu, Q9_RGB16MB).totalSize, 0xFFFFFFFFu);

  struct Case {
    uint64_t rows, columns;
    uint32_t type;
    bool valid;
  };
  const Case cases[] = {
      {1, 1, Q9_MONO1, true},
      {4096, 4096, Q9_RGB16M, true},
      {4097, 4096, Q9_RGB16M, false},
      {1, kMaxBulbCount, Q9_RGB16MB, true},
      {kMaxBulbCount + 1, 1, Q9_MONO1, false},
      {0, 5, Q9_MONO1, false},
      {5, 0, Q9_MONO1, false},
      {5, 5, Q9_NO_COLOR, false},
      {5, 5, 99, false},
      {1ull << 32, 1ull << 32, Q9_MONO1, false},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidBulbGeometry(c.rows, c.columns, c.type), c.valid)
        << c.rows << " x " << c.columns << " type " << c.type;
  }
}

// Setting every bit of one plane bulb touches exactly one bit per plane, at
// byte row * rowSize + column / 8 of each plane, most significant bit first.
TEST(BulbLayoutTest, PlaneBulbBitPositions) {
  struct Case {
    uint32_t type;
    unsigned row, column;
  };
  const Case cases[] = {{Q9_MONO1, 0, 0}, {Q9_MONO64, 6, 20},  {Q9_RGB16M, 3, 9},
                        {Q9_TRI3, 1, 16}, {Q9_QUAD16M, 5, 15}, {Q9_RGB4K, 6, 7}};
  for (const Case& c : cases) {
    const BulbLayout layout = MakeBulbLayout(7, 21, c.type);
    std::vector<uint8_t> buffer(layout.totalSize, 0);
    BulbPixel all{255, 255, 255, 255};
    ASSERT_EQ(SetBulbPixel(layout, c.row, c.column, buffer.data(), all), 0);
    for (size_t i = 0; i < buffer.size(); ++i) {
      const size_t plane = i / layout.planeSize;
      const bool isBulbByte = i % layout.planeSize == c.row * layout.rowSize + c.column / 8;
      const uint8_t expected =
          isBulbByte && plane < layout.bitsPerBulb ? uint8_t(0x80 >> (c.column % 8)) : uint8_t(0);
      ASSERT_EQ(buffer[i], expected) << "type " << c.type << " byte " << i;
    }
  }
}

// The value written to the planes for a given pixel, plane i giving bit i.
TEST(BulbLayoutTest, PlaneValueMapping) {
  struct Case {
    uint32_t type;
    unsigned row, column;
    BulbPixel pixel;  // blue, green, red, extra
    uint32_t value;
  };
  const Case cases[] = {
      {Q9_MONO4, 0, 0, {0, 0, 2, 0}, 2},
      {Q9_MONO64, 0, 0, {9, 9, 45, 9}, 45},  // only red counts
      {Q9_TRI3, 0, 0, {1, 1, 0, 0}, 2},
      {Q9_TRI3, 0, 0, {0, 0, 1, 0}, 1},
      {Q9_TRI256, 0, 0, {15, 0xA, 0x5, 15}, 0xA5},
      {Q9_RGB64, 0, 0, {3, 2, 1, 0}, 1 | 2 << 2 | 3 << 4},
      {Q9_RGB4K, 0, 0, {0xC, 0xB, 0xA, 0}, 0xCBA},
      {Q9_RGB16M, 0, 0, {0x12, 0x34, 0x56, 0}, 0x123456},
      {Q9_QUAD256, 0, 0, {1, 2, 3, 0}, 3},      // red place
      {Q9_QUAD256, 1, 0, {1, 2, 3, 0}, 2},      // green place
      {Q9_QUAD256, 0, 1, {1, 2, 3, 0}, 1},      // blue place
      {Q9_QUAD256, 1, 1, {1, 2, 3, 0}, 0},      // extra place
      {Q9_QUAD64K, 3, 5, {0, 0, 0, 11}, 11},    // extra place
      {Q9_MONO16, 0, 0, {0, 0, 0x1F, 0}, 0xF},  // high bits beyond the bulb dropped
  };
  for (const Case& c : cases) {
    const BulbLayout layout = MakeBulbLayout(4, 6, c.type);
    std::vector<uint8_t> buffer(layout.totalSize, 0);
    ASSERT_EQ(SetBulbPixel(layout, c.row, c.column, buffer.data(), c.pixel), 0);
    uint32_t value = 0;
    const size_t byte = c.row * layout.rowSize + c.column / 8;
    for (uint32_t plane = 0; plane < layout.bitsPerBulb; ++plane) {
      if (buffer[plane * layout.planeSize + byte] & (0x80 >> (c.column % 8))) value |= 1u << plane;
    }
    EXPECT_EQ(value, c.value) << "type " << c.type << " at " << c.row << "," << c.column;
  }
}

// Packed rows are addressed without padding: with 3 columns of RGB32KB the
// second row starts at byte 6, although the size rule pads rows to 8 bytes.
TEST(BulbLayoutTest, PackedBulbsUseUnpaddedRows) {
  struct Case {
    uint32_t type;
    unsigned rows, columns, row, column;
    BulbPixel pixel;
    size_t offset;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {Q9_RGB32KB, 2, 3, 1, 0, {0, 0, 31, 0}, 6, {0x00, 0x7C}},
      {Q9_RGB32KB, 2, 3, 1, 2, {1, 2, 3, 0}, 10, {0x41, 0x0C}},          // 3<<10 | 2<<5 | 1
      {Q9_RGB32KB, 3, 5, 2, 4, {255, 255, 255, 255}, 28, {0xFF, 0x7F}},  // bit 15 stays 0
      {Q9_RGB16MB, 2, 5, 1, 2, {0x11, 0x22, 0x33, 0x44}, 21, {0x11, 0x22, 0x33}},
      {Q9_RGB16MB, 3, 1, 2, 0, {1, 2, 3, 0}, 6, {1, 2, 3}},
  };
  for (const Case& c : cases) {
    const BulbLayout layout = MakeBulbLayout(c.rows, c.columns, c.type);
    std::vector<uint8_t> buffer(layout.totalSize, 0);
    ASSERT_EQ(SetBulbPixel(layout, c.row, c.column, buffer.data(), c.pixel), 0);
    std::vector<uint8_t> expected(layout.totalSize, 0);
    std::copy(c.bytes.begin(), c.bytes.end(), expected.begin() + c.offset);
    EXPECT_EQ(buffer, expected) << "type " << c.type;
    BulbPixel read;
    ASSERT_EQ(GetBulbPixel(layout, c.row, c.column, buffer.data(), read), 0);
    const uint8_t mask = c.type == Q9_RGB32KB ? 31 : 255;
    EXPECT_EQ(read, (BulbPixel{uint8_t(c.pixel.blue & mask), uint8_t(c.pixel.green & mask),
                               uint8_t(c.pixel.red & mask), 0}));
  }
}

TEST(BulbLayoutTest, OutsideTheLayoutFailsAndTouchesNothing) {
  for (uint32_t type : {Q9_MONO1, Q9_RGB16M, Q9_RGB32KB, Q9_RGB16MB, Q9_NO_COLOR}) {
    const BulbLayout layout = MakeBulbLayout(3, 5, type);
    std::vector<uint8_t> buffer(layout.totalSize + 16, 0x5A);
    const std::vector<uint8_t> before = buffer;
    for (auto [row, column] : {std::pair{3u, 0u}, {0u, 5u}, {100u, 100u}, {0xFFFFFFFFu, 0u}}) {
      BulbPixel read{1, 2, 3, 4};
      EXPECT_EQ(GetBulbPixel(layout, row, column, buffer.data(), read), 1);
      EXPECT_EQ(read, BulbPixel{});
      EXPECT_EQ(SetBulbPixel(layout, row, column, buffer.data(), BulbPixel{9, 9, 9, 9}), 1);
    }
    EXPECT_EQ(buffer, before) << "type " << type;
  }
  // A type without bulb values fails even inside the layout.
  const BulbLayout none = MakeBulbLayout(3, 5, Q9_NO_COLOR);
  BulbPixel read;
  uint8_t byte = 0;
  EXPECT_EQ(GetBulbPixel(none, 0, 0, &byte, read), 1);
}

// What a bulb of that type and place keeps of a written pixel whose channels
// are all within its range.
BulbPixel Kept(uint32_t type, unsigned row, unsigned column, BulbPixel p) {
  if (IsQuadType(type)) {
    switch (QuadPlaceOf(row, column)) {
      case QuadPlace::Red:
        return {0, 0, p.red, 0};
      case QuadPlace::Green:
        return {0, p.green, 0, 0};
      case QuadPlace::Blue:
        return {p.blue, 0, 0, 0};
      case QuadPlace::Extra:
        return {0, 0, 0, p.extra};
    }
  }
  switch (type) {
    case Q9_MONO1:
    case Q9_MONO4:
    case Q9_MONO16:
    case Q9_MONO64:
      return {0, 0, p.red, 0};
    case Q9_TRI3:
    case Q9_TRI256:
      return {0, p.green, p.red, 0};
    default:
      return {p.blue, p.green, p.red, 0};
  }
}

// Every value of every channel survives a write and a read at every quad place
// and at bulbs that share bytes with their neighbours.
TEST(BulbLayoutTest, EveryValueRoundTrips) {
  // Highest level per channel, by colour type.
  const unsigned kMax[kColorTypeCount] = {1, 1, 1, 3, 3, 15, 15, 15, 63, 3, 15, 255, 63, 31, 255};
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    const BulbLayout layout = MakeBulbLayout(5, 19, type);
    std::vector<uint8_t> buffer(layout.totalSize, 0);
    const unsigned levels = kMax[type] + 1;
    auto pixelAt = [&](unsigned v, unsigned row, unsigned column) {
      // Neighbours get different values so that a bulb spilling into the next
      // one shows.
      const unsigned k = v + row * 7 + column * 3;
      return BulbPixel{uint8_t(k * 5 % levels), uint8_t(k * 3 % levels), uint8_t(k % levels),
                       uint8_t(k * 11 % levels)};
    };
    for (unsigned v = 0; v < levels; ++v) {
      for (unsigned row = 0; row < layout.rows; ++row) {
        for (unsigned column = 0; column < layout.columns; ++column) {
          ASSERT_EQ(SetBulbPixel(layout, row, column, buffer.data(), pixelAt(v, row, column)), 0);
        }
      }
      for (unsigned row = 0; row < layout.rows; ++row) {
        for (unsigned column = 0; column < layout.columns; ++column) {
          BulbPixel read;
          ASSERT_EQ(GetBulbPixel(layout, row, column, buffer.data(), read), 0);
          ASSERT_EQ(read, Kept(type, row, column, pixelAt(v, row, column)))
              << "type " << type << " value " << v << " at " << row << "," << column;
        }
      }
    }
  }
}

}  // namespace
}  // namespace q9::platform
