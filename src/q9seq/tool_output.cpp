#include "q9seq/tool_output.h"

#include <cstdio>

#include "program/program_messages.h"

namespace q9::q9seq {

int PrintError(std::ostream& err, int exitCode, std::string_view subject, std::string_view reason) {
  std::string text;
  if (!subject.empty()) text = program::WithoutControls(subject, ' ') + ": ";
  text += program::WithoutControls(reason, ' ');
  return program::PrintError(err, kToolName, text, exitCode);
}

std::string QuotedText(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const uint8_t b = uint8_t(c);
    if (b < 0x20 || b == 0x7F || c == '"') {
      char escaped[8];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", unsigned(b));
      quoted += escaped;
    } else {
      quoted += c;
    }
  }
  return quoted + "\"";
}

std::string FrameLine(size_t index, std::string_view type, std::string_view summary) {
  std::string line = std::to_string(index);
  if (line.size() < 5) line.insert(0, 5 - line.size(), ' ');
  line += "  ";
  line += type;
  if (!summary.empty()) {
    line += "  ";
    line += summary;
  }
  while (line.back() == ' ') line.pop_back();
  return line;
}

std::string CountOf(size_t count, std::string_view singular) {
  return std::to_string(count) + " " + std::string(singular) + (count == 1 ? "" : "s");
}

std::string DumpJson(const nlohmann::ordered_json& value) {
  return value.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

}  // namespace q9::q9seq
