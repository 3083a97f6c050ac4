#include "convert/wait_cursor.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::convert {
namespace {

class WaitCursorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetWaitCursorHooks([this] { m_log += "+"; }, [this] { m_log += "-"; });
  }
  void TearDown() override { SetWaitCursorHooks({}, {}); }
  std::string m_log;
};

TEST_F(WaitCursorTest, NestedGuardsPairEveryBeginWithAnEnd) {
  {
    WaitCursor outer;
    EXPECT_EQ(m_log, "+");
    {
      WaitCursor inner;
      EXPECT_EQ(m_log, "++");
    }
    EXPECT_EQ(m_log, "++-");
  }
  EXPECT_EQ(m_log, "++--");
}

TEST_F(WaitCursorTest, GuardKeepsTheEndHookItStartedWith) {
  std::string other;
  {
    WaitCursor guard;
    SetWaitCursorHooks([&] { other += "+"; }, [&] { other += "-"; });
  }
  EXPECT_EQ(m_log, "+-");
  EXPECT_EQ(other, "");
}

TEST_F(WaitCursorTest, WithoutBothHooksNothingHappens) {
  SetWaitCursorHooks({}, {});
  { WaitCursor guard; }
  SetWaitCursorHooks([this] { m_log += "+"; }, {});
  { WaitCursor guard; }
  EXPECT_EQ(m_log, "");
}

}  // namespace
}  // namespace q9::convert
