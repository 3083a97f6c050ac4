#include "adjust/import_settings.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace q9::adjust {
namespace {

constexpr int64_t kIntMin = std::numeric_limits<int32_t>::min();
constexpr int64_t kIntMax = std::numeric_limits<int32_t>::max();

// Positions and sizes come from the user and the command line; a sum that
// leaves the 32-bit range is pinned to its end instead of wrapping around.
int32_t Clamp32(int64_t v) {
  return int32_t(std::clamp(v, kIntMin, kIntMax));
}

// trunc(percent x 0.01 x size), multiplied left to right in double precision
// as the sizing code always has: 29 percent of 100 pixels is 28, not 29.
int32_t PercentOf(int32_t percent, int32_t size) {
  const double product = double(percent) * 0.01 * double(size);
  const double truncated = std::trunc(product);
  if (truncated <= double(kIntMin)) return int32_t(kIntMin);
  if (truncated >= double(kIntMax)) return int32_t(kIntMax);
  return int32_t(truncated);
}

// (outer - inner) / 2 when outer >= inner, else 0; both the comparison and
// the halving are unsigned, so a negative inner size never centres.
int32_t CentredOffset(int32_t outer, int32_t inner) {
  const uint32_t o = uint32_t(outer);
  const uint32_t i = uint32_t(inner);
  return o >= i ? int32_t((o - i) / 2) : 0;
}

}  // namespace

void ImportSettings::DefaultCapture(int signWidth, int signHeight, int frameWidth,
                                    int frameHeight) {
  // A sign without columns cannot occur; keep the aspect 0 rather than
  // dividing by zero.
  SignAspect = signWidth != 0 ? float(signHeight) / float(signWidth) : 0.0f;
  CaptureRect = Rect{0, 0, signWidth, signHeight};
  XPos = 0;
  YPos = 0;
  Width = signWidth;
  Height = signHeight;
  SizeMode = kSizePixels;
  CenterCapture(frameWidth, frameHeight);
  ComputeCaptureRect(frameWidth, frameHeight);
}

void ImportSettings::ComputeCaptureRect(int frameWidth, int frameHeight) {
  int32_t width = Width;
  int32_t height = Height;
  if (SizeMode == kSizePercent) {
    width = PercentOf(Width, frameWidth);
    height = PercentOf(Height, frameHeight);
  }
  Rect r{XPos, YPos, Clamp32(int64_t(XPos) + width), Clamp32(int64_t(YPos) + height)};
  if (ConstrainRect) {
    r.right = std::min(r.right, int32_t(frameWidth));
    r.bottom = std::min(r.bottom, int32_t(frameHeight));
  }
  CaptureRect = r;
}

void ImportSettings::CenterCapture(int frameWidth, int frameHeight) {
  int32_t width = Width;
  int32_t height = Height;
  if (SizeMode == kSizePercent) {
    width = CaptureRect.Width();
    height = CaptureRect.Height();
  }
  YPos = CentredOffset(frameHeight, height);
  XPos = CentredOffset(frameWidth, width);
}

void ImportSettings::ResetSettings(int signWidth, int signHeight, int frameWidth, int frameHeight) {
  Red = Green = Blue = White = kSliderNeutral;
  Brightness = Contrast = Hue = Saturation = kSliderNeutral;
  AdjustChanged = 1;
  XPos = CentredOffset(frameWidth, signWidth);
  YPos = CentredOffset(frameHeight, signHeight);
  Width = signWidth;
  Height = signHeight;
  KeepAspect = 1;
  SizeMode = kSizePixels;
  AutoCenter = 0;
  DropImage = 0;
}

void ImportSettings::RestoreDefaults() {
  *this = ImportSettings{};
}

}  // namespace q9::adjust
