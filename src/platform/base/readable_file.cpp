#include "platform/base/readable_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace q9::platform {
namespace {

Failure Unreadable(int error) {
  if (error == ENOENT) return {"no such file", ENOENT};
  return {"unreadable: " + Failure::FromErrno(error).reason, error};
}

}  // namespace

Result<> CheckReadableFile(const std::string& path) {
  struct stat st {};
  if (lstat(path.c_str(), &st) != 0) return Unreadable(errno);
  if (S_ISLNK(st.st_mode) && stat(path.c_str(), &st) != 0) {
    if (errno == ENOENT) return Failure{"a broken symbolic link", ENOENT};
    if (errno == ELOOP) return Failure{"a symbolic link loop", ELOOP};
    return Unreadable(errno);
  }
  if (S_ISDIR(st.st_mode)) return Failure{"a directory", EISDIR};
  if (S_ISFIFO(st.st_mode)) return Failure{"a FIFO (named pipe)", EINVAL};
  if (S_ISSOCK(st.st_mode)) return Failure{"a socket", EINVAL};
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return Failure{"a device", EINVAL};
  if (!S_ISREG(st.st_mode)) return Failure{"not a regular file", EINVAL};
  // The kernel's answer to an open, which is what the reader will get.
  const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return Unreadable(errno);
  close(fd);
  return {};
}

}  // namespace q9::platform
