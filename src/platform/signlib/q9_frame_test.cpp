#include "platform/signlib/q9_frame.h"

#include <gtest/gtest.h>

#include "platform/signlib/q9_data_frame.h"
#include "platform/signlib/q9_end_frame.h"
#include "platform/signlib/q9_gph_frame.h"
#include "platform/signlib/q9_hdr_frame.h"
#include "platform/signlib/q9_inc_frame.h"
#include "platform/signlib/q9_txd_frame.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {
namespace {

TEST(FrameKindTest, IsKindOfFollowsTheClassTree) {
  const CQ9HdrFrame hdr;
  const auto gph = CQ9GphFrame::Create(4);
  const auto dat = CQ9DataFrame::Create(4);
  const CQ9IncFrame inc;
  const CQ9TxdFrame txd;
  const CQ9EndFrame end;
  const CQ9Frame* frames[] = {&hdr, gph.get(), dat.get(), &inc, &txd, &end};
  const CQ9RuntimeClass* classes[] = {
      &CQ9HdrFrame::classCQ9HdrFrame,   &CQ9GphFrame::classCQ9GphFrame,
      &CQ9DataFrame::classCQ9DataFrame, &CQ9IncFrame::classCQ9IncFrame,
      &CQ9TxdFrame::classCQ9TxdFrame,   &CQ9EndFrame::classCQ9EndFrame};
  // kind[f][c]: frame f is a kind of class c. Data frames are graphics frames.
  const bool kind[6][6] = {{1, 0, 0, 0, 0, 0}, {0, 1, 0, 0, 0, 0}, {0, 1, 1, 0, 0, 0},
                           {0, 0, 0, 1, 0, 0}, {0, 0, 0, 0, 1, 0}, {0, 0, 0, 0, 0, 1}};
  for (int f = 0; f < 6; ++f) {
    ASSERT_NE(frames[f], nullptr);
    EXPECT_TRUE(frames[f]->IsKindOf(&CQ9Frame::classCQ9Frame));
    EXPECT_FALSE(frames[f]->IsKindOf(nullptr));
    for (int c = 0; c < 6; ++c)
      EXPECT_EQ(frames[f]->IsKindOf(classes[c]), kind[f][c])
          << frames[f]->GetRuntimeClass()->name << " / " << classes[c]->name;
  }
}

TEST(FrameKindTest, TypeCodes) {
  EXPECT_EQ(CQ9HdrFrame().TypeCode(), FourCC("hdr "));
  EXPECT_EQ(CQ9GphFrame::Create(2)->TypeCode(), FourCC("grp "));
  EXPECT_EQ(CQ9DataFrame::Create(2)->TypeCode(), FourCC("dat "));
  EXPECT_EQ(CQ9IncFrame().TypeCode(), FourCC("inc "));
  EXPECT_EQ(CQ9TxdFrame().TypeCode(), FourCC("txd "));
  EXPECT_EQ(CQ9EndFrame().TypeCode(), FourCC("end "));
}

}  // namespace
}  // namespace q9::platform
