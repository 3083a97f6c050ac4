#include "platform/signlib/bulb_converter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstring>
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
  std::vector<uint8_t> header = std::vector<uint8_t>(kDibHeaderBlockSize, 0);
  std::vector<uint8_t> bits;
};

// Bulb data -> picture, checking success.
Picture Draw(const std::vector<uint8_t>& bulbs, unsigned rows, unsigned columns, uint32_t type) {
  Picture picture;
  uint32_t size = 0;
  uint32_t option = 99;
  EXPECT_EQ(CalcBulbDIBSize(rows, columns, type, &size, &option), 0);
  EXPECT_EQ(option, kBulbDibOption24Bit);
  picture.bits.assign(size, 0xEE);
  EXPECT_EQ(Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), rows, columns, type,
                     picture.header.data(), picture.bits.data(), size, option),
            0);
  return picture;
}

std::vector<uint8_t> Read(const Picture& picture, unsigned rows, unsigned columns, uint32_t type,
                          int red = 0, int green = 0, int blue = 0, int white = 0) {
  std::vector<uint8_t> bulbs(BulbDataSize(rows, columns, type), 0xCD);
  EXPECT_EQ(ConvDIB2BulbEnh(picture.header.data(), picture.bits.data(),
                            uint32_t(picture.bits.size()), 0, 0, bulbs.data(),
                            uint32_t(bulbs.size()), rows, columns, type, red, green, blue, white),
            0);
  return bulbs;
}

// The picture's pixel (x, y), y from the top, as {blue, green, red}.
RgbQuad PixelOf(const Picture& picture, unsigned columns, unsigned rows, unsigned x, unsigned y) {
  const size_t stride = DibStride(columns, 24);
  const uint8_t* p = picture.bits.data() + (rows - 1 - y) * stride + 3 * x;
  return {p[0], p[1], p[2], 0};
}

// For every colour type, every value of every channel at every position of a
// sign with odd rows and columns (all four quad places, bulbs sharing bytes,
// unpadded packed rows): bulbs -> picture -> bulbs gives the same bytes.
TEST(BulbConverterTest, RoundTripIsExactForEveryTypeAndValue) {
  const unsigned rows = 5, columns = 7;
  for (uint32_t type = 0; type < kColorTypeCount; ++type) {
    const BulbLayout layout = MakeBulbLayout(rows, columns, type);
    const unsigned levels = kMaxLevel[type] + 1;
    for (unsigned v = 0; v < levels; ++v) {
      std::vector<uint8_t> bulbs(layout.totalSize, 0);
      for (unsigned row = 0; row < rows; ++row) {
        for (unsigned column = 0; column < columns; ++column) {
          const unsigned k = v + row * 5 + column * 3;
          SetBulbPixel(layout, row, column, bulbs.data(),
                       {uint8_t(k * 3 % levels), uint8_t(k * 5 % levels), uint8_t(k % levels),
                        uint8_t(k * 7 % levels)});
        }
      }
      const Picture picture = Draw(bulbs, rows, columns, type);
      ASSERT_EQ(Read(picture, rows, columns, type), bulbs) << "type " << type << " value " << v;
    }
  }
}

