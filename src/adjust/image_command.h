#pragma once
// The image commands: one bit of CommandMask each, and entry n of
// CommandParams for the command whose bit is 2^n. The renderer applies them,
// the Adjust dialog's menus set them, the command line names them.

#include <array>
#include <cstdint>
#include <string_view>

namespace q9::adjust {

enum ImageCommand : uint32_t {
  kCmdFlip = 1u << 0,
  kCmdReverse = 1u << 1,
  kCmdRotate90 = 1u << 2,
  kCmdRotate180 = 1u << 3,
  kCmdRotate270 = 1u << 4,
  kCmdRotateAny = 1u << 5,
  kCmdEdgeEnhance = 1u << 6,
  kCmdHistoEqualize = 1u << 7,
  kCmdGammaCorrect = 1u << 8,
  kCmdDither = 1u << 9,
  kCmdPosterize = 1u << 10,
  kCmdMosaic = 1u << 11,
  kCmdAverage = 1u << 12,
  kCmdMedian = 1u << 13,
  kCmdSharpen = 1u << 14,
  kCmdAddNoise = 1u << 15,
  kCmdEmboss = 1u << 16,
  kCmdGradient = 1u << 17,
  kCmdLaplacian = 1u << 18,
  kCmdSobel = 1u << 19,
  kCmdPrewitt = 1u << 20,
  kCmdShiftDifference = 1u << 21,
  kCmdLineSegment = 1u << 22,
  kCmdHalftone = 1u << 23,
  kCmdGrayScale = 1u << 24,
  kCmdInvert = 1u << 25,
  kCmdHistoContrast = 1u << 26,
  kCmdStretchIntensity = 1u << 27,
};

constexpr int kImageCommandCount = 28;
// Every bit that names a command; higher bits mean nothing.
constexpr uint32_t kAllCommandBits = (1u << kImageCommandCount) - 1;
// At most one of these is set at a time: the menus clear the others.
constexpr uint32_t kRotationBits = kCmdRotate90 | kCmdRotate180 | kCmdRotate270 | kCmdRotateAny;

// Values a parameter may hold as stored in the record (already multiplied
// by the dialog's divisor). A parameter without a range is either unused or
// an option word passed through unchanged.
struct ParamRange {
  bool ranged = false;
  int32_t min = 0;
  int32_t max = 0;
};

struct ImageCommandInfo {
  int n;  // index into CommandParams
  uint32_t bit;
  std::string_view name;
  ParamRange value;
  ParamRange choice;
};

namespace detail {
constexpr ParamRange kFree{};
constexpr ParamRange Range(int32_t min, int32_t max) {
  return {true, min, max};
}
}  // namespace detail

inline constexpr std::array<ImageCommandInfo, kImageCommandCount> kImageCommands = {{
    {0, kCmdFlip, "Flip", detail::kFree, detail::kFree},
    {1, kCmdReverse, "Reverse (mirror)", detail::kFree, detail::kFree},
    // The fixed rotations store their angle; the renderer rotates by it.
    {2, kCmdRotate90, "Rotate 90\u00b0 clockwise", detail::Range(90, 90), detail::kFree},
    {3, kCmdRotate180, "Rotate 180\u00b0 clockwise", detail::Range(180, 180), detail::kFree},
    {4, kCmdRotate270, "Rotate 270\u00b0 clockwise", detail::Range(270, 270), detail::kFree},
    {5, kCmdRotateAny, "Rotate by any angle", detail::Range(-360, 360), detail::kFree},
    {6, kCmdEdgeEnhance, "Edge Enhance", detail::kFree, detail::kFree},
    {7, kCmdHistoEqualize, "Histogram equalize", detail::kFree, detail::kFree},
    {8, kCmdGammaCorrect, "Gamma Correct", detail::kFree, detail::kFree},
    // Both option words of the colour-resolution dialog, passed on as flags.
    {9, kCmdDither, "Dither", detail::kFree, detail::kFree},
    {10, kCmdPosterize, "Posterize", detail::Range(2, 64), detail::kFree},
    {11, kCmdMosaic, "Mosaic", detail::Range(2, 64), detail::kFree},
    {12, kCmdAverage, "Average", detail::Range(3, 11), detail::kFree},
    {13, kCmdMedian, "Median", detail::Range(3, 11), detail::kFree},
    {14, kCmdSharpen, "Sharpen", detail::Range(-1000, 1000), detail::kFree},
    {15, kCmdAddNoise, "Add Noise", detail::Range(-1000, 1000), detail::Range(0, 3)},
    {16, kCmdEmboss, "Emboss", detail::Range(0, 1000), detail::Range(0, 7)},
    {17, kCmdGradient, "Gradient filter", detail::Range(0, 7), detail::kFree},
    {18, kCmdLaplacian, "Laplacian filter", detail::Range(0, 5), detail::kFree},
    {19, kCmdSobel, "Sobel filter", detail::Range(0, 1), detail::kFree},
    {20, kCmdPrewitt, "Prewitt filter", detail::Range(0, 1), detail::kFree},
    {21, kCmdShiftDifference, "Shift and Difference filter", detail::Range(0, 2), detail::kFree},
    {22, kCmdLineSegment, "Line Segment filter", detail::Range(0, 3), detail::kFree},
    {23, kCmdHalftone, "Halftone", detail::Range(-35900, 35900), detail::Range(0, 1)},
    {24, kCmdGrayScale, "GrayScale", detail::kFree, detail::kFree},
    {25, kCmdInvert, "Invert", detail::kFree, detail::kFree},
    {26, kCmdHistoContrast, "Histo-Contrast", detail::Range(-1000, 1000), detail::kFree},
    {27, kCmdStretchIntensity, "Stretch Intensity", detail::kFree, detail::kFree},
}};

// The CommandParams index of a command bit; -1 unless exactly one of the 28
// command bits is set.
constexpr int CommandIndex(uint32_t bit) {
  if (bit == 0 || (bit & (bit - 1)) != 0 || (bit & ~kAllCommandBits) != 0) return -1;
  int n = 0;
  while ((bit >> n) != 1u) ++n;
  return n;
}

constexpr uint32_t CommandBit(int n) {
  return n >= 0 && n < kImageCommandCount ? 1u << n : 0u;
}

}  // namespace q9::adjust
