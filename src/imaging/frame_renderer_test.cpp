#include "imaging/frame_renderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "imaging/convert_bulb_data.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/seq_writer.h"

namespace q9::imaging {
namespace {

using adjust::ImportSettings;
using platform::Bitmap;
using platform::BitmapInfoHeader;
using platform::SignGeometry;
using platform::test::At;
using platform::test::MakePicture;
using platform::test::Rgb;
namespace pf = platform;
namespace cmd = adjust;

constexpr uint32_t kTrueColour = pf::Q9_RGB16MB;  // bulbs keep the picture's exact colours

Bitmap Noise(int w, int h, unsigned seed = 11) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> value(0, 255);
  return MakePicture(w, h, [&](int, int) {
    return Rgb{value(random), value(random), value(random)};
  });
}

bool SameBitmap(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && a.Palette() == b.Palette() &&
         a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 || std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0);
}

// Bulbs of a picture through the library's own packed bitmap, its bits found
// by the colours-used rule.
std::vector<uint8_t> DirectBulbs(const Bitmap& picture, const SignGeometry& sign, int red = 0,
                                 int green = 0, int blue = 0, int white = 0) {
  std::vector<uint8_t> packed;
  EXPECT_EQ(pf::BitmapToPacked(picture, packed), pf::kImagingSuccess);
  BitmapInfoHeader header;
  std::memcpy(&header, packed.data(), sizeof header);
  const size_t offset = PackedBitsOffset(header);
  std::vector<uint8_t> bulbs(pf::BulbDataSize(sign.rows, sign.columns, sign.colorType));
  EXPECT_EQ(
      pf::ConvDIB2BulbEnh(packed.data(), packed.data() + offset, uint32_t(packed.size() - offset),
                          0, 0, bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns,
                          sign.colorType, red, green, blue, white),
      pf::kBulbCvOk);
  return bulbs;
}

Bitmap Fitted(const Bitmap& picture, const SignGeometry& sign) {
  Bitmap b = picture;
  EXPECT_EQ(pf::FitBitmap(b, int(sign.columns), int(sign.rows)), pf::kImagingSuccess);
  return b;
}

// Preview pixel (x, y), y from the top, of a 24-bit bottom-up preview.
Rgb PreviewAt(const RenderTarget& t, const SignGeometry& sign, int x, int y) {
  const size_t stride = pf::DibStride(sign.columns, 24);
  const uint8_t* p = t.previewBits.data() + (sign.rows - 1 - unsigned(y)) * stride + 3 * size_t(x);
  return Rgb{p[2], p[1], p[0]};
}

// Captures in pixels at (x, y), w x h.
ImportSettings CaptureAt(int x, int y, int w, int h) {
  ImportSettings s;
  s.AdjustChanged = 1;
  s.SizeMode = adjust::kSizePixels;
  s.XPos = x;
  s.YPos = y;
  s.Width = w;
  s.Height = h;
  return s;
}

ImportSettings WholeFrame() {
  ImportSettings s = CaptureAt(0, 0, 100, 100);
  s.SizeMode = adjust::kSizePercent;
  return s;
}

// ---- Pure rules ---------------------------------------------------------------

TEST(FrameRendererRules, SliderValues) {
  const struct {
    int32_t slider;
    int change, hue, offset;
  } cases[] = {
      {0, -1000, -180, 64},
      {1, -984, -177, 63},
      {63, -15, -2, 1},
      {64, 0, 0, 0},
      {65, 15, 2, -1},
      {127, 984, 177, -63},
      {128, 1000, 180, -64},
      {-50, -1781, -320, 64},  // out of range: passed on for the library to
                               // refuse
      {200, 2125, 382, -64},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.slider);
    EXPECT_EQ(SliderChange(c.slider), c.change);
    EXPECT_EQ(HueAngle(c.slider), c.hue);
    EXPECT_EQ(ColourOffset(c.slider), c.offset);
  }
  EXPECT_EQ(SliderChange(INT32_MAX), INT32_MAX);  // pinned, no overflow
  EXPECT_EQ(ColourOffset(INT32_MIN), 64);
  ImportSettings s;
  s.Brightness = 1;
  s.Contrast = 80;
  s.Hue = 0;
  s.Saturation = 128;
  EXPECT_EQ(AdjustmentValuesOf(s), (AdjustmentValues{-984, 250, -180, 1000}));
}

