#include "platform/signlib/cq9_riff_file.h"

#include <filesystem>

#include "platform/signlib/byte_io.h"

namespace q9::platform {

CQ9RiffFile::CQ9RiffFile() = default;

CQ9RiffFile::~CQ9RiffFile() {
  CQ9RiffFile::Close();
}

void CQ9RiffFile::Close() {
  m_file.Abort();
  m_path.clear();
  m_open = false;
}

bool CQ9RiffFile::OpenPath(const char* path, bool makeTemp) {
  Close();
  if (path == nullptr || *path == '\0') return false;
  if (makeTemp) {
    if (!m_file.Open(path)) return false;
  } else {
    // Nothing is written, but a name that cannot be a file is refused alike.
    const std::filesystem::path p(path);
    std::error_code ec;
    if (!p.has_filename() || std::filesystem::is_directory(p, ec)) return false;
  }
  m_path = path;
  m_open = true;
  return true;
}

bool CQ9RiffFile::BeginWrite() {
  if (!m_open) return false;
  // A commit closes the file; the next save makes a new one.
  if (!m_file.IsOpen()) return m_file.Open(m_path).Ok();
  return m_file.Truncate().Ok();
}

bool CQ9RiffFile::Write(std::span<const uint8_t> bytes) {
  return m_file.Write(bytes).Ok();
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
  return m_open && m_file.Commit().Ok();
}

}  // namespace q9::platform
