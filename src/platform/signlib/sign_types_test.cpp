#include "platform/signlib/sign_types.h"

#include <gtest/gtest.h>

namespace q9::platform {
namespace {

struct SizeCase {
  uint64_t rows;
  uint64_t columns;
  uint32_t colorType;
  uint64_t expected;
};

// Plane types: (rows rounded up to even) x (words per row) x 2 bytes x bits.
// Packed types: rows x (bits rounded to a nibble x columns, padded to 32 bits).
// 7 x 21: 8 plane rows of 2 words = 32 bytes a plane; RGB32KB rows of 16 x 21 =
// 336 bits -> 44 bytes; RGB16MB rows of 24 x 21 = 504 bits -> 64 bytes.
const SizeCase kSizeCases[] = {
    {7, 21, Q9_MONO1, 32},
    {7, 21, Q9_QUAD16, 32},
    {7, 21, Q9_TRI3, 64},
    {7, 21, Q9_QUAD256, 64},
    {7, 21, Q9_MONO4, 64},
    {7, 21, Q9_QUAD64K, 128},
    {7, 21, Q9_MONO16, 128},
    {7, 21, Q9_TRI256, 256},
    {7, 21, Q9_QUAD16M, 192},
    {7, 21, Q9_RGB64, 192},
    {7, 21, Q9_RGB4K, 384},
    {7, 21, Q9_RGB16M, 768},
    {7, 21, Q9_MONO64, 192},
    {7, 21, Q9_RGB32KB, 308},
    {7, 21, Q9_RGB16MB, 448},
    {7, 21, Q9_NO_COLOR, 0},  // no bits per bulb
    {7, 21, 99, 32},          // unknown types count as one bit
    // Even rows, whole words: no padding at all.
    {16, 16, Q9_MONO1, 32},
    {16, 32, Q9_MONO16, 256},
    {64, 192, Q9_RGB16M, 36864},
    // One bulb still takes two plane rows of one word.
    {1, 1, Q9_MONO1, 4},
    {1, 1, Q9_RGB4K, 48},
    // 17 columns spill into a second word.
    {16, 17, Q9_MONO16, 256},
    // Packed rows padded to 32 bits: 1 x 16 bits -> 4 bytes, 2 x 24 -> 8 bytes.
    {1, 1, Q9_RGB32KB, 4},
    {3, 2, Q9_RGB32KB, 12},
    {3, 3, Q9_RGB32KB, 24},
    {1, 1, Q9_RGB16MB, 4},
    {2, 2, Q9_RGB16MB, 16},
    {5, 4, Q9_RGB16MB, 60},
    // Packed types are not rounded to an even number of rows.
    {5, 2, Q9_RGB32KB, 20},
    // Empty geometry.
    {0, 21, Q9_MONO1, 0},
    {7, 0, Q9_RGB16MB, 0},
    // Large values stay exact in 64 bits.
    {65535, 65535, Q9_RGB16M, 65536ull * 4096 * 2 * 24},
};

TEST(SignTypesTest, BulbDataSizeFollowsTheSizeRule) {
  for (const SizeCase& c : kSizeCases) {
    EXPECT_EQ(BulbDataSize(c.rows, c.columns, c.colorType), c.expected)
        << c.rows << " x " << c.columns << " type " << c.colorType;
  }
}

TEST(SignTypesTest, NamesBitsAndKindsOfColourTypes) {
  struct Row {
    uint32_t type;
    const char* name;
    unsigned bits;
    bool quad;
    bool packed;
  };
  const Row rows[] = {
      {0, "Mono1", 1, false, false},    {1, "Quad16", 1, true, false},
      {2, "Tri3", 2, false, false},     {3, "Quad256", 2, true, false},
      {4, "Mono4", 2, false, false},    {5, "Quad64K", 4, true, false},
      {6, "Mono16", 4, false, false},   {7, "Tri256", 8, false, false},
      {8, "Quad16M", 6, true, false},   {9, "RGB64", 6, false, false},
      {10, "RGB4K", 12, false, false},  {11, "RGB16M", 24, false, false},
      {12, "Mono64", 6, false, false},  {13, "RGB32KB", 16, false, true},
      {14, "RGB16MB", 24, false, true}, {15, "", 0, false, false},
      {16, "", 1, false, false},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(ColorTypeName(r.type), r.name) << r.type;
    EXPECT_EQ(BitsPerBulb(r.type), r.bits) << r.type;
    EXPECT_EQ(IsQuadType(r.type), r.quad) << r.type;
    EXPECT_EQ(IsPackedType(r.type), r.packed) << r.type;
    if (*r.name != '\0') {
      EXPECT_EQ(ColorTypeFromName(r.name), r.type);
    }
  }
  EXPECT_EQ(ColorTypeFromName("rgb16mb"), Q9_RGB16MB);
  EXPECT_EQ(ColorTypeFromName("RGB16"), std::nullopt);
  EXPECT_EQ(ColorTypeFromName(""), std::nullopt);
}

}  // namespace
}  // namespace q9::platform
