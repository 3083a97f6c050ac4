#pragma once
// The one way this system saves a file: the bytes go into a temporary file
// in the target's folder, and only a complete, synced file takes the
// target's name. A crash, a kill or a power cut leaves the old file or the
// whole new one, never a mix, and an abandoned save leaves nothing behind.
//
// The temporary file is unnamed (O_TMPFILE) where the file system allows
// it. Commit links it under a short hidden name and renames that over the
// target. Where the file system cannot make unnamed files, a short named
// file (".q9-" and eight hex digits) is made instead and renamed on Commit;
// only that way can a crash leave a stray hidden file. Either way the
// temporary name stays short whatever the target's name, so a target name
// of NAME_MAX bytes works.
//
// A replaced file keeps its permissions; a new one gets 0666 less the
// umask. Commit syncs the data before the rename and the folder after it.
//
// Writes are sequential (Write, buffered) or positioned (WriteAt), so that
// a writer can stream its records and patch counts and offsets at the end;
// ReadAt reads back what was written. After a failed write every later
// write and the Commit fail with the same reason, so a writer may check
// once at the end.

#include <sys/types.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/base/result.h"

namespace q9::platform {

class AtomicFile {
 public:
  enum class Temporary {
    kUnnamed,  // O_TMPFILE where the file system allows it, else kNamed
    kNamed,    // always a short named file (tests use it to reach that way)
  };

  AtomicFile() = default;
  ~AtomicFile() { Abort(); }
  AtomicFile(const AtomicFile&) = delete;
  AtomicFile& operator=(const AtomicFile&) = delete;

  // Makes the temporary file for target, after abandoning an open one.
  // Fails on an empty name, a name without a file part, a directory at the
  // target and a folder that is missing or cannot be written.
  Result<> Open(const std::string& target, Temporary temporary = Temporary::kUnnamed);
  bool IsOpen() const { return m_fd >= 0; }
  // The target given to Open; empty when closed.
  const std::string& Target() const { return m_target; }

  // At the current position, which moves past the bytes.
  Result<> Write(std::span<const uint8_t> bytes);
  // At offset; the current position stays.
  Result<> WriteAt(uint64_t offset, std::span<const uint8_t> bytes);
  // lseek's whence: SEEK_SET, SEEK_CUR or SEEK_END. Gives the new position.
  Result<uint64_t> Seek(int64_t offset, int whence);
  uint64_t Position() const { return m_position; }
  // The bytes written so far, up to the furthest one.
  Result<uint64_t> Size();
  // Reads back up to into.size() bytes at offset; gives how many there were.
  Result<size_t> ReadAt(uint64_t offset, std::span<uint8_t> into);
  // Drops everything written and starts again at position 0.
  Result<> Truncate();
  // Cuts the file to size bytes, or lengthens it with zeros that take no
  // disk space until written; the current position stays.
  Result<> Resize(uint64_t size);

  // Syncs the file, puts it in place of the target and syncs the folder.
  // The file is closed afterwards, either way; on failure the target is as
  // it was and no temporary file remains.
  Result<> Commit();
  // Closes and drops the temporary file; nothing happens when none is open.
  void Abort();

 private:
  Result<> OpenUnnamed();
  Result<> OpenNamed();
  Result<> WriteAll(uint64_t offset, std::span<const uint8_t> bytes);
  Result<> Flush();
  Result<> PutInPlace();
  // Keeps the first failure of a write for every later call.
  Result<> Failed(Failure failure);

  std::string m_target;
  std::string m_name;      // the target's file name in its folder
  std::string m_tempName;  // the named temporary file; empty for an unnamed one
  int m_dirFd = -1;        // the target's folder
  int m_fd = -1;
  uint64_t m_position = 0;        // where the next Write goes
  std::vector<uint8_t> m_buffer;  // sequential bytes from m_bufferStart on, not yet written
  uint64_t m_bufferStart = 0;
  Result<> m_failure;  // the first failed write, repeated to every later call
};

}  // namespace q9::platform
