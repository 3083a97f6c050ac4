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

}  // namespace
}  // namespace q9::platform
