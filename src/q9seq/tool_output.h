#pragma once
// What every command of the sequence tool shares for its output: the
// one-line error message and the forms in which texts from a file are
// shown. The exit codes are every program's (program/exit_code.h).

#include <nlohmann/json.hpp>

#include <ostream>
#include <string>
#include <string_view>

#include "program/exit_code.h"

namespace q9::q9seq {

using program::kExitFileError;
using program::kExitOk;
using program::kExitUsage;

constexpr std::string_view kToolName = "q9seq";

// Prints "q9seq: <subject>: <reason>" (or "q9seq: <reason>" without a
// subject) as exactly one line: line breaks and other control characters in
// either part become spaces, because scripts read the first line only.
// Gives exitCode back so that callers can return it directly.
int PrintError(std::ostream& err, int exitCode, std::string_view subject, std::string_view reason);

// Text found in a file, in double quotes, with control characters, the
// quote itself and DEL as \xNN so that a name cannot move the terminal's
// cursor or break a line. Other bytes pass as they are.
std::string QuotedText(std::string_view text);

// One frame of info's text output: the index right-aligned in 5 columns,
// the type and the summary, without trailing spaces.
std::string FrameLine(size_t index, std::string_view type, std::string_view summary);

// "1 data field", "3 data fields".
std::string CountOf(size_t count, std::string_view singular);

// Compact JSON on one line. Bytes that are not UTF-8 (a path or a name in a
// file may hold any byte) become U+FFFD instead of failing the dump.
std::string DumpJson(const nlohmann::ordered_json& value);

}  // namespace q9::q9seq