TEST(FrameRendererRules, PackedBitsFollowTheColourTable) {
  const struct {
    uint16_t bits;
    uint32_t coloursUsed;
    size_t offset;
  } cases[] = {
      {8, 0, 1064}, {8, 16, 104}, {4, 0, 104}, {1, 0, 48},
      {16, 0, 40},  {24, 0, 40},  {32, 0, 40}, {24, 5, 60},
  };
  for (const auto& c : cases) {
    BitmapInfoHeader h;
    h.biBitCount = c.bits;
    h.biClrUsed = c.coloursUsed;
    EXPECT_EQ(PackedBitsOffset(h), c.offset) << c.bits << " bits, " << c.coloursUsed;
  }
  // A library packed bitmap at 8 bits with colours-used cleared: the bits are
  // found 1,064 bytes after the header.
  Bitmap grey = Noise(9, 5);
  ASSERT_EQ(pf::GreyScaleBitmap(grey), pf::kImagingSuccess);
  std::vector<uint8_t> packed;
  ASSERT_EQ(pf::BitmapToPacked(grey, packed), pf::kImagingSuccess);
  std::memset(packed.data() + 32, 0, 4);
  BitmapInfoHeader h;
  std::memcpy(&h, packed.data(), sizeof h);
  ASSERT_EQ(PackedBitsOffset(h), 1064u);
  ASSERT_EQ(packed.size(), 1064u + grey.ImageSize());
  EXPECT_EQ(std::memcmp(packed.data() + 1064, grey.Bits(), grey.ImageSize()), 0);
}

// ---- Pictures -------------------------------------------------------------------

TEST(RenderPictureFrame, NeutralSettingsShareTheFrameAndUseZeroOffsets) {
  const Bitmap decoded = Noise(40, 30);
  const struct {
    const char* name;
    ImportSettings settings;
    SignGeometry sign;
  } cases[] = {
      {"sign-sized capture", CaptureAt(12, 9, 16, 12), {12, 16, kTrueColour}},
      {"whole frame", WholeFrame(), {12, 16, kTrueColour}},
      {"whole frame on a quad sign", WholeFrame(), {12, 16, pf::Q9_QUAD256}},
      {"capture already the sign's size", WholeFrame(), {30, 40, pf::Q9_MONO16}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImportSettings s = c.settings;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, c.sign, decoded, t), 1);
    EXPECT_TRUE(t.working.SharesPixelsWith(decoded));
    EXPECT_EQ(s.AdjustChanged, 0);
    EXPECT_FALSE(t.processing.HasData());
    EXPECT_FALSE(t.labelShown);
    const adjust::Rect r = s.CaptureRect;
    Bitmap capture;
    ASSERT_EQ(pf::CopyBitmapRect(capture, decoded, r.left, r.top, r.Width(), r.Height()),
              pf::kImagingSuccess);
    EXPECT_EQ(t.bulbs, DirectBulbs(Fitted(capture, c.sign), c.sign));
    // The preview shows exactly these bulbs.
    uint32_t size = 0;
    ASSERT_EQ(pf::CalcBulbDIBSize(c.sign.rows, c.sign.columns, c.sign.colorType, &size), 0);
    std::vector<uint8_t> header(kPreviewHeaderSize), bits(size);
    ASSERT_EQ(pf::Bulb2DIB(t.bulbs.data(), uint32_t(t.bulbs.size()), c.sign.rows, c.sign.columns,
                           c.sign.colorType, header.data(), bits.data(), size, 0),
              0);
    EXPECT_EQ(t.previewHeader, header);
    EXPECT_EQ(t.previewBits, bits);
  }
}

