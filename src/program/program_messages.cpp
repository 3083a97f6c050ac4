#include "program/program_messages.h"

namespace q9::program {

std::string_view Version() {
  return Q9_VERSION;
}

void PrintVersion(std::ostream& out, std::string_view program) {
  out << program << ' ' << Version() << '\n' << std::flush;
}

int PrintError(std::ostream& err, std::string_view program, std::string_view text, int exitCode) {
  err << program << ": " << text << '\n' << std::flush;
  return exitCode;
}

std::string WithoutControls(std::string_view text, char replacement) {
  std::string clean(text);
  for (char& c : clean)
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = replacement;
  return clean;
}

}  // namespace q9::program
