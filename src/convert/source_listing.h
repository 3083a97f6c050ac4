#pragma once
// Which files of a source directory the converter offers: old sequences,
// message files, videos and the still-image formats, by extension with letter
// case ignored.

#include <string>
#include <string_view>
#include <vector>

namespace q9::convert {

// "SEQ", "MSG", "AVI", then the still-image extensions, in listing order.
const std::vector<std::string_view>& ListedExtensions();

// The names (no directory) of the regular files in dir whose extension is
// listed, each once, sorted by name in ascending order with letter case
// ignored. A missing or unreadable directory gives an empty list.
std::vector<std::string> ListSourceFiles(const std::string& dir);

}  // namespace q9::convert
