#include "platform/imaging/tga_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::Cut;
using test::Patched;

struct Variant {
  const char* name;
  uint8_t type = 2;  // 1 colour-mapped, 2 true colour, 3 grey; + 8 run-length
  uint8_t bits = 24;
  uint8_t descriptor = 0;  // alpha bits; 0x10 right to left; 0x20 top row first
  uint8_t mapBits = 0, mapFirst = 0, mapLength = 0;
  int extensionAlphaType = -1;  // a TGA 2.0 extension area with this attributes type
  bool opaque = false;          // every alpha byte 255
  int width = 23, height = 9;
};

// Packs the pixel stream into run-length packets (runs of equal pixels, raw
// stretches otherwise, each at most 128 pixels, free to cross rows).
std::vector<uint8_t> RunLength(const std::vector<uint8_t>& raw, size_t pixelBytes) {
  std::vector<uint8_t> out;
  const size_t count = raw.size() / pixelBytes;
  const auto same = [&](size_t a, size_t b) {
    return std::equal(raw.begin() + long(a * pixelBytes), raw.begin() + long((a + 1) * pixelBytes),
                      raw.begin() + long(b * pixelBytes));
  };
  for (size_t i = 0; i < count;) {
    size_t run = 1;
    while (i + run < count && run < 128 && same(i, i + run)) ++run;
    if (run > 1) {
      out.push_back(uint8_t(0x80 | (run - 1)));
      test::Append(out, std::span(raw).subspan(i * pixelBytes, pixelBytes));
    } else {
      while (i + run < count && run < 128 && !(i + run + 1 < count && same(i + run, i + run + 1)))
        ++run;
      out.push_back(uint8_t(run - 1));
      test::Append(out, std::span(raw).subspan(i * pixelBytes, run * pixelBytes));
    }
    i += run;
  }
  return out;
}

// A TGA file of random bytes, with stretches of repeated pixels so that the
// run-length variants have runs to code.
std::vector<uint8_t> Encode(const Variant& v) {
  std::mt19937 random(11);
  const size_t pixelBytes = size_t(v.bits + 7) / 8;
  const size_t mapEntries = size_t(v.mapFirst) + v.mapLength;
  std::vector<uint8_t> raw;
  for (int i = 0; i < v.width * v.height; ++i) {
    if (i % 7 >= 4 && !raw.empty()) {
      const std::vector<uint8_t> last(raw.end() - long(pixelBytes), raw.end());
      test::Append(raw, last);
      continue;
    }
    for (size_t k = 0; k < pixelBytes; ++k) {
      const uint8_t byte = uint8_t(v.mapLength ? random() % mapEntries : random() % 256);
      raw.push_back(v.opaque && k == 3 ? 0xFF : byte);
    }
  }
  std::vector<uint8_t> file = {0,
                               uint8_t(v.mapLength ? 1 : 0),
                               v.type,
                               v.mapFirst,
                               0,
                               v.mapLength,
                               0,
                               v.mapBits,
                               0,
                               0,
                               0,
                               0,
                               uint8_t(v.width),
                               uint8_t(v.width >> 8),
                               uint8_t(v.height),
                               uint8_t(v.height >> 8),
                               v.bits,
                               v.descriptor};
  for (size_t i = 0; i < size_t(v.mapLength) * ((v.mapBits + 7) / 8); ++i)
    file.push_back(uint8_t(random()));
  if (v.type & 8)
    test::Append(file, RunLength(raw, pixelBytes));
  else
    test::Append(file, raw);
  if (v.extensionAlphaType >= 0) {
    const size_t extension = file.size();
    file.resize(extension + 495);
    file[extension] = 495 & 0xFF;
    file[extension + 1] = 495 >> 8;
    file[extension + 494] = uint8_t(v.extensionAlphaType);
    const uint8_t footer[8] = {uint8_t(extension), uint8_t(extension >> 8), 0, 0, 0, 0, 0, 0};
    test::Append(file, footer);
    for (char c : std::string_view("TRUEVISION-XFILE.")) file.push_back(uint8_t(c));
    file.push_back(0);
  }
  return file;
}

