#include "platform/signlib/cq9_riff_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "platform/base/temp_dir_test.h"

namespace q9::platform {
namespace {

// The file's moves, reached as the sequence file reaches them.
struct Riff : CQ9RiffFile {
  using CQ9RiffFile::MoveBytes;
  using CQ9RiffFile::OpenPath;
};

using RiffFileTest = testing::TempDirTest;

// Moves act as memmove does, also when the bytes overlap and take several
// rounds of the bounded buffer (1 MiB); a move of bytes the file does not
// hold fails.
TEST_F(RiffFileTest, MovesBytesAsMemmoveDoes) {
  constexpr uint64_t kMiB = uint64_t(1) << 20;
  const struct {
    const char* what;
    uint64_t from, to, size;
    bool ok;
  } cases[] = {
      {"up, overlapping, three rounds", 5, 5 + kMiB / 2, 2 * kMiB + 7, true},
      {"down, overlapping, three rounds", kMiB / 2, 3, 2 * kMiB + 7, true},
      {"nothing", 10, 20, 0, true},
      {"onto itself", 10, 10, 100, true},
      {"past the written end", 3 * kMiB - 10, 0, 20, false},
  };
  std::vector<uint8_t> written(3 * kMiB);
  for (size_t i = 0; i < written.size(); ++i) written[i] = uint8_t(i * 7 + i / 251);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    Riff riff;
    ASSERT_TRUE(riff.OpenPath(PathOf("a.sq9").c_str(), true));
    ASSERT_TRUE(riff.Write(written));
    EXPECT_EQ(riff.MoveBytes(c.from, c.to, c.size), c.ok);
    if (!c.ok) continue;
    std::vector<uint8_t> expected = written;
    std::memmove(expected.data() + c.to, written.data() + c.from, c.size);
    std::vector<uint8_t> read(written.size());
    ASSERT_TRUE(riff.ReadAt(0, read));
    EXPECT_TRUE(read == expected);
  }
}

}  // namespace
}  // namespace q9::platform
