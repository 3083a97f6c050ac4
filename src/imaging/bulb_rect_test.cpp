#include "imaging/bulb_rect.h"

#include <gtest/gtest.h>

#include <climits>
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

Bytes RandomBytes(size_t size, unsigned seed) {
  std::mt19937 random(seed);
  Bytes bytes(size);
  for (uint8_t& b : bytes) b = uint8_t(random());
  return bytes;
}

BulbPixel At(const BulbLayout& layout, const Bytes& data, unsigned row, unsigned column) {
  BulbPixel pixel;
  platform::GetBulbPixel(layout, row, column, data.data(), pixel);
  return pixel;
}

// Copied: the same bulbs as written one by one, every other byte and bit as
// it was. Refused (1): nothing written.
TEST(BulbRectTest, CopyBulbRectCopiesExactlyTheRectangleOrNothing) {
  const struct {
    uint32_t type;
    unsigned srcRows, srcColumns, dstRows, dstColumns;
    BulbRect dstRect;
    int srcColumn, srcRow;
    bool copied;
  } cases[] = {
      {pf::Q9_MONO1, 20, 40, 20, 40, {13, 2, 33, 9}, 3, 5, true},      // bits shift left
      {pf::Q9_MONO1, 20, 40, 20, 40, {3, 2, 23, 9}, 13, 5, true},      // bits shift right
      {pf::Q9_RGB4K, 9, 70, 11, 65, {7, 1, 57, 10}, 1, 0, true},       // many bytes, 12 planes
      {pf::Q9_QUAD256, 6, 17, 6, 17, {0, 0, 17, 6}, 0, 0, true},       // whole buffer
      {pf::Q9_RGB32KB, 5, 7, 4, 9, {2, 1, 9, 4}, 0, 2, true},          // packed, odd columns
      {pf::Q9_MONO16, 8, 20, 8, 20, {17, 0, 21, 4}, 0, 0, false},      // past the destination
      {pf::Q9_MONO16, 8, 20, 8, 20, {0, 0, 4, 4}, 17, 0, false},       // past the source
      {pf::Q9_MONO16, 8, 20, 8, 20, {0, 0, INT_MAX, 4}, 0, 0, false},  // huge
  };
  unsigned seed = 1;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "row " << &c - cases);
    const BulbLayout src = MakeBulbLayout(c.srcRows, c.srcColumns, c.type);
    const BulbLayout dst = MakeBulbLayout(c.dstRows, c.dstColumns, c.type);
    const Bytes source = RandomBytes(src.totalSize, seed++);
    Bytes buffer = RandomBytes(dst.totalSize, seed++), expected = buffer;
    for (int y = 0; c.copied && y < c.dstRect.Height(); ++y)
      for (int x = 0; x < c.dstRect.Width(); ++x)
        pf::SetBulbPixel(dst, unsigned(c.dstRect.top + y), unsigned(c.dstRect.left + x),
                         expected.data(),
                         At(src, source, unsigned(c.srcRow + y), unsigned(c.srcColumn + x)));
    EXPECT_EQ(
        CopyBulbRect(src, dst, c.dstRect, buffer.data(), source.data(), c.srcColumn, c.srcRow),
        c.copied ? 0 : 1);
    EXPECT_EQ(buffer, expected);
  }
}

// A 4 x 4 Quad256 source. With the quad flag whole quads move; without it
// each bulb's level spreads to every channel, so that it shows on a bulb of
// any place.
TEST(BulbRectTest, ScaleBulbRectMovesWholeQuadsOrSpreadsTheirLevels) {
  const BulbLayout src = MakeBulbLayout(4, 4, pf::Q9_QUAD256);
  const Bytes source = RandomBytes(src.totalSize, 5);
  // With the flag, onto 8 x 8: the destination rectangle 5 x 5 has its bounds
  // made even (0..4); quad origin k & ~1 samples source row ((k & ~1) * 4 / 5) & ~1.
  const BulbLayout dst = MakeBulbLayout(8, 8, pf::Q9_QUAD256);
  Bytes buffer(dst.totalSize, 0);
  ScaleBulbRect(source.data(), {0, 0, 4, 4}, src, buffer.data(), {0, 0, 5, 5}, dst, true);
  const auto from = [](unsigned k) { return (((k & ~1u) * 4 / 5) & ~1u) + (k & 1); };
  for (unsigned k = 0; k < 8; ++k)
    for (unsigned j = 0; j < 8; ++j)  // quads at 0, 2, 4 written as whole quads
      ASSERT_EQ(At(dst, buffer, k, j),
                k < 6 && j < 6 ? At(src, source, from(k), from(j)) : BulbPixel{})
          << k << "," << j;
  // Without it, onto 4 x 6: bulbs that stand for another channel than their
  // source bulb still show its level.
  const BulbLayout wide = MakeBulbLayout(4, 6, pf::Q9_QUAD256);
  Bytes spread(wide.totalSize, 0);
  ScaleBulbRect(source.data(), {0, 0, 4, 4}, src, spread.data(), {0, 0, 6, 4}, wide, false);
  const auto level = [](BulbPixel p) { return std::max({p.red, p.green, p.blue, p.extra}); };
  for (unsigned k = 0; k < 4; ++k)
    for (unsigned j = 0; j < 6; ++j)
      EXPECT_EQ(level(At(wide, spread, k, j)), level(At(src, source, k, j * 4 / 6))) << k << j;
}

}  // namespace
}  // namespace q9::imaging