// ImageMagick's picture put the way the file's origin bits say (it hands
// the rows over in file order).
Bitmap Oriented(const Bitmap& magick, uint8_t descriptor) {
  return test::MakePicture(magick.Width(), magick.Height(), [&](int x, int y) {
    return test::At(magick, descriptor & 0x10 ? magick.Width() - 1 - x : x,
                    descriptor & 0x20 ? y : magick.Height() - 1 - y);
  });
}

TEST(TgaDecoder, ImageMagicksColoursTheRightWayUpForEveryKind) {
  const Variant variants[] = {
      {"24 bits"},
      {.name = "24 bits, top row first", .descriptor = 0x20},
      {.name = "24 bits, right to left", .descriptor = 0x10},
      {.name = "24 bits, run-length", .type = 10},
      {.name = "32 bits with 8 alpha bits, run-length", .type = 10, .bits = 32, .descriptor = 8},
      {.name = "32 bits, no alpha bits named", .type = 2, .bits = 32, .descriptor = 0x20},
      {.name = "32 bits, extension says no alpha",
       .bits = 32,
       .descriptor = 8,
       .extensionAlphaType = 2},
      {.name = "32 bits, extension says alpha",
       .bits = 32,
       .descriptor = 8,
       .extensionAlphaType = 3},
      {.name = "16 bits with an alpha bit", .bits = 16, .descriptor = 1},
      {.name = "15 bits, run-length", .type = 10, .bits = 15},
      {.name = "grey", .type = 3, .bits = 8},
      {.name = "grey, run-length, top row first", .type = 11, .bits = 8, .descriptor = 0x28},
      {.name = "colour map of 24 bits from index 3, run-length",
       .type = 9,
       .bits = 8,
       .mapBits = 24,
       .mapFirst = 3,
       .mapLength = 40},
      {.name = "colour map of 32 bits", .type = 1, .bits = 8, .mapBits = 32, .mapLength = 200},
      {.name = "colour map of 16 bits", .type = 1, .bits = 8, .mapBits = 16, .mapLength = 9},
      {.name = "one pixel", .width = 1, .height = 1},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const std::vector<uint8_t> tga = Encode(v);
    // An extension area that calls the alpha bytes something else makes
    // them count for nothing (ImageMagick 6 reads them all the same).
    Variant reference = v;
    if (v.extensionAlphaType >= 0) {
      reference.extensionAlphaType = -1;
      reference.opaque = v.extensionAlphaType != 3;
    }
    test::ExpectSameAsMagick(&TgaDecoder::Decode, tga,
                             detail::LoadWithMagick(Encode(reference), "TGA"),
                             [&](const Bitmap& magick) { return Oriented(magick, v.descriptor); });
  }
}

TEST(TgaDecoder, DamageIsRefusedAndOtherKindsLeftToImageMagick) {
  const std::vector<uint8_t> plain = Encode({.name = "", .width = 40, .height = 20});
  const std::vector<uint8_t> packed = Encode({.name = "", .type = 10, .width = 40, .height = 20});
  // Colour map entries 0 to 3; the first pixel names 200.
  std::vector<uint8_t> badIndex =
      Encode({.name = "", .type = 1, .bits = 8, .mapBits = 24, .mapLength = 4});
  badIndex[18 + 12] = 200;
  // null: left to ImageMagick
  test::ExpectRefusals(
      &TgaDecoder::Decode,
      {
          {"cut in the pixels", Cut(plain, plain.size() - 5),
           "truncated: the TGA file has 2413 bytes and ends before its last pixel"},
          {"cut in the packets", Cut(packed, packed.size() / 2), "truncated: the TGA file"},
          {"cut in the colour map", Cut(badIndex, 20), "truncated: the TGA file has 20 bytes"},
          {"colour past the map", badIndex,
           "damaged: a TGA pixel names colour 200 of a colour map of 4"},
          {"too large", Patched(plain, 12, {0x20, 0x4E, 0x20, 0x4E}),
           "too large: the TGA picture is 20000 x 20000 pixels (400 megapixels)"},
          {"interleaved rows", Patched(plain, 17, {0x40}), nullptr},
          {"no width", Patched(plain, 12, {0, 0}), nullptr},
          {"1 bit", Patched(plain, 16, {1}), nullptr},
          {"colour map with true colour", Patched(plain, 1, {1}), nullptr},
          {"unknown kind", Patched(plain, 2, {32}), nullptr},
          {"header only", Cut(plain, 17), nullptr},
      });
}

}  // namespace
}  // namespace q9::platform
