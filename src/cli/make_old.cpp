#include "cli/make_old.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "cli/old_seq_description.h"
#include "cli/tool_output.h"
#include "platform/signlib/cq8_seq_writer.h"

namespace q9::cli {
namespace {

constexpr size_t kChunk = 64 * 1024;

std::string TooLong(size_t maxBytes) {
  return "description longer than " + std::to_string(maxBytes) + " bytes";
}

std::optional<std::string> ReadStream(std::istream& in, std::string& error, size_t maxBytes) {
  std::string text;
  char buffer[kChunk];
  while (in) {
    in.read(buffer, sizeof buffer);
    const size_t got = size_t(in.gcount());
    if (got > maxBytes - text.size()) {
      error = TooLong(maxBytes);
      return std::nullopt;
    }
    text.append(buffer, got);
  }
  if (in.bad()) {
    error = "read error";
    return std::nullopt;
  }
  return text;
}

// A FIFO (a shell's process substitution) is read like a file; a directory
// is refused before anything is read.
std::optional<std::string> ReadFile(const std::string& path, std::string& error, size_t maxBytes) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = std::strerror(errno);
    return std::nullopt;
  }
  struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
  } closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0 || S_ISDIR(st.st_mode)) {
    error = S_ISDIR(st.st_mode) ? "is a directory" : std::strerror(errno);
    return std::nullopt;
  }
  if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > maxBytes) {
    error = TooLong(maxBytes);
    return std::nullopt;
  }
  std::string text;
  std::vector<char> buffer(kChunk);
  for (;;) {
    const ssize_t n = ::read(fd, buffer.data(), buffer.size());
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      error = std::strerror(errno);
      return std::nullopt;
    }
    if (n == 0) return text;
    if (size_t(n) > maxBytes - text.size()) {
      error = TooLong(maxBytes);
      return std::nullopt;
    }
    text.append(buffer.data(), size_t(n));
  }
}

}  // namespace

std::optional<std::string> ReadDescriptionText(const std::string& path, std::istream& in,
                                               std::string& error, size_t maxBytes) {
  return path == "-" ? ReadStream(in, error, maxBytes) : ReadFile(path, error, maxBytes);
}

int RunMakeOld(const std::string& description, const std::string& output, std::istream& in,
               std::ostream& err) {
  const std::string source = description == "-" ? "standard input" : description;
  std::string error;
  std::optional<std::string> text = ReadDescriptionText(description, in, error);
  if (!text) return PrintError(err, kExitFileError, source, error);
  std::optional<OldSeqDescription> parsed = ParseOldSeqDescription(*text, error);
  text.reset();  // the text can be large; the frames below need their own copy
  if (!parsed) return PrintError(err, kExitFileError, source, error);

  platform::CQ8SeqWriter writer;
  if (!writer.Create(parsed->rows, parsed->columns, parsed->colorType))
    return PrintError(err, kExitFileError, source, writer.Error());
  for (size_t i = 0; i < parsed->frames.size(); ++i) {
    OldSeqFrameDescription& frame = parsed->frames[i];
    if (!writer.AddFrame(frame.kind, frame.record, frame.bulbs))
      return PrintError(err, kExitFileError, source,
                        "frames[" + std::to_string(i) + "]: " + writer.Error());
    // The writer keeps its own copy; drop ours as we go.
    std::vector<uint8_t>().swap(frame.bulbs);
  }
  if (!writer.Write(output)) {
    // The writer's messages name the file they could not write already.
    const std::string& reason = writer.Error();
    return PrintError(err, kExitFileError, reason.find(output) == std::string::npos ? output : "",
                      reason);
  }
  return kExitOk;
}

}  // namespace q9::cli