TEST(BulbConverterTest, PictureColours) {
  struct Case {
    uint32_t type;
    unsigned row, column;
    BulbPixel bulb;
    RgbQuad colour;  // blue, green, red
  };
  const Case cases[] = {
      {Q9_MONO1, 0, 0, {0, 0, 1, 0}, {255, 255, 255}},
      {Q9_MONO4, 0, 0, {0, 0, 2, 0}, {170, 170, 170}},
      {Q9_MONO16, 1, 2, {0, 0, 7, 0}, {119, 119, 119}},
      {Q9_MONO64, 0, 0, {0, 0, 32, 0}, {130, 130, 130}},  // 32 * 255 / 63 = 129.5
      {Q9_QUAD256, 0, 0, {0, 0, 3, 0}, {0, 0, 255}},      // red place
      {Q9_QUAD256, 1, 0, {0, 1, 0, 0}, {0, 85, 0}},       // green place
      {Q9_QUAD256, 0, 1, {2, 0, 0, 0}, {170, 0, 0}},      // blue place
      {Q9_QUAD256, 1, 1, {0, 0, 0, 1}, {85, 85, 85}},     // extra place: grey
      {Q9_QUAD16, 3, 3, {0, 0, 0, 1}, {255, 255, 255}},
      {Q9_TRI3, 0, 0, {0, 1, 1, 0}, {0, 255, 255}},
      {Q9_TRI256, 0, 0, {0, 15, 5, 0}, {0, 255, 85}},
      {Q9_RGB64, 0, 0, {1, 2, 3, 0}, {85, 170, 255}},
      {Q9_RGB4K, 0, 0, {8, 0, 15, 0}, {136, 0, 255}},
      {Q9_RGB32KB, 2, 4, {16, 1, 31, 0}, {132, 8, 255}},
      {Q9_RGB16M, 0, 0, {1, 2, 3, 0}, {1, 2, 3}},
      {Q9_RGB16MB, 2, 6, {200, 100, 50, 0}, {200, 100, 50}},
  };
  const unsigned rows = 3, columns = 7;
  for (const Case& c : cases) {
    const BulbLayout layout = MakeBulbLayout(rows, columns, c.type);
    std::vector<uint8_t> bulbs(layout.totalSize, 0);
    SetBulbPixel(layout, c.row, c.column, bulbs.data(), c.bulb);
    const Picture picture = Draw(bulbs, rows, columns, c.type);
    for (unsigned y = 0; y < rows; ++y) {
      for (unsigned x = 0; x < columns; ++x) {
        const RgbQuad expected = (y == c.row && x == c.column) ? c.colour : RgbQuad{};
        ASSERT_EQ(PixelOf(picture, columns, rows, x, y), expected)
            << "type " << c.type << " at " << y << "," << x;
      }
    }
  }
}

TEST(BulbConverterTest, PictureHeaderAndPadding) {
  const unsigned rows = 3, columns = 7;  // 21 bytes a row, padded to 24
  std::vector<uint8_t> bulbs(BulbDataSize(rows, columns, Q9_RGB16MB), 0xFF);
  const Picture picture = Draw(bulbs, rows, columns, Q9_RGB16MB);
  EXPECT_EQ(LoadU32(&picture.header[0]), 40u);
  EXPECT_EQ(LoadU32(&picture.header[4]), columns);
  EXPECT_EQ(LoadU32(&picture.header[8]), rows);
  EXPECT_EQ(LoadU16(&picture.header[12]), 1u);
  EXPECT_EQ(LoadU16(&picture.header[14]), 24u);
  EXPECT_EQ(LoadU32(&picture.header[16]), 0u);
  EXPECT_EQ(LoadU32(&picture.header[20]), 72u);
  EXPECT_EQ(LoadU32(&picture.header[32]), 0u);
  for (size_t i = 40; i < kDibHeaderBlockSize; ++i) ASSERT_EQ(picture.header[i], 0) << i;
  ASSERT_EQ(picture.bits.size(), 72u);
  for (unsigned y = 0; y < rows; ++y) {
    for (size_t i = 21; i < 24; ++i) EXPECT_EQ(picture.bits[y * 24 + i], 0) << y;
    for (size_t i = 0; i < 21; ++i) EXPECT_EQ(picture.bits[y * 24 + i], 0xFF) << y;
  }
}

// A uniform picture of the given colour, 24 bits, bottom-up.
Picture Uniform(unsigned width, unsigned height, uint8_t red, uint8_t green, uint8_t blue) {
  Picture picture;
  StoreU32(&picture.header[0], 40);
  StoreU32(&picture.header[4], width);
  StoreU32(&picture.header[8], height);
  StoreU16(&picture.header[12], 1);
  StoreU16(&picture.header[14], 24);
  const size_t stride = DibStride(width, 24);
  picture.bits.assign(stride * height, 0);
  for (unsigned y = 0; y < height; ++y) {
    for (unsigned x = 0; x < width; ++x) {
      uint8_t* p = &picture.bits[y * stride + 3 * x];
      p[0] = blue;
      p[1] = green;
      p[2] = red;
    }
  }
  return picture;
}

