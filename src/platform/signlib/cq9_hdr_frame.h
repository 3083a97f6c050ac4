#pragma once
// Frame 0 of every sequence: the sequence's own header frame, type "hdr ".
// The sequence library creates it with the sequence; it cannot be added.

#include "platform/signlib/cq9_frame.h"
#include "platform/signlib/sq9_records.h"

namespace q9::platform {

class CQ9HdrFrame : public CQ9Frame {
 public:
  static constexpr CQ9RuntimeClass classCQ9HdrFrame{"CQ9HdrFrame", &CQ9Frame::classCQ9Frame};

  CQ9HdrFrame();
  const CQ9RuntimeClass* GetRuntimeClass() const override { return &classCQ9HdrFrame; }

  // Sequence-wide options, reserved: zero in every sequence we write.
  tag_Q9_HDR_FRM* HdrFrame() { return &m_record; }
  const tag_Q9_HDR_FRM* HdrFrame() const { return &m_record; }

  uint32_t PayloadSize() const override;
  bool WritePayload(CQ9RiffFile& file) const override;
  bool ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) override;

 private:
  tag_Q9_HDR_FRM m_record{};
};

}  // namespace q9::platform
