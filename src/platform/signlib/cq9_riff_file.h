#pragma once
// The file under a sequence: its destination path and the AtomicFile a save
// writes, so that a destination is either the old file or the complete new
// one.

#include <cstdint>
#include <span>
#include <string>

#include "platform/base/atomic_file.h"

namespace q9::platform {

class CQ9RiffFile {
 public:
  CQ9RiffFile();
  virtual ~CQ9RiffFile();
  CQ9RiffFile(const CQ9RiffFile&) = delete;
  CQ9RiffFile& operator=(const CQ9RiffFile&) = delete;

  // Closes the file. A save that was not committed is dropped, so the
  // destination stays as it was. Safe after a failed open and on a closed
  // file.
  virtual void Close();

  bool IsOpen() const { return m_open; }
  // The destination path; empty when closed.
  const std::string& Path() const { return m_path; }

  // Writing while a save runs (between BeginWrite and Commit). After a
  // failure every later write fails too.
  bool Write(std::span<const uint8_t> bytes);
  bool WriteU16(uint16_t v);
  bool WriteU32(uint32_t v);
  bool WriteZeros(size_t n);

 protected:
  // Takes path as the destination. With makeTemp, creates the temporary file
  // at once, so that a directory we cannot write fails here and not after
  // the whole sequence was built. Fails on a path without a file name and on
  // a directory.
  bool OpenPath(const char* path, bool makeTemp);
  // Starts writing the temporary file from its start; after an earlier
  // Commit a new temporary file is made.
  bool BeginWrite();
  // Puts the written file in place of the destination.
  bool Commit();

 private:
  std::string m_path;
  AtomicFile m_file;
  bool m_open = false;
};

}  // namespace q9::platform
