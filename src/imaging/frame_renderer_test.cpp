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
  // Slider, change, hue angle, colour offset; 200 is out of range, for the
  // library to refuse.
  const int sliders[][4] = {{0, -1000, -180, 64},
                            {1, -984, -177, 63},
                            {64, 0, 0, 0},
                            {128, 1000, 180, -64},
                            {200, 2125, 382, -64}};
  for (const auto& [slider, change, hue, offset] : sliders)
    EXPECT_EQ(std::tuple(SliderChange(slider), HueAngle(slider), ColourOffset(slider)),
              std::tuple(change, hue, offset))
        << slider;
  EXPECT_EQ(SliderChange(INT32_MAX), INT32_MAX);  // pinned, no overflow
  ImportSettings s;
  s.Brightness = 1, s.Contrast = 80, s.Hue = 0, s.Saturation = 128;
  EXPECT_EQ(AdjustmentValuesOf(s), (AdjustmentValues{-984, 250, -180, 1000}));

  // Bits, colours-used, where the bits start.
  const int packed[][3] = {{8, 0, 1064}, {8, 16, 104}, {1, 0, 48}, {24, 5, 60}};
  for (const auto& [bits, coloursUsed, offset] : packed) {
    pf::BitmapInfoHeader h;
    h.biBitCount = uint16_t(bits);
    h.biClrUsed = uint32_t(coloursUsed);
    EXPECT_EQ(PackedBitsOffset(h), size_t(offset)) << bits << " bits, " << coloursUsed;
  }
}

// Brightness, contrast, hue and saturation run in that order, each only when
// not neutral (all neutral: the frame is shared and the offsets are 0); the
// red, green, blue and white sliders become bulb offsets; palette pictures
// (grey scale, colour resolution) reach the bulbs with their colours. One
// target renders frame after frame in the same storage.
TEST(RenderPictureFrame, AdjustmentsAndColourSlidersReachTheBulbs) {
  const Bitmap decoded = Noise(20, 16, 9);
  const struct {
    int32_t brightness, contrast, hue, saturation, red, green, blue, white;
    std::array<int, 4> offsets;
    int32_t colorResBits = 0;  // -8: grey scale at 8 bits
  } cases[] = {{64, 64, 64, 64, 64, 64, 64, 64, {}},
               {40, 110, 20, 100, 64, 64, 64, 64, {}},
               {64, 64, 64, 64, 0, 90, 120, 128, {64, -26, -56, -64}},
               {64, 64, 64, 64, 64, 64, 64, 64, {}, -8},
               {90, 64, 64, 64, 64, 64, 64, 64, {}, 4}};
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
    EXPECT_EQ(s.AdjustChanged, 0);
    const AdjustmentValues v = AdjustmentValuesOf(s);
    Bitmap expected;
    pf::AdjustColours(decoded, expected, v.brightness, v.contrast, v.hue, v.saturation);
    EXPECT_TRUE(platform::test::SameBitmap(t.working, expected));
    EXPECT_EQ(t.working.SharesPixelsWith(decoded), v == AdjustmentValues{});
    pf::FitBitmap(expected, int(sign.columns), int(sign.rows));
    if (c.colorResBits < 0) pf::GreyScaleBitmap(expected);
    pf::ColourResolution(expected, s.ColorResBits, 0);
    const Bytes expectedBulbs = DirectBulbs(expected, sign, c.offsets);
    ASSERT_EQ(expectedBulbs == DirectBulbs(decoded, sign), &c == cases);
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
  // Partly outside; DropImage smaller, larger; wholly outside; no area.
  const int cases[][5] = {{14, 15, 10, 8, 0},
                          {2, 3, 5, 4, 1},
                          {8, 10, 14, 12, 1},
                          {50, 0, 10, 8, 0},
                          {0, 0, 10, -3, 0}};
  for (const auto& [left, top, w, h, drop] : cases) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << left << "," << top);
    ImportSettings s = CaptureAt(left, top, w, h);
    s.ConstrainRect = 0;
    s.DropImage = drop;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    if (h > 0) {
      EXPECT_EQ(s.CaptureRect, (adjust::Rect{left, top, left + w, top + h}));
    }
    const Bitmap expected = platform::test::MakePicture(10, 8, [&](int x, int y) {
      const bool inside = x < w && y < h && left + x < 20 && top + y < 20;
      return inside ? At(decoded, left + x, top + y) : Rgb{0, 0, 0};
    });
    EXPECT_EQ(t.bulbs, DirectBulbs(expected, sign));
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
  EXPECT_EQ(RenderPictureFrame(s, {1u << 20, 1u << 20, kTrueColour}, Noise(8, 8, 1), t), 0);
  EXPECT_EQ(t.bulbs, sentinel);
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
                {pf::kQ8FrameRepeat, kLabelNonGraphical}};
  const SignGeometry from{10, 20, pf::Q9_TRI256}, to{5, 7, pf::Q9_QUAD16};
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(from));
  const Bytes graphics = DirectBulbs(Noise(20, 10, 1), from);
  for (const auto& f : frames)
    ASSERT_TRUE(w.AddFrame(f.kind, Bytes(16, 0), f.label ? Bytes() : graphics)) << w.Error();
  Bytes bytes;
  ASSERT_TRUE(w.Serialize(&bytes));
  pf::CQ8Seq reader;
  ASSERT_EQ(reader.OpenBuffer(bytes), 0);
  Bytes converted(pf::BulbDataSize(to.rows, to.columns, to.colorType));
  ASSERT_EQ(
      ConvertBulbData(from.columns, from.rows, {0, 0, 20, 10}, graphics.data(), from.colorType,
                      to.columns, to.rows, {0, 0, 7, 5}, converted.data(), to.colorType, true),
      0);
  ImportSettings s;
  for (unsigned n = 1; n <= reader.GetNFrames(); ++n) {
    SCOPED_TRACE(n);
    ASSERT_EQ(reader.LoadFrame(n), 0);
    RenderTarget t;
    t.bulbs = Bytes(33, 0x5A);
    t.label = "left over";
    ASSERT_EQ(RenderOldSequenceFrame(s, to, Bitmap(), &reader, t), 1);
    const char* label = frames[n - 1].label;
    EXPECT_EQ(t.labelShown, label != nullptr);
    EXPECT_EQ(t.label, label ? label : "");
    EXPECT_EQ(t.bulbs, Bytes(33, 0x5A));
    if (label)
      EXPECT_FALSE(t.HasPreview());
    else
      ExpectPreviewOf(t, converted, to);
  }
  // No frame is non-graphical; too many bulbs give no preview.
  RenderTarget t;
  const pf::CQ8Seq closed;
  ASSERT_EQ(RenderOldSequenceFrame(s, {8, 8, kTrueColour}, Bitmap(), &closed, t), 1);
  EXPECT_EQ(t.label, kLabelNonGraphical);
  ASSERT_EQ(reader.LoadFrame(1), 0);
  EXPECT_EQ(RenderOldSequenceFrame(s, {1u << 20, 1u << 20, kTrueColour}, Bitmap(), &reader, t), 0);
}

}  // namespace
}  // namespace q9::imaging
