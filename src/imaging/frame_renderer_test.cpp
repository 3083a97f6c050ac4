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

constexpr uint32_t kTrueColour = pf::Q9_RGB16MB;  // bulbs keep the picture's exact colours
using Bytes = std::vector<uint8_t>;

Bitmap Noise(int w, int h, unsigned seed = 11) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> v(0, 255);
  return MakePicture(w, h, [&](int, int) { return Rgb{v(random), v(random), v(random)}; });
}

Bitmap White(int w, int h) {
  return platform::test::Uniform(w, h, {255, 255, 255});
}

bool SameBitmap(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && a.ImageSize() == b.ImageSize() &&
         (a.ImageSize() == 0 || std::memcmp(a.Bits(), b.Bits(), a.ImageSize()) == 0);
}

// Bulbs of a picture through the library's own packed bitmap, its bits found
// by the colours-used rule.
Bytes DirectBulbs(const Bitmap& picture, const SignGeometry& sign, int r = 0, int g = 0, int b = 0,
                  int w = 0) {
  Bytes packed;
  EXPECT_EQ(pf::BitmapToPacked(picture, packed), pf::kImagingSuccess);
  BitmapInfoHeader header;
  std::memcpy(&header, packed.data(), sizeof header);
  const size_t at = PackedBitsOffset(header);
  Bytes bulbs(pf::BulbDataSize(sign.rows, sign.columns, sign.colorType));
  EXPECT_EQ(pf::ConvDIB2BulbEnh(packed.data(), packed.data() + at, uint32_t(packed.size() - at), 0,
                                0, bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns,
                                sign.colorType, r, g, b, w),
            0);
  return bulbs;
}

Bitmap Fitted(Bitmap b, const SignGeometry& sign) {
  EXPECT_EQ(pf::FitBitmap(b, int(sign.columns), int(sign.rows)), pf::kImagingSuccess);
  return b;
}

// The preview picture of bulb data: header block and bits.
std::pair<Bytes, Bytes> PreviewOf(const Bytes& bulbs, const SignGeometry& sign) {
  uint32_t size = 0;
  EXPECT_EQ(pf::CalcBulbDIBSize(sign.rows, sign.columns, sign.colorType, &size), 0);
  Bytes header(kPreviewHeaderSize), bits(size);
  EXPECT_EQ(pf::Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns,
                         sign.colorType, header.data(), bits.data(), size, 0),
            0);
  return {header, bits};
}

// Preview pixel (x, y), y from the top.
Rgb PreviewAt(const RenderTarget& t, const SignGeometry& sign, int x, int y) {
  const size_t stride = pf::DibStride(sign.columns, 24);
  const uint8_t* p = t.previewBits.data() + (sign.rows - 1 - unsigned(y)) * stride + 3 * size_t(x);
  return Rgb{p[2], p[1], p[0]};
}

ImportSettings CaptureAt(int x, int y, int w, int h) {
  ImportSettings s;
  s.AdjustChanged = 1;
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

TEST(FrameRendererRules, SliderValuesTruncateTowardZero) {
  const struct {
    int32_t slider;
    int change, hue, offset;
  } cases[] = {
      {0, -1000, -180, 64}, {1, -984, -177, 63},   {63, -15, -2, 1},      {64, 0, 0, 0},
      {65, 15, 2, -1},      {128, 1000, 180, -64}, {200, 2125, 382, -64},  // out of range: passed
                                                                           // on for the library to
                                                                           // refuse
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SliderChange(c.slider), c.change) << c.slider;
    EXPECT_EQ(HueAngle(c.slider), c.hue) << c.slider;
    EXPECT_EQ(ColourOffset(c.slider), c.offset) << c.slider;
  }
  EXPECT_EQ(SliderChange(INT32_MAX), INT32_MAX);  // pinned, no overflow
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
  } cases[] = {{8, 0, 1064}, {8, 16, 104}, {4, 0, 104}, {1, 0, 48},
               {16, 0, 40},  {24, 0, 40},  {32, 0, 40}, {24, 5, 60}};
  for (const auto& c : cases) {
    BitmapInfoHeader h;
    h.biBitCount = c.bits;
    h.biClrUsed = c.coloursUsed;
    EXPECT_EQ(PackedBitsOffset(h), c.offset) << c.bits << " bits, " << c.coloursUsed;
  }
}

