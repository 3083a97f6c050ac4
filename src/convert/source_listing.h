#pragma once
// Which files of a source directory the converter offers: old sequences,
// message files, videos and the still-image formats, by extension with letter
// case ignored.

#include <string>
#include <string_view>
#include <vector>

#include "convert/video_extensions.h"
#include "platform/base/result.h"

namespace q9::convert {

// "SEQ", "MSG", "AVI", then the still-image extensions, in listing order.
const std::vector<std::string_view>& ListedExtensions();

// An entry with a listed extension that is no regular file (nor a link to
// one): a folder, a FIFO, a socket, a device, a link to nothing or a link
// loop. Such entries are never opened.
struct SkippedEntry {
  std::string name;
  std::string reason;  // "a FIFO (named pipe)", "a broken symbolic link", ...
};

struct SourceEntries {
  std::vector<std::string> names;  // as ListSourceFiles gives them
  std::vector<SkippedEntry> skipped;
};

// The names (no directory) of the regular files in dir whose extension is
// listed or one of the added video extensions, each once, sorted by name in
// ascending order with letter case ignored. A missing or unreadable
// directory gives an empty list.
std::vector<std::string> ListSourceFiles(const std::string& dir,
                                         const VideoExtensions& videos = {});

// The same with the entries left out, in the same order. Fails with the
// system's reason when the directory cannot be read.
platform::Result<SourceEntries> ReadSourceEntries(const std::string& dir,
                                                  const VideoExtensions& videos = {});

}  // namespace q9::convert
