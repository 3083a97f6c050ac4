#include "imaging/frame_renderer.h"

#include <gtest/gtest.h>

#include <cstring>
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
using platform::SignGeometry;
using platform::test::At;
using platform::test::Noise;
using platform::test::Rgb;
namespace pf = platform;

constexpr uint32_t kTrueColour = pf::Q9_RGB16MB;  // bulbs keep the picture's exact colours
using Bytes = std::vector<uint8_t>;

// Bulbs of a picture fitted to the sign, through the library's own packed
// bitmap, its bits found by the colours-used rule.
Bytes DirectBulbs(Bitmap picture, const SignGeometry& sign, std::array<int, 4> offsets = {}) {
  EXPECT_EQ(pf::FitBitmap(picture, int(sign.columns), int(sign.rows)), pf::kImagingSuccess);
  Bytes packed;
  EXPECT_EQ(pf::BitmapToPacked(picture, packed), pf::kImagingSuccess);
  pf::BitmapInfoHeader header;
  std::memcpy(&header, packed.data(), sizeof header);
  const size_t at = PackedBitsOffset(header);
  Bytes bulbs(pf::BulbDataSize(sign.rows, sign.columns, sign.colorType));
  EXPECT_EQ(pf::ConvDIB2BulbEnh(packed.data(), packed.data() + at, uint32_t(packed.size() - at), 0,
                                0, bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns,
                                sign.colorType, offsets[0], offsets[1], offsets[2], offsets[3]),
            0);
  return bulbs;
}

// The render's preview is the picture of these bulbs.
void ExpectPreviewOf(const RenderTarget& t, const Bytes& bulbs, const SignGeometry& sign) {
  uint32_t size = 0;
  ASSERT_EQ(pf::CalcBulbDIBSize(sign.rows, sign.columns, sign.colorType, &size), 0);
  Bytes header(kPreviewHeaderSize), bits(size);
  ASSERT_EQ(pf::Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns,
                         sign.colorType, header.data(), bits.data(), size, 0),
            0);
  EXPECT_EQ(t.previewHeader, header);
  EXPECT_EQ(t.previewBits, bits);
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
  s.XPos = x, s.YPos = y, s.Width = w, s.Height = h;
  return s;
}

ImportSettings WholeFrame() {
  ImportSettings s = CaptureAt(0, 0, 100, 100);
  s.SizeMode = adjust::kSizePercent;
  return s;
}

TEST(FrameRendererRules, SlidersTruncateTowardZeroPackedBitsFollowTheColourTable) {
  const struct {
    int32_t slider;
    int change, hue, offset;
  } sliders[] = {
      {0, -1000, -180, 64}, {1, -984, -177, 63},   {63, -15, -2, 1},     {64, 0, 0, 0},
      {65, 15, 2, -1},      {128, 1000, 180, -64}, {200, 2125, 382, -64}};  // out of range: for the
                                                                            // library to refuse
  for (const auto& c : sliders)
    EXPECT_EQ(std::tuple(SliderChange(c.slider), HueAngle(c.slider), ColourOffset(c.slider)),
              std::tuple(c.change, c.hue, c.offset))
        << c.slider;
  EXPECT_EQ(SliderChange(INT32_MAX), INT32_MAX);  // pinned, no overflow
  ImportSettings s;
  s.Brightness = 1, s.Contrast = 80, s.Hue = 0, s.Saturation = 128;
  EXPECT_EQ(AdjustmentValuesOf(s), (AdjustmentValues{-984, 250, -180, 1000}));

  // Bits, colours-used, where the bits start.
  const int packed[][3] = {{8, 0, 1064}, {8, 16, 104}, {4, 0, 104}, {1, 0, 48},
                           {16, 0, 40},  {32, 0, 40},  {24, 5, 60}};
  for (const auto& [bits, coloursUsed, offset] : packed) {
    pf::BitmapInfoHeader h;
    h.biBitCount = uint16_t(bits);
    h.biClrUsed = uint32_t(coloursUsed);
    EXPECT_EQ(PackedBitsOffset(h), size_t(offset)) << bits << " bits, " << coloursUsed;
  }
}

TEST(RenderPictureFrame, NeutralSettingsShareTheFrameAndUseZeroOffsets) {
  const Bitmap decoded = Noise(40, 30, 11);
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
    EXPECT_EQ(t.bulbs, DirectBulbs(capture, c.sign));
    ExpectPreviewOf(t, t.bulbs, c.sign);
  }
}

