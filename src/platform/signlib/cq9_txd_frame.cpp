#include "platform/signlib/cq9_txd_frame.h"

#include "platform/signlib/cq9_riff_file.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {

CQ9TxdFrame::CQ9TxdFrame() : CQ9Frame(kFrameTransmitData) {}

uint32_t CQ9TxdFrame::PayloadSize() const {
  return tag_Q9_TXD_FRM::kSize;
}

bool CQ9TxdFrame::WritePayload(CQ9RiffFile& file) const {
  return file.Write(m_record.View());
}

bool CQ9TxdFrame::ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) {
  return size == m_record.kSize && file.ReadAt(offset, m_record.bytes);
}

}  // namespace q9::platform
