#include "platform/imaging/colour_tables.h"

#include <cmath>
#include <numbers>

#include "platform/imaging/pixel_access.h"

namespace q9::platform::detail {
std::array<uint8_t, 256> BrightnessTable(int change) {
  const int delta = change * 255 / 1000;
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) t[size_t(v)] = Clamp255(v + delta);
  return t;
}

std::array<uint8_t, 256> ContrastTable(int change, int pivot) {
  std::array<uint8_t, 256> t{};
  for (int v = 0; v < 256; ++v) {
    const int d = v - pivot;
    int out = 0;
    if (change >= 1000)
      out = d < 0 ? 0 : (d > 0 ? 255 : pivot);
    else if (change <= 0)
      out = pivot + RoundedDivide(int64_t(d) * (1000 + change), 1000);
    else
      out = pivot + RoundedDivide(int64_t(d) * 1000, 1000 - change);
    t[size_t(v)] = Clamp255(out);
  }
  return t;
}

std::array<int32_t, 9> HueCoefficients(int angle) {
  // Rotation by angle about the axis (1, 1, 1) / sqrt(3): the diagonal is
  // c + (1 - c) / 3, the others (1 - c) / 3 -/+ s / sqrt(3) going round.
  const double a = angle * std::numbers::pi / 180.0;
  const double c = std::cos(a), third = (1.0 - c) / 3.0, q = std::sin(a) / std::sqrt(3.0);
  const double m[9] = {c + third, third - q, third + q,   // red out
                       third + q, c + third, third - q,   // green out
                       third - q, third + q, c + third};  // blue out
  std::array<int32_t, 9> k{};
  for (size_t row = 0; row < 3; ++row) {
    int32_t sum = 0;
    for (size_t col = 0; col < 3; ++col) {
      k[3 * row + col] = int32_t(std::lround(m[3 * row + col] * (1 << kHueBits)));
      sum += k[3 * row + col];
    }
    // The rounding remainder goes on the diagonal, so that the row sums to one.
    k[4 * row] += (1 << kHueBits) - sum;
  }
  return k;
}

}  // namespace q9::platform::detail
