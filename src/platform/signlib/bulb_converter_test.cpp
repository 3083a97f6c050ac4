#include "platform/signlib/bulb_converter.h"

#include <gtest/gtest.h>

#include <cstring>
#include <utility>
#include <vector>

#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/byte_io.h"
#include "platform/signlib/packed_dib.h"
#include "platform/signlib/sign_types.h"

namespace q9::platform {
namespace {

// Highest level per channel, by colour type.
constexpr unsigned kMaxLevel[kColorTypeCount] = {1,  1, 1,  3,   3,  15, 15, 15,
                                                 63, 3, 15, 255, 63, 31, 255};

struct Picture {
  std::vector<uint8_t> header;
  std::vector<uint8_t> bits;
};

RgbQuad Colour(uint32_t rgb) {
  return {uint8_t(rgb), uint8_t(rgb >> 8), uint8_t(rgb >> 16), 0};
}

// A 40-byte header followed by a zeroed colour table.
std::vector<uint8_t> Header(int32_t width, int32_t height, unsigned bits, uint32_t colorsUsed = 0,
                            uint32_t imageSize = 0) {
  const BitmapInfoHeader info{40, width, height,     1, uint16_t(bits), 0, imageSize,
                              0,  0,     colorsUsed, 0};
  std::vector<uint8_t> header(kDibHeaderBlockSize, 0);
  std::memcpy(header.data(), &info, sizeof info);
  return header;
}

// A picture of scattered pixel values; expected receives each pixel's colour,
// row by row from the top. A short palette (colorsUsed) is followed by
// garbage and gets indices beyond its end, which read black.
Picture Build(unsigned width, unsigned height, bool topDown, unsigned bits, uint32_t colorsUsed,
              std::vector<RgbQuad>& expected) {
  const int32_t h = int32_t(height);
  Picture p{Header(int32_t(width), topDown ? -h : h, bits, colorsUsed), {}};
  const uint32_t entries = bits > 8 ? 0 : colorsUsed ? colorsUsed : 1u << bits;
  const auto entry = [](uint32_t i) { return Colour(i * 0x0710F3u + 0x10305); };
  std::fill(p.header.begin() + 40 + 4 * entries, p.header.end(), 0x77);
  for (uint32_t i = 0; i < entries; ++i) {
    const RgbQuad e = entry(i);
    std::memcpy(&p.header[40 + 4 * i], &e, 4);
  }
  const size_t stride = DibStride(width, bits);
  p.bits.assign(stride * height, 0);
  expected.clear();
  for (unsigned i = 0; i < width * height; ++i) {
    const unsigned x = i % width, y = i / width;
    uint8_t* row = &p.bits[(topDown ? y : height - 1 - y) * stride];
    uint32_t v = (i + 1) * 2654435761u >> 5;
    if (bits <= 8) {
      v %= entries + (colorsUsed ? 3 : 0);
      expected.push_back(v < entries ? entry(v) : RgbQuad{});
    } else if (bits == 16) {
      const auto expand = [&](int shift) { return (v >> shift & 31) * 0x21 >> 2; };
      expected.push_back(Colour(expand(10) << 16 | expand(5) << 8 | expand(0)));
    } else {
      expected.push_back(Colour(v));
    }
    // Bit 15 of 16-bit pixels and the top byte of 32-bit ones are not used.
    if (bits < 8) row[x * bits / 8] |= uint8_t(v << (8 - bits - x * bits % 8));
    if (bits >= 8) std::memcpy(row + x * bits / 8, &v, bits / 8);  // little-endian host
  }
  return p;
}

Picture Draw(const std::vector<uint8_t>& bulbs, unsigned rows, unsigned columns, uint32_t type) {
  Picture picture{std::vector<uint8_t>(kDibHeaderBlockSize, 0xEE), {}};
  uint32_t size = 0, option = 99;
  EXPECT_EQ(CalcBulbDIBSize(rows, columns, type, &size, &option), 0);
  EXPECT_EQ(option, kBulbDibOption24Bit);
  picture.bits.assign(size, 0xEE);
  EXPECT_EQ(Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), rows, columns, type,
                     picture.header.data(), picture.bits.data(), size, option),
            0);
  return picture;
}

// Picture to bulbs, into a buffer prefilled with garbage.
std::vector<uint8_t> Read(const Picture& picture, unsigned rows, unsigned columns, uint32_t type,
                          int red = 0, int green = 0, int blue = 0, int white = 0) {
  std::vector<uint8_t> bulbs(BulbDataSize(rows, columns, type), 0xCD);
  EXPECT_EQ(ConvDIB2BulbEnh(picture.header.data(), picture.bits.data(),
                            uint32_t(picture.bits.size()), 0, 0, bulbs.data(),
                            uint32_t(bulbs.size()), rows, columns, type, red, green, blue, white),
            0);
  return bulbs;
}

BulbPixel BulbAt(const std::vector<uint8_t>& bulbs, unsigned rows, unsigned columns, uint32_t type,
                 unsigned row, unsigned column) {
  BulbPixel pixel;
  GetBulbPixel(MakeBulbLayout(rows, columns, type), row, column, bulbs.data(), pixel);
  return pixel;
}

