#pragma once
// What every program of the system prints the same way: its version line
// and its error messages, "<program>: <text>".

#include <ostream>
#include <string>
#include <string_view>

namespace q9::program {

// The version of this build, from the project's CMake version.
std::string_view Version();

// "<program> <version>" and a line break, flushed.
void PrintVersion(std::ostream& out, std::string_view program);

// "<program>: <text>" and a line break, flushed. Gives exitCode back, so
// that callers can return it directly.
int PrintError(std::ostream& err, std::string_view program, std::string_view text, int exitCode);

// The text with every control character (below 0x20, and DEL) replaced, so
// that a name from a file or a folder cannot break a line or move the
// terminal's cursor.
std::string WithoutControls(std::string_view text, char replacement);

}  // namespace q9::program
