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
using platform::SetBulbPixel;
using Bytes = std::vector<uint8_t>;

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

// A source whose bulb (row, column) holds value(row, column) in every channel.
template <class Value>
Bytes Filled(const BulbLayout& layout, Value value) {
  Bytes data(layout.totalSize, 0);
  for (unsigned row = 0; row < layout.rows; ++row)
    for (unsigned column = 0; column < layout.columns; ++column) {
      const uint8_t v = uint8_t(value(row, column));
      SetBulbPixel(layout, row, column, data.data(), {v, v, v, v});
    }
  return data;
}

TEST(BulbRectTest, CopyBulbRectCopiesExactlyTheRectangle) {
  const struct {
    uint32_t type;
    unsigned srcRows, srcColumns, dstRows, dstColumns;
    BulbRect dstRect;
    int srcColumn, srcRow;
  } cases[] = {
      {platform::Q9_MONO1, 20, 40, 20, 40, {13, 2, 33, 9}, 3, 5},  // bits shift left
      {platform::Q9_MONO1, 20, 40, 20, 40, {3, 2, 23, 9}, 13, 5},  // bits shift right
      {platform::Q9_RGB4K, 9, 70, 11, 65, {7, 1, 57, 10}, 1, 0},   // many bytes, 12 planes
      {platform::Q9_QUAD256, 6, 17, 6, 17, {0, 0, 17, 6}, 0, 0},   // whole buffer
      {platform::Q9_TRI3, 5, 9, 5, 9, {8, 4, 9, 5}, 0, 0},         // one bulb
      {platform::Q9_RGB16M, 3, 16, 3, 16, {5, 1, 5, 3}, 2, 0},     // empty width
      {platform::Q9_RGB32KB, 5, 7, 4, 9, {2, 1, 9, 4}, 0, 2},      // packed, odd columns
  };
  unsigned seed = 1;
  for (const auto& c : cases) {
    const BulbLayout src = MakeBulbLayout(c.srcRows, c.srcColumns, c.type);
    const BulbLayout dst = MakeBulbLayout(c.dstRows, c.dstColumns, c.type);
    const Bytes source = RandomBytes(src.totalSize, seed++);
    Bytes buffer = RandomBytes(dst.totalSize, seed++);
    // Expected: the same bulbs written one by one; every other byte and bit,
    // padding included, stays as it was.
    Bytes expected = buffer;
    for (int y = 0; y < c.dstRect.Height(); ++y)
      for (int x = 0; x < c.dstRect.Width(); ++x)
        SetBulbPixel(dst, unsigned(c.dstRect.top + y), unsigned(c.dstRect.left + x),
                     expected.data(),
                     At(src, source, unsigned(c.srcRow + y), unsigned(c.srcColumn + x)));
    ASSERT_EQ(
        CopyBulbRect(src, dst, c.dstRect, buffer.data(), source.data(), c.srcColumn, c.srcRow), 0);
    EXPECT_EQ(buffer, expected) << "type " << c.type << " rect " << c.dstRect.left << ","
                                << c.dstRect.top;
  }
}

TEST(BulbRectTest, CopyBulbRectRefusesAndTouchesNothing) {
  const BulbLayout mono = MakeBulbLayout(8, 20, platform::Q9_MONO16);
  const BulbLayout other = MakeBulbLayout(8, 20, platform::Q9_TRI256);
  const struct {
    const char* name;
    BulbLayout dst;
    BulbRect rect;
    int srcColumn, srcRow;
  } cases[] = {
      {"different types", other, {0, 0, 4, 4}, 0, 0},
      {"past the destination's right", mono, {17, 0, 21, 4}, 0, 0},
      {"past the destination's bottom", mono, {0, 5, 4, 9}, 0, 0},
      {"negative destination", mono, {-1, 0, 3, 4}, 0, 0},
      {"past the source's right", mono, {0, 0, 4, 4}, 17, 0},
      {"past the source's bottom", mono, {0, 0, 4, 4}, 0, 5},
      {"negative source", mono, {0, 0, 4, 4}, 0, -1},
      {"inverted", mono, {4, 0, 0, 4}, 0, 0},
      {"huge", mono, {0, 0, INT_MAX, 4}, 0, 0},
  };
  const Bytes source = RandomBytes(mono.totalSize, 7);
  for (const auto& c : cases) {
    Bytes buffer(c.dst.totalSize, 0x3C);
    EXPECT_EQ(
        CopyBulbRect(mono, c.dst, c.rect, buffer.data(), source.data(), c.srcColumn, c.srcRow), 1)
        << c.name;
    EXPECT_EQ(buffer, Bytes(c.dst.totalSize, 0x3C)) << c.name;
  }
}

