#pragma once
// The sizes the capture rectangle is edited against, and the Keep Aspect
// rule that makes one side of the capture follow the other, shared by the
// Adjust dialog's edits and spins and the source window's keys and drags.
// W and H below are the frame's size in pixels, Ws and Hs the sign's in
// bulbs.

#include <cstdint>

#include "adjust/import_settings.h"

namespace q9::convert {
class SourceMedia;
}

namespace q9::preview {

struct CaptureGeometry {
  int frameWidth = 0;
  int frameHeight = 0;
  int signWidth = 0;
  int signHeight = 0;
  float signAspect = 0.0f;  // Hs / Ws, as the record keeps it

  // The working frame's size, the sign's size and the record's aspect.
  static CaptureGeometry Of(const convert::SourceMedia& media);

  // Keep Aspect, Height from Width: Pixels mode trunc(Width / Ws x Hs),
  // Percent mode trunc(Width x W x SignAspect / H).
  int32_t HeightFollowing(int32_t width, int32_t sizeMode) const;
  // Width from Height: Pixels mode trunc(Height / Hs x Ws), Percent mode
  // trunc(Height x H / (W x SignAspect)).
  int32_t WidthFollowing(int32_t height, int32_t sizeMode) const;
  // The bottom edge of a drawn or dragged capture with Keep Aspect on:
  // top + (right - left) x Hs / Ws in unsigned 32-bit arithmetic.
  int32_t AspectBottom(const adjust::Rect& rect) const;

  // Percent-mode sizes and pixels: trunc(frameSize x percent x 0.01), and
  // trunc(pixels / frameSize x 100).
  static int32_t PixelsOfPercent(int32_t percent, int frameSize);
  static int32_t PercentOfPixels(int32_t pixels, int frameSize);
};

}  // namespace q9::preview
