#pragma once
// The file under a sequence: its destination path and the temporary file
// beside it that a save writes and then renames over the destination, so
// that a destination is either the old file or the complete new one.

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace q9::platform {

class CQ9RiffFile {
 public:
  CQ9RiffFile();
  virtual ~CQ9RiffFile();
  CQ9RiffFile(const CQ9RiffFile&) = delete;
  CQ9RiffFile& operator=(const CQ9RiffFile&) = delete;

  // Closes the file. A temporary file that was never renamed over the
  // destination is removed, so the destination stays as it was. Safe after a
  // failed open and on a closed file.
  virtual void Close();

  bool IsOpen() const { return m_open; }
  // The destination path; empty when closed.
  const std::string& Path() const { return m_path; }

  // Buffered writing into the temporary file while a save runs (between
  // BeginWrite and Commit). After a failure every later write fails too.
  bool Write(std::span<const uint8_t> bytes);
  bool WriteU16(uint16_t v);
  bool WriteU32(uint32_t v);
  bool WriteZeros(size_t n);

 protected:
  // Takes path as the destination. With makeTemp, creates the temporary file
  // ".<name>.XXXXXX" beside it at once, so that a directory we cannot write
  // fails here and not after the whole sequence was built. Fails on a path
  // without a file name and on a directory.
  bool OpenPath(const char* path, bool makeTemp);
  // Starts writing the temporary file from its start; after an earlier
  // Commit a new temporary file is created.
  bool BeginWrite();
  // Flushes the written bytes to the disk and renames the temporary file
  // over the destination.
  bool Commit();

 private:
  bool CreateTemp();
  bool Flush();
  bool WriteAll(const uint8_t* data, size_t size);

  std::string m_path;
  std::string m_tempPath;  // empty when there is no temporary file
  int m_fd = -1;
  bool m_open = false;
  bool m_writeFailed = false;
  mode_t m_mode = 0644;  // permissions the destination gets
  std::vector<uint8_t> m_buffer;
};

}  // namespace q9::platform
