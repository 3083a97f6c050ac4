#pragma once
// The file under a sequence: its destination path and the AtomicFile that
// takes the sequence's chunks while it is built, so that a destination is
// either the old file or the complete new one.

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

  // Writing into the temporary file, at the current position. After a
  // failure every later write fails too.
  bool Write(std::span<const uint8_t> bytes);
  bool WriteU16(uint16_t v);
  bool WriteU32(uint32_t v);
  // n zero bytes. A long run past the end of what was written becomes a
  // hole, which reads as zeros and takes no disk space.
  bool WriteZeros(size_t n);
  // Reads back into.size() written bytes at offset; false when fewer are
  // there.
  bool ReadAt(uint64_t offset, std::span<uint8_t> into);

 protected:
  // Takes path as the destination. With makeTemp, creates the temporary file
  // at once, so that a directory we cannot write fails here and not after
  // the whole sequence was built. Fails on a path without a file name and on
  // a directory.
  bool OpenPath(const char* path, bool makeTemp);
  // True while the temporary file is open: from OpenPath with makeTemp until
  // Commit or DropTemporary.
  bool HasTemporary() const { return m_file.IsOpen(); }
  // Moves the position where Write goes.
  bool SeekTo(uint64_t offset);
  uint64_t Position() const { return m_file.Position(); }
  bool WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
  // Moves size bytes from one offset to another, as memmove does, through a
  // buffer of bounded size.
  bool MoveBytes(uint64_t from, uint64_t to, uint64_t size);
  // Cuts or lengthens the file to size bytes.
  bool SetSize(uint64_t size);
  // Puts the written file in place of the destination; the temporary file is
  // gone afterwards, either way.
  bool Commit();
  // Drops the temporary file; the destination stays as it was.
  void DropTemporary() { m_file.Abort(); }

 private:
  std::string m_path;
  AtomicFile m_file;
  bool m_open = false;
};

}  // namespace q9::platform
