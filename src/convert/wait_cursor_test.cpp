#include "convert/wait_cursor.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::convert {
namespace {

TEST(WaitCursorTest, GuardsPairEveryBeginWithTheEndTheyStartedWith) {
  std::string log, other;
  const auto hooks = [](std::string& to) {
    SetWaitCursorHooks([&to] { to += "+"; }, [&to] { to += "-"; });
  };
  hooks(log);
  {
    WaitCursor outer;
    { WaitCursor inner; }
    EXPECT_EQ(log, "++-");
    hooks(other);  // the open guard still ends with the hook it began with
  }
  EXPECT_EQ(log, "++--");
  EXPECT_EQ(other, "");
  SetWaitCursorHooks([&] { log += "+"; }, {});  // without both hooks nothing happens
  { WaitCursor guard; }
  SetWaitCursorHooks({}, {});
  EXPECT_EQ(log, "++--");
}

}  // namespace
}  // namespace q9::convert
