#include "platform/signlib/cq9_hdr_frame.h"

#include "platform/signlib/cq9_riff_file.h"
#include "platform/signlib/sq9_format.h"

namespace q9::platform {

CQ9HdrFrame::CQ9HdrFrame() : CQ9Frame(kFrameSequenceHeader) {}

uint32_t CQ9HdrFrame::PayloadSize() const {
  return tag_Q9_HDR_FRM::kSize;
}

bool CQ9HdrFrame::WritePayload(CQ9RiffFile& file) const {
  return file.Write(m_record.View());
}

bool CQ9HdrFrame::ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) {
  return size == m_record.kSize && file.ReadAt(offset, m_record.bytes);
}

}  // namespace q9::platform