TEST(RenderPictureFrame, NeutralSettingsShareTheFrameAndUseZeroOffsets) {
  const Bitmap decoded = Noise(40, 30);
  const struct {
    const char* name;
    ImportSettings s;
    SignGeometry sign;
  } cases[] = {
      {"sign-sized capture", CaptureAt(12, 9, 16, 12), {12, 16, kTrueColour}},
      {"whole frame", WholeFrame(), {12, 16, kTrueColour}},
      {"whole frame on a quad sign", WholeFrame(), {12, 16, pf::Q9_QUAD256}},
      {"capture of the sign's size", WholeFrame(), {30, 40, pf::Q9_MONO16}},
  };
  for (auto c : cases) {
    SCOPED_TRACE(c.name);
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(c.s, c.sign, decoded, t), 1);
    EXPECT_TRUE(t.working.SharesPixelsWith(decoded));
    EXPECT_EQ(c.s.AdjustChanged, 0);
    EXPECT_FALSE(t.processing.HasData());
    EXPECT_FALSE(t.labelShown);
    const adjust::Rect r = c.s.CaptureRect;
    Bitmap capture;
    pf::CopyBitmapRect(capture, decoded, r.left, r.top, r.Width(), r.Height());
    EXPECT_EQ(t.bulbs, DirectBulbs(Fitted(capture, c.sign), c.sign));
    const auto [header, bits] = PreviewOf(t.bulbs, c.sign);
    EXPECT_EQ(t.previewHeader, header);
    EXPECT_EQ(t.previewBits, bits);
  }
}

TEST(RenderPictureFrame, ColourSlidersBecomeBulbOffsets) {
  const Bitmap decoded = Noise(16, 12, 5);
  const struct {
    int32_t red, green, blue, white;
    int r, g, b, w;
  } cases[] = {{0, 64, 64, 64, 64, 0, 0, 0},  {128, 64, 64, 64, -64, 0, 0, 0},
               {64, 10, 64, 64, 0, 54, 0, 0}, {64, 64, 100, 64, 0, 0, -36, 0},
               {64, 64, 64, 0, 0, 0, 0, 64},  {30, 90, 120, 128, 34, -26, -56, -64}};
  const SignGeometry sign{12, 16, pf::Q9_QUAD256};  // its extra bulb shows white
  for (const auto& c : cases) {
    ImportSettings s = WholeFrame();
    s.Red = c.red;
    s.Green = c.green;
    s.Blue = c.blue;
    s.White = c.white;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    const Bytes expected = DirectBulbs(decoded, sign, c.r, c.g, c.b, c.w);
    ASSERT_NE(expected, DirectBulbs(decoded, sign));
    EXPECT_EQ(t.bulbs, expected) << c.red << " " << c.green << " " << c.blue << " " << c.white;
  }
}

TEST(RenderPictureFrame, AdjustmentsRunInOrderOnlyWhenAskedFor) {
  const Bitmap decoded = Noise(20, 16, 9);
  const struct {
    int32_t brightness, contrast, hue, saturation;
  } cases[] = {{64, 64, 64, 64},  {90, 64, 64, 64}, {64, 30, 64, 64},
               {64, 64, 100, 64}, {64, 64, 64, 10}, {40, 110, 20, 100}};
  const SignGeometry sign{8, 10, kTrueColour};
  for (const auto& c : cases) {
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
    EXPECT_TRUE(SameBitmap(t.working, expected)) << c.brightness << " " << c.contrast;
    EXPECT_EQ(t.working.SharesPixelsWith(decoded), v == AdjustmentValues{});
    EXPECT_EQ(t.bulbs, DirectBulbs(Fitted(expected, sign), sign));
  }
  // Without AdjustChanged the working picture stays; with it, it follows.
  ImportSettings s = WholeFrame();
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  s.Brightness = 120;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_TRUE(t.working.SharesPixelsWith(decoded));
  s.AdjustChanged = 1;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_FALSE(t.working.SharesPixelsWith(decoded));
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
      EXPECT_EQ(PreviewAt(t, sign, x, y).g, x < 4 && y < 4 ? 255 : 0) << x << "," << y;
}

TEST(RenderPictureFrame, DropImagePlacesTheCaptureUnscaledAtTheTopLeft) {
  const Bitmap decoded = Noise(20, 20, 4);
  const SignGeometry sign{8, 10, kTrueColour};
  const struct {
    int x, y, w, h;
  } cases[] = {{2, 3, 5, 4}, {1, 1, 14, 12}, {0, 5, 15, 3}};  // smaller, larger, wider
  for (const auto& c : cases) {
    ImportSettings s = CaptureAt(c.x, c.y, c.w, c.h);
    s.DropImage = 1;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x)
        EXPECT_EQ(PreviewAt(t, sign, x, y),
                  x < c.w && y < c.h ? At(decoded, c.x + x, c.y + y) : Rgb(0, 0, 0))
            << c.w << "x" << c.h << " at " << x << "," << y;
  }
}

