#pragma once
// The numbers behind brightness, contrast, hue and saturation, shared by the
// single adjustments and the combined pass so that both compute the same
// values. Not part of the public interface.

#include <array>
#include <cstdint>

namespace q9::platform::detail {

// A slider value within its range, ends included.
constexpr bool InRange(int v, int lo, int hi) {
  return v >= lo && v <= hi;
}

// Division rounded half away from zero.
constexpr int RoundedDivide(int64_t num, int64_t den) {
  return int(num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den));
}

// Adding change * 255 / 1000 (truncated), clipped.
std::array<uint8_t, 256> BrightnessTable(int change);
// The distance from pivot scaled by (1000 + change) / 1000 below 0 and
// 1000 / (1000 - change) above, rounded and clipped.
std::array<uint8_t, 256> ContrastTable(int change, int pivot);

// Hue: out = (c[0] R + c[1] G + c[2] B + kHueHalf) >> kHueBits for red, the
// next three for green, the last three for blue, then clipped. Each row of
// coefficients sums to exactly 1 << kHueBits, so greys stay grey.
constexpr int kHueBits = 16;
constexpr int32_t kHueHalf = 1 << (kHueBits - 1);
std::array<int32_t, 9> HueCoefficients(int angle);

// Saturation: each channel becomes grey + ((c - grey) * k + kSaturationHalf)
// >> kSaturationBits, clipped, with grey the pixel's Luma.
constexpr int kSaturationBits = 12;
constexpr int32_t kSaturationHalf = 1 << (kSaturationBits - 1);
constexpr int32_t SaturationFactor(int change) {
  return (1000 + change) * (1 << kSaturationBits) / 1000;
}

}  // namespace q9::platform::detail
