#include "platform/imaging/jpeg_decoder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/test_pictures.h"

extern "C" {
#include <jpeglib.h>
}

namespace q9::platform {
namespace {

struct Variant {
  const char* name;
  int width = 33, height = 17;
  int components = 3;  // 1 grey, 3 colour, 4 CMYK
  int lumaH = 2, lumaV = 2;
  bool progressive = false;
  bool arithmetic = false;
  bool rgb = false;  // stored as RGB, not YCbCr
  unsigned restartRows = 0;
  int quality = 90;
  bool flat = false;  // mid grey all over: quick to make at any size
};

// A picture of smooth ramps and noise (or flat grey), coded by libjpeg with
// the variant's settings.
std::vector<uint8_t> Encode(const Variant& v) {
  jpeg_compress_struct c{};
  jpeg_error_mgr errors{};
  c.err = jpeg_std_error(&errors);
  jpeg_create_compress(&c);
  unsigned char* out = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&c, &out, &size);
  c.image_width = JDIMENSION(v.width);
  c.image_height = JDIMENSION(v.height);
  c.input_components = v.components;
  c.in_color_space = v.components == 1 ? JCS_GRAYSCALE : v.components == 4 ? JCS_CMYK : JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_set_quality(&c, v.quality, TRUE);
  if (v.rgb) jpeg_set_colorspace(&c, JCS_RGB);
  if (v.components == 3 && !v.rgb) {
    c.comp_info[0].h_samp_factor = v.lumaH;
    c.comp_info[0].v_samp_factor = v.lumaV;
  }
  if (v.progressive) jpeg_simple_progression(&c);
  c.arith_code = v.arithmetic ? TRUE : FALSE;
  c.restart_in_rows = int(v.restartRows);
  jpeg_start_compress(&c, TRUE);
  std::vector<uint8_t> row(size_t(v.width) * size_t(v.components), 0x80);
  const Bitmap noise = v.flat ? Bitmap() : test::Noise(v.width, v.height, 7, 0, 60);
  for (int y = 0; y < v.height; ++y) {
    for (int x = 0; x < v.width && !v.flat; ++x)
      for (int k = 0; k < v.components; ++k)
        row[size_t(x * v.components + k)] =
            uint8_t((x * 255 / v.width + y * (k + 1) * 7) % 196 + noise.Row(y)[3 * x + k % 3]);
    JSAMPROW p = row.data();
    jpeg_write_scanlines(&c, &p, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  std::vector<uint8_t> bytes(out, out + size);
  free(out);
  return bytes;
}

// Our decoder gives exactly ImageMagick's pixels, whatever the coding.
TEST(JpegDecoder, SamePixelsAsImageMagickForEveryCoding) {
  const Variant variants[] = {
      {"4:2:0"},
      {.name = "4:2:2", .lumaV = 1},
      {.name = "4:4:4", .lumaH = 1, .lumaV = 1},
      {.name = "grey", .components = 1},
      {.name = "progressive", .progressive = true},
      {.name = "arithmetic", .arithmetic = true},
      {.name = "rgb", .rgb = true},
      {.name = "restarts", .restartRows = 1},
      {.name = "one pixel", .width = 1, .height = 1},
      {.name = "wide, best quality", .width = 301, .height = 7, .quality = 100},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const std::vector<uint8_t> jpeg = Encode(v);
    const Result<LoadedPicture> ours = JpegDecoder::Decode(jpeg);
    const Result<LoadedPicture> magick = detail::LoadWithMagick(jpeg, "JPEG");
    ASSERT_TRUE(ours.Ok()) << ours.Reason();
    ASSERT_TRUE(magick.Ok()) << magick.Reason();
    EXPECT_EQ(ours->warning, "");
    EXPECT_EQ(ours->picture.Width(), v.width);
    EXPECT_TRUE(test::SameBitmap(ours->picture, magick->picture));
  }
}

TEST(JpegDecoder, DamageIsRefusedOrReportedAndCmykLeftToImageMagick) {
  const std::vector<uint8_t> good = Encode({.name = "", .width = 64, .height = 64});
  const std::vector<uint8_t> progressive =
      Encode({.name = "", .width = 64, .height = 64, .progressive = true});
  // Bytes between two markers of the header: every row is there.
  std::vector<uint8_t> extraneous = good;
  extraneous.insert(extraneous.begin() + 2, {1, 2, 3, 4, 5});
  // The frame header's height and width (after FF C0, length, precision).
  std::vector<uint8_t> huge = good;
  for (size_t i = 0; i + 9 < huge.size(); ++i)
    if (huge[i] == 0xFF && huge[i + 1] == 0xC0) {
      huge[i + 5] = huge[i + 7] = 0x4E;  // 20000 x 20000
      huge[i + 6] = huge[i + 8] = 0x20;
      break;
    }
  const struct {
    const char* name;
    std::vector<uint8_t> bytes;
    const char* reason;   // null: loads
    const char* warning;  // when it loads
    int errorNumber;
  } cases[] = {
      {"cut in the scan", test::Cut(good, good.size() * 2 / 3), "truncated: the JPEG data ends", "",
       0},
      {"progressive, cut", test::Cut(progressive, progressive.size() / 2), "truncated:", "", 0},
      {"header only", test::Cut(good, 200), "truncated:", "", 0},
      {"no picture in it", {0xFF, 0xD8, 0xFF, 0xD9}, "JPEG: ", "", 0},
      {"too large", huge, "too large: the JPEG picture is 20000 x 20000 pixels (400 megapixels)",
       "", EFBIG},
      {"CMYK", Encode({.name = "", .components = 4}), "JPEG: CMYK", "", ENOTSUP},
      {"extraneous bytes", extraneous, nullptr, "JPEG: Corrupt JPEG data: 5 extraneous bytes", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Result<LoadedPicture> r = JpegDecoder::Decode(c.bytes);
    if (c.reason) {
      ASSERT_FALSE(r.Ok());
      EXPECT_TRUE(r.Reason().starts_with(c.reason)) << r.Reason();
      if (c.errorNumber != 0) {
        EXPECT_EQ(r.Error().errorNumber, c.errorNumber);
      }
    } else {
      ASSERT_TRUE(r.Ok()) << r.Reason();
      EXPECT_TRUE(r->warning.starts_with(c.warning)) << r->warning;
      EXPECT_EQ(r->picture.Height(), 64);
    }
  }
}

// A flat grey JPEG of width x height, quickly made.
std::vector<uint8_t> FlatJpeg(int width, int height) {
  return Encode({.name = "", .width = width, .height = height, .components = 1, .flat = true});
}

// Photos larger than the system's ImageMagick policy allows (about 33
// megapixels) load; beyond our own limit the reason gives both sizes.
TEST(LoadPictureBlob, PhotosUpToTheLimitLoadLargerOnesSayTheirSize) {
  const struct {
    int width, height;
    const char* reason;  // null: loads
  } cases[] = {
      {5800, 5800, nullptr},
      {8256, 5504, nullptr},
      {16000, 6000, nullptr},
      {16001, 100,
       "too large: the JPEG picture is 16001 x 100 pixels (2 megapixels); the limit "
       "is 100 megapixels and 16000 pixels a side"},
      {12000, 9000,
       "too large: the JPEG picture is 12000 x 9000 pixels (108 megapixels); the "
       "limit is 100 megapixels"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height));
    const Result<LoadedPicture> r = LoadPictureBlob(FlatJpeg(c.width, c.height), "jpg");
    if (c.reason) {
      ASSERT_FALSE(r.Ok());
      EXPECT_TRUE(r.Reason().starts_with(c.reason)) << r.Reason();
    } else {
      ASSERT_TRUE(r.Ok()) << r.Reason();
      EXPECT_EQ(std::pair(r->picture.Width(), r->picture.Height()), std::pair(c.width, c.height));
      EXPECT_EQ(r->picture.Row(c.height / 2)[3 * (c.width / 2)], 0x80);
    }
  }
}

}  // namespace
}  // namespace q9::platform
