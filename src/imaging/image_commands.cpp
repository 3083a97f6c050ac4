#include "imaging/image_commands.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "platform/imaging/imaging_library.h"

namespace q9::imaging {

using adjust::ImportSettings;
using platform::Bitmap;
using platform::SignGeometry;
namespace pf = platform;
namespace cmd = adjust;

namespace {

int32_t V(const ImportSettings& s, int n) {
  return s.CommandParams[size_t(n)].Value;
}
int32_t C(const ImportSettings& s, int n) {
  return s.CommandParams[size_t(n)].Choice;
}

// ---- The steps, one small function each ----------------------------------

void EdgeEnhance(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  // Palette pictures are left alone: adding a filtered copy of indices means
  // nothing.
  if (b.BitsPerPixel() <= 8) return;
  Bitmap edges;
  if (pf::CopyBitmap(edges, b) != pf::kImagingSuccess) return;
  if (pf::SpatialFilter(edges, pf::kFilterLaplacianFirst) != pf::kImagingSuccess) return;
  pf::CombineBitmap(b, 0, 0, b.Width(), b.Height(), edges, 0, 0, pf::kCombineAdd);
}

void HistoEqualize(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  pf::HistogramEqualize(b);
}

void Gamma(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  if (const auto g = GammaTimes100(s.Gamma)) pf::GammaCorrect(b, *g);
}

// Runs on every render: with Dither off the picture still goes to
// ColorResBits (0, the default, leaves it as it is; 24 and up, or a negative
// value read as unsigned, do nothing). With Dither on it goes to a palette
// depth of at most 8 bits with both option words of the dialog.
void ColourResolutionStep(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  const uint32_t bits = uint32_t(s.ColorResBits);
  if (s.CommandMask & cmd::kCmdDither) {
    const uint32_t flags = uint32_t(V(s, 9)) | uint32_t(C(s, 9));
    pf::ColourResolution(b, int(std::min(bits, 8u)), flags);
  } else if (bits < 24) {
    pf::ColourResolution(b, int(bits), uint32_t(C(s, 9)));
  }
}

void Flip(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  pf::FlipBitmap(b);
}

void Reverse(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  pf::ReverseBitmap(b);
}

// Only one rotation runs; the menus keep one bit set, and should more be set
// the first in the order 90, 180, 270, any angle wins. The rotated canvas is
// scaled back to the sign.
void Rotate(Bitmap& b, const ImportSettings& s, const SignGeometry& sign) {
  for (int n = 2; n <= 5; ++n) {
    if (s.CommandMask & cmd::CommandBit(n)) {
      pf::RotateBitmap(b, V(s, n), pf::kRotateResize);
      pf::ResizeBitmap(b, int(sign.columns), int(sign.rows), pf::kResizeSmooth);
      return;
    }
  }
}

void Posterize(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::Posterize(b, V(s, 10));
}

void Mosaic(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::Mosaic(b, V(s, 11));
}

void Average(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::AverageFilter(b, V(s, 12));
}

void Median(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::MedianFilter(b, V(s, 13));
}

void Sharpen(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::Sharpen(b, V(s, 14));
}

void AddNoise(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::AddNoise(b, V(s, 15), C(s, 15));
}

void Emboss(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::Emboss(b, C(s, 16), V(s, 16));
}

// One function per filter family: the family is the command bit.
template <uint32_t kBit>
void FilterFamily(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  const int filter = PredefinedFilterNumber(kBit, V(s, cmd::CommandIndex(kBit)));
  if (filter >= 0) pf::SpatialFilter(b, filter);
}

void Halftone(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::Halftone(b, C(s, 23), V(s, 23));
}

void GrayScale(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  pf::GreyScaleBitmap(b);
}

void Invert(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  pf::InvertBitmap(b);
}

void HistoContrast(Bitmap& b, const ImportSettings& s, const SignGeometry&) {
  pf::HistoContrast(b, V(s, 26));
}

void StretchIntensity(Bitmap& b, const ImportSettings&, const SignGeometry&) {
  pf::StretchIntensity(b);
}

constexpr std::array<ImageCommandStep, 25> kSteps = {{
    {cmd::kCmdEdgeEnhance, "Edge Enhance", EdgeEnhance},
    {cmd::kCmdHistoEqualize, "Histo. Equalize", HistoEqualize},
    {cmd::kCmdGammaCorrect, "Gamma Correct", Gamma},
    {0, "Dither, colour resolution", ColourResolutionStep},
    {cmd::kCmdFlip, "Flip", Flip},
    {cmd::kCmdReverse, "Reverse", Reverse},
    {cmd::kRotationBits, "Rotation", Rotate},
    {cmd::kCmdPosterize, "Posterize", Posterize},
    {cmd::kCmdMosaic, "Mosaic", Mosaic},
    {cmd::kCmdAverage, "Average", Average},
    {cmd::kCmdMedian, "Median", Median},
    {cmd::kCmdSharpen, "Sharpen", Sharpen},
    {cmd::kCmdAddNoise, "Add Noise", AddNoise},
    {cmd::kCmdEmboss, "Emboss", Emboss},
    {cmd::kCmdGradient, "Gradient", FilterFamily<cmd::kCmdGradient>},
    {cmd::kCmdLaplacian, "Laplacian", FilterFamily<cmd::kCmdLaplacian>},
    {cmd::kCmdSobel, "Sobel", FilterFamily<cmd::kCmdSobel>},
    {cmd::kCmdPrewitt, "Prewitt", FilterFamily<cmd::kCmdPrewitt>},
    {cmd::kCmdShiftDifference, "Shift and Difference", FilterFamily<cmd::kCmdShiftDifference>},
    {cmd::kCmdLineSegment, "Line Segment", FilterFamily<cmd::kCmdLineSegment>},
    {cmd::kCmdHalftone, "Halftone", Halftone},
    {cmd::kCmdGrayScale, "GrayScale", GrayScale},
    {cmd::kCmdInvert, "Invert", Invert},
    {cmd::kCmdHistoContrast, "Histo-Contrast", HistoContrast},
    {cmd::kCmdStretchIntensity, "Stretch Intensity", StretchIntensity},
}};

struct FilterFamilyRange {
  uint32_t bit;
  int first;
  int count;
};

constexpr std::array<FilterFamilyRange, 6> kFilterFamilies = {{
    {cmd::kCmdGradient, pf::kFilterGradientFirst, 8},
    {cmd::kCmdLaplacian, pf::kFilterLaplacianFirst, 6},
    {cmd::kCmdSobel, pf::kFilterSobelFirst, 2},
    {cmd::kCmdPrewitt, pf::kFilterPrewittFirst, 2},
    {cmd::kCmdShiftDifference, pf::kFilterShiftDiffFirst, 3},
    {cmd::kCmdLineSegment, pf::kFilterLineSegmentFirst, 4},
}};

}  // namespace

std::span<const ImageCommandStep> ImageCommandSteps() {
  return kSteps;
}

void ApplyImageCommands(Bitmap& bitmap, const ImportSettings& s, const SignGeometry& sign) {
  for (const ImageCommandStep& step : kSteps) {
    if (step.bits == 0 || (s.CommandMask & step.bits) != 0) step.apply(bitmap, s, sign);
  }
}

int PredefinedFilterNumber(uint32_t commandBit, int32_t typeIndex) {
  for (const FilterFamilyRange& family : kFilterFamilies) {
    if (family.bit != commandBit) continue;
    return typeIndex >= 0 && typeIndex < family.count ? family.first + typeIndex : -1;
  }
  return -1;
}

std::optional<int> GammaTimes100(float gamma) {
  const float scaled = std::trunc(gamma * 100.0f);
  // The float range test also rejects NaN.
  if (!(scaled >= float(std::numeric_limits<int>::min()) && scaled < 2147483648.0f))
    return std::nullopt;
  return int(scaled);
}

}  // namespace q9::imaging