// Bulbs -> picture -> bulbs keeps every level of every colour type on a sign
// of odd rows and columns; neighbours differ so that a spill shows.
TEST(BulbConverterTest, RoundTripIsExactForEveryTypeAndValue) {
  const unsigned rows = 5, columns = 7;
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    const BulbLayout layout = MakeBulbLayout(rows, columns, type);
    const unsigned levels = kMaxLevel[type] + 1;
    for (unsigned v = 0; v < levels; ++v) {
      std::vector<uint8_t> bulbs(layout.totalSize, 0);
      for (unsigned i = 0; i < rows * columns; ++i) {
        const unsigned k = v + i * 3;
        SetBulbPixel(layout, i / columns, i % columns, bulbs.data(),
                     {uint8_t(k * 3 % levels), uint8_t(k * 5 % levels), uint8_t(k % levels),
                      uint8_t(k * 7 % levels)});
      }
      ASSERT_EQ(Read(Draw(bulbs, rows, columns, type), rows, columns, type), bulbs)
          << "type " << type << " value " << v;
    }
  }
}

// Quad bulbs lit on a 3 x 7 sign: each colour at its place in the bottom-up
// picture, every other pixel black, the row padding zero.
TEST(BulbConverterTest, PictureColoursAndHeader) {
  const BulbLayout layout = MakeBulbLayout(3, 7, Q9_QUAD256);
  std::vector<uint8_t> bulbs(layout.totalSize, 0);
  SetBulbPixel(layout, 0, 0, bulbs.data(), {0, 0, 3, 0});  // red place
  SetBulbPixel(layout, 1, 0, bulbs.data(), {0, 1, 0, 0});  // green place
  SetBulbPixel(layout, 0, 1, bulbs.data(), {2, 0, 0, 0});  // blue place
  SetBulbPixel(layout, 1, 1, bulbs.data(), {0, 0, 0, 1});  // extra place: grey
  const Picture picture = Draw(bulbs, 3, 7, Q9_QUAD256);
  EXPECT_EQ(picture.header, Header(7, 3, 24, 0, 72));
  // 21 bytes a row padded to 24, bottom-up: the top row at 48, the second at
  // 24; blue, green, red.
  std::vector<uint8_t> expected(72, 0);
  const uint8_t top[] = {0, 0, 0xFF, 0xAA, 0, 0}, second[] = {0, 0x55, 0, 0x55, 0x55, 0x55};
  std::copy(std::begin(top), std::end(top), expected.begin() + 48);
  std::copy(std::begin(second), std::end(second), expected.begin() + 24);
  EXPECT_EQ(picture.bits, expected);
}

// Every input depth read into RGB16M, whose levels are the picture's
// channels; bulbs beyond a smaller picture are 0.
TEST(BulbConverterTest, ReadsEveryDepthAndSize) {
  struct Case {
    unsigned width, height;
    bool topDown;
    unsigned bits;
    uint32_t colorsUsed;
    unsigned rows, columns;
  };
  const Case cases[] = {{10, 3, false, 1, 0, 3, 10}, {5, 4, false, 4, 0, 4, 5},
                        {7, 2, false, 8, 5, 2, 7},   {32, 2, false, 16, 0, 2, 32},
                        {3, 2, false, 24, 0, 4, 5},  {8, 6, true, 32, 0, 4, 5}};
  for (const Case& c : cases) {
    std::vector<RgbQuad> colours;
    const auto bulbs = Read(Build(c.width, c.height, c.topDown, c.bits, c.colorsUsed, colours),
                            c.rows, c.columns, Q9_RGB16M);
    for (unsigned y = 0; y < c.rows; ++y) {
      for (unsigned x = 0; x < c.columns; ++x) {
        const BulbPixel b = BulbAt(bulbs, c.rows, c.columns, Q9_RGB16M, y, x);
        ASSERT_EQ((RgbQuad{b.blue, b.green, b.red, 0}),
                  x < c.width && y < c.height ? colours[y * c.width + x] : RgbQuad{})
            << c.bits << " bits " << c.width << "x" << c.height << " at " << x << "," << y;
      }
    }
  }
}

