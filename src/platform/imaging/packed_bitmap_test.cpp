#include <gtest/gtest.h>

#include <cstring>

#include "platform/imaging/imaging_library.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

// 5 x 3 (odd width: every depth pads its rows), a different value in each
// pixel, and a palette of distinct colours at 8 bits and fewer.
Bitmap Pattern(int bpp) {
  Bitmap b = Bitmap::Create(5, 3, bpp);
  const uint32_t mask = bpp == 32 ? 0xFFFFFFFFu : (1u << bpp) - 1;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 5; ++x)
      b.SetPixelValue(x, y, uint32_t(x * 0x0123457 + y * 0x89ABCD1 + 3) & mask);
  if (bpp <= 8) {
    std::vector<RgbQuad> palette(size_t(1) << bpp);
    for (size_t i = 0; i < palette.size(); ++i)
      palette[i] = RgbQuad{uint8_t(i), uint8_t(255 - i), uint8_t(i * 7), 0};
    b.SetPalette(palette);
  }
  return b;
}

// A 40-byte header: one plane, no compression, colours-used `colours`.
std::vector<uint8_t> Header(int32_t width, int32_t height, uint16_t bpp, uint32_t colours = 0) {
  std::vector<uint8_t> h(40, 0);
  StoreU32(&h[0], 40), StoreU32(&h[4], uint32_t(width)), StoreU32(&h[8], uint32_t(height));
  StoreU16(&h[12], 1), StoreU16(&h[14], bpp), StoreU32(&h[32], colours);
  return h;
}

TEST(PackedBitmap, RoundTripsAtEveryDepth) {
  for (int bpp : {1, 4, 8, 16, 24, 32}) {
    const Bitmap original = Pattern(bpp);
    std::vector<uint8_t> packed;
    ASSERT_EQ(BitmapToPacked(original, packed), kImagingSuccess);
    const size_t entries = bpp <= 8 ? size_t(1) << bpp : 0;
    ASSERT_EQ(packed.size(), 40 + 4 * entries + original.ImageSize()) << bpp;
    std::vector<uint8_t> header = Header(5, 3, uint16_t(bpp), uint32_t(entries));
    StoreU32(&header[20], uint32_t(original.ImageSize()));
    EXPECT_EQ(std::vector(packed.begin(), packed.begin() + 40), header) << bpp;

    Bitmap back;
    ASSERT_EQ(BitmapFromPacked(back, packed), kImagingSuccess) << bpp;
    ASSERT_EQ(std::tuple(back.Width(), back.Height(), back.BitsPerPixel()), std::tuple(5, 3, bpp));
    EXPECT_EQ(back.Palette(), original.Palette());
    EXPECT_EQ(std::memcmp(back.Bits(), original.Bits(), original.ImageSize()), 0) << bpp;
  }
}

TEST(PackedBitmap, TopDownRowsAndShortColourTables) {
  // 1 x 2 at 8 bits, colours-used 2, rows top-down (negative height).
  std::vector<uint8_t> p = Header(1, -2, 8, 2);
  const uint8_t table[] = {0, 0, 255, 0, 255, 0, 0, 0};  // red, blue
  p.insert(p.end(), std::begin(table), std::end(table));
  const uint8_t rows[] = {1, 0, 0, 0, 0, 0, 0, 0};  // top: index 1, bottom: index 0
  p.insert(p.end(), std::begin(rows), std::end(rows));
  Bitmap b;
  ASSERT_EQ(BitmapFromPacked(b, p), kImagingSuccess);
  EXPECT_EQ(b.Palette().size(), 256u);  // padded: every index has a colour
  EXPECT_EQ(b.PixelColour(0, 0).blue, 255);
  EXPECT_EQ(b.PixelColour(0, 1).red, 255);
  EXPECT_EQ(b.Palette()[200], RgbQuad{});
}

TEST(PackedBitmap, RejectsInconsistentHeaders) {
  auto withBits = [](std::vector<uint8_t> h, size_t bits) {
    h.resize(h.size() + bits, 0);
    return h;
  };
  auto patched = [&](size_t at, uint32_t v, int size) {
    std::vector<uint8_t> h = withBits(Header(2, 2, 24), 16);
    size == 2 ? StoreU16(&h[at], uint16_t(v)) : StoreU32(&h[at], v);
    return h;
  };
  const std::pair<const char*, std::vector<uint8_t>> cases[] = {
      {"short header", std::vector<uint8_t>(20, 0)},
      {"header size past the buffer", patched(0, 4000, 4)},
      {"compressed", patched(16, 1, 4)},
      {"depth 7", patched(14, 7, 2)},
      {"height 0", patched(8, 0, 4)},
      {"bits cut short", withBits(Header(2, 2, 24), 15)},
      {"over the pixel budget", withBits(Header(65536, 65536, 1), 64)},
      {"4 bits, 17 colours", withBits(Header(2, 2, 4, 17), 17 * 4 + 8)},
      {"8 bits, table cut short", withBits(Header(2, 2, 8), 100)},
  };
  for (const auto& [what, bytes] : cases) {
    Bitmap b = Bitmap::Create(1, 1, 24);
    EXPECT_EQ(BitmapFromPacked(b, bytes), kImagingFailure) << what;
    EXPECT_EQ(b.Width(), 1) << what;  // left as it was
  }
  Bitmap good;
  EXPECT_EQ(BitmapFromPacked(good, withBits(Header(2, 2, 24), 16)), kImagingSuccess);
}

}  // namespace
}  // namespace q9::platform
