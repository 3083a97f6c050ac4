#include "platform/base/read_whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>

namespace q9::platform {
namespace {

constexpr size_t kChunk = 64 * 1024;

struct FdCloser {
  int fd;
  ~FdCloser() { ::close(fd); }
};

// Up to limit bytes of the file. A whole-file read fails on a file larger
// than limit; a read of the start stops there.
template <typename Bytes>
Result<Bytes> ReadUpTo(const std::string& path, FileKinds kinds, uint64_t limit, bool whole) {
  // Without O_NONBLOCK a FIFO's open waits for its writer: only where the
  // caller reads FIFOs.
  const int flags =
      O_RDONLY | O_CLOEXEC | O_NOCTTY | (kinds == FileKinds::kRegularOnly ? O_NONBLOCK : 0);
  const int fd = ::open(path.c_str(), flags);
  if (fd < 0) return Failure::FromErrno(errno);
  const FdCloser closer{fd};
  struct stat st {};
  if (::fstat(fd, &st) != 0) return Failure::FromErrno(errno);
  if (S_ISDIR(st.st_mode)) return Failure{"is a directory", EISDIR};
  const bool regular = S_ISREG(st.st_mode);
  if (!regular && kinds == FileKinds::kRegularOnly) return Failure{"not a regular file", EINVAL};
  const Failure tooLarge{"larger than " + std::to_string(limit) + " bytes", EFBIG};
  if (whole && regular && uint64_t(st.st_size) > limit) return tooLarge;

  Bytes bytes;
  try {
    if (regular) bytes.reserve(size_t(std::min<uint64_t>(uint64_t(st.st_size), limit)));
    std::vector<char> chunk(size_t(std::min<uint64_t>(kChunk, whole ? kChunk : limit)));
    while (whole || bytes.size() < limit) {
      const size_t want =
          whole ? chunk.size() : size_t(std::min<uint64_t>(chunk.size(), limit - bytes.size()));
      const ssize_t n = ::read(fd, chunk.data(), want);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return Failure::FromErrno(errno);
      if (n == 0) break;
      if (uint64_t(n) > limit - bytes.size()) return tooLarge;
      bytes.insert(bytes.end(), chunk.data(), chunk.data() + n);
    }
  } catch (const std::bad_alloc&) {
    return Failure{"not enough memory to read the file", ENOMEM};
  }
  return bytes;
}

}  // namespace

template <typename Bytes>
Result<Bytes> ReadWholeFile(const std::string& path, uint64_t maxBytes, FileKinds kinds) {
  return ReadUpTo<Bytes>(path, kinds, maxBytes, true);
}

template Result<std::string> ReadWholeFile(const std::string&, uint64_t, FileKinds);
template Result<std::vector<uint8_t>> ReadWholeFile(const std::string&, uint64_t, FileKinds);

Result<std::vector<uint8_t>> ReadFileStart(const std::string& path, size_t count) {
  return ReadUpTo<std::vector<uint8_t>>(path, FileKinds::kRegularOnly, count, false);
}

}  // namespace q9::platform
