#include "platform/imaging/magick_bridge.h"

#include <Magick++.h>

#include <cstring>

#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform::detail {
namespace {

// ImageMagick aborts the whole process (an assertion, not an exception) on a
// picture wider or taller than its width and height limits, so such pictures
// never reach it.
bool FitsMagick(const Bitmap& picture) {
  return picture.Width() <= kPictureLimit.maxSide && picture.Height() <= kPictureLimit.maxSide;
}

}  // namespace

void BitmapToMagick(const Bitmap& picture24, Magick::Image& image) {
  // ImageMagick takes rows top-down without padding.
  const int w = picture24.Width(), h = picture24.Height();
  std::vector<uint8_t> packed(size_t(w) * size_t(h) * 3);
  for (int y = 0; y < h; ++y)
    std::memcpy(packed.data() + size_t(y) * size_t(w) * 3, picture24.Row(y), size_t(w) * 3);
  image.read(size_t(w), size_t(h), "BGR", Magick::CharPixel, packed.data());
}

bool MagickToBitmap(Magick::Image& image, Bitmap& out) {
  const size_t w = image.columns(), h = image.rows();
  if (w == 0 || h == 0 || w > size_t(kMaxBitmapPixels) || h > size_t(kMaxBitmapPixels) ||
      uint64_t(w) * uint64_t(h) > kMaxBitmapPixels)
    return false;
  const MagickCore::ColorspaceType space = image.colorSpace();
  if (space != MagickCore::sRGBColorspace && space != MagickCore::GRAYColorspace)
    image.colorSpace(MagickCore::sRGBColorspace);
  Bitmap result = Bitmap::Create(int(w), int(h), 24);
  if (!result.HasData()) return false;
  if (image.matte()) {
    // Transparent parts on white, like paper.
    std::vector<uint8_t> row(w * 4);
    for (size_t y = 0; y < h; ++y) {
      image.write(0, ssize_t(y), w, 1, "BGRA", Magick::CharPixel, row.data());
      uint8_t* o = result.MutableRow(int(y));
      for (size_t x = 0; x < w; ++x) {
        const unsigned a = row[4 * x + 3];
        for (size_t c = 0; c < 3; ++c) o[3 * x + c] = LaidOnWhite(row[4 * x + c], a);
      }
    }
  } else {
    for (size_t y = 0; y < h; ++y)
      image.write(0, ssize_t(y), w, 1, "BGR", Magick::CharPixel, result.MutableRow(int(y)));
  }
  out = std::move(result);
  return true;
}

int RunMagick(Bitmap& bitmap, const std::function<void(Magick::Image&)>& op) {
  if (!bitmap.HasData() || !FitsMagick(bitmap) || !EnsureMagick()) return kImagingFailure;
  const Bitmap picture = TrueColourCopy(bitmap);
  if (!picture.HasData()) return kImagingFailure;
  try {
    Magick::Image image;
    image.quiet(true);  // warnings are no failure; errors still throw
    BitmapToMagick(picture, image);
    op(image);
    Bitmap out;
    if (!MagickToBitmap(image, out)) return kImagingFailure;
    bitmap = std::move(out);
    return kImagingSuccess;
  } catch (const std::exception&) {
    return kImagingFailure;
  }
}

bool OptimisedPalette(const Bitmap& picture, int colours, std::vector<RgbQuad>& palette) {
  if (!picture.HasData() || !FitsMagick(picture) || !EnsureMagick()) return false;
  const Bitmap source = TrueColourCopy(picture);
  if (!source.HasData()) return false;
  try {
    Magick::Image image;
    image.quiet(true);
    BitmapToMagick(source, image);
    image.quantizeColors(size_t(colours));
    image.quantizeDither(false);
    image.quantize();
    palette.clear();
    for (size_t i = 0; i < image.colorMapSize() && i < size_t(colours); ++i) {
      const Magick::Color c = image.colorMap(i);
      palette.push_back(RgbQuad{uint8_t(MagickCore::ScaleQuantumToChar(c.blueQuantum())),
                                uint8_t(MagickCore::ScaleQuantumToChar(c.greenQuantum())),
                                uint8_t(MagickCore::ScaleQuantumToChar(c.redQuantum())), 0});
    }
    return !palette.empty();
  } catch (const std::exception&) {
    return false;
  }
}

}  // namespace q9::platform::detail
