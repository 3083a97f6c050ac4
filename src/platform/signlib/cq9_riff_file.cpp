#include "platform/signlib/cq9_riff_file.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <vector>

#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

// Zero runs at least this long past the end become holes.
constexpr size_t kHoleMinimum = size_t(64) << 10;
// The most MoveBytes holds in memory at once.
constexpr uint64_t kMoveBuffer = uint64_t(1) << 20;

}  // namespace

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
  if (n >= kHoleMinimum) {
    const Result<uint64_t> size = m_file.Size();
    if (size && m_file.Position() >= *size) {
      const uint64_t end = m_file.Position() + n;
      return m_file.Seek(int64_t(n), SEEK_CUR) && m_file.Resize(end);
    }
  }
  static constexpr uint8_t kZeros[256] = {};
  while (n > 0) {
    const size_t k = n < sizeof kZeros ? n : sizeof kZeros;
    if (!Write({kZeros, k})) return false;
    n -= k;
  }
  return true;
}

bool CQ9RiffFile::ReadAt(uint64_t offset, std::span<uint8_t> into) {
  const Result<size_t> read = m_file.ReadAt(offset, into);
  return read && *read == into.size();
}

bool CQ9RiffFile::SeekTo(uint64_t offset) {
  // Seeking flushes the write buffer: only when the position really changes.
  return m_file.Position() == offset || m_file.Seek(int64_t(offset), SEEK_SET);
}

bool CQ9RiffFile::WriteAt(uint64_t offset, std::span<const uint8_t> bytes) {
  return m_file.WriteAt(offset, bytes).Ok();
}

bool CQ9RiffFile::MoveBytes(uint64_t from, uint64_t to, uint64_t size) {
  if (from == to || size == 0) return true;
  std::vector<uint8_t> buffer(size_t(std::min(size, kMoveBuffer)));
  // Moving up, the last block goes first, so that no byte is overwritten
  // before it has been read; moving down, the first.
  const bool up = to > from;
  for (uint64_t done = 0; done < size;) {
    const size_t n = size_t(std::min<uint64_t>(buffer.size(), size - done));
    const uint64_t at = up ? size - done - n : done;
    if (!ReadAt(from + at, {buffer.data(), n}) || !WriteAt(to + at, {buffer.data(), n}))
      return false;
    done += n;
  }
  return true;
}

bool CQ9RiffFile::SetSize(uint64_t size) {
  return m_file.Resize(size).Ok();
}

bool CQ9RiffFile::Commit() {
  return m_open && m_file.Commit().Ok();
}

}  // namespace q9::platform
