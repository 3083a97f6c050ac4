#include "preview/capture_geometry.h"

#include <cmath>
#include <limits>

#include "convert/source_media.h"

namespace q9::preview {
namespace {

// Truncated toward zero; a quotient by a zero size (no sign, no frame) or
// one beyond the integers gives 0 rather than an undefined conversion.
int32_t Truncate(double value) {
  if (!std::isfinite(value) || value <= double(std::numeric_limits<int32_t>::min()) - 1.0 ||
      value >= double(std::numeric_limits<int32_t>::max()) + 1.0)
    return 0;
  return int32_t(value);
}

}  // namespace

CaptureGeometry CaptureGeometry::Of(const convert::SourceMedia& media) {
  const platform::Bitmap& frame = media.WorkingBitmap();
  const bool hasFrame = frame.HasData();
  return {hasFrame ? frame.Width() : 0, hasFrame ? frame.Height() : 0,
          int(media.Geometry().columns), int(media.Geometry().rows), media.SignAspect};
}

int32_t CaptureGeometry::HeightFollowing(int32_t width, int32_t sizeMode) const {
  if (sizeMode == adjust::kSizePercent)
    return Truncate(double(width) * frameWidth * double(signAspect) / frameHeight);
  return Truncate(double(width) / signWidth * signHeight);
}

int32_t CaptureGeometry::WidthFollowing(int32_t height, int32_t sizeMode) const {
  if (sizeMode == adjust::kSizePercent)
    return Truncate(double(height) * frameHeight / (double(frameWidth) * double(signAspect)));
  return Truncate(double(height) / signHeight * signWidth);
}

int32_t CaptureGeometry::AspectBottom(const adjust::Rect& rect) const {
  if (signWidth == 0) return rect.bottom;
  const uint32_t span = uint32_t(rect.right) - uint32_t(rect.left);
  return int32_t(uint32_t(rect.top) + span * uint32_t(signHeight) / uint32_t(signWidth));
}

int32_t CaptureGeometry::PixelsOfPercent(int32_t percent, int frameSize) {
  return Truncate(double(frameSize) * percent * 0.01);
}

int32_t CaptureGeometry::PercentOfPixels(int32_t pixels, int frameSize) {
  return Truncate(double(pixels) / frameSize * 100);
}

}  // namespace q9::preview
