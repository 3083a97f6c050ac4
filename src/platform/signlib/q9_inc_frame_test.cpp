#include "platform/signlib/q9_inc_frame.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::platform {
namespace {

// Index, path length and count bounds; resizing keeps earlier fields and
// clears new ones.
TEST(IncFrameTest, BoundsAndResizing) {
  CQ9IncFrame inc;
  EXPECT_EQ(inc.SetFieldCount(17), 0);
  EXPECT_EQ(inc.SetFieldCount(65535), 0);
  EXPECT_EQ(inc.SetFieldCount(16), 1);
  ASSERT_EQ(inc.SetFieldCount(3), 1);
  const std::string max(511, 'p'), over(512, 'p');
  const struct {
    int index;
    const char* path;
    int expected;
  } cases[] = {{0, "a", 1}, {1, max.c_str(), 1}, {1, over.c_str(), 0}, {2, "c", 1},
               {3, "x", 0}, {-1, "x", 0},        {0, nullptr, 0}};
  for (const auto& c : cases) EXPECT_EQ(inc.SetFieldPath(c.index, c.path), c.expected) << c.index;
  EXPECT_EQ(inc.FieldPath(1), max);  // the refused path left it unchanged
  EXPECT_EQ(inc.FieldPath(3), "");
  for (int i : {0, 2}) EXPECT_EQ(inc.EnableField(i, 7), 1);  // any non-zero means on
  EXPECT_EQ(inc.EnableField(3, 1), 0);
  EXPECT_EQ(inc.EnableField(-1, 1), 0);
  EXPECT_FALSE(inc.IsFieldEnabled(1));
  EXPECT_FALSE(inc.IsFieldEnabled(3));
  EXPECT_EQ(inc.EnableField(0, 0), 1);
  EXPECT_FALSE(inc.IsFieldEnabled(0));
  EXPECT_EQ(inc.EnableField(0, 1), 1);

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