TEST(RenderPictureFrame, CaptureOfNoAreaRendersABlackSign) {
  const SignGeometry sign{6, 8, kTrueColour};
  for (ImportSettings s : {CaptureAt(50, 0, 8, 6), CaptureAt(0, 0, 8, -3)}) {
    for (int drop : {0, 1}) {
      s.DropImage = drop;
      s.AdjustChanged = 1;  // a fresh target: take the frame
      RenderTarget t;
      ASSERT_EQ(RenderPictureFrame(s, sign, White(20, 20), t), 1);
      EXPECT_EQ(t.bulbs, Bytes(t.bulbs.size(), 0));
      EXPECT_TRUE(t.HasPreview());
    }
  }
  // The commands still run on the black picture.
  ImportSettings s = CaptureAt(50, 0, 8, 6);
  s.CommandMask = adjust::kCmdInvert;
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, White(20, 20), t), 1);
  EXPECT_EQ(PreviewAt(t, sign, 3, 3), Rgb(255, 255, 255));
}

TEST(RenderPictureFrame, PalettePicturesReachTheBulbsWithTheirColours) {
  const Bitmap decoded = Noise(30, 20, 6);
  const SignGeometry sign{10, 15, kTrueColour};
  for (int32_t bits : {-8, 1, 4, 8, 16}) {  // -8: grey scale at 8 bits
    ImportSettings s = WholeFrame();
    s.CommandMask = bits < 0 ? adjust::kCmdGrayScale : 0u;
    s.ColorResBits = bits < 0 ? 0 : bits;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    Bitmap expected = Fitted(decoded, sign);
    if (bits < 0) pf::GreyScaleBitmap(expected);
    pf::ColourResolution(expected, s.ColorResBits, 0);
    EXPECT_EQ(t.bulbs, DirectBulbs(expected, sign)) << bits;
  }
}

TEST(RenderPictureFrame, FailuresKeepWhatTheRulesSay) {
  const Bytes sentinel(40, 0xA5);
  ImportSettings s = WholeFrame();
  RenderTarget t;
  // No picture: the previous bulbs stay, no preview.
  t.bulbs = sentinel;
  t.previewHeader.assign(kPreviewHeaderSize, 1);
  t.previewBits.assign(10, 1);
  EXPECT_EQ(RenderPictureFrame(s, {8, 8, kTrueColour}, Bitmap(), t), 0);
  EXPECT_EQ(t.bulbs, sentinel);
  EXPECT_TRUE(t.previewHeader.empty() && t.previewBits.empty());
  // More bulbs than any sign: nothing is allocated.
  EXPECT_EQ(RenderPictureFrame(s, {1u << 20, 1u << 20, kTrueColour}, Noise(8, 8), t), 0);
  EXPECT_EQ(t.bulbs, sentinel);
  // A colour type the bulb converter refuses: the new (zero) bulbs stay.
  s.AdjustChanged = 1;
  EXPECT_EQ(RenderPictureFrame(s, {8, 8, 16}, Noise(8, 8), t), 0);
  EXPECT_FALSE(t.HasPreview());
  ASSERT_EQ(pf::BulbDataSize(8, 8, 16), 16u);
  EXPECT_EQ(t.bulbs, Bytes(16, 0));
}

TEST(RenderPictureFrame, BuffersKeepTheirStorageFromFrameToFrame) {
  const SignGeometry sign{16, 24, kTrueColour};
  ImportSettings s = WholeFrame();
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, Noise(32, 32, 1), t), 1);
  const uint8_t* bulbs = t.bulbs.data();
  const uint8_t* bits = t.previewBits.data();
  const Bytes first = t.bulbs;
  s.AdjustChanged = 1;  // a new frame
  ASSERT_EQ(RenderPictureFrame(s, sign, Noise(32, 32, 2), t), 1);
  EXPECT_EQ(t.bulbs.data(), bulbs);
  EXPECT_EQ(t.previewBits.data(), bits);
  EXPECT_NE(t.bulbs, first);
}

