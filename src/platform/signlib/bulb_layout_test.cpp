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
      {5, 17, Q9_QUAD256, {2, 24, 4, 5, 17, 1, 48, 3}},
      {16, 48, Q9_MONO16, {4, 96, 6, 16, 48, 0, 384, 6}},
      {2, 2, Q9_NO_COLOR, {0, 4, 2, 2, 2, 0, 0, 15}},
      {2, 2, 20, {1, 4, 2, 2, 2, 0, 4, 20}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(MakeBulbLayout(c.rows, c.columns, c.type), c.expected) << c.type;
  }
  // The layout computes its size on its own; it must agree with the size rule.
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    for (unsigned rows : {1u, 2u, 33u}) {
      for (unsigned columns : {1u, 16u, 17u, 50u}) {
        EXPECT_EQ(MakeBulbLayout(rows, columns, type).totalSize, BulbDataSize(rows, columns, type))
            << rows << " x " << columns << " type " << type;
      }
    }
  }
}

TEST(BulbLayoutTest, HugeGeometrySaturatesAndIsInvalid) {
  EXPECT_EQ(MakeBulbLayout(0xFFFFFFFFu, 0xFFFFFFFFu, Q9_RGB16M).planeSize, 0xFFFFFFFFu);
  EXPECT_EQ(MakeBulbLayout(0xFFFFFFFFu, 0xFFFFFFFFu, Q9_RGB16MB).totalSize, 0xFFFFFFFFu);

  struct Case {
    uint64_t rows, columns;
    uint32_t type;
    bool valid;
  };
  const Case cases[] = {{4096, 4096, Q9_RGB16M, true},
                        {4097, 4096, Q9_RGB16M, false},
                        {1, kMaxBulbCount, Q9_RGB16MB, true},
                        {kMaxBulbCount + 1, 1, Q9_MONO1, false},
                        {0, 5, Q9_MONO1, false},
                        {5, 0, Q9_MONO1, false},
                        {5, 5, Q9_NO_COLOR, false},
                        {1ull << 32, 1ull << 32, Q9_MONO1, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidBulbGeometry(c.rows, c.columns, c.type), c.valid)
        << c.rows << " x " << c.columns << " type " << c.type;
  }
}

// On a 7 x 21 sign (planes of 32 bytes, rows of 4), writing a plane bulb sets
// bit i of its value in plane i, at byte row * 4 + column / 8, most significant
// bit first, and touches nothing else; reading it back gives the channels the
// type keeps.
TEST(BulbLayoutTest, PlaneBulbs) {
  struct Case {
    uint32_t type;
    unsigned row, column;
    BulbPixel pixel;  // blue, green, red, extra
    uint32_t value;
    BulbPixel read;
  };
  const Case cases[] = {
      {Q9_MONO64, 6, 20, {9, 9, 45, 9}, 45, {0, 0, 45, 0}},     // only red counts
      {Q9_MONO16, 2, 3, {0, 0, 0x1F, 0}, 0xF, {0, 0, 0xF, 0}},  // bits beyond the bulb dropped
      {Q9_TRI256, 0, 0, {15, 0xA, 0x5, 15}, 0xA5, {0, 0xA, 0x5, 0}},
      {Q9_RGB4K, 6, 7, {0xC, 0xB, 0xA, 0}, 0xCBA, {0xC, 0xB, 0xA, 0}},
      {Q9_RGB16M, 3, 9, {0x12, 0x34, 0x56, 7}, 0x123456, {0x12, 0x34, 0x56, 0}},
      {Q9_QUAD256, 0, 0, {1, 2, 3, 1}, 3, {0, 0, 3, 0}},  // red place
      {Q9_QUAD256, 1, 0, {1, 2, 3, 1}, 2, {0, 2, 0, 0}},  // green place
      {Q9_QUAD256, 0, 1, {1, 2, 3, 1}, 1, {1, 0, 0, 0}},  // blue place
      {Q9_QUAD256, 1, 1, {1, 2, 3, 0}, 0, {0, 0, 0, 0}},  // extra place
      {Q9_QUAD16M, 5, 15, {0, 0, 0, 45}, 45, {0, 0, 0, 45}},
  };
  for (const Case& c : cases) {
    const BulbLayout layout = MakeBulbLayout(7, 21, c.type);
    std::vector<uint8_t> buffer(layout.totalSize, 0);
    ASSERT_EQ(SetBulbPixel(layout, c.row, c.column, buffer.data(), c.pixel), 0);
    std::vector<uint8_t> expected(layout.totalSize, 0);
    for (uint32_t plane = 0; plane < layout.bitsPerBulb; ++plane) {
      if (c.value >> plane & 1)
        expected[plane * 32 + c.row * 4 + c.column / 8] = uint8_t(0x80 >> (c.column % 8));
    }
    EXPECT_EQ(buffer, expected) << "type " << c.type << " at " << c.row << "," << c.column;
    BulbPixel read;
    ASSERT_EQ(GetBulbPixel(layout, c.row, c.column, buffer.data(), read), 0);
    EXPECT_EQ(read, c.read) << "type " << c.type << " at " << c.row << "," << c.column;
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
      {Q9_RGB32KB, 2, 3, 1, 2, {1, 2, 3, 0}, 10, {0x41, 0x0C}},          // 3 << 10 | 2 << 5 | 1
      {Q9_RGB32KB, 3, 5, 2, 4, {255, 255, 255, 255}, 28, {0xFF, 0x7F}},  // bit 15 stays 0
      {Q9_RGB16MB, 2, 5, 1, 2, {0x11, 0x22, 0x33, 0x44}, 21, {0x11, 0x22, 0x33}},
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
  for (uint32_t type : {Q9_MONO1, Q9_RGB32KB, Q9_RGB16MB, Q9_NO_COLOR}) {
    const BulbLayout layout = MakeBulbLayout(3, 5, type);
    std::vector<uint8_t> buffer(layout.totalSize + 16, 0x5A);
    const std::vector<uint8_t> before = buffer;
    for (auto [row, column] : {std::pair{3u, 0u}, {0u, 5u}, {0xFFFFFFFFu, 0u}}) {
      BulbPixel read{1, 2, 3, 4};
      EXPECT_EQ(GetBulbPixel(layout, row, column, buffer.data(), read), 1);
      EXPECT_EQ(read, BulbPixel{});
      EXPECT_EQ(SetBulbPixel(layout, row, column, buffer.data(), BulbPixel{9, 9, 9, 9}), 1);
    }
    EXPECT_EQ(buffer, before) << "type " << type;
  }
  // A type without bulb values fails even inside the layout.
  BulbPixel read;
  uint8_t byte = 0;
  EXPECT_EQ(GetBulbPixel(MakeBulbLayout(3, 5, Q9_NO_COLOR), 0, 0, &byte, read), 1);
}

}  // namespace
}  // namespace q9::platform
