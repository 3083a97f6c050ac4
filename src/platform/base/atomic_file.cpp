#include "platform/base/atomic_file.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <filesystem>

#include "platform/base/stop_point.h"

namespace q9::platform {
namespace {

constexpr size_t kBufferSize = size_t(1) << 20;
// Tries at a free hidden name before giving up; each name is random.
constexpr int kNameAttempts = 100;

// ".q9-" and eight hex digits: short whatever the target is called. Random
// (from any thread) rather than counted, so that two processes saving into
// one folder rarely try the same name.
std::string HiddenName() {
  static std::atomic<unsigned> counter{0};
  unsigned value = 0;
  if (::getrandom(&value, sizeof value, 0) != ssize_t(sizeof value))
    value = unsigned(::getpid()) * 2654435761u + counter++;
  char name[16];
  std::snprintf(name, sizeof name, ".q9-%08x", value);
  return name;
}

// The file systems that cannot make unnamed files answer with one of these.
bool UnnamedRefused(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == EINVAL;
}

}  // namespace

Result<> AtomicFile::Open(const std::string& target, Temporary temporary) {
  Abort();
  if (target.empty()) return Failure{"empty file name"};
  const std::filesystem::path path(target);
  const std::string name = path.filename().string();
  if (name.empty() || name == "." || name == "..") return Failure{"no file name", EINVAL};
  const std::filesystem::path folder = path.has_parent_path() ? path.parent_path() : ".";

  const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dirFd < 0) return Failure::FromErrno(errno);
  struct stat existing {};
  bool replacing = false;
  if (::fstatat(dirFd, name.c_str(), &existing, 0) == 0) {
    if (S_ISDIR(existing.st_mode)) {
      ::close(dirFd);
      return Failure{"is a directory", EISDIR};
    }
    replacing = true;
  } else if (errno != ENOENT) {
    const int error = errno;  // a name too long, a folder we may not search...
    ::close(dirFd);
    return Failure::FromErrno(error);
  }
  m_dirFd = dirFd;
  m_target = target;
  m_name = name;

  Result<> made = temporary == Temporary::kUnnamed ? OpenUnnamed() : OpenNamed();
  // A replaced file keeps its permissions; a new one has 0666 less the umask
  // from its creation.
  if (made && replacing && ::fchmod(m_fd, existing.st_mode & 0777) != 0)
    made = Failure::FromErrno(errno);
  if (!made) {
    Abort();
    return made;
  }
  return {};
}

Result<> AtomicFile::OpenUnnamed() {
  m_fd = ::openat(m_dirFd, ".", O_TMPFILE | O_RDWR | O_CLOEXEC, 0666);
  if (m_fd >= 0) return {};
  if (!UnnamedRefused(errno)) return Failure::FromErrno(errno);
  return OpenNamed();
}

Result<> AtomicFile::OpenNamed() {
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    std::string name = HiddenName();
    m_fd = ::openat(m_dirFd, name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
    if (m_fd >= 0) {
      m_tempName = std::move(name);
      return {};
    }
    if (errno != EEXIST) return Failure::FromErrno(errno);
  }
  return Failure::FromErrno(EEXIST);
}

Result<> AtomicFile::Failed(Failure failure) {
  if (m_failure) m_failure = std::move(failure);
  return m_failure;
}

Result<> AtomicFile::WriteAll(uint64_t offset, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n =
        ::pwrite(m_fd, bytes.data() + done, bytes.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Failed(Failure::FromErrno(n < 0 ? errno : EIO));
    done += size_t(n);
  }
  return {};
}

Result<> AtomicFile::Flush() {
  if (!m_failure || m_buffer.empty()) return m_failure;
  Result<> written = WriteAll(m_bufferStart, m_buffer);
  m_buffer.clear();
  return written;
}

Result<> AtomicFile::Write(std::span<const uint8_t> bytes) {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  if (!m_failure) return m_failure;
  if (m_buffer.empty()) m_bufferStart = m_position;
  if (m_buffer.size() + bytes.size() > kBufferSize) {
    if (Result<> flushed = Flush(); !flushed) return flushed;
    m_bufferStart = m_position;
    if (bytes.size() >= kBufferSize) {
      // Large blocks (the bulb data of big signs) go straight to the file.
      if (Result<> written = WriteAll(m_position, bytes); !written) return written;
      m_position += bytes.size();
      return {};
    }
  }
  m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
  m_position += bytes.size();
  return {};
}

Result<> AtomicFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  // The buffered bytes go first, so that these land over them, not under.
  if (Result<> flushed = Flush(); !flushed) return flushed;
  return WriteAll(offset, bytes);
}

