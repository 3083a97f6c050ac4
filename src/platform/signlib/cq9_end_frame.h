#pragma once
// End frame ("end "): marks the end of the shown sequence; carries nothing.

#include "platform/signlib/cq9_frame.h"

namespace q9::platform {

class CQ9EndFrame : public CQ9Frame {
 public:
  static constexpr CQ9RuntimeClass classCQ9EndFrame{"CQ9EndFrame", &CQ9Frame::classCQ9Frame};

  CQ9EndFrame();
  const CQ9RuntimeClass* GetRuntimeClass() const override { return &classCQ9EndFrame; }

  uint32_t PayloadSize() const override { return 0; }
  bool WritePayload(CQ9RiffFile&) const override { return true; }
  bool ReadPayload(CQ9RiffFile&, uint64_t, uint32_t size) override { return size == 0; }
};

}  // namespace q9::platform
