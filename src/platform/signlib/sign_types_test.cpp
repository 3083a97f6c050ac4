#include "platform/signlib/sign_types.h"

#include <gtest/gtest.h>

namespace q9::platform {
namespace {

// Plane types: (rows rounded up to even) x (16-bit words per row) x 2 x bits.
// Packed types: rows x (bits rounded to a nibble x columns, padded to 32 bits).
TEST(SignTypesTest, BulbDataSizeFollowsTheSizeRule) {
  // 7 x 21, by colour type: 8 plane rows of 2 words = 32 bytes a plane;
  // RGB32KB rows of 16 x 21 = 336 bits -> 44 bytes; RGB16MB 504 bits -> 64.
  const uint64_t k7x21[kColorTypeCount] = {32,  32,  64,  64,  64,  128, 128, 256,
                                           192, 192, 384, 768, 192, 308, 448};
  for (uint32_t type = 0; type < kColorTypeCount; ++type)
    EXPECT_EQ(BulbDataSize(7, 21, type), k7x21[type]) << ColorTypeName(type);

  EXPECT_EQ(BulbDataSize(7, 21, Q9_NO_COLOR), 0u);  // no bits per bulb
  EXPECT_EQ(BulbDataSize(0, 21, Q9_MONO1), 0u);
  EXPECT_EQ(BulbDataSize(65535, 65535, Q9_RGB16M), 65536ull * 4096 * 2 * 24);  // exact in 64 bits
}

}  // namespace
}  // namespace q9::platform
