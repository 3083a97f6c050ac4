#pragma once
// Which of the two sequence formats a file holds, told by its first bytes,
// not by its name: a sequence file (.sq9) or an old sequence (.seq).

#include <string>

#include "platform/base/result.h"

namespace q9::sequence {

enum class SequenceFormat { kSq9, kOldSeq };

// The format the file's first bytes announce. A file that starts like one
// of them is that format even when it is damaged further on, so that its
// reader can say what is wrong with it. Fails (reason without the path)
// when the file cannot be opened, is not a regular file or starts like
// neither.
platform::Result<SequenceFormat> DetectSequenceFormat(const std::string& path);

}  // namespace q9::sequence
