#include "platform/signlib/cq9_gph_frame.h"

#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/signlib/cq9_riff_file.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {

std::unique_ptr<CQ9GphFrame> CQ9GphFrame::Create(uint32_t bulbDataSize) {
  std::unique_ptr<CQ9GphFrame> frame(new (std::nothrow) CQ9GphFrame(kFrameGraphics));
  if (!frame || !frame->AllocateBulbs(bulbDataSize)) return nullptr;
  return frame;
}

CQ9GphFrame::CQ9GphFrame(uint32_t typeCode) : CQ9Frame(typeCode) {}

CQ9GphFrame::~CQ9GphFrame() {
  std::free(m_bulbs);
}

bool CQ9GphFrame::AllocateBulbs(uint32_t size) {
  std::free(m_bulbs);
  m_bulbSize = 0;
  m_bulbs = static_cast<uint8_t*>(std::calloc(size == 0 ? 1 : size, 1));
  if (m_bulbs == nullptr) return false;
  m_bulbSize = size;
  return true;
}

void CQ9GphFrame::ClearGraphics() {
  m_hdr = {};
  if (m_bulbs != nullptr) std::memset(m_bulbs, 0, m_bulbSize);
}

uint32_t CQ9GphFrame::PayloadSize() const {
  return tag_Q9_GRP_HDR::kSize + m_bulbSize;
}

bool CQ9GphFrame::WriteHeader(CQ9RiffFile& file) const {
  return file.Write(m_hdr.View());
}

bool CQ9GphFrame::WriteBulbs(CQ9RiffFile& file) const {
  if (!m_bulbsHandedOut) return file.WriteZeros(m_bulbSize);
  return file.Write({m_bulbs, m_bulbSize});
}

bool CQ9GphFrame::WritePayload(CQ9RiffFile& file) const {
  return WriteHeader(file) && WriteBulbs(file);
}

bool CQ9GphFrame::ReadHeader(CQ9RiffFile& file, uint64_t offset) {
  return file.ReadAt(offset, m_hdr.bytes);
}

bool CQ9GphFrame::ReadBulbs(CQ9RiffFile& file, uint64_t offset) {
  m_bulbsHandedOut = true;
  return file.ReadAt(offset, {m_bulbs, m_bulbSize});
}

bool CQ9GphFrame::ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) {
  return size == PayloadSize() && ReadHeader(file, offset) &&
         ReadBulbs(file, offset + tag_Q9_GRP_HDR::kSize);
}

}  // namespace q9::platform
