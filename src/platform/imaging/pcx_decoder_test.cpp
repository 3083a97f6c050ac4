#include "platform/imaging/pcx_decoder.h"

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
  uint8_t planes = 3;
  bool coded = true;
  int width = 19, height = 6;
  int padding = 1;  // bytes after each plane's row
};

// The stream coded as one sequence, so that runs go on into the next row;
// bytes with both top bits set are always coded as runs.
std::vector<uint8_t> Code(const std::vector<uint8_t>& raw) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < raw.size();) {
    size_t run = 1;
    while (i + run < raw.size() && run < 63 && raw[i + run] == raw[i]) ++run;
    if (run > 1 || raw[i] >= 0xC0) {
      out.push_back(uint8_t(0xC0 | run));
      out.push_back(raw[i]);
    } else {
      out.push_back(raw[i]);
    }
    i += run;
  }
  return out;
}

// A version 5 picture of random bytes with stretches of repeats.
std::vector<uint8_t> Encode(const Variant& v) {
  const size_t bytesPerLine = size_t(v.width + v.padding);
  std::vector<uint8_t> file(128);
  file[0] = 0x0A;
  file[1] = 5;
  file[2] = v.coded ? 1 : 0;
  file[3] = 8;
  StoreU16(&file[8], uint16_t(v.width - 1));
  StoreU16(&file[10], uint16_t(v.height - 1));
  file[65] = v.planes;
  StoreU16(&file[66], uint16_t(bytesPerLine));
  std::mt19937 random(3);
  std::vector<uint8_t> raw(bytesPerLine * v.planes * size_t(v.height));
  for (size_t i = 0; i < raw.size(); ++i) raw[i] = i % 11 >= 6 ? raw[i - 1] : uint8_t(random());
  const std::vector<uint8_t> pixels = v.coded ? Code(raw) : raw;
  test::Append(file, pixels);
  if (v.planes == 1) {
    file.push_back(0x0C);
    for (int i = 0; i < 768; ++i) file.push_back(uint8_t(random()));
  }
  return file;
}

TEST(PcxDecoder, SamePixelsAsImageMagickForEveryKindItReads) {
  const Variant variants[] = {
      {"red, green and blue planes"},
      {.name = "not coded", .coded = false},
      {.name = "with alpha", .planes = 4},
      {.name = "palette", .planes = 1},
      {.name = "palette, not coded, no padding", .planes = 1, .coded = false, .padding = 0},
      {.name = "one pixel", .width = 1, .height = 1},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const std::vector<uint8_t> pcx = Encode(v);
    test::ExpectSameAsMagick(&PcxDecoder::Decode, pcx, detail::LoadWithMagick(pcx, "PCX"));
  }
}

TEST(PcxDecoder, DamageIsRefusedAndOtherKindsLeftToImageMagick) {
  const std::vector<uint8_t> rgb = Encode({.name = "", .coded = false});
  const std::vector<uint8_t> palette = Encode({.name = "", .planes = 1});
  // null: left to ImageMagick
  test::ExpectRefusals(
      &PcxDecoder::Decode,
      {
          {"cut in the pixels", Cut(rgb, 300),
           "truncated: the PCX file has 300 bytes and ends before its picture does"},
          {"cut in the palette", Cut(palette, palette.size() - 1), "truncated: the PCX file"},
          {"too large", Patched(rgb, 8, {0x1F, 0x4E, 0x1F, 0x4E}),
           "too large: the PCX picture is 20000 x 20000 pixels (400 megapixels)"},
          {"16 colours", Patched(rgb, 3, {4}), nullptr},
          {"two planes", Patched(rgb, 65, {2}), nullptr},
          {"rows shorter than the width", Patched(rgb, 66, {10, 0}), nullptr},
          {"version 3", Patched(rgb, 1, {3}), nullptr},
          {"not a PCX", Patched(rgb, 0, {0x0B}), nullptr},
          {"header only", Cut(rgb, 100), nullptr},
      });
}

}  // namespace
}  // namespace q9::platform