// Brightness, contrast, hue and saturation run in that order, each only when
// not neutral; the red, green, blue and white sliders become bulb offsets;
// palette pictures (grey scale, colour resolution) reach the bulbs with their
// colours. One target renders frame after frame in the same storage.
TEST(RenderPictureFrame, AdjustmentsAndColourSlidersReachTheBulbs) {
  const Bitmap decoded = Noise(20, 16, 9);
  const struct {
    int32_t brightness, contrast, hue, saturation, red, green, blue, white;
    std::array<int, 4> offsets;
    int32_t colorResBits = 0;  // -8: grey scale at 8 bits
  } cases[] = {{90, 64, 64, 64, 64, 64, 64, 64, {}},
               {40, 110, 20, 100, 64, 64, 64, 64, {}},
               {64, 64, 64, 64, 0, 90, 120, 128, {64, -26, -56, -64}},
               {64, 64, 64, 64, 30, 64, 100, 0, {34, 0, -36, 64}},
               {64, 64, 64, 64, 64, 64, 64, 64, {}, -8},
               {64, 64, 64, 64, 64, 64, 64, 64, {}, 1},
               {64, 64, 64, 64, 64, 64, 64, 64, {}, 4},
               {90, 64, 64, 64, 64, 64, 64, 64, {}, 8},
               {64, 64, 64, 64, 64, 64, 64, 64, {}, 16}};
  const SignGeometry sign{8, 10, pf::Q9_QUAD256};  // its extra bulb shows white
  RenderTarget t;
  const uint8_t *bulbs = nullptr, *bits = nullptr;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << c.brightness << " " << c.contrast << " " << c.red << " " << c.colorResBits);
    ImportSettings s = WholeFrame();
    s.Brightness = c.brightness, s.Contrast = c.contrast, s.Hue = c.hue;
    s.Saturation = c.saturation, s.Red = c.red, s.Green = c.green, s.Blue = c.blue;
    s.White = c.white;
    s.CommandMask = c.colorResBits < 0 ? adjust::kCmdGrayScale : 0u;
    s.ColorResBits = std::max(c.colorResBits, 0);
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    Bitmap expected = decoded;
    const AdjustmentValues v = AdjustmentValuesOf(s);
    if (v.brightness) pf::ChangeBrightness(expected, v.brightness);
    if (v.contrast) pf::ChangeContrast(expected, v.contrast);
    if (v.hue) pf::ChangeHue(expected, v.hue);
    if (v.saturation) pf::ChangeSaturation(expected, v.saturation);
    EXPECT_TRUE(platform::test::SameBitmap(t.working, expected));
    EXPECT_EQ(t.working.SharesPixelsWith(decoded), v == AdjustmentValues{});
    Bitmap onSign = expected;
    pf::FitBitmap(onSign, int(sign.columns), int(sign.rows));
    if (c.colorResBits < 0) pf::GreyScaleBitmap(onSign);
    pf::ColourResolution(onSign, s.ColorResBits, 0);
    const Bytes expectedBulbs = DirectBulbs(onSign, sign, c.offsets);
    ASSERT_NE(expectedBulbs, DirectBulbs(decoded, sign));
    EXPECT_EQ(t.bulbs, expectedBulbs);
    ExpectPreviewOf(t, expectedBulbs, sign);
    if (!bulbs) bulbs = t.bulbs.data(), bits = t.previewBits.data();
    EXPECT_TRUE(t.bulbs.data() == bulbs && t.previewBits.data() == bits);
  }
  // Without AdjustChanged the working picture stays; with it, it follows.
  ImportSettings s = WholeFrame();
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  s.Brightness = 120;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_TRUE(t.working.SharesPixelsWith(decoded));
  s.AdjustChanged = 1;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_FALSE(t.working.SharesPixelsWith(decoded));
}

// The part of the capture outside the frame is black; DropImage places the
// capture unscaled at the top left, smaller or larger than the sign; a
// capture of no area gives a black sign.
TEST(RenderPictureFrame, CaptureOutsideTheFrameIsBlackDropImageIsUnscaled) {
  const Bitmap decoded = Noise(20, 20, 4);
  const SignGeometry sign{8, 10, kTrueColour};
  const struct {
    int x, y, w, h, drop;
  } cases[] = {{14, 15, 10, 8, 0}, {2, 3, 5, 4, 1},   {1, 1, 14, 12, 1}, {0, 5, 15, 3, 1},
               {16, 2, 5, 4, 1},   {50, 0, 10, 8, 0}, {50, 0, 8, 6, 1},  {0, 0, 10, -3, 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.w << "x" << c.h << " at " << c.x << "," << c.y);
    ImportSettings s = CaptureAt(c.x, c.y, c.w, c.h);
    s.ConstrainRect = 0;
    s.DropImage = c.drop;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    if (c.h > 0) {
      EXPECT_EQ(s.CaptureRect, (adjust::Rect{c.x, c.y, c.x + c.w, c.y + c.h}));
    }
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 10; ++x) {
        const bool inside = x < c.w && y < c.h && c.x + x < 20 && c.y + y < 20;
        ASSERT_EQ(PreviewAt(t, sign, x, y), inside ? At(decoded, c.x + x, c.y + y) : Rgb(0, 0, 0))
            << x << "," << y;
      }
  }
  // The commands still run on the black picture.
  ImportSettings s = CaptureAt(50, 0, 8, 6);
  s.CommandMask = adjust::kCmdInvert;
  RenderTarget t;
  ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
  EXPECT_EQ(PreviewAt(t, sign, 3, 3), Rgb(255, 255, 255));
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
  EXPECT_EQ(RenderPictureFrame(s, {1u << 20, 1u << 20, kTrueColour}, Noise(8, 8, 1), t), 0);
  EXPECT_EQ(t.bulbs, sentinel);
  // A colour type the bulb converter refuses: the new (zero) bulbs stay.
  s.AdjustChanged = 1;
  EXPECT_EQ(RenderPictureFrame(s, {8, 8, 16}, Noise(8, 8, 1), t), 0);
  EXPECT_FALSE(t.HasPreview());
  ASSERT_EQ(pf::BulbDataSize(8, 8, 16), 16u);
  EXPECT_EQ(t.bulbs, Bytes(16, 0));
}

