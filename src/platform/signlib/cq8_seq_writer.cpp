#include "platform/signlib/cq8_seq_writer.h"

#include "platform/base/atomic_file.h"
#include "platform/signlib/byte_io.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/q8_seq_format.h"

namespace q9::platform {

bool CQ8SeqWriter::Fail(std::string message) {
  m_error = std::move(message);
  return false;
}

bool CQ8SeqWriter::Create(unsigned rows, unsigned columns, uint32_t colorType) {
  m_created = false;
  m_frames.clear();
  if (rows < 1 || rows > kQ8SeqMaxDimension || columns < 1 || columns > kQ8SeqMaxDimension)
    return Fail("rows and columns must be 1 to " + std::to_string(kQ8SeqMaxDimension));
  if (colorType >= kColorTypeCount)
    return Fail("colour type " + std::to_string(colorType) + " is not 0 to 14");
  m_rows = rows;
  m_columns = columns;
  m_colorType = colorType;
  m_bulbSize = BulbDataSize(rows, columns, colorType);
  m_created = true;
  m_error.clear();
  return true;
}

bool CQ8SeqWriter::AddFrame(unsigned kind, std::span<const uint8_t> record,
                            std::span<const uint8_t> bulbs) {
  if (!m_created) return Fail("no sequence created");
  if (kind > 255) return Fail("frame kind " + std::to_string(kind) + " is not 0 to 255");
  if (record.size() > kQ8RecordSize)
    return Fail("frame record of " + std::to_string(record.size()) + " bytes exceeds " +
                std::to_string(kQ8RecordSize));
  if (!IsQ8GraphicalKind(kind) && !bulbs.empty())
    return Fail("frame kind " + std::to_string(kind) + " carries no bulb data");
  if (IsQ8GraphicalKind(kind) && !bulbs.empty() && bulbs.size() != m_bulbSize)
    return Fail("bulb data of " + std::to_string(bulbs.size()) + " bytes, expected " +
                std::to_string(m_bulbSize));
  Frame f;
  f.kind = uint8_t(kind);
  f.record.assign(record.begin(), record.end());
  f.bulbs.assign(bulbs.begin(), bulbs.end());
  m_frames.push_back(std::move(f));
  m_error.clear();
  return true;
}

uint64_t CQ8SeqWriter::FileSize() const {
  uint64_t size = kQ8SeqHeaderSize;
  for (const Frame& f : m_frames) {
    size += kQ8SeqFrameHeaderSize + f.record.size();
    if (IsQ8GraphicalKind(f.kind)) size += m_bulbSize;
  }
  return size;
}

bool CQ8SeqWriter::Serialize(std::vector<uint8_t>* out) {
  if (!m_created) return Fail("no sequence created");
  const uint64_t size = FileSize();
  if (size > kQ8SeqMaxFileSize)
    return Fail("sequence of " + std::to_string(size) + " bytes exceeds the 1 GiB limit");

  ByteWriter w;
  w.Bytes(kQ8SeqMagic);
  w.U16(kQ8SeqVersion);
  w.U16(0);
  w.U32(m_rows);
  w.U32(m_columns);
  w.U32(m_colorType);
  w.U32(uint32_t(m_frames.size()));
  w.U32(0);
  for (const Frame& f : m_frames) {
    const bool graphical = IsQ8GraphicalKind(f.kind);
    w.U8(f.kind);
    w.U8(0);
    w.U16(uint16_t(f.record.size()));
    w.U32(graphical ? uint32_t(m_bulbSize) : 0);
    w.Bytes(f.record);
    if (graphical && f.bulbs.empty()) w.Zeros(size_t(m_bulbSize));
    if (graphical && !f.bulbs.empty()) w.Bytes(f.bulbs);
  }
  *out = w.Take();
  m_error.clear();
  return true;
}

bool CQ8SeqWriter::Write(const std::string& path) {
  if (path.empty()) return Fail("no file name");
  std::vector<uint8_t> bytes;
  if (!Serialize(&bytes)) return false;

  AtomicFile file;
  Result<> written = file.Open(path);
  if (written) written = file.Write(bytes);
  if (written) written = file.Commit();
  if (!written) return Fail("cannot write " + path + ": " + written.Reason());
  m_error.clear();
  return true;
}

}  // namespace q9::platform