TEST(RenderPictureFrame, ColourSlidersBecomeBulbOffsets) {
  const Bitmap decoded = Noise(16, 12, 5);
  const struct {
    int32_t red, green, blue, white;
    int offsets[4];
  } cases[] = {
      {0, 64, 64, 64, {64, 0, 0, 0}},  {128, 64, 64, 64, {-64, 0, 0, 0}},
      {64, 10, 64, 64, {0, 54, 0, 0}}, {64, 64, 100, 64, {0, 0, -36, 0}},
      {64, 64, 64, 0, {0, 0, 0, 64}},  {30, 90, 120, 128, {34, -26, -56, -64}},
  };
  for (uint32_t type : {kTrueColour, uint32_t(pf::Q9_QUAD256)}) {
    const SignGeometry sign{12, 16, type};
    for (const auto& c : cases) {
      SCOPED_TRACE(std::to_string(type) + ": " + std::to_string(c.red) + " " +
                   std::to_string(c.green) + " " + std::to_string(c.blue) + " " +
                   std::to_string(c.white));
      ImportSettings s = WholeFrame();
      s.Red = c.red;
      s.Green = c.green;
      s.Blue = c.blue;
      s.White = c.white;
      RenderTarget t;
      ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
      const auto expected =
          DirectBulbs(decoded, sign, c.offsets[0], c.offsets[1], c.offsets[2], c.offsets[3]);
      // The white offset shows on quad signs only (their extra bulb).
      if (type == pf::Q9_QUAD256 || c.white == 64) {
        ASSERT_NE(expected, DirectBulbs(decoded, sign));
      }
      EXPECT_EQ(t.bulbs, expected);
    }
  }
}

TEST(RenderPictureFrame, AdjustmentsRunInOrderOnlyWhenAskedFor) {
  const Bitmap decoded = Noise(20, 16, 9);
  const struct {
    int32_t brightness, contrast, hue, saturation;
  } cases[] = {
      {64, 64, 64, 64}, {90, 64, 64, 64},  {64, 30, 64, 64},   {64, 64, 100, 64},
      {64, 64, 64, 10}, {100, 20, 64, 64}, {40, 110, 20, 100},
  };
  const SignGeometry sign{8, 10, kTrueColour};
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.brightness) + " " + std::to_string(c.contrast) + " " +
                 std::to_string(c.hue) + " " + std::to_string(c.saturation));
    ImportSettings s = WholeFrame();
    s.Brightness = c.brightness;
    s.Contrast = c.contrast;
    s.Hue = c.hue;
    s.Saturation = c.saturation;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    Bitmap expected = decoded;
    const AdjustmentValues v = AdjustmentValuesOf(s);
    if (v.brightness) pf::ChangeBrightness(expected, v.brightness);
    if (v.contrast) pf::ChangeContrast(expected, v.contrast);
    if (v.hue) pf::ChangeHue(expected, v.hue);
    if (v.saturation) pf::ChangeSaturation(expected, v.saturation);
    EXPECT_TRUE(SameBitmap(t.working, expected));
    EXPECT_EQ(t.working.SharesPixelsWith(decoded), v == AdjustmentValues{});
    EXPECT_EQ(t.bulbs, DirectBulbs(Fitted(expected, sign), sign));
  }
  // Brightness then contrast: the other order gives another picture.
  Bitmap contrastFirst = decoded;
  pf::ChangeContrast(contrastFirst, SliderChange(20));
  pf::ChangeBrightness(contrastFirst, SliderChange(100));
  ImportSettings s = WholeFrame();
  s.Brightness = 100;
  s.Contrast = 20;
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_FALSE(SameBitmap(t.working, contrastFirst));
}

TEST(RenderPictureFrame, WorkingBitmapIsKeptUntilAdjustChangedIsSet) {
  const Bitmap decoded = Noise(20, 16, 2);
  const SignGeometry sign{8, 10, kTrueColour};
  ImportSettings s = WholeFrame();
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  const std::vector<uint8_t> neutral = t.bulbs;
  s.Brightness = 120;  // a writer that forgot the flag
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_TRUE(t.working.SharesPixelsWith(decoded));
  EXPECT_EQ(t.bulbs, neutral);
  s.AdjustChanged = 1;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_FALSE(t.working.SharesPixelsWith(decoded));
  EXPECT_NE(t.bulbs, neutral);
  EXPECT_EQ(s.AdjustChanged, 0);
}

// A white w x h frame.
Bitmap White(int w, int h) {
  return platform::test::Uniform(w, h, {255, 255, 255});
}

