#pragma once
// Whether a name in a folder is a file we can read, found out without
// opening anything that could block (a FIFO, a device) or reading a byte.
// A source folder holds what users put there: links to nothing, links in a
// loop, folders and pipes named like pictures.

#include <string>

#include "platform/base/result.h"

namespace q9::platform {

// Success for a regular file (or a link to one) that this process can open
// for reading. Otherwise the reason says what the name is (errno in
// brackets): "a directory" (EISDIR), "a FIFO (named pipe)", "a socket", "a
// device" (EINVAL for these three), "a broken symbolic link" (ENOENT), "a
// symbolic link loop" (ELOOP), "no such file" (ENOENT), "unreadable:
// Permission denied" (EACCES), or the system's text.
Result<> CheckReadableFile(const std::string& path);

}  // namespace q9::platform
