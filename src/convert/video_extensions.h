#pragma once
// Extensions a user adds to the listed ones: files with them are listed and
// convert as videos, numbered and timed by their own time stamps (see
// platform/video/frame_table.h). Today's cameras, phones and editors write
// MP4, MOV, MKV and WebM rather than AVI. Empty by default: then the list of
// sources is exactly the converter's own.

#include <string>
#include <string_view>
#include <vector>

#include "platform/base/result.h"

namespace q9::convert {

class VideoExtensions {
 public:
  // At most this many extensions, each at most kMaxLength letters and digits.
  static constexpr size_t kMaxCount = 64;
  static constexpr size_t kMaxLength = 16;

  // "mp4,mov, .MKV": extensions separated by commas (a leading dot and
  // spaces are dropped, letter case ignored, repeats counted once; "" is
  // none). Refused with a one-line reason: an extension with other
  // characters or too long, or one the converter lists as an old sequence,
  // message or picture. AVI is a video already and is left out.
  static platform::Result<VideoExtensions> Parse(std::string_view list);

  bool Empty() const { return m_upper.empty(); }
  // Whether the extension of a file name or path is one of them.
  bool MatchesPath(std::string_view path) const;
  // Upper case, in the order given.
  const std::vector<std::string>& List() const { return m_upper; }
  // "mp4,mov": lower case, comma-separated, as Parse reads it back.
  std::string Text() const;

 private:
  std::vector<std::string> m_upper;
};

}  // namespace q9::convert