TEST(BulbConverterTest, Offsets) {
  struct Case {
    uint32_t type;
    uint32_t colour;  // of the whole 2 x 2 picture
    int red, green, blue, white;
    unsigned row, column;
    BulbPixel expected;
  };
  const Case cases[] = {
      {Q9_RGB16M, 0xFF6464, 64, 10, -10, 0, 0, 0, {140, 60, 0, 0}},
      {Q9_TRI3, 0xFFFF00, 0, 64, -64, 0, 0, 0, {0, 0, 1, 0}},  // Tri3 has no blue
      // The white offset does not act on colour types, but on the luminance of
      // mono bulbs, made of the offset channels.
      {Q9_RGB4K, 0xFFFFFF, 0, 0, 0, 64, 0, 0, {15, 15, 15, 0}},
      {Q9_MONO64, 0xFFFFFF, 64, 0, 0, 0, 0, 0, {0, 0, 44, 0}},  // luminance 178 -> 44.47
      // Offsets outside -64..64 are limited to it.
      {Q9_MONO4, 0x000000, 0, 0, 0, -1000, 0, 0, {0, 0, 3, 0}},
      // Quad places follow their own channel; the extra bulb the luminance of
      // the offset channels: (255, 0, 255) is 105 -> 6.67.
      {Q9_QUAD64K, 0xFFFFFF, 64, 0, 0, 0, 0, 0, {0, 0, 0, 0}},
      {Q9_QUAD64K, 0xFFFFFF, 0, 0, 0, 64, 0, 1, {15, 0, 0, 0}},
      {Q9_QUAD64K, 0xFFFFFF, 0, 64, 0, 0, 1, 1, {0, 0, 0, 6}},
  };
  for (const Case& c : cases) {
    Picture uniform{Header(2, 2, 24), std::vector<uint8_t>(16, 0)};
    for (size_t at : {0, 3, 8, 11}) std::memcpy(&uniform.bits[at], &c.colour, 3);
    const auto bulbs = Read(uniform, 2, 2, c.type, c.red, c.green, c.blue, c.white);
    EXPECT_EQ(BulbAt(bulbs, 2, 2, c.type, c.row, c.column), c.expected)
        << "type " << c.type << " offsets " << c.red << "," << c.green << "," << c.blue << ","
        << c.white << " at " << c.row << "," << c.column;
  }
}

// Buffers one byte short: refused, nothing written.
TEST(BulbConverterTest, Bulb2DIBRefusesWithoutWriting) {
  const std::vector<uint8_t> bulbs(BulbDataSize(3, 5, Q9_RGB4K), 0x77);
  for (auto [bulbSize, bitsSize] : {std::pair{bulbs.size() - 1, 48}, {bulbs.size(), 47}}) {
    std::vector<uint8_t> header(kDibHeaderBlockSize, 0xAB), bits(48, 0xAB);
    EXPECT_NE(Bulb2DIB(bulbs.data(), uint32_t(bulbSize), 3, 5, Q9_RGB4K, header.data(), bits.data(),
                       uint32_t(bitsSize), 0),
              0);
    EXPECT_EQ(header, std::vector<uint8_t>(kDibHeaderBlockSize, 0xAB));
    EXPECT_EQ(bits, std::vector<uint8_t>(48, 0xAB));
  }
}

TEST(BulbConverterTest, ConvDIB2BulbEnhRefusesWithoutWriting) {
  std::vector<RgbQuad> colours;
  const Picture valid = Build(6, 4, false, 8, 0, colours);
  const uint32_t bitsSize = uint32_t(valid.bits.size());  // 6 bytes a row padded to 8
  const uint32_t bulbSize = uint32_t(BulbDataSize(4, 6, Q9_RGB16MB));
  struct Case {
    const char* name;
    int at = -1;         // header field to change (-1: none)
    uint32_t value = 0;  // its new value
    int bitsDelta = 0, bulbDelta = 0;
    uint32_t type = Q9_RGB16MB;
    int result = kBulbCvUnsupportedBitmap;
  };
  const Case cases[] = {
      {.name = "valid", .result = kBulbCvOk},
      {.name = "short bits", .bitsDelta = -1, .result = kBulbCvBufferTooSmall},
      {.name = "short bulbs", .bulbDelta = -1, .result = kBulbCvBufferTooSmall},
      {.name = "colour type 15", .type = 15, .result = kBulbCvBadGeometry},
      {.name = "run-length", .at = 16, .value = 1},
      {.name = "2 bits", .at = 14, .value = 2},  // compression stays 0
      {.name = "257 colours", .at = 32, .value = 257},
      {.name = "width 0", .at = 4, .value = 0},
      {.name = "huge width", .at = 4, .value = 0x7FFFFFFF, .result = kBulbCvBufferTooSmall},
      {.name = "most negative height", .at = 8, .value = 1u << 31, .result = kBulbCvBufferTooSmall},
      {.name = "one row too many", .at = 8, .value = 5, .result = kBulbCvBufferTooSmall},
  };
  for (const Case& c : cases) {
    Picture picture = valid;
    if (c.at >= 0) StoreU32(&picture.header[size_t(c.at)], c.value);
    std::vector<uint8_t> bulbs(bulbSize, 0xAB);
    EXPECT_EQ(ConvDIB2BulbEnh(picture.header.data(), picture.bits.data(), bitsSize + c.bitsDelta, 0,
                              0, bulbs.data(), bulbSize + c.bulbDelta, 4, 6, c.type, 0, 0, 0, 0),
              c.result)
        << c.name;
    // Refused: untouched; the valid picture writes every bulb.
    EXPECT_EQ(bulbs == std::vector<uint8_t>(bulbSize, 0xAB), c.result != kBulbCvOk) << c.name;
  }
}

}  // namespace
}  // namespace q9::platform