BulbPixel FirstBulb(const std::vector<uint8_t>& bulbs, unsigned rows, unsigned columns,
                    uint32_t type, unsigned row = 0, unsigned column = 0) {
  BulbPixel pixel;
  GetBulbPixel(MakeBulbLayout(rows, columns, type), row, column, bulbs.data(), pixel);
  return pixel;
}

TEST(BulbConverterTest, OffsetsTurnChannelsOffAndOn) {
  struct Case {
    uint32_t type;
    uint8_t red, green, blue;  // picture colour
    int oRed, oGreen, oBlue, oWhite;
    BulbPixel expected;
  };
  const Case cases[] = {
      // +64 turns a fully lit channel off; -64 lights a dark one fully.
      {Q9_RGB4K, 255, 255, 255, 64, 0, 0, 0, {15, 15, 0, 0}},
      {Q9_RGB4K, 255, 255, 255, 0, 64, 0, 0, {15, 0, 15, 0}},
      {Q9_RGB4K, 255, 255, 255, 0, 0, 64, 0, {0, 15, 15, 0}},
      {Q9_RGB4K, 0, 0, 0, -64, 0, 0, 0, {0, 0, 15, 0}},
      {Q9_RGB16M, 0, 0, 0, 0, -64, -64, 0, {255, 255, 0, 0}},
      {Q9_RGB16MB, 100, 100, 100, 10, -10, 0, 0, {100, 140, 60, 0}},
      {Q9_RGB32KB, 255, 0, 0, 64, -64, 0, 0, {0, 31, 0, 0}},
      {Q9_TRI3, 255, 255, 0, 0, 64, -64, 0, {0, 0, 1, 0}},  // Tri3 has no blue
      // The white offset does not act on colour types.
      {Q9_RGB4K, 255, 255, 255, 0, 0, 0, 64, {15, 15, 15, 0}},
      // Mono: the white offset acts on the luminance...
      {Q9_MONO16, 255, 255, 255, 0, 0, 0, 64, {0, 0, 0, 0}},
      {Q9_MONO16, 0, 0, 0, 0, 0, 0, -64, {0, 0, 15, 0}},
      // ...and the channel offsets on the channels it is made of.
      {Q9_MONO16, 255, 255, 255, 64, 64, 64, 0, {0, 0, 0, 0}},
      {Q9_MONO16, 0, 0, 0, -64, -64, -64, 0, {0, 0, 15, 0}},
      {Q9_MONO64, 255, 255, 255, 64, 0, 0, 0, {0, 0, 44, 0}},  // luminance 178 -> 44.47
      // Offsets outside -64..64 are limited to it.
      {Q9_MONO4, 0, 0, 0, 0, 0, 0, -1000, {0, 0, 3, 0}},
      {Q9_MONO4, 255, 255, 255, 0, 0, 0, INT_MAX, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const Picture picture = Uniform(2, 2, c.red, c.green, c.blue);
    const auto bulbs = Read(picture, 2, 2, c.type, c.oRed, c.oGreen, c.oBlue, c.oWhite);
    EXPECT_EQ(FirstBulb(bulbs, 2, 2, c.type), c.expected) << "type " << c.type;
  }
}

// Quad bulbs: each place follows its own channel, the extra bulb the white,
// which is the luminance of the offset channels.
TEST(BulbConverterTest, QuadPlacesFollowTheirChannelOffset) {
  const Picture picture = Uniform(2, 2, 255, 255, 255);
  struct Case {
    int red, green, blue, white;
    BulbPixel atRed, atGreen, atBlue, atExtra;
  };
  const Case cases[] = {
      {0, 0, 0, 0, {0, 0, 15, 0}, {0, 15, 0, 0}, {15, 0, 0, 0}, {0, 0, 0, 15}},
      // Luminance of (0, 255, 255) is 178 -> 10.97; of (255, 0, 255) 105 -> 6.67;
      // of (255, 255, 0) 226 -> 13.79.
      {64, 0, 0, 0, {0, 0, 0, 0}, {0, 15, 0, 0}, {15, 0, 0, 0}, {0, 0, 0, 10}},
      {0, 64, 0, 0, {0, 0, 15, 0}, {0, 0, 0, 0}, {15, 0, 0, 0}, {0, 0, 0, 6}},
      {0, 0, 64, 0, {0, 0, 15, 0}, {0, 15, 0, 0}, {0, 0, 0, 0}, {0, 0, 0, 13}},
      {0, 0, 0, 64, {0, 0, 15, 0}, {0, 15, 0, 0}, {15, 0, 0, 0}, {0, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const auto bulbs = Read(picture, 2, 2, Q9_QUAD64K, c.red, c.green, c.blue, c.white);
    EXPECT_EQ(FirstBulb(bulbs, 2, 2, Q9_QUAD64K, 0, 0), c.atRed);
    EXPECT_EQ(FirstBulb(bulbs, 2, 2, Q9_QUAD64K, 1, 0), c.atGreen);
    EXPECT_EQ(FirstBulb(bulbs, 2, 2, Q9_QUAD64K, 0, 1), c.atBlue);
    EXPECT_EQ(FirstBulb(bulbs, 2, 2, Q9_QUAD64K, 1, 1), c.atExtra);
  }
}

TEST(BulbConverterTest, LargerOffsetNeverGivesAHigherLevel) {
  for (uint32_t type : {Q9_MONO64, Q9_RGB32KB, Q9_RGB16M, Q9_QUAD16M, Q9_TRI256}) {
    for (uint8_t grey : {uint8_t(0), uint8_t(40), uint8_t(128), uint8_t(200), uint8_t(255)}) {
      const Picture picture = Uniform(2, 2, grey, grey, grey);
      unsigned previous[4] = {256, 256, 256, 256};
      for (int offset = -64; offset <= 64; ++offset) {
        const auto bulbs = Read(picture, 2, 2, type, offset, offset, offset, offset);
        // The highest channel of each of the four bulbs (one per quad place).
        unsigned now[4];
        for (unsigned place = 0; place < 4; ++place) {
          const BulbPixel b = FirstBulb(bulbs, 2, 2, type, place & 1, place >> 1);
          now[place] = std::max({b.blue, b.green, b.red, b.extra});
          ASSERT_LE(now[place], previous[place])
              << "type " << type << " grey " << int(grey) << " offset " << offset;
          if (offset == -64) {
            EXPECT_EQ(now[place], kMaxLevel[type]) << type;
          }
          if (offset == 64) {
            EXPECT_EQ(now[place], 0u) << type;
          }
          previous[place] = now[place];
        }
      }
    }
  }
}

// A picture built pixel by pixel: raw values are palette indices for 8 bits
// and fewer, 5-5-5 words for 16 bits and 0xRRGGBB for 24 and 32 bits.
struct PictureRecipe {
  unsigned width;
  unsigned height;
  bool topDown;
  unsigned bitsPerPixel;
  uint32_t colorsUsed;
  std::vector<RgbQuad> table;
  std::vector<uint32_t> raw;  // row by row from the top
};

Picture Build(const PictureRecipe& recipe) {
  Picture picture;
  StoreU32(&picture.header[0], 40);
  StoreU32(&picture.header[4], recipe.width);
  StoreU32(&picture.header[8], recipe.topDown ? uint32_t(-int32_t(recipe.height)) : recipe.height);
  StoreU16(&picture.header[12], 1);
  StoreU16(&picture.header[14], uint16_t(recipe.bitsPerPixel));
  StoreU32(&picture.header[32], recipe.colorsUsed);
  for (size_t i = 0; i < recipe.table.size(); ++i) {
    std::memcpy(&picture.header[40 + 4 * i], &recipe.table[i], 4);
  }
  const size_t stride = DibStride(recipe.width, recipe.bitsPerPixel);
  picture.bits.assign(stride * recipe.height, 0);
  for (unsigned y = 0; y < recipe.height; ++y) {
    uint8_t* row = &picture.bits[(recipe.topDown ? y : recipe.height - 1 - y) * stride];
    for (unsigned x = 0; x < recipe.width; ++x) {
      const uint32_t v = recipe.raw[y * recipe.width + x];
      switch (recipe.bitsPerPixel) {
        case 1:
          row[x / 8] |= uint8_t((v & 1) << (7 - x % 8));
          break;
        case 4:
          row[x / 2] |= uint8_t((v & 15) << (x % 2 ? 0 : 4));
          break;
        case 8:
          row[x] = uint8_t(v);
          break;
        case 16:
          StoreU16(row + 2 * x, uint16_t(v));
          break;
        case 24:
          for (unsigned i = 0; i < 3; ++i) row[3 * x + i] = uint8_t(v >> 8 * i);
          break;
        case 32:
          StoreU32(row + 4 * x, v | 0xFF000000u);
          break;
      }
    }
  }
  return picture;
}

RgbQuad Colour(uint8_t red, uint8_t green, uint8_t blue) {
  return {blue, green, red, 0};
}
uint8_t Expand5(unsigned v) {
  return uint8_t(v << 3 | v >> 2);
}

// The colour a picture built from recipe shows at (x, y).
RgbQuad Expected(const PictureRecipe& recipe, unsigned x, unsigned y) {
  const uint32_t v = recipe.raw[y * recipe.width + x];
  switch (recipe.bitsPerPixel) {
    case 16:
      return Colour(Expand5(v >> 10 & 31), Expand5(v >> 5 & 31), Expand5(v & 31));
    case 24:
    case 32:
      return Colour(uint8_t(v >> 16), uint8_t(v >> 8), uint8_t(v));
    default:
      return v < recipe.table.size() ? recipe.table[v] : RgbQuad{};
  }
}

std::vector<PictureRecipe> DepthCases() {
  std::vector<PictureRecipe> cases;
  for (bool topDown : {false, true}) {
    PictureRecipe one{10, 3, topDown, 1, 0, {Colour(10, 20, 30), Colour(200, 150, 100)}, {}};
    for (unsigned i = 0; i < 30; ++i) one.raw.push_back((i * i + i / 3) % 2);
    cases.push_back(one);

    PictureRecipe four{5, 4, topDown, 4, 0, {}, {}};
    for (unsigned i = 0; i < 16; ++i)
      four.table.push_back(Colour(uint8_t(i * 16), uint8_t(255 - i * 16), uint8_t(i)));
    for (unsigned i = 0; i < 20; ++i) four.raw.push_back((i * 7) % 16);
    cases.push_back(four);

    // Five colours used: indices 5 and above have no entry and read black.
    PictureRecipe eight{7, 2, topDown, 8, 5, {}, {}};
    for (unsigned i = 0; i < 5; ++i)
      eight.table.push_back(Colour(uint8_t(50 * i), 7, uint8_t(255 - 50 * i)));
    for (unsigned i = 0; i < 14; ++i) eight.raw.push_back(i % 8);
    cases.push_back(eight);

    // Colours used 0 means a full table of 256.
    PictureRecipe full{16, 16, topDown, 8, 0, {}, {}};
    for (unsigned i = 0; i < 256; ++i)
      full.table.push_back(Colour(uint8_t(i), uint8_t(i * 3), uint8_t(255 - i)));
    for (unsigned i = 0; i < 256; ++i) full.raw.push_back((i * 37) % 256);
    cases.push_back(full);

    PictureRecipe sixteen{32, 2, topDown, 16, 0, {}, {}};
    for (unsigned i = 0; i < 64; ++i)
      sixteen.raw.push_back((i % 32) << 10 | (31 - i % 32) << 5 | (i * 7 % 32) | (i & 1) << 15);
    cases.push_back(sixteen);

    PictureRecipe rgb{3, 3, topDown, 24, 0, {}, {}};
    for (unsigned i = 0; i < 9; ++i) rgb.raw.push_back(0x102030u * (i + 1) ^ 0x00FF00u * (i & 1));
    cases.push_back(rgb);

    PictureRecipe rgbx{3, 3, topDown, 32, 0, {}, {}};
    rgbx.raw = rgb.raw;
    cases.push_back(rgbx);
  }
  return cases;
}

// Each input depth, bottom-up and top-down, read into RGB16M, whose levels are
// the picture's channels.
TEST(BulbConverterTest, ReadsEverySupportedDepth) {
  for (const PictureRecipe& recipe : DepthCases()) {
    const Picture picture = Build(recipe);
    const auto bulbs = Read(picture, recipe.height, recipe.width, Q9_RGB16M);
    for (unsigned y = 0; y < recipe.height; ++y) {
      for (unsigned x = 0; x < recipe.width; ++x) {
        const BulbPixel b = FirstBulb(bulbs, recipe.height, recipe.width, Q9_RGB16M, y, x);
        ASSERT_EQ(Colour(b.red, b.green, b.blue), Expected(recipe, x, y))
            << recipe.bitsPerPixel << " bits, top-down " << recipe.topDown << " at " << x << ","
            << y;
      }
    }
  }
}

// A 16-bit picture read into RGB32KB gives back its 5-bit channels exactly.
TEST(BulbConverterTest, FiveBitChannelsSurvive) {
  PictureRecipe recipe{32, 1, false, 16, 0, {}, {}};
  for (unsigned i = 0; i < 32; ++i) recipe.raw.push_back(i << 10 | (31 - i) << 5 | (i * 13 % 32));
  const auto bulbs = Read(Build(recipe), 1, 32, Q9_RGB32KB);
  for (unsigned x = 0; x < 32; ++x) {
    EXPECT_EQ(LoadU16(&bulbs[2 * x]), recipe.raw[x]) << x;
  }
}

TEST(BulbConverterTest, PictureSmallerOrLargerThanTheSign) {
  struct Case {
    unsigned width, height, rows, columns;
    uint32_t type;
  };
  const Case cases[] = {{3, 2, 4, 5, Q9_RGB16M},
                        {8, 6, 4, 5, Q9_RGB16M},
                        {3, 7, 5, 4, Q9_RGB16MB},
                        {9, 1, 3, 3, Q9_RGB16MB},
                        {5, 5, 5, 5, Q9_RGB16M}};
  for (const Case& c : cases) {
    PictureRecipe recipe{c.width, c.height, false, 24, 0, {}, {}};
    for (unsigned i = 0; i < c.width * c.height; ++i) recipe.raw.push_back(0x010101u * (i + 1));
    const auto bulbs = Read(Build(recipe), c.rows, c.columns, c.type);  // prefilled with 0xCD
    for (unsigned y = 0; y < c.rows; ++y) {
      for (unsigned x = 0; x < c.columns; ++x) {
        const BulbPixel b = FirstBulb(bulbs, c.rows, c.columns, c.type, y, x);
        const RgbQuad expected = (x < c.width && y < c.height) ? Expected(recipe, x, y) : RgbQuad{};
        ASSERT_EQ(Colour(b.red, b.green, b.blue), expected)
            << c.width << "x" << c.height << " onto " << c.columns << "x" << c.rows << " at " << x
            << "," << y;
      }
    }
  }
}

TEST(BulbConverterTest, CalcBulbDIBSizeValues) {
  struct Case {
    unsigned rows, columns;
    uint32_t type;
    int result;
    uint32_t size;
  };
  const Case cases[] = {
      {3, 5, Q9_MONO1, kBulbCvOk, 48},
      {1, 1, Q9_RGB16MB, kBulbCvOk, 4},
      {64, 192, Q9_RGB16M, kBulbCvOk, 36864},
      {2, 4, Q9_QUAD16, kBulbCvOk, 24},
      {0, 4, Q9_MONO1, kBulbCvBadGeometry, 7},
      {4, 0, Q9_MONO1, kBulbCvBadGeometry, 7},
      {4, 4, Q9_NO_COLOR, kBulbCvBadGeometry, 7},
      {5000, 5000, Q9_MONO1, kBulbCvBadGeometry, 7},
  };
  for (const Case& c : cases) {
    uint32_t size = 7;
    EXPECT_EQ(CalcBulbDIBSize(c.rows, c.columns, c.type, &size), c.result);
    EXPECT_EQ(size, c.size) << c.rows << " x " << c.columns;
  }
  EXPECT_EQ(CalcBulbDIBSize(3, 5, Q9_MONO1, nullptr), kBulbCvBadArgument);
}

TEST(BulbConverterTest, Bulb2DIBRefusesWithoutWriting) {
  const unsigned rows = 3, columns = 5;
  const uint32_t type = Q9_RGB4K;
  const std::vector<uint8_t> bulbs(BulbDataSize(rows, columns, type), 0x77);
  const uint32_t bulbSize = uint32_t(bulbs.size());
  const uint32_t bitsSize = 48;
  struct Case {
    const char* name;
    uint32_t bulbSize, bitsSize, option, type;
    unsigned rows;
    bool nullBulbs, nullHeader, nullBits;
    int result;
  };
  const Case cases[] = {
      {"short bulbs", bulbSize - 1, bitsSize, 0, type, rows, false, false, false,
       kBulbCvBufferTooSmall},
      {"short bits", bulbSize, bitsSize - 1, 0, type, rows, false, false, false,
       kBulbCvBufferTooSmall},
      {"unknown option", bulbSize, bitsSize, 1, type, rows, false, false, false,
       kBulbCvBadArgument},
      {"no colour type", bulbSize, bitsSize, 0, Q9_NO_COLOR, rows, false, false, false,
       kBulbCvBadGeometry},
      {"no rows", bulbSize, bitsSize, 0, type, 0, false, false, false, kBulbCvBadGeometry},
      {"null bulbs", bulbSize, bitsSize, 0, type, rows, true, false, false, kBulbCvBadArgument},
      {"null header", bulbSize, bitsSize, 0, type, rows, false, true, false, kBulbCvBadArgument},
      {"null bits", bulbSize, bitsSize, 0, type, rows, false, false, true, kBulbCvBadArgument},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> header(kDibHeaderBlockSize, 0xAB);
    std::vector<uint8_t> bits(bitsSize, 0xAB);
    EXPECT_EQ(Bulb2DIB(c.nullBulbs ? nullptr : bulbs.data(), c.bulbSize, c.rows, columns, c.type,
                       c.nullHeader ? nullptr : header.data(), c.nullBits ? nullptr : bits.data(),
                       c.bitsSize, c.option),
              c.result)
        << c.name;
    EXPECT_EQ(header, std::vector<uint8_t>(kDibHeaderBlockSize, 0xAB)) << c.name;
    EXPECT_EQ(bits, std::vector<uint8_t>(bitsSize, 0xAB)) << c.name;
  }
}

TEST(BulbConverterTest, ConvDIB2BulbEnhRefusesWithoutWriting) {
  const unsigned rows = 4, columns = 6;
  const uint32_t type = Q9_RGB16MB;
  const uint32_t bulbSize = uint32_t(BulbDataSize(rows, columns, type));
  PictureRecipe recipe{6, 4, false, 8, 0, {}, std::vector<uint32_t>(24, 1)};
  recipe.table.assign(256, Colour(1, 2, 3));
  const Picture valid = Build(recipe);
  const uint32_t bitsSize = uint32_t(valid.bits.size());  // 6 bytes a row padded to 8
  struct Case {
    const char* name;
    size_t headerAt;  // header field to change (0: none)
    unsigned width;   // 2 or 4 bytes
    uint32_t value;
    uint32_t bitsSize, bulbSize;
    unsigned rows, columns;
    uint32_t type;
    int result;
  };
  const Case cases[] = {
      {"valid", 0, 0, 0, bitsSize, bulbSize, rows, columns, type, kBulbCvOk},
      {"short bits", 0, 0, 0, bitsSize - 1, bulbSize, rows, columns, type, kBulbCvBufferTooSmall},
      {"short bulbs", 0, 0, 0, bitsSize, bulbSize - 1, rows, columns, type, kBulbCvBufferTooSmall},
      {"no rows", 0, 0, 0, bitsSize, bulbSize, 0, columns, type, kBulbCvBadGeometry},
      {"no columns", 0, 0, 0, bitsSize, bulbSize, rows, 0, type, kBulbCvBadGeometry},
      {"colour type 15", 0, 0, 0, bitsSize, bulbSize, rows, columns, 15, kBulbCvBadGeometry},
      {"colour type 40", 0, 0, 0, bitsSize, bulbSize, rows, columns, 40, kBulbCvBadGeometry},
      {"too many bulbs", 0, 0, 0, bitsSize, bulbSize, 70000, 70000, type, kBulbCvBadGeometry},
      {"larger header", 0, 4, 108, bitsSize, bulbSize, rows, columns, type,
       kBulbCvUnsupportedBitmap},
      {"run-length", 16, 4, 1, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"bit fields", 16, 4, 3, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"2 bits", 14, 2, 2, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"0 bits", 14, 2, 0, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"48 bits", 14, 2, 48, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"257 colours", 32, 4, 257, bitsSize, bulbSize, rows, columns, type,
       kBulbCvUnsupportedBitmap},
      {"width 0", 4, 4, 0, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"negative width", 4, 4, uint32_t(-6), bitsSize, bulbSize, rows, columns, type,
       kBulbCvUnsupportedBitmap},
      {"height 0", 8, 4, 0, bitsSize, bulbSize, rows, columns, type, kBulbCvUnsupportedBitmap},
      {"huge width", 4, 4, 0x7FFFFFFF, bitsSize, bulbSize, rows, columns, type,
       kBulbCvBufferTooSmall},
      {"huge height", 8, 4, 0x7FFFFFFF, bitsSize, bulbSize, rows, columns, type,
       kBulbCvBufferTooSmall},
      {"most negative height", 8, 4, 0x80000000u, bitsSize, bulbSize, rows, columns, type,
       kBulbCvBufferTooSmall},
      {"one row too many", 8, 4, 5, bitsSize, bulbSize, rows, columns, type, kBulbCvBufferTooSmall},
  };
  for (const Case& c : cases) {
    Picture picture = valid;
    if (c.width == 2) StoreU16(&picture.header[c.headerAt], uint16_t(c.value));
    if (c.width == 4) StoreU32(&picture.header[c.headerAt], c.value);
    std::vector<uint8_t> bulbs(bulbSize, 0xAB);
    EXPECT_EQ(ConvDIB2BulbEnh(picture.header.data(), picture.bits.data(), c.bitsSize, 0, 0,
                              bulbs.data(), c.bulbSize, c.rows, c.columns, c.type, 0, 0, 0, 0),
              c.result)
        << c.name;
    if (c.result != kBulbCvOk) {
      EXPECT_EQ(bulbs, std::vector<uint8_t>(bulbSize, 0xAB)) << c.name;
    } else {
      EXPECT_EQ(FirstBulb(bulbs, rows, columns, type, 3, 5), (BulbPixel{3, 2, 1, 0}));
    }
  }
  std::vector<uint8_t> bulbs(bulbSize, 0);
  EXPECT_EQ(ConvDIB2BulbEnh(nullptr, valid.bits.data(), bitsSize, 0, 0, bulbs.data(), bulbSize,
                            rows, columns, type, 0, 0, 0, 0),
            kBulbCvBadArgument);
  EXPECT_EQ(ConvDIB2BulbEnh(valid.header.data(), nullptr, bitsSize, 0, 0, bulbs.data(), bulbSize,
                            rows, columns, type, 0, 0, 0, 0),
            kBulbCvBadArgument);
  EXPECT_EQ(ConvDIB2BulbEnh(valid.header.data(), valid.bits.data(), bitsSize, 0, 0, nullptr,
                            bulbSize, rows, columns, type, 0, 0, 0, 0),
            kBulbCvBadArgument);
}

}  // namespace
}  // namespace q9::platform
