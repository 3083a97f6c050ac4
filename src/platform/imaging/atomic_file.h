#pragma once
// A file written under a temporary name beside its destination and renamed
// over it only when complete, so that a failure, an early return or a crash
// never leaves a half-written picture under the destination's name.

#include <cstddef>
#include <cstdint>
#include <string>

namespace q9::platform::detail {

class AtomicFile {
 public:
  AtomicFile() = default;
  ~AtomicFile() { Abort(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Creates the temporary file beside path. Fails on an empty path, a
  // directory at path and a folder we cannot write to. An open file is
  // abandoned first.
  bool Open(const std::string& path, std::string& error);
  bool IsOpen() const { return m_fd >= 0; }
  bool Write(const uint8_t* data, size_t size, std::string& error);
  // Syncs the temporary file and renames it over the destination. On
  // failure the temporary file is removed and the destination is unchanged.
  bool Commit(std::string& error);
  // Closes and removes the temporary file; nothing happens when none is open.
  void Abort();

  const std::string& Path() const { return m_path; }

 private:
  bool Fail(std::string& error, const std::string& what);

  std::string m_path;
  std::string m_temp;
  int m_fd = -1;
};

}  // namespace q9::platform::detail
