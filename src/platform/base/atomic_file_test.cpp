#include "platform/base/atomic_file.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>

#include "platform/base/temp_dir_test.h"

namespace q9::platform {
namespace {

namespace fs = std::filesystem;
using Temporary = AtomicFile::Temporary;

std::vector<uint8_t> Bytes(std::string_view text) {
  return {text.begin(), text.end()};
}

class AtomicFileTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    m_umask = umask(022);
  }
  void TearDown() override {
    umask(m_umask);
    fs::permissions(m_dir, fs::perms::owner_all);
    TempDirTest::TearDown();
  }
  std::string Contents(const std::string& name) const {
    std::ifstream in(PathOf(name), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  }
  void WriteOld(const std::string& name, mode_t mode) {
    std::ofstream(PathOf(name)) << "old";
    ASSERT_EQ(chmod(PathOf(name).c_str(), mode), 0);
  }
  mode_t ModeOf(const std::string& name) const {
    struct stat st {};
    return stat(PathOf(name).c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  // Whether this folder's file system makes unnamed files.
  bool MakesUnnamedFiles() const {
    const int fd = open(m_dir.c_str(), O_TMPFILE | O_RDWR, 0600);
    if (fd >= 0) close(fd);
    return fd >= 0;
  }

  mode_t m_umask = 022;
};

TEST_F(AtomicFileTest, CommitReplacesAbortKeepsAndNothingStrayRemains) {
  const std::string longName = std::string(251, 'n') + ".sq9";  // NAME_MAX bytes
  const struct {
    const char* what;
    Temporary temporary;
    std::string name;
    std::optional<mode_t> oldMode;  // an earlier file at the target
    bool commit;
  } cases[] = {
      {"new file", Temporary::kUnnamed, "a.seq", {}, true},
      {"replaced, mode kept", Temporary::kUnnamed, "b.seq", 0640, true},
      {"abandoned", Temporary::kUnnamed, "c.seq", 0600, false},
      {"abandoned new file", Temporary::kUnnamed, "d.seq", {}, false},
      {"longest name", Temporary::kUnnamed, longName, 0604, true},
      {"named: replaced", Temporary::kNamed, "e.seq", 0640, true},
      {"named: abandoned", Temporary::kNamed, "f.seq", 0640, false},
      {"named: longest name", Temporary::kNamed, longName, {}, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    fs::remove_all(m_dir);
    fs::create_directory(m_dir);
    if (c.oldMode) WriteOld(c.name, *c.oldMode);
    const std::vector<std::string> before = Listing();

    AtomicFile file;
    ASSERT_TRUE(file.Open(PathOf(c.name), c.temporary)) << c.what;
    ASSERT_TRUE(file.Write(Bytes("new contents")));
    // While it is written, an unnamed file has no entry; a named one has a
    // short hidden one.
    std::vector<std::string> during = Listing();
    const bool named = c.temporary == Temporary::kNamed || !MakesUnnamedFiles();
    ASSERT_EQ(during.size(), before.size() + (named ? 1 : 0));
    for (const std::string& name : during) {
      if (std::find(before.begin(), before.end(), name) == before.end()) {
        EXPECT_TRUE(name.starts_with(".q9-") && name.size() < 16) << name;
      }
    }

    if (c.commit) {
      ASSERT_TRUE(file.Commit());
      EXPECT_EQ(Contents(c.name), "new contents");
      EXPECT_EQ(ModeOf(c.name), c.oldMode.value_or(0644));
      EXPECT_EQ(Listing(), std::vector<std::string>{c.name});
    } else {
      file.Abort();
      EXPECT_EQ(Listing(), before);
      EXPECT_EQ(Contents(c.name), c.oldMode ? "old" : "");
    }
    EXPECT_FALSE(file.IsOpen());
  }
}

TEST_F(AtomicFileTest, StreamsPatchesAndReadsBack) {
  for (const Temporary temporary : {Temporary::kUnnamed, Temporary::kNamed}) {
    AtomicFile file;
    ASSERT_TRUE(file.Open(PathOf("s.sq9"), temporary));
    ASSERT_TRUE(file.Write(Bytes("RIFF....")));
    ASSERT_TRUE(file.Write(std::vector<uint8_t>(3 << 20, 'x')));  // past the buffer
    ASSERT_TRUE(file.Write(Bytes("end")));
    ASSERT_TRUE(file.WriteAt(4, Bytes("size")));  // a count known only at the end
    EXPECT_EQ(file.Position(), 8u + (3 << 20) + 3);
    EXPECT_EQ(*file.Seek(-3, SEEK_END), 8u + (3 << 20));
    ASSERT_TRUE(file.Write(Bytes("END")));
    std::vector<uint8_t> head(8), tail(8);
    EXPECT_EQ(*file.ReadAt(0, head), 8u);
    EXPECT_EQ(*file.ReadAt(8 + (3 << 20) - 2, tail), 5u);  // the file ends there
    EXPECT_EQ(head, Bytes("RIFFsize"));
    EXPECT_EQ(std::vector<uint8_t>(tail.begin(), tail.begin() + 5), Bytes("xxEND"));
    ASSERT_TRUE(file.Commit());
    const std::string written = Contents("s.sq9");
    EXPECT_EQ(written.size(), 8u + (3 << 20) + 3);
    EXPECT_TRUE(written.starts_with("RIFFsizexx") && written.ends_with("xxEND"));
  }
}

// A writer cuts what it no longer needs or lengthens the file to a size
// known at the end; the lengthened part reads as zeros.
TEST_F(AtomicFileTest, ResizeCutsAndLengthens) {
  AtomicFile file;
  EXPECT_FALSE(file.Resize(4));  // nothing open
  ASSERT_TRUE(file.Open(PathOf("r.sq9")));
  ASSERT_TRUE(file.Write(Bytes("abcdefgh")));  // still in the buffer: written first
  ASSERT_TRUE(file.Resize(3));
  EXPECT_EQ(*file.Size(), 3u);
  ASSERT_TRUE(file.Resize(6));
  std::vector<uint8_t> back(8, 'x');
  EXPECT_EQ(*file.ReadAt(0, back), 6u);
  EXPECT_EQ(back, Bytes(std::string("abc\0\0\0xx", 8)));
  EXPECT_EQ(file.Position(), 8u);  // where the next write goes, past the end now
  ASSERT_TRUE(file.Write(Bytes("!")));
  ASSERT_TRUE(file.Commit());
  EXPECT_EQ(Contents("r.sq9"), std::string("abc\0\0\0\0\0!", 9));
}

TEST_F(AtomicFileTest, RefusedTargetsGiveAReason) {
  fs::create_directory(m_dir / "folder");
  fs::create_directory(m_dir / "locked");
  fs::permissions(m_dir, fs::perms::all);  // others may search it
  fs::permissions(m_dir / "locked", fs::perms::owner_read | fs::perms::owner_exec |
                                        fs::perms::others_read | fs::perms::others_exec);
  const std::pair<std::string, std::string> cases[] = {
      {"", "empty file name"},
      {PathOf("folder"), "is a directory"},
      {PathOf("missing/a.seq"), "No such file or directory"},
      {PathOf(std::string(256, 'n')), "File name too long"},
      {PathOf("locked/a.seq"), "Permission denied"},
  };
  for (const auto& [target, reason] : cases) {
    // The read-only folder must refuse also when the tests run as root:
    // the open then happens in a child without privileges.
    const pid_t child = geteuid() == 0 ? fork() : -1;
    if (child == 0) {
      if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
      AtomicFile file;
      const Result<> opened = file.Open(target);
      _exit(!opened && opened.Reason() == reason ? 0 : 1);
    }
    if (child > 0) {
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << target;
      continue;
    }
    AtomicFile file;
    const Result<> opened = file.Open(target);
    ASSERT_FALSE(opened) << target;
    EXPECT_EQ(opened.Reason(), reason) << target;
  }
  EXPECT_TRUE(fs::is_empty(m_dir / "locked"));
}

}  // namespace
}  // namespace q9::platform
