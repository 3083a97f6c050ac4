#pragma once
// Writes the JSON object of info --json: the sequence's own keys, one per
// line, then "frames" with one frame object per line. Frames are written as
// they come, so a file with many large frames never needs its whole JSON
// text in memory at once, and the output stays one valid JSON object.

#include <nlohmann/json.hpp>

#include <ostream>

namespace q9::q9seq {

class FramedJsonWriter {
 public:
  // Writes the opening brace, the header's keys in their order and the
  // start of the frames array.
  FramedJsonWriter(std::ostream& out, const nlohmann::ordered_json& header);

  void AddFrame(const nlohmann::ordered_json& frame);
  // Closes the array and the object; call once, after the last frame.
  void Finish();

 private:
  std::ostream& m_out;
  bool m_anyFrame = false;
};

}  // namespace q9::q9seq
