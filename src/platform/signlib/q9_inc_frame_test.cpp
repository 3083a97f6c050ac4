#include "platform/signlib/q9_inc_frame.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::platform {
namespace {

// At most 16 fields of at most 511 bytes; a refused path leaves the field
// as it was.
TEST(IncFrameTest, FieldCountAndPathLimits) {
  CQ9IncFrame inc;
  EXPECT_EQ(inc.SetFieldCount(17), 0);
  ASSERT_EQ(inc.SetFieldCount(16), 1);
  ASSERT_EQ(inc.SetFieldCount(3), 1);
  const std::string max(511, 'p');
  EXPECT_EQ(inc.SetFieldPath(1, max.c_str()), 1);
  EXPECT_EQ(inc.SetFieldPath(1, (max + "p").c_str()), 0);
  EXPECT_EQ(inc.FieldPath(1), max);
  EXPECT_EQ(inc.PayloadSize(), 2u + 3 * 4 + 511);  // count, then per field 4 bytes and the path
}

}  // namespace
}  // namespace q9::platform
