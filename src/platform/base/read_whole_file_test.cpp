#include "platform/base/read_whole_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "platform/base/temp_dir_test.h"

namespace q9::platform {
namespace {

namespace fs = std::filesystem;

class ReadWholeFileTest : public testing::TempDirTest {
 protected:
  void SetUp() override {
    TempDirTest::SetUp();
    std::ofstream(PathOf("ten")) << "0123456789";
    fs::create_directory(PathOf("folder"));
    ASSERT_EQ(mkfifo(PathOf("fifo").c_str(), 0600), 0);
  }
};

TEST_F(ReadWholeFileTest, ContentsOrAReasonAndItsErrno) {
  const struct {
    std::string name;
    uint64_t maxBytes;
    FileKinds kinds;
    std::string contents;  // or the reason
    int errorNumber;       // 0: read
  } cases[] = {
      {"ten", 10, FileKinds::kRegularOnly, "0123456789", 0},
      {"ten", 9, FileKinds::kRegularOnly, "larger than 9 bytes", EFBIG},
      {"missing", 10, FileKinds::kRegularOnly, "No such file or directory", ENOENT},
      {"folder", 10, FileKinds::kAnyButDirectory, "is a directory", EISDIR},
      // Refused before the open could wait for a writer.
      {"fifo", 10, FileKinds::kRegularOnly, "not a regular file", EINVAL},
  };
  for (const auto& c : cases) {
    const Result<std::string> text =
        ReadWholeFile<std::string>(PathOf(c.name), c.maxBytes, c.kinds);
    const Result<std::vector<uint8_t>> bytes =
        ReadWholeFile<std::vector<uint8_t>>(PathOf(c.name), c.maxBytes, c.kinds);
    ASSERT_EQ(text.Ok(), c.errorNumber == 0) << c.name;
    ASSERT_EQ(bytes.Ok(), c.errorNumber == 0) << c.name;
    if (c.errorNumber == 0) {
      EXPECT_EQ(*text, c.contents);
      EXPECT_EQ(std::string(bytes->begin(), bytes->end()), c.contents);
    } else {
      EXPECT_EQ(std::pair(text.Reason(), text.Error().errorNumber),
                std::pair(c.contents, c.errorNumber));
      EXPECT_EQ(bytes.Reason(), c.contents);
    }
  }
}

TEST_F(ReadWholeFileTest, AFifoIsReadWhereAllowedAndLimitedAsItStreams) {
  for (const auto& [written, maxBytes, expected] :
       {std::tuple<std::string, uint64_t, std::string>{"from a pipe", 11, "from a pipe"},
        {"from a pipe", 10, "larger than 10 bytes"}}) {
    std::thread writer([&, text = written] { std::ofstream(PathOf("fifo")) << text; });
    const Result<std::string> text =
        ReadWholeFile<std::string>(PathOf("fifo"), maxBytes, FileKinds::kAnyButDirectory);
    writer.join();
    EXPECT_EQ(text ? *text : text.Reason(), expected);
  }
}

TEST_F(ReadWholeFileTest, StartOfAFile) {
  const std::pair<size_t, std::string> cases[] = {{4, "0123"}, {20, "0123456789"}, {0, ""}};
  for (const auto& [count, expected] : cases) {
    const Result<std::vector<uint8_t>> start = ReadFileStart(PathOf("ten"), count);
    ASSERT_TRUE(start) << start.Reason();
    EXPECT_EQ(std::string(start->begin(), start->end()), expected);
  }
  EXPECT_EQ(ReadFileStart(PathOf("folder"), 4).Reason(), "is a directory");
  EXPECT_EQ(ReadFileStart(PathOf("fifo"), 4).Reason(), "not a regular file");
}

}  // namespace
}  // namespace q9::platform