// Graphics frames preview their bulbs converted to the sign (whole quads when
// either side is a quad sign); other frames show their label. The bulb
// buffer is never touched.
TEST(RenderOldSequenceFrame, PreviewOrLabelBulbBufferUntouched) {
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
                    {{10, 20, pf::Q9_TRI256}, {5, 7, pf::Q9_QUAD16}, true}};
  Bytes bytes;
  pf::CQ8Seq reader;
  for (const auto& g : geometries) {
    pf::CQ8SeqWriter w;
    ASSERT_TRUE(w.Create(g.from));
    std::vector<Bytes> bulbs;
    for (const auto& f : frames) {
      const Bitmap picture = Noise(int(g.from.columns), int(g.from.rows), unsigned(bulbs.size()));
      bulbs.push_back(f.label ? Bytes() : DirectBulbs(picture, g.from));
      ASSERT_TRUE(w.AddFrame(f.kind, Bytes(16, 0), bulbs.back())) << w.Error();
    }
    ASSERT_TRUE(w.Serialize(&bytes));
    ASSERT_EQ(reader.OpenBuffer(bytes), 0);
    for (unsigned n = 1; n <= reader.GetNFrames(); ++n) {
      SCOPED_TRACE("type " + std::to_string(g.from.colorType) + ", frame " + std::to_string(n));
      ASSERT_EQ(reader.LoadFrame(n), 0);
      ImportSettings s;
      RenderTarget t;
      t.bulbs = Bytes(33, 0x5A);
      t.label = "left over";
      ASSERT_EQ(RenderOldSequenceFrame(s, g.to, Bitmap(), &reader, t), 1);
      const char* label = frames[n - 1].label;
      EXPECT_EQ(t.labelShown, label != nullptr);
      EXPECT_EQ(t.label, label ? label : "");
      if (label) {
        EXPECT_FALSE(t.HasPreview());
        continue;
      }
      Bytes converted(pf::BulbDataSize(g.to.rows, g.to.columns, g.to.colorType));
      ASSERT_EQ(ConvertBulbData(g.from.columns, g.from.rows,
                                {0, 0, int(g.from.columns), int(g.from.rows)}, bulbs[n - 1].data(),
                                g.from.colorType, g.to.columns, g.to.rows,
                                {0, 0, int(g.to.columns), int(g.to.rows)}, converted.data(),
                                g.to.colorType, g.quad),
                0);
      ASSERT_NE(converted, Bytes(converted.size(), 0));
      ExpectPreviewOf(t, converted, g.to);
      EXPECT_EQ(t.bulbs, Bytes(33, 0x5A));
    }
  }
  // No frame is non-graphical; a geometry the converter refuses or too many
  // bulbs give no preview.
  ImportSettings s;
  RenderTarget t;
  const pf::CQ8Seq closed;
  for (const pf::CQ8Seq* none : {static_cast<const pf::CQ8Seq*>(nullptr), &closed}) {
    ASSERT_EQ(RenderOldSequenceFrame(s, {8, 8, kTrueColour}, Bitmap(), none, t), 1);
    EXPECT_EQ(t.label, kLabelNonGraphical);
  }
  ASSERT_EQ(reader.LoadFrame(1), 0);
  EXPECT_EQ(RenderOldSequenceFrame(s, {0, 4, kTrueColour}, Bitmap(), &reader, t), 0);
  EXPECT_FALSE(t.HasPreview());
  EXPECT_EQ(RenderOldSequenceFrame(s, {1u << 20, 1u << 20, kTrueColour}, Bitmap(), &reader, t), 0);
}

}  // namespace
}  // namespace q9::imaging
