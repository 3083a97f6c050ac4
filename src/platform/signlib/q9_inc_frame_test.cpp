#include "platform/signlib/q9_inc_frame.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::platform {
namespace {

// Count and path length bounds; resizing keeps earlier fields and clears
// new ones.
TEST(IncFrameTest, BoundsAndResizing) {
  CQ9IncFrame inc;
  EXPECT_EQ(inc.SetFieldCount(17), 0);
  ASSERT_EQ(inc.SetFieldCount(16), 1);
  ASSERT_EQ(inc.SetFieldCount(3), 1);
  const std::string max(511, 'p');
  EXPECT_EQ(inc.SetFieldPath(1, max.c_str()), 1);
  EXPECT_EQ(inc.SetFieldPath(1, (max + "p").c_str()), 0);
  EXPECT_EQ(inc.FieldPath(1), max);  // the refused path left it unchanged
  ASSERT_EQ(inc.SetFieldPath(0, "a"), 1);
  ASSERT_EQ(inc.SetFieldPath(2, "c"), 1);
  for (int i : {0, 2}) EXPECT_EQ(inc.EnableField(i, 7), 1);  // any non-zero means on

  ASSERT_EQ(inc.SetFieldCount(1), 1);
  ASSERT_EQ(inc.SetFieldCount(3), 1);
  EXPECT_TRUE(inc.IsFieldEnabled(0));
  EXPECT_EQ(inc.FieldPath(0), "a");
  EXPECT_FALSE(inc.IsFieldEnabled(2));
  EXPECT_EQ(inc.FieldPath(2), "");
  EXPECT_EQ(inc.PayloadSize(), 2u + 3 * 4 + 1);  // count, then per field 4 bytes and the path
}

}  // namespace
}  // namespace q9::platform
