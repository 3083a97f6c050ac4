#include "sequence/sequence_format.h"

#include <algorithm>
#include <array>

#include "platform/base/read_whole_file.h"
#include "platform/signlib/q8_seq_format.h"

namespace q9::sequence {
namespace {

// Four bytes are enough to tell the formats apart.
constexpr size_t kSniffBytes = 4;
constexpr std::array<uint8_t, kSniffBytes> kRiffStart = {'R', 'I', 'F', 'F'};

}  // namespace

platform::Result<SequenceFormat> DetectSequenceFormat(const std::string& path) {
  const platform::Result<std::vector<uint8_t>> start = platform::ReadFileStart(path, kSniffBytes);
  if (!start) return start.Error();
  const std::vector<uint8_t>& bytes = *start;
  if (bytes.size() == kSniffBytes && std::equal(bytes.begin(), bytes.end(), kRiffStart.begin()))
    return SequenceFormat::kSq9;
  if (bytes.size() == kSniffBytes &&
      std::equal(bytes.begin(), bytes.end(), platform::kQ8SeqMagic.begin()))
    return SequenceFormat::kOldSeq;
  return platform::Failure{
      bytes.empty() ? "empty file, neither a sequence file (.sq9) nor an old sequence (.seq)"
                    : "neither a sequence file (.sq9) nor an old sequence (.seq)"};
}

}  // namespace q9::sequence
