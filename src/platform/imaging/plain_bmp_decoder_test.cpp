#include "platform/imaging/plain_bmp_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/test_pictures.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

using test::Cut;
using test::Patched;

struct Variant {
  const char* name;
  uint16_t bits = 24;
  bool topDown = false;
  uint32_t headerSize = 40;
  uint32_t coloursUsed = 0;  // 8 bits: the palette's length (0: 256)
  int alpha = -1;            // 32 bits: every fourth byte this value (-1: random)
  int width = 13, height = 5;
};

// An uncompressed BMP of random pixels.
std::vector<uint8_t> Encode(const Variant& v) {
  std::mt19937 random(9);
  const uint32_t colours = v.bits == 8 ? (v.coloursUsed ? v.coloursUsed : 256) : 0;
  const uint32_t stride = (uint32_t(v.width) * v.bits / 8 + 3) / 4 * 4;
  const uint32_t offset = 14 + v.headerSize + 4 * colours;
  std::vector<uint8_t> file(offset + stride * uint32_t(v.height));
  file[0] = 'B', file[1] = 'M';
  StoreU32(&file[2], uint32_t(file.size()));
  StoreU32(&file[10], offset);
  StoreU32(&file[14], v.headerSize);
  StoreU32(&file[18], uint32_t(v.width));
  StoreU32(&file[22], uint32_t(v.topDown ? -v.height : v.height));
  StoreU16(&file[26], 1);
  StoreU16(&file[28], v.bits);
  StoreU32(&file[46], v.coloursUsed);
  for (uint32_t i = 14 + v.headerSize; i < offset; ++i) file[i] = uint8_t(random());
  for (int y = 0; y < v.height; ++y)
    for (uint32_t i = 0; i < uint32_t(v.width) * v.bits / 8; ++i) {
      uint8_t& b = file[offset + uint32_t(y) * stride + i];
      b = uint8_t(colours ? random() % colours : random());
      if (v.bits == 32 && i % 4 == 3 && v.alpha >= 0) b = uint8_t(v.alpha);
    }
  return file;
}

TEST(PlainBmpDecoder, SamePixelsAsImageMagickForEveryKindItReads) {
  const Variant variants[] = {
      {"24 bits"},
      {.name = "24 bits, top row first", .topDown = true},
      {.name = "24 bits, version 5 header", .headerSize = 124},
      {.name = "8 bits, 256 colours", .bits = 8},
      {.name = "8 bits, 7 colours, top row first", .bits = 8, .topDown = true, .coloursUsed = 7},
      {.name = "32 bits with alpha", .bits = 32},
      {.name = "32 bits, fourth bytes all 0", .bits = 32, .alpha = 0},
      {.name = "32 bits, opaque", .bits = 32, .alpha = 255},
      {.name = "one pixel", .width = 1, .height = 1},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const std::vector<uint8_t> bmp = Encode(v);
    test::ExpectSameAsMagick(&PlainBmpDecoder::Decode, bmp, detail::LoadWithMagick(bmp, "BMP"));
  }
}

TEST(PlainBmpDecoder, DamageIsRefusedAndOtherKindsLeftToImageMagick) {
  const std::vector<uint8_t> plain = Encode({""});
  std::vector<uint8_t> badIndex = Encode({.name = "", .bits = 8, .coloursUsed = 4});
  badIndex[14 + 40 + 16] = 9;  // the first pixel
  // null: left to ImageMagick
  test::ExpectRefusals(
      &PlainBmpDecoder::Decode,
      {
          {"cut in the pixels", Cut(plain, plain.size() - 1),
           "truncated: the BMP file has 253 bytes; its picture needs 254"},
          {"colour past the palette", badIndex,
           "damaged: a BMP pixel names colour 9 of a palette of 4"},
          {"too large", Patched(plain, 18, {0x20, 0x4E, 0, 0, 0x20, 0x4E, 0, 0}),
           "too large: the BMP picture is 20000 x 20000 pixels (400 megapixels)"},
          {"run-length coded", Patched(badIndex, 30, {1}), nullptr},
          {"16 bits", Patched(plain, 28, {16}), nullptr},
          {"4 bits", Patched(plain, 28, {4}), nullptr},
          {"32 bits, version 5 header", Encode({.name = "", .bits = 32, .headerSize = 124}),
           nullptr},
          {"OS/2 header", Patched(plain, 14, {12}), nullptr},
          {"palette over the pixels", Patched(badIndex, 10, {14 + 40 + 8}), nullptr},
          {"more than 256 colours", Patched(badIndex, 46, {0, 1}), nullptr},
          {"not a BMP", Patched(plain, 0, {'B', 'A'}), nullptr},
      });
}

}  // namespace
}  // namespace q9::platform