Result<uint64_t> AtomicFile::Size() {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  if (Result<> flushed = Flush(); !flushed) return flushed.Error();
  struct stat st {};
  if (::fstat(m_fd, &st) != 0) return Failure::FromErrno(errno);
  return uint64_t(st.st_size);
}

Result<uint64_t> AtomicFile::Seek(int64_t offset, int whence) {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  int64_t base = 0;
  if (whence == SEEK_CUR) {
    base = int64_t(m_position);
  } else if (whence == SEEK_END) {
    const Result<uint64_t> size = Size();
    if (!size) return size.Error();
    base = int64_t(*size);
  } else if (whence != SEEK_SET) {
    return Failure::FromErrno(EINVAL);
  }
  if (offset < -base) return Failure::FromErrno(EINVAL);
  if (Result<> flushed = Flush(); !flushed) return flushed.Error();
  m_position = uint64_t(base + offset);
  return m_position;
}

Result<size_t> AtomicFile::ReadAt(uint64_t offset, std::span<uint8_t> into) {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  if (Result<> flushed = Flush(); !flushed) return flushed.Error();
  size_t done = 0;
  while (done < into.size()) {
    const ssize_t n = ::pread(m_fd, into.data() + done, into.size() - done, off_t(offset + done));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return Failure::FromErrno(errno);
    if (n == 0) break;
    done += size_t(n);
  }
  return done;
}

Result<> AtomicFile::Truncate() {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  m_buffer.clear();
  m_position = 0;
  m_failure = {};
  if (::ftruncate(m_fd, 0) != 0) return Failed(Failure::FromErrno(errno));
  return {};
}

Result<> AtomicFile::Resize(uint64_t size) {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  if (Result<> flushed = Flush(); !flushed) return flushed;
  if (::ftruncate(m_fd, off_t(size)) != 0) return Failed(Failure::FromErrno(errno));
  return {};
}

Result<> AtomicFile::PutInPlace() {
  if (!m_tempName.empty()) {
    if (::renameat(m_dirFd, m_tempName.c_str(), m_dirFd, m_name.c_str()) != 0)
      return Failure::FromErrno(errno);
    m_tempName.clear();
    return {};
  }
  // An unnamed file gets a name only now, complete; the link through /proc
  // needs no privilege, AT_EMPTY_PATH is the way where /proc is missing.
  char self[32];
  std::snprintf(self, sizeof self, "/proc/self/fd/%d", m_fd);
  for (int attempt = 0; attempt < kNameAttempts; ++attempt) {
    const std::string name = HiddenName();
    int linked = ::linkat(AT_FDCWD, self, m_dirFd, name.c_str(), AT_SYMLINK_FOLLOW);
    if (linked != 0 && errno == ENOENT)
      linked = ::linkat(m_fd, "", m_dirFd, name.c_str(), AT_EMPTY_PATH);
    if (linked != 0) {
      if (errno == EEXIST) continue;
      return Failure::FromErrno(errno);
    }
    if (::renameat(m_dirFd, name.c_str(), m_dirFd, m_name.c_str()) != 0) {
      const int error = errno;
      ::unlinkat(m_dirFd, name.c_str(), 0);
      return Failure::FromErrno(error);
    }
    return {};
  }
  return Failure::FromErrno(EEXIST);
}

Result<> AtomicFile::Commit() {
  if (m_fd < 0) return Failure{"the file is not open", EBADF};
  Result<> done = Flush();
  // Complete but nameless: a kill from here on still leaves no file behind.
  if (done && StopPoint::Armed()) StopPoint::Reach("commit " + m_name);
  // A file system that cannot sync says EINVAL; its data is as safe as it gets.
  if (done && ::fsync(m_fd) != 0 && errno != EINVAL) done = Failure::FromErrno(errno);
  if (done) done = PutInPlace();
  if (done) ::fsync(m_dirFd);  // best effort: the new file is in place already
  Abort();
  return done;
}

void AtomicFile::Abort() {
  if (m_fd >= 0) ::close(m_fd);
  if (!m_tempName.empty()) ::unlinkat(m_dirFd, m_tempName.c_str(), 0);
  if (m_dirFd >= 0) ::close(m_dirFd);
  m_fd = m_dirFd = -1;
  m_tempName.clear();
  m_target.clear();
  m_name.clear();
  m_position = m_bufferStart = 0;
  m_buffer.clear();
  m_buffer.shrink_to_fit();
  m_failure = {};
}

}  // namespace q9::platform
