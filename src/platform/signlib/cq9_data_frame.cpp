#include "platform/signlib/cq9_data_frame.h"

#include <new>

#include "platform/signlib/cq9_riff_file.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {

std::unique_ptr<CQ9DataFrame> CQ9DataFrame::Create(uint32_t bulbDataSize) {
  std::unique_ptr<CQ9DataFrame> frame(new (std::nothrow) CQ9DataFrame());
  if (!frame || !frame->AllocateBulbs(bulbDataSize)) return nullptr;
  return frame;
}

CQ9DataFrame::CQ9DataFrame() : CQ9GphFrame(kFrameData) {}

void CQ9DataFrame::SetFrameDefaults() {
  ClearGraphics();
  m_dataHdr = {};
}

uint32_t CQ9DataFrame::PayloadSize() const {
  return CQ9GphFrame::PayloadSize() + tag_Q9_DATA_HDR::kSize;
}

bool CQ9DataFrame::WritePayload(CQ9RiffFile& file) const {
  return WriteHeader(file) && file.Write(m_dataHdr.View()) && WriteBulbs(file);
}

bool CQ9DataFrame::ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) {
  const uint64_t data = offset + tag_Q9_GRP_HDR::kSize;
  return size == PayloadSize() && ReadHeader(file, offset) && file.ReadAt(data, m_dataHdr.bytes) &&
         ReadBulbs(file, data + tag_Q9_DATA_HDR::kSize);
}

}  // namespace q9::platform
