#include "platform/imaging/image_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

using test::At;
using test::MakePicture;
using test::Rgb;
using test::SamePixels;
using test::Uniform;

class ImageExportTest : public testing::TempDirTest {};

// GIF keeps pictures of at most 256 colours exactly: the smallest picture and
// colours one step apart (no merging of near colours). PNG keeps every pixel
// at any depth, whatever the case of the extension.
TEST_F(ImageExportTest, GifAndPngKeepEveryPixel) {
  Bitmap mono = Bitmap::Create(10, 3, 1);
  mono.SetPixelValue(4, 1, 1);
  const auto steps = [](int x, int y) {
    return Rgb{y * 16 + x, (y * 16 + x) ^ 1, 255 - y * 16 - x};
  };
  const struct {
    const char* name;
    Bitmap picture;
    int tolerance;
  } cases[] = {
      {"one_pixel.gif", Uniform(1, 1, {200, 10, 30}), 0},
      {"neighbours.gif", MakePicture(16, 16, steps), 0},
      {"colours.png", test::Noise(37, 23, 5), 0},
      {"mono.Png", mono, 0},
      // 4,096 smooth colours: reduced to 256 without dithering.
      {"many.gif",
       MakePicture(64, 64,
                   [](int x, int y) {
                     return Rgb{x * 4, y * 4, 128};
                   }),
       24},
  };
  for (const auto& [name, picture, tolerance] : cases) {
    SCOPED_TRACE(name);
    std::string error;
    ASSERT_EQ(SaveImageFile(PathOf(name), picture, &error), kImagingSuccess) << error;
    Bitmap loaded;
    ASSERT_EQ(LoadFile(PathOf(name), loaded, &error), kImagingSuccess) << error;
    ASSERT_EQ(std::pair(loaded.Width(), loaded.Height()),
              std::pair(picture.Width(), picture.Height()));
    for (int y = 0; y < picture.Height(); ++y)
      for (int x = 0; x < picture.Width(); ++x)
        ASSERT_PRED3(test::Near, At(loaded, x, y), At(picture, x, y), tolerance) << x << "," << y;
  }
  EXPECT_EQ(Listing().size(), std::size(cases));
}

TEST_F(ImageExportTest, AnimationKeepsFramesDelaysAndLoopsForever) {
  const std::vector<Bitmap> frames = {
      Uniform(12, 8, {255, 0, 0}),
      test::Noise(12, 8, 3),
      Uniform(12, 8, {0, 0, 0}),  // the same as nothing changing: must stay a frame
      Uniform(12, 8, {1, 2, 3}),
  };
  const std::vector<int> delays = {1, 250, 7, 65535};
  std::string error;
  ASSERT_EQ(SaveAnimatedGif(PathOf("a.gif"), frames, delays, &error), kImagingSuccess) << error;
  GifAnimation back;
  ASSERT_EQ(LoadGifAnimation(PathOf("a.gif"), back, &error), kImagingSuccess) << error;
  ASSERT_EQ(back.frames.size(), frames.size());
  EXPECT_EQ(back.delaysCentiseconds, delays);
  EXPECT_EQ(back.iterations, 0);
  for (size_t i = 0; i < frames.size(); ++i)
    EXPECT_TRUE(SamePixels(back.frames[i], frames[i])) << i;
  EXPECT_EQ(Listing(), std::vector<std::string>{"a.gif"});
}

TEST_F(ImageExportTest, FailuresLeaveNoFileAndKeepAnExistingOne) {
  std::filesystem::create_directory(PathOf("dir.png"));
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  testing::WriteAll(PathOf("keep.gif"), old);
  const Bitmap small = Uniform(4, 4, {9, 9, 9});
  const struct {
    const char* what;
    const char* file;
    std::vector<Bitmap> pictures;
    std::optional<std::vector<int>> delays;  // given: saved as an animation
    std::string reason;                      // a part of the message
  } cases[] = {
      {"unknown extension", "a.jpg", {small}, {}, "unknown picture format (use .png or .gif)"},
      {"missing folder", "none/a.png", {small}, {}, "No such file or directory"},
      {"a directory", "dir.png", {small}, {}, "is a directory"},
      {"no picture", "a.png", {Bitmap()}, {}, "no picture"},
      {"too wide", "a.png", {Bitmap::Create(16001, 1, 24)}, {}, "16001 x 1 pixels is larger"},
      {"no frames", "a.gif", {}, std::vector<int>{}, "no frames"},
      {"delays missing", "a.gif", {small, small}, std::vector{5}, "2 frames but 1 delays"},
      {"sizes differ", "keep.gif", {small, Uniform(4, 5, {})}, std::vector{5, 5}, "of 4 x 4"},
      {"delay too long", "a.gif", {small}, std::vector{65536}, "frame delay 65536"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_EQ(c.delays ? SaveAnimatedGif(PathOf(c.file), c.pictures, *c.delays, &error)
                       : SaveImageFile(PathOf(c.file), c.pictures[0], &error),
              kImagingFailure);
    EXPECT_NE(error.find(c.reason), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(Listing(), (std::vector<std::string>{"dir.png", "keep.gif"}));
    EXPECT_EQ(testing::ReadAll(PathOf("keep.gif")), old);
  }
}

TEST_F(ImageExportTest, WriterLeavesNothingUnlessCommitted) {
  const Bitmap frame = Uniform(3, 2, {1, 1, 1});
  std::string error;
  {
    AnimatedGifWriter dropped;  // closed by its destructor
    ASSERT_EQ(dropped.Open(PathOf("d.gif"), 3, 2, &error), kImagingSuccess) << error;
    ASSERT_EQ(dropped.AddFrame(frame, 4, &error), kImagingSuccess) << error;
    // The temporary file has no name, or a short hidden one where the file
    // system cannot make unnamed files.
    for (const std::string& name : Listing()) EXPECT_TRUE(name.starts_with(".q9-")) << name;
  }
  AnimatedGifWriter writer;
  ASSERT_EQ(writer.Open(PathOf("e.gif"), 3, 2, &error), kImagingSuccess) << error;
  EXPECT_EQ(writer.Commit(&error), kImagingFailure);
  EXPECT_NE(error.find("no frames"), std::string::npos) << error;
  ASSERT_EQ(writer.Open(PathOf("f.gif"), 3, 2, &error), kImagingSuccess) << error;
  ASSERT_EQ(writer.AddFrame(frame, 4, &error), kImagingSuccess) << error;
  writer.Abort();
  EXPECT_TRUE(Listing().empty());

  GifAnimation none;
  testing::WriteAll(PathOf("fake.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 2});
  EXPECT_EQ(LoadGifAnimation(PathOf("fake.gif"), none, &error), kImagingFailure);
  EXPECT_EQ(LoadGifAnimation(PathOf("nothing.gif"), none, &error), kImagingFailure);
  EXPECT_TRUE(none.frames.empty());
}

}  // namespace
}  // namespace q9::platform
