#include "platform/imaging/image_export.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <set>

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

// Pictures with at most 256 colours, chosen to exercise the GIF encoder:
// the smallest picture, long runs (long strings, many code widths), colours
// one step apart (no merging of near colours) and noise over 256 colours
// (12-bit codes and table resets many times over).
struct FewColours {
  const char* name;
  Bitmap picture;
};

std::vector<FewColours> FewColourPictures() {
  std::mt19937 random(7);
  std::vector<Rgb> noiseColours(256);
  for (Rgb& c : noiseColours)
    c = Rgb{int(random() % 256), int(random() % 256), int(random() % 256)};
  std::vector<uint8_t> noise(300 * 200);
  for (uint8_t& v : noise) v = uint8_t(random());
  return {
      {"one_pixel", Uniform(1, 1, {200, 10, 30})},
      {"two_colours", MakePicture(9, 5,
                                  [](int x, int y) {
                                    return (x + y) % 2 ? Rgb{255, 255, 0} : Rgb{0, 0, 0};
                                  })},
      {"three_colour_runs",
       MakePicture(640, 480,
                   [](int x, int y) {
                     return x < 200 ? Rgb{255, 0, 0} : (y < 300 ? Rgb{0, 0, 0} : Rgb{0, 255, 0});
                   })},
      {"neighbours", MakePicture(16, 16,
                                 [](int x, int y) {
                                   const int i = y * 16 + x;
                                   return Rgb{i, i ^ 1, 255 - i};
                                 })},
      {"noise",
       MakePicture(300, 200, [&](int x, int y) { return noiseColours[noise[y * 300 + x]]; })},
  };
}

TEST_F(ImageExportTest, GifKeepsUpTo256ColoursExactly) {
  for (const FewColours& c : FewColourPictures()) {
    SCOPED_TRACE(c.name);
    const std::string path = PathOf(std::string(c.name) + ".gif");
    std::string error;
    ASSERT_EQ(SaveImageFile(path, c.picture, &error), kImagingSuccess) << error;
    GifAnimation back;
    ASSERT_EQ(LoadGifAnimation(path, back, &error), kImagingSuccess) << error;
    ASSERT_EQ(back.frames.size(), 1u);
    EXPECT_TRUE(SamePixels(back.frames[0], c.picture));
    Bitmap loaded;  // the ordinary still-image loader agrees
    ASSERT_EQ(LoadFile(path, loaded, &error), kImagingSuccess) << error;
    EXPECT_TRUE(SamePixels(loaded, c.picture));
  }
}

TEST_F(ImageExportTest, PngKeepsEveryPixelAtAnyDepth) {
  const Bitmap colours = MakePicture(37, 23, [](int x, int y) {
    return Rgb{x * 7 % 256, y * 11 % 256, x * y % 256};
  });
  Bitmap grey = colours;
  ASSERT_EQ(GreyScaleBitmap(grey), kImagingSuccess);
  Bitmap mono = Bitmap::Create(10, 3, 1);
  mono.SetPixelValue(4, 1, 1);
  struct Case {
    const char* name;
    const Bitmap& picture;
  };
  for (const Case& c :
       {Case{"colours.png", colours}, Case{"grey.PNG", grey}, Case{"mono.Png", mono}}) {
    SCOPED_TRACE(c.name);
    std::string error;
    ASSERT_EQ(SaveImageFile(PathOf(c.name), c.picture, &error), kImagingSuccess) << error;
    Bitmap back;
    ASSERT_EQ(LoadFile(PathOf(c.name), back, &error), kImagingSuccess) << error;
    EXPECT_TRUE(SamePixels(back, c.picture));
  }
  EXPECT_EQ(Listing(), (std::vector<std::string>{"colours.png", "grey.PNG", "mono.Png"}));
}