TEST(BulbRectTest, ScaleBulbRectSamplesNearestAndRunsOnePast) {
  const BulbLayout src = MakeBulbLayout(3, 3, platform::Q9_MONO16);
  const Bytes source = Filled(src, [](unsigned row, unsigned column) { return row * 4 + column; });
  const struct {
    const char* name;
    BulbRect srcRect, dstRect;
    // Source (row, column) each written destination bulb (k, j) comes from,
    // for k, j in 0..last; -1 marks a bulb that stays 0.
    int last;
    int (*from)(int);
  } cases[] = {
      // 2 x 2 doubled onto 4 x 4: k -> k * 2 / 4; the extra row and column 4
      // take source row and column 2, just outside the source rectangle. The
      // destination rectangle's corner does not move the output.
      {"doubled", {0, 0, 2, 2}, {2, 2, 6, 6}, 4, [](int k) { return k / 2; }},
      // 3 x 3 onto 2 x 2: k -> k * 3 / 2; k = 2 reads row 3, outside the source.
      {"shrunk", {0, 0, 3, 3}, {0, 0, 2, 2}, 2, [](int k) { return k == 2 ? -1 : k * 3 / 2; }},
      // An empty destination rectangle counts as 1 x 1.
      {"empty", {1, 1, 3, 3}, {0, 0, 0, 0}, 0, [](int) { return 1; }},
  };
  for (const auto& c : cases) {
    const BulbLayout dst = MakeBulbLayout(7, 7, platform::Q9_MONO16);
    Bytes buffer(dst.totalSize, 0);
    ScaleBulbRect(source.data(), c.srcRect, src, buffer.data(), c.dstRect, dst, false);
    for (int k = 0; k < 7; ++k)
      for (int j = 0; j < 7; ++j) {
        const bool written = k <= c.last && j <= c.last && c.from(k) >= 0 && c.from(j) >= 0;
        ASSERT_EQ(At(dst, buffer, unsigned(k), unsigned(j)).red,
                  written ? (c.from(k) * 4 + c.from(j)) % 16 : 0)
            << c.name << " at " << k << "," << j;
      }
  }
}

TEST(BulbRectTest, ScaleBulbRectWithQuadFlagMovesWholeQuads) {
  // 4 x 4 Quad256 source, each bulb's level (row + column) % 4 in its place's
  // channel; the destination rectangle 5 x 5 has its bounds made even (0..4).
  const BulbLayout src = MakeBulbLayout(4, 4, platform::Q9_QUAD256);
  const Bytes source =
      Filled(src, [](unsigned row, unsigned column) { return (row + column) % 4; });
  const BulbLayout dst = MakeBulbLayout(8, 8, platform::Q9_QUAD256);
  Bytes buffer(dst.totalSize, 0);
  ScaleBulbRect(source.data(), {0, 0, 4, 4}, src, buffer.data(), {0, 0, 5, 5}, dst, true);
  for (unsigned k = 0; k < 8; ++k)
    for (unsigned j = 0; j < 8; ++j) {
      BulbPixel expected;
      if (k < 6 && j < 6) {  // quads at 0, 2, 4 written as whole quads
        // Quad origin k & ~1 samples source row ((k & ~1) * 4 / 5) & ~1.
        const unsigned row = (((k & ~1u) * 4 / 5) & ~1u) + (k & 1);
        const unsigned column = (((j & ~1u) * 4 / 5) & ~1u) + (j & 1);
        expected = At(src, source, row, column);
      }
      ASSERT_EQ(At(dst, buffer, k, j), expected) << k << "," << j;
    }
}

TEST(BulbRectTest, ScaleBulbRectSpreadsQuadLevelsWithoutTheFlag) {
  // One source quad: red 1, green 2, blue 3, extra 1 (Quad256).
  const BulbLayout src = MakeBulbLayout(2, 2, platform::Q9_QUAD256);
  const uint8_t levels[2][2] = {{1, 3}, {2, 1}};  // [row][column]
  const Bytes source =
      Filled(src, [&](unsigned row, unsigned column) { return levels[row][column]; });
  // Shifted by one column: every destination bulb stands for another channel
  // than its source bulb, and still shows that bulb's level.
  const BulbLayout dst = MakeBulbLayout(2, 3, platform::Q9_QUAD256);
  Bytes buffer(dst.totalSize, 0);
  ScaleBulbRect(source.data(), {0, 0, 2, 2}, src, buffer.data(), {0, 0, 3, 2}, dst, false);
  for (unsigned k = 0; k < 2; ++k)
    for (unsigned j = 0; j < 3; ++j) {
      const BulbPixel p = At(dst, buffer, k, j);
      EXPECT_EQ(std::max({p.red, p.green, p.blue, p.extra}), levels[k][j * 2 / 3]) << k << j;
    }
}

TEST(BulbRectTest, ScaleBulbRectSurvivesWildRectangles) {
  const BulbLayout layout = MakeBulbLayout(4, 4, platform::Q9_MONO4);
  const Bytes source = RandomBytes(layout.totalSize, 3);
  const BulbRect rects[] = {{0, 0, INT_MAX, INT_MAX}, {-5, -5, 2, 2},           {3, 3, 0, 0},
                            {INT_MIN, 0, INT_MAX, 1}, {0, INT_MIN, 1, INT_MAX}, {2, 2, 2, 2}};
  for (const BulbRect& s : rects)
    for (const BulbRect& d : rects)
      for (bool quad : {false, true}) {
        Bytes buffer(layout.totalSize + 8, 0);
        ScaleBulbRect(source.data(), s, layout, buffer.data(), d, layout, quad);
        for (size_t i = layout.totalSize; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0);
      }
}

}  // namespace
}  // namespace q9::imaging
