#include "platform/signlib/cq9_riff_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

constexpr size_t kBufferSize = size_t(1) << 20;
// Keeps ".<name>.XXXXXX" within the 255-byte name limit of common file
// systems; the temporary name only has to be unique, not complete.
constexpr size_t kMaxTempNameChars = 200;

std::string DirectoryOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

mode_t CurrentUmask() {
  const mode_t mask = umask(0);
  umask(mask);
  return mask;
}

void SyncDirectory(const std::string& dir) {
  const int fd = open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);  // best effort: the rename itself already happened
  close(fd);
}

}  // namespace

CQ9RiffFile::CQ9RiffFile() = default;

CQ9RiffFile::~CQ9RiffFile() {
  CQ9RiffFile::Close();
}

void CQ9RiffFile::Close() {
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  if (!m_tempPath.empty()) unlink(m_tempPath.c_str());
  m_tempPath.clear();
  m_path.clear();
  m_open = false;
  m_writeFailed = false;
  m_buffer.clear();
  m_buffer.shrink_to_fit();
}

bool CQ9RiffFile::OpenPath(const char* path, bool makeTemp) {
  Close();
  if (path == nullptr || *path == '\0') return false;
  std::string p(path);
  if (NameOf(p).empty()) return false;
  struct stat st {};
  if (stat(p.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return false;
    m_mode = st.st_mode & 0777;  // a replaced file keeps its permissions
  } else {
    m_mode = 0666 & ~CurrentUmask();
  }
  m_path = std::move(p);
  if (makeTemp && !CreateTemp()) {
    m_path.clear();
    return false;
  }
  m_open = true;
  return true;
}

bool CQ9RiffFile::CreateTemp() {
  std::string name = NameOf(m_path);
  if (name.size() > kMaxTempNameChars) name.resize(kMaxTempNameChars);
  std::string temp = DirectoryOf(m_path) + "/." + name + ".XXXXXX";
  const int fd = mkostemp(temp.data(), O_CLOEXEC);
  if (fd < 0) return false;
  if (fchmod(fd, m_mode) != 0) {
    close(fd);
    unlink(temp.c_str());
    return false;
  }
  m_fd = fd;
  m_tempPath = std::move(temp);
  return true;
}

bool CQ9RiffFile::BeginWrite() {
  if (!m_open) return false;
  m_buffer.clear();
  m_writeFailed = false;
  if (m_fd < 0) {
    // A temporary file left by a failed commit is replaced by a fresh one.
    if (!m_tempPath.empty()) unlink(m_tempPath.c_str());
    m_tempPath.clear();
    return CreateTemp();
  }
  if (ftruncate(m_fd, 0) != 0 || lseek(m_fd, 0, SEEK_SET) != 0) {
    m_writeFailed = true;
    return false;
  }
  return true;
}

bool CQ9RiffFile::WriteAll(const uint8_t* data, size_t size) {
  while (size > 0) {
    const ssize_t n = write(m_fd, data, size);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    data += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool CQ9RiffFile::Flush() {
  if (m_writeFailed || m_fd < 0) return false;
  if (!WriteAll(m_buffer.data(), m_buffer.size())) m_writeFailed = true;
  m_buffer.clear();
  return !m_writeFailed;
}

bool CQ9RiffFile::Write(std::span<const uint8_t> bytes) {
  if (m_writeFailed || m_fd < 0) return false;
  if (bytes.size() >= kBufferSize) {
    // Bulb data of large signs goes straight to the file.
    if (!Flush()) return false;
    if (!WriteAll(bytes.data(), bytes.size())) m_writeFailed = true;
    return !m_writeFailed;
  }
  if (m_buffer.size() + bytes.size() > kBufferSize && !Flush()) return false;
  m_buffer.insert(m_buffer.end(), bytes.begin(), bytes.end());
  return true;
}

bool CQ9RiffFile::WriteU16(uint16_t v) {
  uint8_t b[2];
  StoreU16(b, v);
  return Write(b);
}

bool CQ9RiffFile::WriteU32(uint32_t v) {
  uint8_t b[4];
  StoreU32(b, v);
  return Write(b);
}

bool CQ9RiffFile::WriteZeros(size_t n) {
  static constexpr uint8_t kZeros[256] = {};
  while (n > 0) {
    const size_t k = n < sizeof kZeros ? n : sizeof kZeros;
    if (!Write({kZeros, k})) return false;
    n -= k;
  }
  return true;
}

bool CQ9RiffFile::Commit() {
  if (!m_open || !Flush()) return false;
  if (fsync(m_fd) != 0) {
    m_writeFailed = true;
    return false;
  }
  const int fd = m_fd;
  m_fd = -1;
  if (close(fd) != 0) return false;  // Close() still removes the temporary file
  if (rename(m_tempPath.c_str(), m_path.c_str()) != 0) return false;
  m_tempPath.clear();
  SyncDirectory(DirectoryOf(m_path));
  return true;
}

}  // namespace q9::platform
