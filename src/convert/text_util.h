#pragma once
// Small text helpers for file names and messages.

#include <cstdarg>
#include <string>
#include <string_view>

#include "platform/signlib/ascii_text.h"

namespace q9::convert {

using platform::EqualsNoCase;
std::string ToLower(std::string_view text);
// Paths as the system cuts them for its names and messages: at the last
// "/". The text after the last "/", or the whole path when it has none.
std::string_view FileNameOf(std::string_view path);
// The path up to, not including, its last "/"; the whole path when it has none.
std::string_view DirectoryOf(std::string_view path);
// printf-style formatting into a std::string, for the system's message texts.
std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace q9::convert
