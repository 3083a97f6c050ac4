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

// Added video extensions: parsed leniently, refused with a reason where a
// file could no longer be told apart, and listed with the others.
TEST(SourceListingTest, AddedVideoExtensionsAreParsedAndListed) {
  const struct {
    const char* text;
    const char* parsed;  // Text() of the result, or the start of the reason
    bool ok;
  } cases[] = {
      {"", "", true},
      {" mp4, .MOV,,mp4 ,Mkv", "mp4,mov,mkv", true},
      {"avi,webm", "webm", true},
      {"mp4,jpg", "\"jpg\" files are listed already", false},
      {"SEQ", "\"SEQ\" files are listed already", false},
      {"m p4", "\"m p4\" is no file extension", false},
      {"tar.gz", "\"tar.gz\" is no file extension", false},
      {"abcdefghijklmnopq", "\"abcdefghijklmnopq\" is no file extension", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    const platform::Result<VideoExtensions> parsed = VideoExtensions::Parse(c.text);
    ASSERT_EQ(bool(parsed), c.ok);
    EXPECT_TRUE((c.ok ? parsed->Text() : parsed.Reason()).starts_with(c.parsed))
        << (c.ok ? parsed->Text() : parsed.Reason());
  }
  std::string many;
  for (int i = 0; i <= int(VideoExtensions::kMaxCount); ++i) many += "x" + std::to_string(i) + ",";
  EXPECT_FALSE(VideoExtensions::Parse(many));

  ptest::TempDir dir;
  for (const char* n : {"b.MP4", "a.avi", "c.mkv.txt", "d.mkv", "e.webm"})
    ptest::WriteBytes(dir.File(n), {'x'});
  EXPECT_EQ(ListSourceFiles(dir.Path(), *VideoExtensions::Parse("mp4,mkv")),
            (std::vector<std::string>{"a.avi", "b.MP4", "d.mkv"}));
}

}  // namespace
}  // namespace q9::convert