TEST(RenderPictureFrame, CaptureOutsideTheFrameIsBlack) {
  const SignGeometry sign{8, 8, kTrueColour};
  ImportSettings s = CaptureAt(4, 2, 8, 8);
  s.ConstrainRect = 0;
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, White(8, 6), t), 1);
  EXPECT_EQ(s.CaptureRect, (adjust::Rect{4, 2, 12, 10}));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x)
      EXPECT_EQ(PreviewAt(t, sign, x, y), x < 4 && y < 4 ? Rgb(255, 255, 255) : Rgb(0, 0, 0))
          << x << "," << y;
}

TEST(RenderPictureFrame, DropImagePlacesTheCaptureUnscaledAtTheTopLeft) {
  const Bitmap decoded = Noise(20, 20, 4);
  const SignGeometry sign{8, 10, kTrueColour};
  const struct {
    const char* name;
    int x, y, w, h;
  } cases[] = {
      {"smaller than the sign", 2, 3, 5, 4},
      {"larger than the sign: cut", 1, 1, 14, 12},
      {"wider, lower", 0, 5, 15, 3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImportSettings s = CaptureAt(c.x, c.y, c.w, c.h);
    s.DropImage = 1;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool inside = x < c.w && y < c.h;
        EXPECT_EQ(PreviewAt(t, sign, x, y), inside ? At(decoded, c.x + x, c.y + y) : Rgb(0, 0, 0))
            << x << "," << y;
      }
  }
}

TEST(RenderPictureFrame, CaptureOfNoAreaRendersABlackSign) {
  const SignGeometry sign{6, 8, kTrueColour};
  const struct {
    const char* name;
    ImportSettings settings;
  } cases[] = {
      {"left beyond the frame, constrained", CaptureAt(50, 0, 8, 6)},
      {"top beyond the frame, constrained", CaptureAt(0, 40, 8, 6)},
      {"zero width", CaptureAt(0, 0, 0, 6)},
      {"negative height", CaptureAt(0, 0, 8, -3)},
  };
  for (bool drop : {false, true}) {
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.name) + (drop ? ", dropped" : ""));
      ImportSettings s = c.settings;
      s.DropImage = drop;
      RenderTarget t;
      ASSERT_EQ(RenderPictureFrame(s, sign, White(20, 20), t), 1);
      EXPECT_EQ(t.bulbs, std::vector<uint8_t>(t.bulbs.size(), 0));
      ASSERT_TRUE(t.HasPreview());
      EXPECT_EQ(PreviewAt(t, sign, 7, 5), Rgb(0, 0, 0));
    }
  }
  // The commands still run on the black picture.
  ImportSettings s = CaptureAt(50, 0, 8, 6);
  s.CommandMask = cmd::kCmdInvert;
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, White(20, 20), t), 1);
  EXPECT_EQ(PreviewAt(t, sign, 3, 3), Rgb(255, 255, 255));
}

TEST(RenderPictureFrame, PalettePicturesReachTheBulbsWithTheirColours) {
  const Bitmap decoded = Noise(30, 20, 6);
  const SignGeometry sign{10, 15, kTrueColour};
  const struct {
    const char* name;
    uint32_t mask;
    int32_t colorResBits;
  } cases[] = {
      {"grey scale, 8 bits", cmd::kCmdGrayScale, 0},
      {"fixed palette, 4 bits", 0, 4},
      {"fixed palette, 8 bits", 0, 8},
      {"black and white, 1 bit", 0, 1},
      {"16 bits", 0, 16},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ImportSettings s = WholeFrame();
    s.CommandMask = c.mask;
    s.ColorResBits = c.colorResBits;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    Bitmap expected = Fitted(decoded, sign);
    if (c.mask) pf::GreyScaleBitmap(expected);
    pf::ColourResolution(expected, c.colorResBits, 0);
    ASSERT_NE(expected.BitsPerPixel(), 24);
    EXPECT_EQ(t.bulbs, DirectBulbs(expected, sign));
  }
}

