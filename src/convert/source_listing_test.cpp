#include "convert/source_listing.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/video/test_media.h"

namespace q9::convert {
namespace {

namespace ptest = platform::test;

TEST(SourceListingTest, ListsFilesOfKnownExtensionsInAnyCaseSortedByName) {
  ptest::TempDir dir;
  for (const char* n : {"b.avi", "a.seq", "c.bmp", "d.msg", "E.JPG", "f.Pct", "notes.txt", "noext",
                        "g.jpeg", "h.cmp", ".avi"})
    ptest::WriteBytes(dir.File(n), {'x'});
  std::filesystem::create_directory(dir.File("dir.avi"));
  EXPECT_EQ(ListSourceFiles(dir.Path()),
            (std::vector<std::string>{".avi", "a.seq", "b.avi", "c.bmp", "d.msg", "E.JPG", "f.Pct",
                                      "h.cmp"}));
  EXPECT_TRUE(ListSourceFiles(dir.File("nope")).empty());
}

}  // namespace
}  // namespace q9::convert
