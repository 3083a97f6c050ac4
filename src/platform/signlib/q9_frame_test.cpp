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

TEST(FrameKindTest, TypeCodesAndClassTree) {
  const CQ9HdrFrame hdr;
  const auto gph = CQ9GphFrame::Create(4);
  const auto dat = CQ9DataFrame::Create(4);
  const CQ9IncFrame inc;
  const CQ9TxdFrame txd;
  const CQ9EndFrame end;
  const CQ9Frame* frames[] = {&hdr, gph.get(), dat.get(), &inc, &txd, &end};
  const uint32_t codes[] = {FourCC("hdr "), FourCC("grp "), FourCC("dat "),
                            FourCC("inc "), FourCC("txd "), FourCC("end ")};
  const CQ9RuntimeClass* classes[] = {
      &CQ9HdrFrame::classCQ9HdrFrame,   &CQ9GphFrame::classCQ9GphFrame,
      &CQ9DataFrame::classCQ9DataFrame, &CQ9IncFrame::classCQ9IncFrame,
      &CQ9TxdFrame::classCQ9TxdFrame,   &CQ9EndFrame::classCQ9EndFrame};
  for (int f = 0; f < 6; ++f) {
    ASSERT_NE(frames[f], nullptr);
    EXPECT_EQ(frames[f]->TypeCode(), codes[f]) << f;
    EXPECT_TRUE(frames[f]->IsKindOf(&CQ9Frame::classCQ9Frame));
    EXPECT_FALSE(frames[f]->IsKindOf(nullptr));
    // Each frame is of its own class only, except that data frames are
    // graphics frames too.
    for (int c = 0; c < 6; ++c)
      EXPECT_EQ(frames[f]->IsKindOf(classes[c]), c == f || (f == 2 && c == 1))
          << frames[f]->GetRuntimeClass()->name << " / " << classes[c]->name;
  }
}

}  // namespace
}  // namespace q9::platform