TEST(RenderPictureFrame, FailuresKeepWhatTheRulesSay) {
  const std::vector<uint8_t> sentinel(40, 0xA5);
  {
    SCOPED_TRACE("no picture: previous bulbs stay, no preview");
    ImportSettings s = WholeFrame();
    RenderTarget t;
    t.bulbs = sentinel;
    t.previewHeader.assign(1068, 1);
    t.previewBits.assign(10, 1);
    EXPECT_EQ(RenderPictureFrame(s, {8, 8, kTrueColour}, Bitmap(), t), 0);
    EXPECT_EQ(t.bulbs, sentinel);
    EXPECT_FALSE(t.HasPreview());
    EXPECT_TRUE(t.previewHeader.empty());
  }
  {
    SCOPED_TRACE("a colour type the converter refuses: no preview, new bulbs");
    ImportSettings s = WholeFrame();
    RenderTarget t;
    t.bulbs = sentinel;
    EXPECT_EQ(RenderPictureFrame(s, {8, 8, pf::Q9_NO_COLOR}, Noise(8, 8), t), 0);
    EXPECT_FALSE(t.HasPreview());
    EXPECT_EQ(t.bulbs, std::vector<uint8_t>(pf::BulbDataSize(8, 8, pf::Q9_NO_COLOR), 0));
  }
  {
    SCOPED_TRACE("more bulbs than any sign: nothing allocated");
    ImportSettings s = WholeFrame();
    RenderTarget t;
    t.bulbs = sentinel;
    EXPECT_EQ(RenderPictureFrame(s, {1u << 20, 1u << 20, kTrueColour}, Noise(8, 8), t), 0);
    EXPECT_EQ(t.bulbs, sentinel);
    EXPECT_FALSE(t.HasPreview());
  }
}

TEST(RenderPictureFrame, BuffersKeepTheirStorageFromFrameToFrame) {
  const SignGeometry sign{16, 24, kTrueColour};
  ImportSettings s = WholeFrame();
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, Noise(32, 32, 1), t), 1);
  const uint8_t* bulbs = t.bulbs.data();
  const uint8_t* bits = t.previewBits.data();
  const std::vector<uint8_t> first = t.bulbs;
  s.AdjustChanged = 1;  // a new frame
  ASSERT_EQ(RenderPictureFrame(s, sign, Noise(32, 32, 2), t), 1);
  EXPECT_EQ(t.bulbs.data(), bulbs);
  EXPECT_EQ(t.previewBits.data(), bits);
  EXPECT_NE(t.bulbs, first);
}

// ---- Old sequences --------------------------------------------------------------

// Valid bulbs of that geometry, from a noise picture.
std::vector<uint8_t> NoiseBulbs(const SignGeometry& g, unsigned seed) {
  return DirectBulbs(Noise(int(g.columns), int(g.rows), seed), g);
}

struct OldFrame {
  unsigned kind;
  const char* label;  // null: graphical
};

