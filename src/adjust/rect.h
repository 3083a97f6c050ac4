#pragma once
// A rectangle in source-frame pixels, edges inclusive on the left and top and
// exclusive on the right and bottom, as the capture rectangle is kept.

#include <cstdint>

namespace q9::adjust {

struct Rect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;

  // Computed as the 32-bit values the capture code compares: an inverted
  // rectangle gives a negative size rather than an overflow.
  int32_t Width() const { return int32_t(uint32_t(right) - uint32_t(left)); }
  int32_t Height() const { return int32_t(uint32_t(bottom) - uint32_t(top)); }

  friend bool operator==(const Rect&, const Rect&) = default;
};

}  // namespace q9::adjust
