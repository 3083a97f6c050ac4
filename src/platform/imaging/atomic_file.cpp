#include "platform/imaging/atomic_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>

namespace q9::platform::detail {
namespace {

// Unique within the process (the pid) and across threads (the counter).
std::string TempNameBeside(const std::string& path) {
  static std::atomic<unsigned> counter{0};
  return path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

bool AtomicFile::Fail(std::string& error, const std::string& what) {
  error = "cannot write " + m_path + ": " + what;
  Abort();
  return false;
}

bool AtomicFile::Open(const std::string& path, std::string& error) {
  Abort();
  m_path = path;
  if (path.empty()) return Fail(error, "empty file name");
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) return Fail(error, "is a directory");
  m_temp = TempNameBeside(path);
  m_fd = ::open(m_temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
  if (m_fd < 0) {
    const std::string reason = std::strerror(errno);
    m_temp.clear();
    return Fail(error, reason);
  }
  return true;
}

bool AtomicFile::Write(const uint8_t* data, size_t size, std::string& error) {
  if (m_fd < 0) return Fail(error, "the file is not open");
  while (size > 0) {
    const ssize_t n = ::write(m_fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return Fail(error, n < 0 ? std::strerror(errno) : "nothing written");
    data += n;
    size -= size_t(n);
  }
  return true;
}

bool AtomicFile::Commit(std::string& error) {
  if (m_fd < 0) return Fail(error, "the file is not open");
  if (::fsync(m_fd) != 0) return Fail(error, std::strerror(errno));
  const int fd = m_fd;
  m_fd = -1;
  if (::close(fd) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(m_temp.c_str());
    m_temp.clear();
    return Fail(error, reason);
  }
  if (::rename(m_temp.c_str(), m_path.c_str()) != 0) {
    const std::string reason = std::strerror(errno);
    ::unlink(m_temp.c_str());
    m_temp.clear();
    return Fail(error, reason);
  }
  m_temp.clear();
  return true;
}

void AtomicFile::Abort() {
  if (m_fd >= 0) {
    ::close(m_fd);
    m_fd = -1;
  }
  if (!m_temp.empty()) {
    ::unlink(m_temp.c_str());
    m_temp.clear();
  }
}

}  // namespace q9::platform::detail
