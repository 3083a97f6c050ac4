#include "sequence/sequence_frames.h"

#include <algorithm>

#include "platform/signlib/byte_io.h"
#include "platform/signlib/q8_record.h"
#include "platform/signlib/sq9_records.h"

namespace q9::sequence {

platform::Result<> SequenceFrames::Open(const std::string& path) {
  m_graphics.clear();
  const platform::Result<SequenceFormat> format = DetectSequenceFormat(path);
  if (!format) return format.Error();
  m_format = *format;

  if (m_format == SequenceFormat::kSq9) {
    std::string error;
    if (!platform::ReadSq9File(path, m_sq9, error)) return platform::Failure{error};
    const platform::Sq9Header& h = m_sq9.header;
    m_geometry = {h.rows, h.columns, h.colorType};
    for (size_t i = 0; i < m_sq9.frames.size(); ++i) {
      const platform::Sq9Frame& f = m_sq9.frames[i];
      if (f.typeCode != platform::kFrameGraphics && f.typeCode != platform::kFrameData) continue;
      Graphics g;
      g.index = uint32_t(i);
      // The graphics header keeps the hold time in 1/120 s.
      if (f.record.size() >= platform::tag_Q9_GRP_HDR::kHoldTime + 4)
        g.holdTime = platform::LoadU32(&f.record[platform::tag_Q9_GRP_HDR::kHoldTime]);
      m_graphics.push_back(g);
    }
    return {};
  }

  const int rc = m_seq.Open(path.c_str());
  if (rc != platform::kQ8Ok) return platform::Failure{platform::CQ8Seq::ErrorText(rc)};
  m_seq.GetSeqStats(&m_geometry.rows, &m_geometry.columns, &m_geometry.colorType);
  for (unsigned n = 1; n <= m_seq.GetNFrames(); ++n) {
    if (m_seq.LoadFrame(n) != platform::kQ8Ok)
      return platform::Failure{"frame " + std::to_string(n) +
                               " of the old sequence cannot be loaded"};
    if (!m_seq.IsGraphical()) continue;
    const uint8_t* record = m_seq.GetFrBufPtr();
    Graphics g;
    g.index = n;
    g.holdTime = platform::LoadU16(record + platform::kQ8HoldTime);
    // The time unit byte: non-zero 1/120 s, zero 1/10 s.
    g.holdUnitsPerSecond = record[platform::kQ8TimeUnit] != 0 ? 120 : 10;
    m_graphics.push_back(g);
  }
  return {};
}

bool SequenceFrames::IndexRange(uint32_t& first, uint32_t& last) const {
  if (m_format == SequenceFormat::kSq9) {
    if (m_sq9.frames.empty()) return false;
    first = 0;
    last = uint32_t(m_sq9.frames.size() - 1);
    return true;
  }
  if (m_seq.GetNFrames() == 0) return false;
  first = 1;
  last = m_seq.GetNFrames();
  return true;
}

std::string SequenceFrames::TypeName(uint32_t index) {
  if (m_format == SequenceFormat::kSq9) {
    if (index >= m_sq9.frames.size()) return {};
    std::string type;
    for (int shift = 0; shift < 32; shift += 8)
      type += char(m_sq9.frames[index].typeCode >> shift & 0xFF);
    while (!type.empty() && type.back() == ' ') type.pop_back();
    return type;
  }
  if (m_seq.LoadFrame(index) != platform::kQ8Ok) return {};
  return "kind " + std::to_string(m_seq.GetFrameType());
}

std::span<const uint8_t> SequenceFrames::Bulbs(const Graphics& frame) {
  if (m_format == SequenceFormat::kSq9) {
    if (frame.index >= m_sq9.frames.size()) return {};
    return m_sq9.frames[frame.index].bulbs;
  }
  if (m_seq.LoadFrame(frame.index) != platform::kQ8Ok || !m_seq.IsGraphical()) return {};
  return {m_seq.GetBulbPtr(), m_seq.GetBulbSize()};
}

}  // namespace q9::sequence
