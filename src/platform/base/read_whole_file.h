#pragma once
// The one way this system reads a whole file, or the start of one. Only
// regular files are read unless the caller allows other kinds; a FIFO or a
// device then never blocks the open, because a name on a command line or in
// a folder may be one. Sizes are checked against the caller's limit before
// and while reading, so a file never takes more memory than the limit.
//
// Failures (reasons without the path; the caller adds it):
//   the open's errno and text ("No such file or directory"...),
//   EISDIR "is a directory",
//   EINVAL "not a regular file" where only regular files are read,
//   EFBIG "larger than N bytes",
//   ENOMEM "not enough memory to read the file",
//   a read's errno and text.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/base/result.h"

namespace q9::platform {

enum class FileKinds {
  kRegularOnly,      // anything else fails without a byte read
  kAnyButDirectory,  // FIFOs (a shell's process substitution) and devices too
};

// The whole file, at most maxBytes. Bytes is std::vector<uint8_t> or
// std::string.
template <typename Bytes>
Result<Bytes> ReadWholeFile(const std::string& path, uint64_t maxBytes,
                            FileKinds kinds = FileKinds::kRegularOnly);

// The first count bytes of a regular file, fewer when it is shorter.
Result<std::vector<uint8_t>> ReadFileStart(const std::string& path, size_t count);

}  // namespace q9::platform
