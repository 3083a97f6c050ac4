#include "q9seq/framed_json_writer.h"

#include "q9seq/tool_output.h"

namespace q9::q9seq {

FramedJsonWriter::FramedJsonWriter(std::ostream& out, const nlohmann::ordered_json& header)
    : m_out(out) {
  m_out << "{\n";
  for (const auto& [key, value] : header.items())
    m_out << "  " << DumpJson(key) << ": " << DumpJson(value) << ",\n";
  m_out << "  \"frames\": [";
}

void FramedJsonWriter::AddFrame(const nlohmann::ordered_json& frame) {
  m_out << (m_anyFrame ? ",\n    " : "\n    ") << DumpJson(frame);
  m_anyFrame = true;
}

void FramedJsonWriter::Finish() {
  m_out << (m_anyFrame ? "\n  ]\n}\n" : "]\n}\n");
}

}  // namespace q9::q9seq
