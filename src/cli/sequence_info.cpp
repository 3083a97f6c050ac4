#include "cli/sequence_info.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>

#include "cli/old_seq_printer.h"
#include "cli/sq9_printer.h"
#include "cli/tool_output.h"
#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/q8_seq_format.h"
#include "platform/signlib/sq9_reader.h"

namespace q9::cli {
namespace {

// Four bytes are enough to tell the formats apart. A file that starts like
// one of them goes to that format's reader even when it is damaged further
// on, so the message says what is wrong with it (a truncated old sequence,
// a RIFF file of another kind) instead of "unknown format".
constexpr size_t kSniffBytes = 4;
constexpr std::array<uint8_t, kSniffBytes> kRiffStart = {'R', 'I', 'F', 'F'};

int InfoSq9(const std::string& path, const InfoOptions& options, std::ostream& out,
            std::ostream& err) {
  platform::Sq9Contents contents;
  std::string error;
  if (!platform::ReadSq9File(path, contents, error))
    return PrintError(err, kExitFileError, path, ReasonOnly(error, path));
  PrintSq9(contents, options, out);
  return kExitOk;
}

int InfoOldSeq(const std::string& path, const InfoOptions& options, std::ostream& out,
               std::ostream& err) {
  platform::CQ8Seq sequence;
  const int rc = sequence.Open(path.c_str());
  if (rc != platform::kQ8Ok)
    return PrintError(err, kExitFileError, path, ReasonOnly(platform::CQ8Seq::ErrorText(rc), path));
  if (!PrintOldSeq(sequence, options, out))
    return PrintError(err, kExitFileError, path, "a frame of the old sequence cannot be loaded");
  return kExitOk;
}

}  // namespace

std::optional<SequenceFormat> DetectSequenceFormat(const std::string& path, std::string& error) {
  // Non-blocking, so that a FIFO named on the command line cannot hang us;
  // only regular files are read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISDIR(st.st_mode)) {
    error = "is a directory";
    return std::nullopt;
  }
  if (!S_ISREG(st.st_mode)) {
    error = "not a regular file";
    return std::nullopt;
  }

  std::array<uint8_t, kSniffBytes> start{};
  size_t got = 0;
  while (got < start.size()) {
    const ssize_t n = ::read(fd, start.data() + got, start.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) break;
    got += size_t(n);
  }
  if (got == start.size() && start == kRiffStart) return SequenceFormat::kSq9;
  if (got == start.size() && std::equal(start.begin(), start.end(), platform::kQ8SeqMagic.begin()))
    return SequenceFormat::kOldSeq;
  error = got == 0 ? "empty file, neither a sequence file (.sq9) nor an old sequence (.seq)"
                   : "neither a sequence file (.sq9) nor an old sequence (.seq)";
  return std::nullopt;
}

int RunInfo(const std::string& path, const InfoOptions& options, std::ostream& out,
            std::ostream& err) {
  std::string error;
  const std::optional<SequenceFormat> format = DetectSequenceFormat(path, error);
  if (!format) return PrintError(err, kExitFileError, path, error);
  if (*format == SequenceFormat::kSq9) return InfoSq9(path, options, out, err);
  return InfoOldSeq(path, options, out, err);
}

}  // namespace q9::cli
