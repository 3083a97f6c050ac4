#include "platform/signlib/cq9_inc_frame.h"

#include <cstring>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/cq9_riff_file.h"
#include "platform/signlib/sq9_format.h"

namespace q9::platform {

static_assert(CQ9IncFrame::kMaxFields == kSq9IncMaxFields);
static_assert(CQ9IncFrame::kMaxPathBytes == kSq9IncMaxPath);

CQ9IncFrame::CQ9IncFrame() : CQ9Frame(kFrameInclude) {
  m_fields.reserve(kMaxFields);
}

int CQ9IncFrame::SetFieldCount(uint16_t count) {
  if (count > kMaxFields) return 0;
  m_fields.resize(count);  // within the reserved capacity: no allocation
  return 1;
}

int CQ9IncFrame::EnableField(int index, int on) {
  if (!InRange(index)) return 0;
  m_fields[static_cast<size_t>(index)].enabled = on != 0;
  return 1;
}

int CQ9IncFrame::SetFieldPath(int index, const char* path) {
  if (!InRange(index) || path == nullptr) return 0;
  const size_t length = strnlen(path, kMaxPathBytes + 1);
  if (length > kMaxPathBytes) return 0;
  m_fields[static_cast<size_t>(index)].path.assign(path, length);
  return 1;
}

bool CQ9IncFrame::IsFieldEnabled(int index) const {
  return InRange(index) && m_fields[static_cast<size_t>(index)].enabled;
}

const std::string& CQ9IncFrame::FieldPath(int index) const {
  static const std::string kEmpty;
  return InRange(index) ? m_fields[static_cast<size_t>(index)].path : kEmpty;
}

uint32_t CQ9IncFrame::PayloadSize() const {
  uint32_t size = 2;
  for (const Field& f : m_fields) size += kSq9IncFieldHeader + static_cast<uint32_t>(f.path.size());
  return size;
}

bool CQ9IncFrame::WritePayload(CQ9RiffFile& file) const {
  bool ok = file.WriteU16(static_cast<uint16_t>(m_fields.size()));
  for (const Field& f : m_fields) {
    const uint8_t head[2] = {uint8_t(f.enabled ? 1 : 0), 0};  // enabled, reserved
    ok = ok && file.Write(head) && file.WriteU16(static_cast<uint16_t>(f.path.size())) &&
         file.Write({reinterpret_cast<const uint8_t*>(f.path.data()), f.path.size()});
  }
  return ok;
}

bool CQ9IncFrame::ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) {
  if (size > kSq9IncMaxPayload) return false;
  std::vector<uint8_t> payload(size);
  if (!file.ReadAt(offset, payload)) return false;
  ByteReader in(payload);
  const uint16_t count = in.U16();
  if (count > kMaxFields) return false;
  std::vector<Field> fields;
  fields.reserve(kMaxFields);  // as the constructor does: SetFieldCount never allocates
  fields.resize(count);
  for (Field& f : fields) {
    f.enabled = in.U8() != 0;
    in.U8();  // reserved
    const std::span<const uint8_t> path = in.Bytes(in.U16());
    f.path.assign(path.begin(), path.end());
  }
  if (!in.Ok() || in.Remaining() != 0) return false;
  m_fields = std::move(fields);
  return true;
}

}  // namespace q9::platform
