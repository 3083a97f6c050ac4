#include "imaging/frame_renderer.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "imaging/convert_bulb_data.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/test_pictures.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/cq8_seq_writer.h"

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
  pf::FitBitmap(picture, int(sign.columns), int(sign.rows));
  Bytes packed;
  pf::BitmapToPacked(picture, packed);
  pf::BitmapInfoHeader header;
  std::memcpy(&header, packed.data(), sizeof header);
  const size_t at = PackedBitsOffset(header);
  Bytes bulbs(pf::BulbDataSize(sign.rows, sign.columns, sign.colorType));
  pf::ConvDIB2BulbEnh(packed.data(), packed.data() + at, uint32_t(packed.size() - at), 0, 0,
                      bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns, sign.colorType,
                      offsets[0], offsets[1], offsets[2], offsets[3]);
  return bulbs;
}

// The render's preview is the picture of these bulbs.
void ExpectPreviewOf(const RenderTarget& t, const Bytes& bulbs, const SignGeometry& sign) {
  uint32_t size = 0;
  pf::CalcBulbDIBSize(sign.rows, sign.columns, sign.colorType, &size);
  Bytes header(kPreviewHeaderSize), bits(size);
  pf::Bulb2DIB(bulbs.data(), uint32_t(bulbs.size()), sign.rows, sign.columns, sign.colorType,
               header.data(), bits.data(), size, 0);
  EXPECT_EQ(t.previewHeader, header);
  EXPECT_EQ(t.previewBits, bits);
}

ImportSettings CaptureAt(int x, int y, int w, int h) {
  ImportSettings s;
  s.AdjustChanged = 1;
  s.XPos = x, s.YPos = y, s.Width = w, s.Height = h;
  return s;
}

// Sliders truncate toward zero, pinned to int; colour offsets are 64 - v
// within -64..64. A packed bitmap's bits follow a colour table of
// colours-used entries, a full table when that is 0 below 16 bits.
TEST(FrameRendererRules, SlidersColourOffsetsAndWhereTheBitsStart) {
  // Slider, change, hue angle, colour offset; 200: out of the library's range.
  const int sliders[][4] = {
      {-8, -1125, -202, 64}, {1, -984, -177, 63}, {64, 0, 0, 0}, {200, 2125, 382, -64}};
  for (const auto& [slider, change, hue, offset] : sliders)
    EXPECT_EQ(std::tuple(SliderChange(slider), HueAngle(slider), ColourOffset(slider)),
              std::tuple(change, hue, offset))
        << slider;
  EXPECT_EQ(SliderChange(INT32_MAX), INT32_MAX);
  const int packed[][3] = {{8, 0, 1064}, {8, 16, 104}, {16, 0, 40}, {24, 5, 60}};  // bits, used
  for (const auto& [bits, coloursUsed, offset] : packed) {
    pf::BitmapInfoHeader h;
    h.biBitCount = uint16_t(bits);
    h.biClrUsed = uint32_t(coloursUsed);
    EXPECT_EQ(PackedBitsOffset(h), size_t(offset)) << bits << " bits, " << coloursUsed;
  }
}

// The four adjustments, only when not neutral (all neutral: the frame is
// shared, offsets 0); the colour sliders as bulb offsets; a palette picture
// (colour resolution) reaches the bulbs with its colours.
TEST(RenderPictureFrame, AdjustmentsAndColourSlidersReachTheBulbs) {
  const Bitmap decoded = Noise(20, 16, 9);
  const struct {
    int32_t brightness, contrast, hue, saturation, red, green, blue, white;
    AdjustmentValues v;
    std::array<int, 4> offsets;
    int32_t colorResBits = 0;
  } cases[] = {{64, 64, 64, 64, 64, 64, 64, 64, {}, {}},
               {40, 110, 20, 100, 0, 90, 120, 30, {-375, 718, -123, 562}, {64, -26, -56, 34}},
               {64, 64, 64, 64, 64, 64, 64, 64, {}, {}, 4}};
  const SignGeometry sign{8, 10, pf::Q9_QUAD256};  // its extra bulb shows white
  RenderTarget t;
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.brightness << " " << c.red << " " << c.colorResBits);
    ImportSettings s = CaptureAt(0, 0, 20, 16);
    s.Brightness = c.brightness, s.Contrast = c.contrast, s.Hue = c.hue;
    s.Saturation = c.saturation, s.Red = c.red, s.Green = c.green, s.Blue = c.blue;
    s.White = c.white, s.ColorResBits = c.colorResBits;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    Bitmap expected;
    pf::AdjustColours(decoded, expected, c.v.brightness, c.v.contrast, c.v.hue, c.v.saturation);
    EXPECT_TRUE(platform::test::SameBitmap(t.working, expected));
    EXPECT_EQ(t.working.SharesPixelsWith(decoded), c.v == AdjustmentValues{});
    pf::FitBitmap(expected, int(sign.columns), int(sign.rows));
    pf::ColourResolution(expected, s.ColorResBits, 0);
    const Bytes expectedBulbs = DirectBulbs(expected, sign, c.offsets);
    ASSERT_EQ(expectedBulbs == DirectBulbs(decoded, sign), &c == cases);
    EXPECT_EQ(t.bulbs, expectedBulbs);
    ExpectPreviewOf(t, expectedBulbs, sign);
  }
}

