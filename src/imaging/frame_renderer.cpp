#include "imaging/frame_renderer.h"

#include <algorithm>
#include <array>
#include <limits>
#include <memory>
#include <new>

#include "imaging/convert_bulb_data.h"
#include "imaging/image_commands.h"
#include "platform/imaging/imaging_library.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/bulb_layout.h"
#include "platform/signlib/byte_io.h"

namespace q9::imaging {

using adjust::ImportSettings;
using platform::Bitmap;
using platform::BitmapInfoHeader;
using platform::SignGeometry;
namespace pf = platform;

namespace {

// Sliders come from the registry and the command line as any 32-bit value;
// the arithmetic is 64-bit and the result pinned to int, so a wild value
// makes the library refuse the call instead of overflowing here.
int PinToInt(int64_t v) {
  return int(
      std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// A vector of size zero bytes that keeps its storage from the last frame;
// false, and empty, when memory runs out.
bool AssignZeroed(std::vector<uint8_t>& buffer, size_t size) {
  try {
    buffer.assign(size, 0);
    return true;
  } catch (const std::bad_alloc&) {
    buffer.clear();
    buffer.shrink_to_fit();
    return false;
  }
}

// No sign has more bulbs than the bulb converter takes; a larger geometry is
// refused before its buffers are sized. Zero rows or columns and unknown
// colour types pass here and are refused by the bulb converter.
bool SignSizeAllowed(const SignGeometry& sign) {
  return uint64_t(sign.rows) * sign.columns <= pf::kMaxBulbCount &&
         sign.rows <= pf::kMaxBulbCount && sign.columns <= pf::kMaxBulbCount;
}

// Steps every render takes, whatever the source.
void BeginRender(ImportSettings& s, const Bitmap& decoded, RenderTarget& target) {
  if (s.AdjustChanged) {
    // An adjusted frame goes into the storage of the last adjusted one.
    Bitmap& working = target.working;
    if (!working.HasData() || working.SharesPixelsWith(decoded)) {
      working = std::move(target.spare);
      target.spare.Initialise(0, 0, 24);
    }
    ReapplyAdjustments(s, decoded, working);
  }
  s.ComputeCaptureRect(target.working.Width(), target.working.Height());
  target.labelShown = false;
  target.label.clear();
  target.previewHeader.clear();
  target.previewBits.clear();
}

// The preview picture of bulb data; an allocation failure leaves no picture
// and is not an error.
void MakePreview(const uint8_t* bulbs, uint32_t bulbSize, const SignGeometry& sign,
                 uint32_t bitsSize, RenderTarget& target) {
  if (!AssignZeroed(target.previewHeader, kPreviewHeaderSize) ||
      !AssignZeroed(target.previewBits, bitsSize)) {
    target.previewHeader.clear();
    target.previewBits.clear();
    return;
  }
  pf::Bulb2DIB(bulbs, bulbSize, sign.rows, sign.columns, sign.colorType,
               target.previewHeader.data(), target.previewBits.data(), bitsSize,
               pf::kBulbDibOption24Bit);
}

// The captured picture onto the sign: stretched to columns x rows, or with
// DropImage placed unscaled at the top-left corner, cut at the sign's edges
// and black around it. A picture that already has the sign's size is left
// as it is: the fit of a 24-bit picture to its own size copies it unchanged.
// The fit writes into fitted, whose storage serves frame after frame; the
// picture then shares it.
void PlaceOnSign(Bitmap& picture, bool drop, const SignGeometry& sign, Bitmap& fitted) {
  const int columns = int(sign.columns);
  const int rows = int(sign.rows);
  if (picture.Width() == columns && picture.Height() == rows &&
      (drop || picture.BitsPerPixel() == 24))
    return;
  if (!drop) {
    if (pf::FitBitmap(picture, fitted, columns, rows) == pf::kImagingSuccess) picture = fitted;
    return;
  }
  Bitmap placed = pf::CopyRectWithBlack(picture, 0, 0, columns, rows);
  if (placed.HasData()) picture = std::move(placed);
}

// The capture rectangle of the working bitmap, black where it lies outside
// the frame.
Bitmap Capture(const Bitmap& working, const adjust::Rect& r, const SignGeometry& sign) {
  const int w = r.Width();
  const int h = r.Height();
  // A capture of no area (XPos beyond the frame with ConstrainRect on, a
  // zero size) holds no picture: the sign shows black rather than the frame
  // failing.
  if (w <= 0 || h <= 0) return Bitmap::Create(int(sign.columns), int(sign.rows), 24);
  // The whole frame: shared, not copied.
  if (r.left == 0 && r.top == 0 && w == working.Width() && h == working.Height()) return working;
  return pf::CopyRectWithBlack(working, r.left, r.top, w, h);
}

// A packed-bitmap header and colour table describing a bitmap whose bits
// stay where they are: the bitmap already has the packed layout.
struct HeaderBlock {
  std::array<uint8_t, pf::kDibHeaderBlockSize> bytes{};
  uint32_t imageSize = 0;
};

void DescribeBitmap(const Bitmap& b, HeaderBlock& block) {
  BitmapInfoHeader h;
  h.biWidth = b.Width();
  h.biHeight = b.Height();
  h.biBitCount = uint16_t(b.BitsPerPixel());
  h.biSizeImage = uint32_t(b.ImageSize());
  // As a reader takes it: a full table below 16 bits per pixel.
  h.biClrUsed = PackedColoursUsed(h);
  uint8_t* p = block.bytes.data();
  pf::StoreU32(p + 0, h.biSize);
  pf::StoreU32(p + 4, uint32_t(h.biWidth));
  pf::StoreU32(p + 8, uint32_t(h.biHeight));
  pf::StoreU16(p + 12, h.biPlanes);
  pf::StoreU16(p + 14, h.biBitCount);
  pf::StoreU32(p + 16, h.biCompression);
  pf::StoreU32(p + 20, h.biSizeImage);
  pf::StoreU32(p + 32, h.biClrUsed);
  // Entries past the bitmap's palette stay black.
  const size_t entries = (PackedBitsOffset(h) - sizeof(BitmapInfoHeader)) / sizeof(pf::RgbQuad);
  const auto& palette = b.Palette();
  for (size_t i = 0; i < entries && i < palette.size(); ++i) {
    uint8_t* e = p + sizeof(BitmapInfoHeader) + 4 * i;
    e[0] = palette[i].blue;
    e[1] = palette[i].green;
    e[2] = palette[i].red;
    e[3] = palette[i].reserved;
  }
  block.imageSize = h.biSizeImage;
}

}  // namespace

int SliderChange(int32_t slider) {
  return PinToInt((int64_t(slider) - 64) * 125 / 8);
}

int HueAngle(int32_t slider) {
  return PinToInt((int64_t(slider) - 64) * 45 / 16);
}

int ColourOffset(int32_t slider) {
  return int(std::clamp<int64_t>(64 - int64_t(slider), -64, 64));
}

AdjustmentValues AdjustmentValuesOf(const ImportSettings& s) {
  return {SliderChange(s.Brightness), SliderChange(s.Contrast), HueAngle(s.Hue),
          SliderChange(s.Saturation)};
}

uint32_t PackedColoursUsed(const BitmapInfoHeader& header) {
  if (header.biClrUsed == 0 && header.biBitCount < 16) return 1u << header.biBitCount;
  return header.biClrUsed;
}

size_t PackedBitsOffset(const BitmapInfoHeader& header) {
  return sizeof(BitmapInfoHeader) + sizeof(pf::RgbQuad) * size_t(PackedColoursUsed(header));
}

void ReapplyAdjustments(ImportSettings& s, const Bitmap& decoded, Bitmap& working) {
  AdjustmentValues v = AdjustmentValuesOf(s);
  // A value the library refuses is skipped, as its own call would skip it.
  const auto within = [](int& value, int limit) {
    if (value < -limit || value > limit) value = 0;
  };
  within(v.brightness, 1000);
  within(v.contrast, 1000);
  within(v.hue, 180);
  within(v.saturation, 1000);
  s.AdjustChanged = 0;
  // Neutral: shared, not copied. Otherwise one pass writes the adjusted
  // frame into the working bitmap's own storage, kept from the last frame.
  if (!decoded.HasData() || v == AdjustmentValues{} ||
      pf::AdjustColours(decoded, working, v.brightness, v.contrast, v.hue, v.saturation) !=
          pf::kImagingSuccess) {
    working = decoded;
    if (!decoded.HasData()) working.Initialise(0, 0, 24);
  }
}

int RenderPictureFrame(ImportSettings& s, const SignGeometry& sign, const Bitmap& decoded,
                       RenderTarget& target) {
  BeginRender(s, decoded, target);
  if (!SignSizeAllowed(sign)) return 0;
  const auto bulbSize = uint32_t(pf::BulbDataSize(sign.rows, sign.columns, sign.colorType));

  Bitmap& processing = target.processing;
  processing.Initialise(0, 0, 0);
  if (target.working.HasData()) {
    processing = Capture(target.working, s.CaptureRect, sign);
    if (processing.HasData()) {
      PlaceOnSign(processing, s.DropImage != 0, sign, target.fitted);
      ApplyImageCommands(processing, s, sign);
    }
  }
  // Nothing to convert: the previous bulbs stay.
  if (!processing.HasData()) {
    processing.Initialise(0, 0, 0);
    return 0;
  }

  HeaderBlock block;
  DescribeBitmap(processing, block);
  if (!AssignZeroed(target.bulbs, bulbSize)) {
    processing.Initialise(0, 0, 0);
    return 0;
  }
  pf::ConvDIB2BulbEnh(block.bytes.data(), processing.Bits(), block.imageSize, 0, 0,
                      target.bulbs.data(), bulbSize, sign.rows, sign.columns, sign.colorType,
                      ColourOffset(s.Red), ColourOffset(s.Green), ColourOffset(s.Blue),
                      ColourOffset(s.White));
  processing.Initialise(0, 0, 0);

  uint32_t previewSize = 0;
  if (pf::CalcBulbDIBSize(sign.rows, sign.columns, sign.colorType, &previewSize) != pf::kBulbCvOk)
    return 0;
  MakePreview(target.bulbs.data(), bulbSize, sign, previewSize, target);
  return 1;
}

int RenderOldSequenceFrame(ImportSettings& s, const SignGeometry& sign, const Bitmap& decoded,
                           const pf::CQ8Seq* oldReader, RenderTarget& target) {
  BeginRender(s, decoded, target);
  if (!SignSizeAllowed(sign)) return 0;
  const auto bulbSize = uint32_t(pf::BulbDataSize(sign.rows, sign.columns, sign.colorType));

  if (oldReader == nullptr || !oldReader->IsGraphical()) {
    switch (oldReader != nullptr ? oldReader->GetFrameType() : 0u) {
      case pf::kQ8FrameTransmitData:
        target.label = kLabelTransmitData;
        break;
      case pf::kQ8FrameInclude:
        target.label = kLabelInclude;
        break;
      default:
        target.label = kLabelNonGraphical;
        break;
    }
    target.labelShown = true;
    return 1;
  }

  // The converted bulbs serve the preview only; the bulb buffer is left
  // alone, since old graphics frames reach the destination by translation.
  unsigned oldRows = 0, oldColumns = 0, oldType = 0;
  oldReader->GetSeqStats(&oldRows, &oldColumns, &oldType);
  const size_t scratchSize = size_t(bulbSize) + 10;
  std::unique_ptr<uint8_t[]> scratch(new (std::nothrow) uint8_t[scratchSize]());
  const uint8_t* oldBulbs = oldReader->GetBulbPtr();
  if (scratch && oldBulbs != nullptr &&
      oldReader->GetBulbSize() >= pf::BulbDataSize(oldRows, oldColumns, oldType)) {
    const bool quad = pf::IsQuadType(oldType) || pf::IsQuadType(sign.colorType);
    ConvertBulbData(oldColumns, oldRows, BulbRect{0, 0, int(oldColumns), int(oldRows)}, oldBulbs,
                    oldType, sign.columns, sign.rows,
                    BulbRect{0, 0, int(sign.columns), int(sign.rows)}, scratch.get(),
                    sign.colorType, quad);
  }
  uint32_t previewSize = 0;
  if (pf::CalcBulbDIBSize(sign.rows, sign.columns, sign.colorType, &previewSize) != pf::kBulbCvOk)
    return 0;
  if (scratch) MakePreview(scratch.get(), bulbSize, sign, previewSize, target);
  return 1;
}

}  // namespace q9::imaging
