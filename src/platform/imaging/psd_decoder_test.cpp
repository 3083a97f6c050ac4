#include "platform/imaging/psd_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/test_pictures.h"

namespace q9::platform {
namespace {

using test::Cut;
using test::Patched;

struct Variant {
  const char* name;
  uint16_t mode = 3;  // 1 grey, 3 RGB
  uint16_t depth = 8;
  uint16_t channels = 3;
  uint16_t compression = 1;  // 0 raw, 1 PackBits
  int layers = 0;            // a layer count to write (0: no layer section)
  bool lr16 = false;         // the count in an "Lr16" block instead
  int hasMerged = -1;        // a version information resource with this byte
  int width = 21, height = 7;
};

void Put16(std::vector<uint8_t>& out, unsigned v) {
  out.push_back(uint8_t(v >> 8));
  out.push_back(uint8_t(v));
}
void Put32(std::vector<uint8_t>& out, uint32_t v) {
  Put16(out, v >> 16);
  Put16(out, v & 0xFFFF);
}
void PutTag(std::vector<uint8_t>& out, std::string_view tag) {
  for (char c : tag) out.push_back(uint8_t(c));
}

// PackBits: runs of three or more equal bytes repeated, the rest literal.
std::vector<uint8_t> Pack(std::span<const uint8_t> row) {
  std::vector<uint8_t> out;
  for (size_t i = 0; i < row.size();) {
    size_t run = 1;
    while (i + run < row.size() && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.push_back(uint8_t(1 - int(run)));
      out.push_back(row[i]);
      i += run;
      continue;
    }
    size_t literal = 0;
    while (i + literal < row.size() && literal < 128 &&
           !(i + literal + 2 < row.size() && row[i + literal] == row[i + literal + 1] &&
             row[i + literal] == row[i + literal + 2]))
      ++literal;
    out.push_back(uint8_t(literal - 1));
    test::Append(out, row.subspan(i, literal));
    i += literal;
  }
  return out;
}

// Layer information: the count, then that many empty layers (no pixels,
// three channels of nothing but their coding word).
std::vector<uint8_t> Layers(int count) {
  std::vector<uint8_t> out;
  Put16(out, uint16_t(int16_t(count)));
  for (int i = 0; i < std::abs(count); ++i) {
    out.resize(out.size() + 16);  // an empty rectangle
    Put16(out, 3);
    for (unsigned channel = 0; channel < 3; ++channel) {
      Put16(out, channel);
      Put32(out, 2);
    }
    PutTag(out, "8BIMnorm");
    test::Append(out, {255, 0, 0, 0});
    Put32(out, 12);  // no mask, no blending ranges, an empty name padded to 4
    out.resize(out.size() + 12);
  }
  out.resize(out.size() + size_t(std::abs(count)) * 3 * 2);  // raw, no pixels
  if (out.size() % 2) out.push_back(0);
  return out;
}

// A document whose flattened picture is random samples with stretches of
// repeats, described by the variant.
std::vector<uint8_t> Encode(const Variant& v) {
  std::vector<uint8_t> out;
  PutTag(out, "8BPS");
  Put16(out, 1);
  out.resize(out.size() + 6);
  Put16(out, v.channels);
  Put32(out, uint32_t(v.height));
  Put32(out, uint32_t(v.width));
  Put16(out, v.depth);
  Put16(out, v.mode);
  Put32(out, 0);  // no colour table
  std::vector<uint8_t> resources;
  if (v.hasMerged >= 0) {
    PutTag(resources, "8BIM");
    Put16(resources, 0x0421);
    Put16(resources, 0);  // an empty name, padded
    Put32(resources, 5);
    Put32(resources, 1);
    resources.push_back(uint8_t(v.hasMerged));
    resources.push_back(0);  // padding to even
  }
  Put32(out, uint32_t(resources.size()));
  test::Append(out, resources);
  std::vector<uint8_t> section;
  if (v.layers != 0) {
    const std::vector<uint8_t> layers = Layers(v.layers);
    if (v.lr16) {
      Put32(section, 0);
      Put32(section, 0);
      PutTag(section, "8BIMLr16");
    }
    Put32(section, uint32_t(layers.size()));
    test::Append(section, layers);
    if (!v.lr16) Put32(section, 0);  // the global mask
  }
  Put32(out, uint32_t(section.size()));
  test::Append(out, section);
  Put16(out, v.compression);

  std::mt19937 random(5);
  const size_t rowBytes = size_t(v.width) * v.depth / 8;
  std::vector<std::vector<uint8_t>> rows;
  for (int i = 0; i < v.channels * v.height; ++i) {
    std::vector<uint8_t> row(rowBytes);
    for (size_t x = 0; x < rowBytes; ++x) row[x] = x % 9 >= 5 ? row[x - 1] : uint8_t(random());
    rows.push_back(v.compression == 1 ? Pack(row) : row);
  }
  if (v.compression == 1)
    for (const std::vector<uint8_t>& row : rows) Put16(out, unsigned(row.size()));
  for (const std::vector<uint8_t>& row : rows) test::Append(out, row);
  return out;
}

TEST(PsdDecoder, SamePixelsAsImageMagickForEveryKindItReads) {
  const Variant variants[] = {
      {"RGB, PackBits"},
      {.name = "RGB, raw", .compression = 0},
      {.name = "RGB, 16 bits", .depth = 16},
      {.name = "RGB with an extra channel and layers", .channels = 4, .layers = 2},
      {.name = "grey", .mode = 1, .channels = 1},
      {.name = "grey, 16 bits, raw", .mode = 1, .depth = 16, .channels = 1, .compression = 0},
      {.name = "grey with a second channel", .mode = 1, .channels = 2},
      {.name = "16 bits, layers in an Lr16 block", .depth = 16, .layers = 3, .lr16 = true},
      {.name = "version information with the flattened picture", .hasMerged = 1},
      {.name = "wide", .width = 700, .height = 3},
  };
  for (const Variant& v : variants) {
    SCOPED_TRACE(v.name);
    const std::vector<uint8_t> psd = Encode(v);
    test::ExpectSameAsMagick(&PsdDecoder::Decode, psd, detail::LoadWithMagick(psd, "PSD"));
  }
}

TEST(PsdDecoder, DamageIsRefusedAndOtherKindsLeftToImageMagick) {
  const std::vector<uint8_t> packed = Encode({"RGB"});
  const std::vector<uint8_t> raw = Encode({.name = "", .compression = 0});
  const size_t headerAndSections = 26 + 4 + 4 + 4;
  // null: left to ImageMagick
  test::ExpectRefusals(
      &PsdDecoder::Decode,
      {
          {"cut in the pixels", Cut(raw, raw.size() - 1),
           "truncated: the PSD file has 480 bytes and ends before its picture does"},
          {"cut in the row lengths", Cut(packed, headerAndSections + 2 + 10),
           "truncated: the PSD file"},
          // The first row's length one short of its codes.
          {"row lengths that do not add up",
           Patched(packed, headerAndSections + 3, {uint8_t(packed[headerAndSections + 3] - 1)}),
           "damaged: row 1 of PSD channel 1 does not unpack to its width"},
          {"too large", Patched(raw, 14, {0, 0, 0x4E, 0x20, 0, 0, 0x4E, 0x20}),
           "too large: the PSD picture is 20000 x 20000 pixels (400 megapixels)"},
          {"large document format", Patched(raw, 5, {2}), nullptr},
          {"CMYK", Encode({.name = "", .mode = 4, .channels = 4}), nullptr},
          {"32 bits", Patched(raw, 23, {32}), nullptr},
          {"transparent flattened picture", Encode({.name = "", .channels = 4, .layers = -1}),
           nullptr},
          {"transparency in Lr16",
           Encode({.name = "", .depth = 16, .channels = 4, .layers = -2, .lr16 = true}), nullptr},
          {"no flattened picture", Encode({.name = "", .hasMerged = 0}), nullptr},
          {"ZIP", Encode({.name = "", .compression = 2}), nullptr},
          {"not a PSD", Patched(raw, 0, {'8', 'B', 'P', 'X'}), nullptr},
      });
}

}  // namespace
}  // namespace q9::platform