TEST(RenderOldSequenceFrame, PreviewOrLabelAndTheBulbBufferUntouched) {
  const OldFrame frames[] = {
      {pf::kQ8FrameGraphics, nullptr},
      {pf::kQ8FrameInclude, kLabelInclude},
      {pf::kQ8FrameTransmitData, kLabelTransmitData},
      {pf::kQ8FrameRepeat, kLabelNonGraphical},
      {pf::kQ8FrameData, nullptr},
      {pf::kQ8FrameEnd, kLabelNonGraphical},
      {200, kLabelNonGraphical},
  };
  const struct {
    SignGeometry from, to;
    bool quad;
  } geometries[] = {
      {{8, 16, pf::Q9_MONO16}, {16, 32, kTrueColour}, false},
      {{8, 16, pf::Q9_QUAD256}, {12, 20, kTrueColour}, true},
      {{10, 20, pf::Q9_RGB4K}, {10, 20, pf::Q9_QUAD16}, true},
      {{10, 20, pf::Q9_TRI256}, {5, 7, pf::Q9_MONO4}, false},
  };
  for (const auto& g : geometries) {
    pf::CQ8SeqWriter w;
    ASSERT_TRUE(w.Create(g.from));
    std::vector<std::vector<uint8_t>> bulbs;
    for (const OldFrame& f : frames) {
      bulbs.push_back(f.label ? std::vector<uint8_t>()
                              : NoiseBulbs(g.from, unsigned(bulbs.size())));
      ASSERT_TRUE(w.AddFrame(f.kind, std::vector<uint8_t>(16, 0), bulbs.back())) << w.Error();
    }
    std::vector<uint8_t> bytes;
    ASSERT_TRUE(w.Serialize(&bytes));
    pf::CQ8Seq reader;
    ASSERT_EQ(reader.OpenBuffer(bytes), 0);

    for (unsigned n = 1; n <= reader.GetNFrames(); ++n) {
      const OldFrame& f = frames[n - 1];
      SCOPED_TRACE("type " + std::to_string(g.from.colorType) + " frame kind " +
                   std::to_string(f.kind));
      ASSERT_EQ(reader.LoadFrame(n), 0);
      ImportSettings s;
      RenderTarget t;
      const std::vector<uint8_t> sentinel(33, 0x5A);
      t.bulbs = sentinel;
      t.label = "left over";
      ASSERT_EQ(RenderOldSequenceFrame(s, g.to, Bitmap(), &reader, t), 1);
      EXPECT_EQ(t.bulbs, sentinel);
      if (f.label) {
        EXPECT_TRUE(t.labelShown);
        EXPECT_EQ(t.label, f.label);
        EXPECT_FALSE(t.HasPreview());
        continue;
      }
      EXPECT_FALSE(t.labelShown);
      EXPECT_EQ(t.label, "");
      // The preview is the picture of the converted bulbs.
      std::vector<uint8_t> converted(pf::BulbDataSize(g.to.rows, g.to.columns, g.to.colorType));
      ASSERT_EQ(ConvertBulbData(g.from.columns, g.from.rows,
                                {0, 0, int(g.from.columns), int(g.from.rows)}, bulbs[n - 1].data(),
                                g.from.colorType, g.to.columns, g.to.rows,
                                {0, 0, int(g.to.columns), int(g.to.rows)}, converted.data(),
                                g.to.colorType, g.quad),
                0);
      uint32_t size = 0;
      ASSERT_EQ(pf::CalcBulbDIBSize(g.to.rows, g.to.columns, g.to.colorType, &size), 0);
      std::vector<uint8_t> header(kPreviewHeaderSize), bits(size);
      ASSERT_EQ(pf::Bulb2DIB(converted.data(), uint32_t(converted.size()), g.to.rows, g.to.columns,
                             g.to.colorType, header.data(), bits.data(), size, 0),
                0);
      ASSERT_TRUE(t.HasPreview());
      EXPECT_EQ(t.previewHeader, header);
      EXPECT_EQ(t.previewBits, bits);
      EXPECT_NE(bits, std::vector<uint8_t>(size, 0));
    }
  }
}

TEST(RenderOldSequenceFrame, NoReaderOrNoFrameIsNonGraphical) {
  ImportSettings s;
  RenderTarget t;
  ASSERT_EQ(RenderOldSequenceFrame(s, {8, 8, kTrueColour}, Bitmap(), nullptr, t), 1);
  EXPECT_TRUE(t.labelShown);
  EXPECT_EQ(t.label, kLabelNonGraphical);
  pf::CQ8Seq closed;
  t = RenderTarget{};
  ASSERT_EQ(RenderOldSequenceFrame(s, {8, 8, kTrueColour}, Bitmap(), &closed, t), 1);
  EXPECT_EQ(t.label, kLabelNonGraphical);
}

TEST(RenderOldSequenceFrame, GeometryTheConverterRefusesGivesNoPreview) {
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(4, 4, pf::Q9_MONO1));
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameGraphics, {}, {}));
  std::vector<uint8_t> bytes;
  ASSERT_TRUE(w.Serialize(&bytes));
  pf::CQ8Seq reader;
  ASSERT_EQ(reader.OpenBuffer(bytes), 0);
  ASSERT_EQ(reader.LoadFrame(1), 0);
  ImportSettings s;
  RenderTarget t;
  EXPECT_EQ(RenderOldSequenceFrame(s, {0, 4, kTrueColour}, Bitmap(), &reader, t), 0);
  EXPECT_FALSE(t.HasPreview());
  EXPECT_EQ(RenderOldSequenceFrame(s, {1u << 20, 1u << 20, kTrueColour}, Bitmap(), &reader, t), 0);
}

}  // namespace
}  // namespace q9::imaging
