#include "cli/tool_output.h"

#include <cstdio>

namespace q9::cli {
namespace {

std::string OneLine(std::string_view text) {
  std::string line(text);
  for (char& c : line)
    if (uint8_t(c) < 0x20 || c == 0x7F) c = ' ';
  return line;
}

}  // namespace

int PrintError(std::ostream& err, int exitCode, std::string_view subject, std::string_view reason) {
  std::string line(kToolName);
  if (!subject.empty()) line += ": " + OneLine(subject);
  line += ": " + OneLine(reason);
  err << line << '\n';
  err.flush();
  return exitCode;
}

std::string ReasonOnly(std::string message, const std::string& path) {
  if (message.starts_with(path + ": ")) message.erase(0, path.size() + 2);
  if (!message.empty() && message[0] >= 'A' && message[0] <= 'Z' &&
      !(message.size() > 1 && message[1] >= 'A' && message[1] <= 'Z'))
    message[0] = char(message[0] - 'A' + 'a');
  return message;
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

}  // namespace q9::cli
