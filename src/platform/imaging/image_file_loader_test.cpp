#include <gtest/gtest.h>

#include <array>
#include <filesystem>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::platform {
namespace {

using test::At;
using test::Near;
using test::Rgb;

const std::string kDir = std::string(Q9_TEST_DATA_DIR) + "/images/";

constexpr Rgb kRed{255, 0, 0}, kWhite{255, 255, 255};
constexpr std::array kQuad{kRed, Rgb{0, 255, 0}, Rgb{0, 0, 255}, kWhite};

// Every format loads at 24 bits; the colours are checked at the centres of
// the four quadrants (top left, top right, bottom left, bottom right).
TEST(LoadFile, ReadsEachFormat) {
  const struct {
    const char* file;
    int width, height, tolerance;
    std::array<Rgb, 4> quadrants;
  } cases[] = {
      {"quad.bmp", 16, 12, 0, kQuad},
      {"quad.jpg", 16, 12, 8, kQuad},
      {"jpeg_named.bmp", 16, 12, 8, kQuad},  // the content decides, not the name
      {"quad.tga", 16, 12, 0, kQuad},
      {"quad.wpg", 16, 12, 0, kQuad},
      {"quad.eps", 16, 12, 0, kQuad},
      // Photo CD stores colours as luma and chroma: close, not exact.
      {"quad.pcd", 768, 512, 70, kQuad},
      {"quad.pcx", 16, 12, 0, kQuad},
      {"quad.dib", 16, 12, 0, kQuad},
      {"quad.psd", 16, 12, 0, kQuad},
      {"quad.mac", 576, 720, 0, {Rgb{0, 0, 0}, kWhite, kWhite, kWhite}},
      {"quad.pct", 16, 12, 0, kQuad},
      {"quad_cmyk.jpg", 16, 12, 8, kQuad},                     // converted to sRGB
      {"alpha.png", 16, 12, 0, {kWhite, kRed, kWhite, kRed}},  // laid on white
      {"quad_two.gif", 16, 12, 0, kQuad},                      // two images: the first is taken
  };
  for (const auto& f : cases) {
    SCOPED_TRACE(f.file);
    Bitmap b;
    std::string error;
    ASSERT_EQ(LoadFile(kDir + f.file, b, &error), kImagingSuccess) << error;
    EXPECT_EQ(b.BitsPerPixel(), 24);
    ASSERT_EQ(std::pair(b.Width(), b.Height()), std::pair(f.width, f.height));
    for (int q = 0; q < 4; ++q)
      EXPECT_PRED3(Near, At(b, (1 + q % 2 * 2) * f.width / 4, (1 + q / 2 * 2) * f.height / 4),
                   f.quadrants[size_t(q)], f.tolerance);
  }
}

// Damaged files; declared sizes beyond the limits (refused before the pixels
// are allocated); non-raster content under raster names; no file at all.
TEST(LoadFile, RefusesWithOneLineErrorAndEmptyBitmap) {
  const char* const cases[][2] = {{"junk.cmp", "CMP"},
                                  {"corrupt.png", "PNG"},
                                  {"truncated.jpg", "JPEG"},
                                  {"empty.bmp", "empty"},
                                  {"huge_header.bmp", "BMP"},
                                  {"bomb_area.png", "PNG"},
                                  {"bomb.gif", "GIF"},
                                  {"vector.bmp", "not read"},
                                  {"plain_ps.eps", "PostScript"},
                                  {"no_such_file.bmp", "not a readable file"}};
  for (const auto& [file, reasonPart] : cases) {
    Bitmap b = Bitmap::Create(4, 4, 24);
    std::string error;
    EXPECT_EQ(LoadFile(kDir + file, b, &error), kImagingFailure) << file;
    EXPECT_FALSE(b.HasData()) << file;
    EXPECT_NE(error.find(reasonPart), std::string::npos) << file << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << file;
  }
}

// Names are never read as ImageMagick syntax ("format:", "[frame]", "@list"):
// such a file loads by its content like any other. Without a signature the
// extension names the format, unless it names no raster format.
class LoadFileNames : public testing::TempDirTest {};

TEST_F(LoadFileNames, ContentFirstThenTheExtension) {
  const struct {
    const char* name;
    const char* copyOf;  // null: a line of text
    const char* reason;  // null: loads
  } cases[] = {{"svg:quad[3].bmp", "quad.png", nullptr}, {"@quad.png", "quad.png", nullptr},
               {"quad.tga", "quad.tga", nullptr},        {"quad", "quad.tga", "unrecognised"},
               {"a.svg", nullptr, "not read"},           {"a.msl", nullptr, "not read"},
               {"a.https", nullptr, "not read"}};
  for (const auto& c : cases) {
    if (c.copyOf)
      std::filesystem::copy_file(kDir + c.copyOf, PathOf(c.name));
    else
      testing::WriteAll(PathOf(c.name), {'h', 'e', 'l', 'l', 'o'});
    Bitmap b;
    std::string error;
    EXPECT_EQ(LoadFile(PathOf(c.name), b, &error), c.reason ? kImagingFailure : kImagingSuccess)
        << c.name << ": " << error;
    EXPECT_NE(error.find(c.reason ? c.reason : ""), std::string::npos) << c.name << ": " << error;
    EXPECT_EQ(b.Width(), c.reason ? 0 : 16) << c.name;
  }
}

}  // namespace
}  // namespace q9::platform

