#pragma once
// The JSON description from which make-old writes an old sequence: the sign
// geometry and each frame's kind, record and bulb data.
// docs/q9seq-json.md describes it.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace q9::q9seq {

struct OldSeqFrameDescription {
  unsigned kind = 0;
  std::vector<uint8_t> record;  // at most kQ8RecordSize bytes
  std::vector<uint8_t> bulbs;   // empty, or the bulb data size of the geometry
};

struct OldSeqDescription {
  unsigned rows = 0;
  unsigned columns = 0;
  uint32_t colorType = 0;
  std::vector<OldSeqFrameDescription> frames;
};

// Values (objects, arrays, strings, numbers...) one description may hold.
// The document tree costs tens of bytes per value, so a short text full of
// tiny values could otherwise take far more memory than its own size.
constexpr size_t kMaxDescriptionValues = size_t(1) << 22;

// Parses and checks a description. nullopt and a one-line reason when the
// text is not JSON (with nlohmann's line and column) or a value has the
// wrong type or range; the reason starts with the value's place, as in
// "frames[2].bulbs: 48 bytes, expected 96".
std::optional<OldSeqDescription> ParseOldSeqDescription(std::string_view text, std::string& error,
                                                        size_t maxValues = kMaxDescriptionValues);

}  // namespace q9::q9seq