// Capture outside the frame is black; DropImage places the capture unscaled
// at the top left; a capture of no area gives a black sign.
TEST(RenderPictureFrame, CaptureOutsideTheFrameIsBlackDropImageIsUnscaled) {
  const Bitmap decoded = Noise(20, 20, 4);
  const SignGeometry sign{8, 10, kTrueColour};
  // Partly outside; DropImage smaller, larger; no area.
  const int cases[][5] = {
      {14, 15, 10, 8, 0}, {2, 3, 5, 4, 1}, {8, 10, 14, 12, 1}, {0, 0, 10, -3, 0}};
  for (const auto& [left, top, w, h, drop] : cases) {
    SCOPED_TRACE(testing::Message() << w << "x" << h << " at " << left << "," << top);
    ImportSettings s = CaptureAt(left, top, w, h);
    s.ConstrainRect = 0;
    s.DropImage = drop;
    RenderTarget t;
    ASSERT_EQ(RenderPictureFrame(s, sign, decoded, t), 1);
    const Bitmap expected = platform::test::MakePicture(10, 8, [&, w = w, h = h, left = left,
                                                                 top = top](int x, int y) {
      const bool inside = x < w && y < h && left + x < 20 && top + y < 20;
      return inside ? At(decoded, left + x, top + y) : Rgb{0, 0, 0};
    });
    EXPECT_EQ(t.bulbs, DirectBulbs(expected, sign));
  }
}

TEST(RenderPictureFrame, FailuresKeepWhatTheRulesSay) {
  const Bytes sentinel(40, 0xA5);
  ImportSettings s = CaptureAt(0, 0, 8, 8);
  RenderTarget t;
  // No picture: the previous bulbs stay, no preview.
  t.bulbs = sentinel;
  t.previewHeader.assign(kPreviewHeaderSize, 1);
  t.previewBits.assign(10, 1);
  EXPECT_EQ(RenderPictureFrame(s, {8, 8, kTrueColour}, Bitmap(), t), 0);
  EXPECT_EQ(t.bulbs, sentinel);
  EXPECT_TRUE(t.previewHeader.empty() && t.previewBits.empty());
  // More bulbs than any sign: nothing is allocated.
  const SignGeometry huge{1u << 20, 1u << 20, kTrueColour};
  EXPECT_EQ(RenderPictureFrame(s, huge, Noise(8, 8, 1), t), 0);
  EXPECT_EQ(RenderOldSequenceFrame(s, huge, Bitmap(), nullptr, t), 0);
  EXPECT_EQ(t.bulbs, sentinel);
}

// Graphics frames preview their bulbs converted to the sign (whole quads when
// either side is a quad sign), other frames show their label; the bulb buffer
// is never touched.
TEST(RenderOldSequenceFrame, PreviewOrLabelBulbBufferUntouched) {
  const std::pair<unsigned, const char*> frames[] = {
      // label null: graphical
      {pf::kQ8FrameGraphics, nullptr},
      {pf::kQ8FrameInclude, kLabelInclude},
      {pf::kQ8FrameTransmitData, kLabelTransmitData}};
  const SignGeometry from{10, 20, pf::Q9_TRI256}, to{5, 7, pf::Q9_QUAD16};
  pf::CQ8SeqWriter w;
  ASSERT_TRUE(w.Create(from));
  const Bytes graphics = DirectBulbs(Noise(20, 10, 1), from);
  for (const auto& [kind, label] : frames)
    ASSERT_TRUE(w.AddFrame(kind, Bytes(16, 0), label ? Bytes() : graphics)) << w.Error();
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
    ASSERT_EQ(RenderOldSequenceFrame(s, to, Bitmap(), &reader, t), 1);
    const char* label = frames[n - 1].second;
    EXPECT_EQ(std::pair(t.labelShown, t.label),
              std::pair(label != nullptr, std::string(label ? label : "")));
    EXPECT_EQ(t.bulbs, Bytes(33, 0x5A));
    if (label)
      EXPECT_FALSE(t.HasPreview());
    else
      ExpectPreviewOf(t, converted, to);
  }
  RenderTarget t;  // no frame: non-graphical
  ASSERT_EQ(RenderOldSequenceFrame(s, {8, 8, kTrueColour}, Bitmap(), nullptr, t), 1);
  EXPECT_EQ(t.label, kLabelNonGraphical);
}

}  // namespace
}  // namespace q9::imaging
