#include "platform/signlib/cq9_end_frame.h"

#include "platform/signlib/sign_types.h"

namespace q9::platform {

CQ9EndFrame::CQ9EndFrame() : CQ9Frame(kFrameEnd) {}

}  // namespace q9::platform
