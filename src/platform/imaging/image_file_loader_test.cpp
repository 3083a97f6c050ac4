#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::At;
using test::Near;
using test::Rgb;

const std::string kDir = std::string(Q9_TEST_DATA_DIR) + "/images/";

std::vector<uint8_t> ReadAll(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255},
    kBlack{0, 0, 0};

struct Readable {
  const char* file;
  int width, height;
  int tolerance;
  Rgb topLeft, topRight, bottomLeft, bottomRight;  // the quadrants' centres
  friend void PrintTo(const Readable& r, std::ostream* os) { *os << r.file; }
};

class LoadFileReadable : public ::testing::TestWithParam<Readable> {};

TEST_P(LoadFileReadable, LoadsAt24BitsWithSizeAndColours) {
  const Readable& f = GetParam();
  Bitmap b;
  std::string error;
  ASSERT_EQ(LoadFile(kDir + f.file, b, &error), kImagingSuccess) << error;
  EXPECT_EQ(b.BitsPerPixel(), 24);
  ASSERT_EQ(b.Width(), f.width);
  ASSERT_EQ(b.Height(), f.height);
  const int qx = f.width / 4, qy = f.height / 4;
  EXPECT_PRED3(Near, At(b, qx, qy), f.topLeft, f.tolerance);
  EXPECT_PRED3(Near, At(b, 3 * qx, qy), f.topRight, f.tolerance);
  EXPECT_PRED3(Near, At(b, qx, 3 * qy), f.bottomLeft, f.tolerance);
  EXPECT_PRED3(Near, At(b, 3 * qx, 3 * qy), f.bottomRight, f.tolerance);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, LoadFileReadable,
    ::testing::Values(
        Readable{"quad.bmp", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad8.bmp", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.jpg", 16, 12, 8, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.jpeg", 16, 12, 8, kRed, kGreen, kBlue, kWhite},
        Readable{"jpeg_named.bmp", 16, 12, 8, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.tga", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.wpg", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.eps", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        // Photo CD stores colours as luma and chroma: close, not exact.
        Readable{"quad.pcd", 768, 512, 70, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.pcx", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.dib", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.psd", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.mac", 576, 720, 0, kBlack, kWhite, kWhite, kWhite},
        Readable{"quad.pct", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        Readable{"quad.png", 16, 12, 0, kRed, kGreen, kBlue, kWhite},
        // Converted to sRGB, grey and laid on white.
        Readable{"quad_cmyk.jpg", 16, 12, 8, kRed, kGreen, kBlue, kWhite},
        Readable{"grey.png", 16, 12, 0, {51, 51, 51}, {204, 204, 204}, {102, 102, 102}, kWhite},
        Readable{"alpha.png", 16, 12, 0, kWhite, kRed, kWhite, kRed},
        // Two images: the first is taken.
        Readable{"quad_two.gif", 16, 12, 0, kRed, kGreen, kBlue, kWhite}),
    [](const auto& info) {
      std::string name = info.param.file;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

struct Refused {
  const char* file;
  const char* reasonPart;  // a piece of the error text
  friend void PrintTo(const Refused& r, std::ostream* os) { *os << r.file; }
};

class LoadFileRefused : public ::testing::TestWithParam<Refused> {};

TEST_P(LoadFileRefused, FailsWithOneLineErrorAndEmptyBitmap) {
  const Refused& f = GetParam();
  Bitmap b = Bitmap::Create(4, 4, 24);
  std::string error;
  EXPECT_EQ(LoadFile(kDir + f.file, b, &error), kImagingFailure);
  EXPECT_FALSE(b.HasData());
  EXPECT_NE(error.find(f.reasonPart), std::string::npos) << error;
  EXPECT_EQ(error.find('\n'), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(
    BadFiles, LoadFileRefused,
    ::testing::Values(Refused{"junk.cmp", "CMP"}, Refused{"corrupt.png", "PNG"},
                      Refused{"truncated.png", "PNG"}, Refused{"truncated.jpg", "JPEG"},
                      Refused{"truncated.bmp", "BMP"}, Refused{"empty.bmp", "empty"},
                      Refused{"huge_header.bmp", "BMP"},
                      // Declared sizes beyond the limits: refused before the
                      // pixels are allocated.
                      Refused{"bomb_100000.png", "PNG"}, Refused{"bomb_area.png", "PNG"},
                      Refused{"bomb.gif", "GIF"},
                      // Non-raster content under raster names.
                      Refused{"vector.bmp", "not read"}, Refused{"script.jpg", "not read"},
                      Refused{"pixels.tga", "not read"}, Refused{"plain_ps.eps", "PostScript"},
                      Refused{"no_such_file.bmp", "not a readable file"}),
    [](const auto& info) {
      std::string name = info.param.file;
      for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      return name;
    });

TEST(LoadFile, DirectoryIsNotAFile) {
  Bitmap b;
  std::string error;
  EXPECT_EQ(LoadFile(kDir, b, &error), kImagingFailure);
  EXPECT_FALSE(error.empty());
}

TEST(LoadFile, NullErrorPointerIsAllowed) {
  Bitmap b;
  EXPECT_EQ(LoadFile(kDir + "junk.cmp", b, nullptr), kImagingFailure);
  EXPECT_EQ(LoadFile(kDir + "quad.png", b, nullptr), kImagingSuccess);
}

// Names are never read as ImageMagick syntax ("format:", "[frame]", "@list"):
// such a file loads by its content like any other.
TEST(LoadFile, OddNamesAreJustNames) {
  const std::filesystem::path dir =
      std::filesystem::temp_directory_path() / ("q9_imaging_names_" + std::to_string(::getpid()));
  std::filesystem::create_directories(dir);
  for (const char* name : {"svg:quad[3].bmp", "@quad.png", "quad.png[0]", "~quad.tga.jpg"}) {
    std::filesystem::copy_file(kDir + "quad.png", dir / name,
                               std::filesystem::copy_options::overwrite_existing);
    Bitmap b;
    std::string error;
    EXPECT_EQ(LoadFile((dir / name).string(), b, &error), kImagingSuccess) << name << ": " << error;
    EXPECT_EQ(b.Width(), 16) << name;
  }
  std::filesystem::remove_all(dir);
}

// Formats without a signature need the hint; with it they load from memory.
TEST(LoadBlob, HintNamesFormatsWithoutSignature) {
  const std::vector<uint8_t> tga = ReadAll(kDir + "quad.tga");
  Bitmap b;
  std::string error;
  EXPECT_EQ(LoadBlob(tga, b, &error), kImagingFailure);
  EXPECT_NE(error.find("unrecognised"), std::string::npos) << error;
  ASSERT_EQ(LoadBlob(tga, b, &error, ".tga"), kImagingSuccess) << error;
  EXPECT_EQ(At(b, 12, 9), kWhite);
  const std::vector<uint8_t> mac = ReadAll(kDir + "quad.mac");
  EXPECT_EQ(LoadBlob(mac, b, &error, "MAC"), kImagingSuccess) << error;
}

// The content decides over the hint: a JPEG stays a JPEG and a script stays
// refused whatever it is called.
TEST(LoadBlob, ContentWinsOverHint) {
  Bitmap b;
  std::string error;
  EXPECT_EQ(LoadBlob(ReadAll(kDir + "quad.jpg"), b, &error, "tga"), kImagingSuccess) << error;
  EXPECT_EQ(LoadBlob(ReadAll(kDir + "script.jpg"), b, &error, "jpeg"), kImagingFailure);
  EXPECT_EQ(LoadBlob(ReadAll(kDir + "vector.bmp"), b, &error, "png"), kImagingFailure);
}

TEST(LoadBlob, RefusedHintsFailWithoutReading) {
  const std::vector<uint8_t> text = {'h', 'e', 'l', 'l', 'o'};
  Bitmap b;
  std::string error;
  for (const char* hint : {"svg", "mvg", "msl", "txt", "text", "url", "https", "ephemeral", "label",
                           "caption", "info", "pdf", "ps"}) {
    EXPECT_EQ(LoadBlob(text, b, &error, hint), kImagingFailure) << hint;
    EXPECT_NE(error.find("not read"), std::string::npos) << hint << ": " << error;
  }
}

}  // namespace
}  // namespace q9::platform
