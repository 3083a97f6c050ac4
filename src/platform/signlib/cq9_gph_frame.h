#pragma once
// Graphics frame ("grp "): a graphics header and one frame of bulb data,
// sized for the sequence's geometry and colour type.

#include <cstdint>
#include <memory>

#include "platform/signlib/cq9_frame.h"
#include "platform/signlib/sq9_records.h"

namespace q9::platform {

class CQ9GphFrame : public CQ9Frame {
 public:
  static constexpr CQ9RuntimeClass classCQ9GphFrame{"CQ9GphFrame", &CQ9Frame::classCQ9Frame};

  // A frame with a zeroed header and bulbDataSize zeroed bytes of bulb data;
  // nullptr when the memory cannot be had.
  static std::unique_ptr<CQ9GphFrame> Create(uint32_t bulbDataSize);
  ~CQ9GphFrame() override;
  const CQ9RuntimeClass* GetRuntimeClass() const override { return &classCQ9GphFrame; }

  tag_Q9_GRP_HDR* GphHdr() { return &m_hdr; }
  const tag_Q9_GRP_HDR* GphHdr() const { return &m_hdr; }
  // BulbDataSize() writable bytes.
  uint8_t* BulbData() {
    m_bulbsHandedOut = true;
    return m_bulbs;
  }
  const uint8_t* BulbData() const { return m_bulbs; }
  uint32_t BulbDataSize() const { return m_bulbSize; }

  uint32_t PayloadSize() const override;
  bool WritePayload(CQ9RiffFile& file) const override;
  bool ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) override;

 protected:
  explicit CQ9GphFrame(uint32_t typeCode);
  // Zeroed bulb data; false when the memory cannot be had.
  bool AllocateBulbs(uint32_t size);
  // Zeroes the header and the bulb data.
  void ClearGraphics();
  bool WriteHeader(CQ9RiffFile& file) const;
  bool WriteBulbs(CQ9RiffFile& file) const;
  bool ReadHeader(CQ9RiffFile& file, uint64_t offset);
  bool ReadBulbs(CQ9RiffFile& file, uint64_t offset);

 private:
  tag_Q9_GRP_HDR m_hdr{};
  // calloc'd: large buffers come as untouched zero pages, so a new frame
  // costs memory only once its bulbs are written.
  uint8_t* m_bulbs = nullptr;
  uint32_t m_bulbSize = 0;
  // False while nobody was given the bulbs to write: they are still the
  // zeros they were made with, and go to the file as a hole.
  bool m_bulbsHandedOut = false;
};

}  // namespace q9::platform
