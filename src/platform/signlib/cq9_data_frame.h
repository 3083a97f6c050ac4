#pragma once
// Data frame ("dat "): a graphics frame with a table of data fields shown
// over its bulbs. Usable through the graphics frame operations as well.

#include <memory>

#include "platform/signlib/cq9_gph_frame.h"
#include "platform/signlib/sq9_records.h"

namespace q9::platform {

class CQ9DataFrame : public CQ9GphFrame {
 public:
  static constexpr CQ9RuntimeClass classCQ9DataFrame{"CQ9DataFrame",
                                                     &CQ9GphFrame::classCQ9GphFrame};

  // A frame with zeroed records and bulbDataSize zeroed bytes of bulb data;
  // nullptr when the memory cannot be had.
  static std::unique_ptr<CQ9DataFrame> Create(uint32_t bulbDataSize);
  const CQ9RuntimeClass* GetRuntimeClass() const override { return &classCQ9DataFrame; }

  // Back to the state of a new frame: both headers and the bulbs zero, no
  // data field in the table.
  void SetFrameDefaults();

  tag_Q9_DATA_HDR* DataHdr() { return &m_dataHdr; }
  const tag_Q9_DATA_HDR* DataHdr() const { return &m_dataHdr; }

  uint32_t PayloadSize() const override;
  bool WritePayload(CQ9RiffFile& file) const override;
  bool ReadPayload(CQ9RiffFile& file, uint64_t offset, uint32_t size) override;

 private:
  CQ9DataFrame();

  tag_Q9_DATA_HDR m_dataHdr{};
};

}  // namespace q9::platform
