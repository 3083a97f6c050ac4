#pragma once
// The make-old command: reads a JSON description and writes the old
// sequence (.seq) it describes.

#include <cstddef>
#include <istream>
#include <optional>
#include <ostream>
#include <string>

namespace q9::q9seq {

// Longest description read. It bounds the memory of one run: the text, its
// document tree and the decoded bytes together stay within a few times this.
constexpr size_t kMaxDescriptionBytes = size_t(512) << 20;

// The whole text of the file at path, or of `in` when path is "-"; nullopt
// and a reason when it cannot be read or is longer than maxBytes.
std::optional<std::string> ReadDescriptionText(const std::string& path, std::istream& in,
                                               std::string& error,
                                               size_t maxBytes = kMaxDescriptionBytes);

// Reads the description (path "-": standard input, taken from `in`), checks
// it and writes the old sequence to output in one step. On failure one line
// on err and no output file. Gives the exit code.
int RunMakeOld(const std::string& description, const std::string& output, std::istream& in,
               std::ostream& err);

}  // namespace q9::q9seq
