#include "platform/base/readable_file.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/base/other_user_test.h"
#include "platform/base/temp_dir_test.h"

namespace q9::platform {
namespace {

namespace fs = std::filesystem;

class ReadableFileTest : public testing::TempDirTest {};

TEST_F(ReadableFileTest, NamesWhatIsThereInsteadOfAFile) {
  std::ofstream(PathOf("file")) << "x";
  fs::create_directory(PathOf("folder"));
  ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0600), 0);
  const int sock = socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socketPath = PathOf("socket");
  ASSERT_LT(socketPath.size(), sizeof address.sun_path);
  socketPath.copy(address.sun_path, socketPath.size());
  ASSERT_EQ(bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  fs::create_symlink("file", PathOf("to-file"));
  fs::create_symlink("nothing", PathOf("dangling"));
  fs::create_symlink("loop-b", PathOf("loop-a"));
  fs::create_symlink("loop-a", PathOf("loop-b"));
  fs::create_symlink("/dev/zero", PathOf("to-device"));
  fs::create_symlink("folder", PathOf("to-folder"));
  fs::create_symlink("fifo", PathOf("to-fifo"));

  const struct {
    const char* name;
    const char* reason;  // "" for a readable file
    int errorNumber;
  } cases[] = {
      {"file", "", 0},
      {"to-file", "", 0},
      {"folder", "a directory", EISDIR},
      {"to-folder", "a directory", EISDIR},
      {"fifo", "a FIFO (named pipe)", EINVAL},
      {"to-fifo", "a FIFO (named pipe)", EINVAL},
      {"socket", "a socket", EINVAL},
      {"to-device", "a device", EINVAL},
      {"dangling", "a broken symbolic link", ENOENT},
      {"loop-a", "a symbolic link loop", ELOOP},
      {"missing", "no such file", ENOENT},
  };
  for (const auto& c : cases) {
    const Result<> r = CheckReadableFile(PathOf(c.name));
    EXPECT_EQ(r.Ok(), *c.reason == '\0') << c.name;
    EXPECT_EQ(r.Reason(), c.reason) << c.name;
    EXPECT_EQ(r.Error().errorNumber, c.errorNumber) << c.name;
  }
  close(sock);
}

TEST_F(ReadableFileTest, AFileThisUserMayNotReadIsUnreadable) {
  std::ofstream(PathOf("private")) << "x";
  ASSERT_EQ(chmod(PathOf("private").c_str(), 0600), 0);
  ASSERT_EQ(chmod(m_dir.c_str(), 0755), 0);
  const std::string path = PathOf("private");
  // As root the file is someone else's only for the unprivileged child.
  if (geteuid() != 0) {
    ASSERT_EQ(chmod(path.c_str(), 0), 0);
  }
  const std::string reason =
      testing::AsUnprivilegedUser([&] { return CheckReadableFile(path).Reason(); });
  EXPECT_EQ(reason, "unreadable: Permission denied");
}

}  // namespace
}  // namespace q9::platform
