#pragma once
// The frames of a sequence file (.sq9) or an old sequence (.seq) that carry
// bulb data, with their hold times: what is drawn to show a sequence as the
// sign plays it. Frames keep the numbers the files give them: from 0 in a
// sequence file (frame 0 is the header frame), from 1 in an old sequence.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/sign_types.h"
#include "platform/signlib/sq9_reader.h"
#include "sequence/sequence_format.h"

namespace q9::sequence {

class SequenceFrames {
 public:
  struct Graphics {
    uint32_t index = 0;                 // the frame's number in its file
    uint64_t holdTime = 0;              // in holdUnitsPerSecond
    unsigned holdUnitsPerSecond = 120;  // 120, or 10 for old frames in tenths
  };

  SequenceFrames() = default;
  SequenceFrames(const SequenceFrames&) = delete;
  SequenceFrames& operator=(const SequenceFrames&) = delete;

  // Reads the file, whichever of the two it is by its first bytes. Fails,
  // with a reason without the path, when it cannot be read or is damaged.
  platform::Result<> Open(const std::string& path);

  // The geometry the bulb data are stored in (for an old sequence, the old
  // sign's).
  const platform::SignGeometry& Geometry() const { return m_geometry; }
  // Every frame that carries bulb data, in file order.
  const std::vector<Graphics>& GraphicsFrames() const { return m_graphics; }

  // The numbers of the first and the last frame; false for an old sequence
  // without frames.
  bool IndexRange(uint32_t& first, uint32_t& last) const;
  // The frame's type as the files name it: "hdr", "inc"... or "kind 2".
  std::string TypeName(uint32_t index);

  // The bulb data of a graphics frame (Geometry's bulb data size); empty when
  // the frame cannot be loaded. Valid until the next call.
  std::span<const uint8_t> Bulbs(const Graphics& frame);

 private:
  SequenceFormat m_format = SequenceFormat::kSq9;
  platform::SignGeometry m_geometry;
  platform::Sq9Contents m_sq9;
  platform::CQ8Seq m_seq;
  std::vector<Graphics> m_graphics;
};

}  // namespace q9::sequence
