#pragma once
// Transmit-data frame ("txd "): one tag_Q9_TXD_FRM record.

#include "platform/signlib/cq9_frame.h"
#include "platform/signlib/sq9_records.h"

namespace q9::platform {

class CQ9TxdFrame : public CQ9Frame {
 public:
  static constexpr CQ9RuntimeClass classCQ9TxdFrame{"CQ9TxdFrame", &CQ9Frame::classCQ9Frame};

  CQ9TxdFrame();
  const CQ9RuntimeClass* GetRuntimeClass() const override { return &classCQ9TxdFrame; }

  tag_Q9_TXD_FRM* TxdFrame() { return &m_record; }
  const tag_Q9_TXD_FRM* TxdFrame() const { return &m_record; }

  uint32_t PayloadSize() const override;
  bool WritePayload(CQ9RiffFile& file) const override;
  bool ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) override;

 private:
  tag_Q9_TXD_FRM m_record{};
};

}  // namespace q9::platform