TEST(RenderOldSequenceFrame, PreviewOrLabelAndTheBulbBufferUntouched) {
  const struct {
    unsigned kind;
    const char* label;  // null: graphical
  } frames[] = {{pf::kQ8FrameGraphics, nullptr},
                {pf::kQ8FrameInclude, kLabelInclude},
                {pf::kQ8FrameTransmitData, kLabelTransmitData},
                {pf::kQ8FrameRepeat, kLabelNonGraphical},
                {pf::kQ8FrameData, nullptr},
                {200, kLabelNonGraphical}};
  const struct {
    SignGeometry from, to;
    bool quad;
  } geometries[] = {{{8, 16, pf::Q9_MONO16}, {16, 32, kTrueColour}, false},
                    {{8, 16, pf::Q9_QUAD256}, {12, 20, kTrueColour}, true},
                    {{10, 20, pf::Q9_RGB4K}, {10, 20, pf::Q9_QUAD16}, true},
                    {{10, 20, pf::Q9_TRI256}, {5, 7, pf::Q9_MONO4}, false}};
  for (const auto& g : geometries) {
    pf::CQ8SeqWriter w;
    ASSERT_TRUE(w.Create(g.from));
    std::vector<Bytes> bulbs;
    for (const auto& f : frames) {
      const Bitmap picture = Noise(int(g.from.columns), int(g.from.rows), unsigned(bulbs.size()));
      bulbs.push_back(f.label ? Bytes() : DirectBulbs(picture, g.from));
      ASSERT_TRUE(w.AddFrame(f.kind, Bytes(16, 0), bulbs.back())) << w.Error();
    }
    Bytes bytes;
    ASSERT_TRUE(w.Serialize(&bytes));
    pf::CQ8Seq reader;
    ASSERT_EQ(reader.OpenBuffer(bytes), 0);
    for (unsigned n = 1; n <= reader.GetNFrames(); ++n) {
      SCOPED_TRACE("type " + std::to_string(g.from.colorType) + ", frame " + std::to_string(n));
      ASSERT_EQ(reader.LoadFrame(n), 0);
      ImportSettings s;
      RenderTarget t;
      const Bytes sentinel(33, 0x5A);
      t.bulbs = sentinel;
      t.label = "left over";
      ASSERT_EQ(RenderOldSequenceFrame(s, g.to, Bitmap(), &reader, t), 1);
      EXPECT_EQ(t.bulbs, sentinel);
      const char* label = frames[n - 1].label;
      EXPECT_EQ(t.labelShown, label != nullptr);
      EXPECT_EQ(t.label, label ? label : "");
      if (label) {
        EXPECT_FALSE(t.HasPreview());
        continue;
      }
      // The preview is the picture of the converted bulbs.
      Bytes converted(pf::BulbDataSize(g.to.rows, g.to.columns, g.to.colorType));
      ASSERT_EQ(ConvertBulbData(g.from.columns, g.from.rows,
                                {0, 0, int(g.from.columns), int(g.from.rows)}, bulbs[n - 1].data(),
                                g.from.colorType, g.to.columns, g.to.rows,
                                {0, 0, int(g.to.columns), int(g.to.rows)}, converted.data(),
                                g.to.colorType, g.quad),
                0);
      const auto [header, bits] = PreviewOf(converted, g.to);
      EXPECT_EQ(t.previewHeader, header);
      EXPECT_EQ(t.previewBits, bits);
      EXPECT_NE(bits, Bytes(bits.size(), 0));
    }
  }
}

TEST(RenderOldSequenceFrame, NoFrameIsNonGraphicalAndABadGeometryGivesNoPreview) {
  ImportSettings s;
  RenderTarget t;
  const pf::CQ8Seq closed;
  for (const pf::CQ8Seq* reader : {static_cast<const pf::CQ8Seq*>(nullptr), &closed}) {
    ASSERT_EQ(RenderOldSequenceFrame(s, {8, 8, kTrueColour}, Bitmap(), reader, t), 1);
    EXPECT_EQ(t.label, kLabelNonGraphical);
  }
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(4, 4, pf::Q9_MONO1));
  ASSERT_TRUE(w.AddFrame(pf::kQ8FrameGraphics, {}, {}));
  Bytes bytes;
  ASSERT_TRUE(w.Serialize(&bytes));
  pf::CQ8Seq reader;
  ASSERT_EQ(reader.OpenBuffer(bytes), 0);
  ASSERT_EQ(reader.LoadFrame(1), 0);
  EXPECT_EQ(RenderOldSequenceFrame(s, {0, 4, kTrueColour}, Bitmap(), &reader, t), 0);
  EXPECT_FALSE(t.HasPreview());
  EXPECT_EQ(RenderOldSequenceFrame(s, {1u << 20, 1u << 20, kTrueColour}, Bitmap(), &reader, t), 0);
}

}  // namespace
}  // namespace q9::imaging