TEST_F(ImageExportTest, AnimationKeepsFramesDelaysAndLoopsForever) {
  const std::vector<Bitmap> frames = {
      Uniform(12, 8, {255, 0, 0}),
      MakePicture(12, 8,
                  [](int x, int) {
                    return x < 6 ? Rgb{0, 0, 255} : Rgb{0, 0, 0};
                  }),
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

TEST_F(ImageExportTest, GifOfManyColoursIsCloseWithAtMost256) {
  // 4,096 colours, smooth: reduced to 256 without dithering.
  const Bitmap picture = MakePicture(64, 64, [](int x, int y) { return Rgb{x * 4, y * 4, 128}; });
  std::string error;
  ASSERT_EQ(SaveImageFile(PathOf("many.gif"), picture, &error), kImagingSuccess) << error;
  GifAnimation back;
  ASSERT_EQ(LoadGifAnimation(PathOf("many.gif"), back, &error), kImagingSuccess) << error;
  ASSERT_EQ(back.frames.size(), 1u);
  std::set<uint32_t> colours;
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      EXPECT_PRED3(test::Near, At(back.frames[0], x, y), At(picture, x, y), 24) << x << "," << y;
      colours.insert(back.frames[0].PixelValue(x, y));
    }
  EXPECT_LE(colours.size(), 256u);
  EXPECT_GT(colours.size(), 64u);
}

TEST_F(ImageExportTest, FailuresLeaveNoFileAndKeepAnExistingOne) {
  std::filesystem::create_directory(PathOf("dir.png"));
  const std::vector<uint8_t> old = {'o', 'l', 'd'};
  testing::WriteAll(PathOf("keep.gif"), old);
  const Bitmap small = Uniform(4, 4, {9, 9, 9});
  struct Case {
    const char* what;
    std::function<int(std::string*)> save;
    std::string reason;  // a part of the message
  };
  const Case cases[] = {
      {"unknown extension",
       [&](std::string* e) { return SaveImageFile(PathOf("a.jpg"), small, e); },
       "unknown picture format (use .png or .gif)"},
      {"no extension", [&](std::string* e) { return SaveImageFile(PathOf("png"), small, e); },
       "unknown picture format"},
      {"missing folder",
       [&](std::string* e) { return SaveImageFile(PathOf("none/a.png"), small, e); },
       "No such file or directory"},
      {"a directory", [&](std::string* e) { return SaveImageFile(PathOf("dir.png"), small, e); },
       "is a directory"},
      {"no picture", [&](std::string* e) { return SaveImageFile(PathOf("a.png"), Bitmap(), e); },
       "no picture"},
      {"too wide",
       [&](std::string* e) {
         return SaveImageFile(PathOf("a.png"), Bitmap::Create(16001, 1, 24), e);
       },
       "16001 x 1 pixels is larger than the limit"},
      {"too many pixels",
       [&](std::string* e) {
         return SaveImageFile(PathOf("a.gif"), Bitmap::Create(3600, 3600, 8), e);
       },
       "larger than the limit"},
      {"no frames", [&](std::string* e) { return SaveAnimatedGif(PathOf("a.gif"), {}, {}, e); },
       "no frames"},
      {"delays missing",
       [&](std::string* e) {
         return SaveAnimatedGif(PathOf("a.gif"), {small, small}, {5}, e);
       },
       "2 frames but 1 delays"},
      {"sizes differ",
       [&](std::string* e) {
         return SaveAnimatedGif(PathOf("keep.gif"), {small, Uniform(4, 5, {})}, {5, 5}, e);
       },
       "a frame of 4 x 5 pixels in an animation of 4 x 4"},
      {"negative delay",
       [&](std::string* e) { return SaveAnimatedGif(PathOf("keep.gif"), {small}, {-1}, e); },
       "frame delay -1 outside 0 to 65535"},
      {"delay too long",
       [&](std::string* e) { return SaveAnimatedGif(PathOf("a.gif"), {small}, {65536}, e); },
       "frame delay 65536"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::string error;
    EXPECT_EQ(c.save(&error), kImagingFailure);
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
    EXPECT_EQ(Listing().size(), 1u);  // the temporary file
  }
  AnimatedGifWriter writer;
  ASSERT_EQ(writer.Open(PathOf("e.gif"), 3, 2, &error), kImagingSuccess) << error;
  EXPECT_EQ(writer.Commit(&error), kImagingFailure);
  EXPECT_NE(error.find("no frames"), std::string::npos) << error;
  ASSERT_EQ(writer.Open(PathOf("f.gif"), 3, 2, &error), kImagingSuccess) << error;
  ASSERT_EQ(writer.AddFrame(frame, 4, &error), kImagingSuccess) << error;
  writer.Abort();
  EXPECT_EQ(writer.AddFrame(frame, 4, &error), kImagingFailure);
  EXPECT_EQ(writer.Open(PathOf("g.gif"), 0, 2, &error), kImagingFailure);
  EXPECT_TRUE(Listing().empty());

  GifAnimation none;
  testing::WriteAll(PathOf("fake.gif"), {'G', 'I', 'F', '8', '9', 'a', 1, 2});
  EXPECT_EQ(LoadGifAnimation(PathOf("fake.gif"), none, &error), kImagingFailure);
  EXPECT_EQ(LoadGifAnimation(PathOf("nothing.gif"), none, &error), kImagingFailure);
  EXPECT_TRUE(none.frames.empty());
}

}  // namespace
}  // namespace q9::platform
