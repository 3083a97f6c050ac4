#include "platform/signlib/q9_inc_frame.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::platform {
namespace {

TEST(IncFrameTest, FieldIndexAndPathBounds) {
  CQ9IncFrame inc;
  ASSERT_EQ(inc.SetFieldCount(2), 1);
  const std::string max(511, 'p'), over(512, 'p');
  struct Case {
    int index;
    const char* path;
    int expected;
  };
  const Case cases[] = {{0, "..\\Main.Lib\\A.SQ9", 1},
                        {1, max.c_str(), 1},
                        {1, over.c_str(), 0},
                        {2, "x", 0},
                        {-1, "x", 0},
                        {0, nullptr, 0}};
  for (const Case& c : cases) EXPECT_EQ(inc.SetFieldPath(c.index, c.path), c.expected) << c.index;
  EXPECT_EQ(inc.FieldPath(0), "..\\Main.Lib\\A.SQ9");
  EXPECT_EQ(inc.FieldPath(1), max);  // the refused path left it unchanged
  EXPECT_EQ(inc.FieldPath(2), "");

  EXPECT_EQ(inc.EnableField(1, 7), 1);  // any non-zero means on
  EXPECT_EQ(inc.EnableField(2, 1), 0);
  EXPECT_EQ(inc.EnableField(-1, 1), 0);
  EXPECT_FALSE(inc.IsFieldEnabled(0));
  EXPECT_TRUE(inc.IsFieldEnabled(1));
  EXPECT_FALSE(inc.IsFieldEnabled(2));
  EXPECT_EQ(inc.EnableField(1, 0), 1);
  EXPECT_FALSE(inc.IsFieldEnabled(1));
}

TEST(IncFrameTest, ResizingKeepsEarlierFieldsAndClearsNewOnes) {
  CQ9IncFrame inc;
  EXPECT_EQ(inc.SetFieldCount(16), 1);
  EXPECT_EQ(inc.SetFieldCount(17), 0);
  EXPECT_EQ(inc.SetFieldCount(65535), 0);
  EXPECT_EQ(inc.FieldCount(), 16);
  ASSERT_EQ(inc.SetFieldCount(3), 1);
  inc.EnableField(0, 1);
  inc.SetFieldPath(0, "a");
  inc.EnableField(2, 1);
  inc.SetFieldPath(2, "c");
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