namespace q9::platform {
namespace {

// Flat mid-grey pictures of width x height, run-length coded so that they
// are small files whatever their size.
std::vector<uint8_t> FlatTga(uint16_t width, uint16_t height) {
  std::vector<uint8_t> file = {0, 0, 11, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  for (uint16_t v : {width, height}) test::Append(file, {uint8_t(v), uint8_t(v >> 8)});
  test::Append(file, {8, 0x20});
  for (uint64_t left = uint64_t(width) * height; left > 0; left -= std::min<uint64_t>(left, 128))
    test::Append(file, {uint8_t(0x80 | (std::min<uint64_t>(left, 128) - 1)), 0x80});
  return file;
}

std::vector<uint8_t> FlatPcx(uint16_t width, uint16_t height) {
  std::vector<uint8_t> file(128);
  file[0] = 0x0A, file[1] = 5, file[2] = 1, file[3] = 8, file[65] = 3;
  file[8] = uint8_t(width - 1), file[9] = uint8_t((width - 1) >> 8);
  file[10] = uint8_t(height - 1), file[11] = uint8_t((height - 1) >> 8);
  file[66] = uint8_t(width), file[67] = uint8_t(width >> 8);
  for (uint64_t left = uint64_t(width) * height * 3; left > 0; left -= std::min<uint64_t>(left, 63))
    test::Append(file, {uint8_t(0xC0 | std::min<uint64_t>(left, 63)), 0x80});
  return file;
}

std::vector<uint8_t> FlatPsd(uint16_t width, uint16_t height) {
  std::vector<uint8_t> file = {'8', 'B', 'P', 'S', 0, 1, 0, 0, 0, 0, 0, 0, 0, 3, 0, 0};
  test::Append(file, {uint8_t(height >> 8), uint8_t(height), 0, 0});
  test::Append(file, {uint8_t(width >> 8), uint8_t(width), 0, 8, 0, 3});
  file.resize(file.size() + 12);  // no colour table, resources or layers
  test::Append(file, {0, 1});
  // Each row: runs of 128 grey bytes, then the rest.
  std::vector<uint8_t> row;
  for (unsigned left = width; left > 0; left -= std::min(left, 128u))
    test::Append(row, {uint8_t(1 - int(std::min(left, 128u))), 0x80});
  for (int i = 0; i < 3 * height; ++i) test::Append(file, {0, uint8_t(row.size())});
  for (int i = 0; i < 3 * height; ++i) test::Append(file, row);
  return file;
}

// Beyond what the system's ImageMagick policy lets ImageMagick hold (about
// 33 megapixels): these formats are decoded by our own code.
TEST(LoadPictureBlob, LargeTgaPcxAndPhotoshopPicturesLoad) {
  const struct {
    const char* hint;
    std::vector<uint8_t> (*make)(uint16_t, uint16_t);
  } formats[] = {{"tga", FlatTga}, {"pcx", FlatPcx}, {"psd", FlatPsd}};
  for (const auto& f : formats) {
    SCOPED_TRACE(f.hint);
    const Result<LoadedPicture> r = LoadPictureBlob(f.make(8000, 5000), f.hint);
    ASSERT_TRUE(r.Ok()) << r.Reason();
    EXPECT_EQ(std::pair(r->picture.Width(), r->picture.Height()), std::pair(8000, 5000));
    EXPECT_EQ(At(r->picture, 7999, 4999), (Rgb{128, 128, 128}));
  }
}

}  // namespace
}  // namespace q9::platform
