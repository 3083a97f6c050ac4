#include "platform/signlib/bulb_layout.h"

#include <gtest/gtest.h>

#include <vector>

#include "platform/signlib/sign_types.h"

namespace q9::platform {
namespace {

// The layout computes its size on its own; it must agree with the size rule.
TEST(BulbLayoutTest, SizeAgreesWithTheSizeRuleAndHugeGeometryIsInvalid) {
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    for (unsigned rows : {1u, 2u, 33u}) {
      for (unsigned columns : {1u, 16u, 17u, 50u}) {
        EXPECT_EQ(MakeBulbLayout(rows, columns, type).totalSize, BulbDataSize(rows, columns, type))
            << rows << " x " << columns << " type " << type;
      }
    }
  }
  EXPECT_EQ(MakeBulbLayout(0xFFFFFFFFu, 0xFFFFFFFFu, Q9_RGB16MB).totalSize, 0xFFFFFFFFu);
  struct Case {
    uint64_t rows, columns;
    uint32_t type;
    bool valid;
  };
  const Case cases[] = {{4096, 4096, Q9_RGB16M, true},
                        {4097, 4096, Q9_RGB16M, false},
                        {1ull << 32, 1ull << 32, Q9_MONO1, false}};
  for (const Case& c : cases) {
    EXPECT_EQ(IsValidBulbGeometry(c.rows, c.columns, c.type), c.valid)
        << c.rows << " x " << c.columns << " type " << c.type;
  }
}

// Writes one bulb into a zeroed buffer and expects exactly bytes at offset,
// then reads back the channels the type keeps.
void ExpectBulbBytes(unsigned rows, unsigned columns, uint32_t type, unsigned row, unsigned column,
                     BulbPixel pixel, size_t offset, const std::vector<uint8_t>& bytes,
                     BulbPixel read) {
  SCOPED_TRACE(::testing::Message() << "type " << type << " at " << row << "," << column);
  const BulbLayout layout = MakeBulbLayout(rows, columns, type);
  std::vector<uint8_t> buffer(layout.totalSize, 0), expected(layout.totalSize, 0);
  ASSERT_EQ(SetBulbPixel(layout, row, column, buffer.data(), pixel), 0);
  std::copy(bytes.begin(), bytes.end(), expected.begin() + std::ptrdiff_t(offset));
  EXPECT_EQ(buffer, expected);
  BulbPixel back;
  ASSERT_EQ(GetBulbPixel(layout, row, column, buffer.data(), back), 0);
  EXPECT_EQ(back, read);
}

// On a 7 x 21 sign (planes of 32 bytes, rows of 4), a plane bulb sets bit i
// of its value in plane i, at byte row * 4 + column / 8, most significant bit
// first, and touches nothing else.
TEST(BulbLayoutTest, PlaneBulbs) {
  struct Case {
    uint32_t type;
    unsigned row, column;
    BulbPixel pixel;  // blue, green, red, extra
    uint32_t value;
    BulbPixel read;
  };
  const Case cases[] = {
      {Q9_MONO64, 6, 20, {9, 9, 45, 9}, 45, {0, 0, 45, 0}},  // only red counts
      {Q9_RGB4K, 6, 7, {0xC, 0xB, 0xA, 0}, 0xCBA, {0xC, 0xB, 0xA, 0}},
      {Q9_QUAD16M, 5, 15, {0, 0, 0, 45}, 45, {0, 0, 0, 45}},  // extra place
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bytes(MakeBulbLayout(7, 21, c.type).totalSize, 0);
    for (uint32_t plane = 0; plane < 24; ++plane) {
      if (c.value >> plane & 1)
        bytes[plane * 32 + c.row * 4 + c.column / 8] = uint8_t(0x80 >> (c.column % 8));
    }
    ExpectBulbBytes(7, 21, c.type, c.row, c.column, c.pixel, 0, bytes, c.read);
  }
}

// Packed rows are addressed without padding: with 3 columns of RGB32KB the
// second row starts at byte 6, although the size rule pads rows to 8 bytes.
TEST(BulbLayoutTest, PackedBulbsUseUnpaddedRows) {
  ExpectBulbBytes(2, 3, Q9_RGB32KB, 1, 2, {1, 2, 3, 0}, 10, {0x41, 0x0C},
                  {1, 2, 3, 0});  // 3 << 10 | 2 << 5 | 1
  ExpectBulbBytes(2, 5, Q9_RGB16MB, 1, 2, {0x11, 0x22, 0x33, 0x44}, 21, {0x11, 0x22, 0x33},
                  {0x11, 0x22, 0x33, 0});
}

}  // namespace
}  // namespace q9::platform
