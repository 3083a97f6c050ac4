#include "convert/source_listing.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace q9::convert {
namespace {

namespace fs = std::filesystem;

class SourceListingTest : public testing::Test {
 protected:
  void SetUp() override {
    m_dir = fs::temp_directory_path() /
            ("q9-listing-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
             "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(m_dir);
    fs::create_directories(m_dir);
  }
  void TearDown() override { fs::remove_all(m_dir); }
  void Touch(const std::string& name) { std::ofstream(m_dir / name) << "x"; }

  fs::path m_dir;
};

TEST_F(SourceListingTest, ListsKnownExtensionsInAnyCaseSortedByName) {
  for (const char* n : {"b.avi", "a.seq", "c.bmp", "d.msg", "E.JPG", "f.Pct", "notes.txt", "noext",
                        "g.jpeg", "h.cmp", ".avi"})
    Touch(n);
  fs::create_directory(m_dir / "dir.avi");
  const std::vector<std::string> expected = {".avi",  "a.seq", "b.avi", "c.bmp",
                                             "d.msg", "E.JPG", "f.Pct", "h.cmp"};
  EXPECT_EQ(ListSourceFiles(m_dir.string()), expected);
}

TEST_F(SourceListingTest, MissingDirectoryGivesNothing) {
  EXPECT_TRUE(ListSourceFiles((m_dir / "nope").string()).empty());
}

}  // namespace
}  // namespace q9::convert
