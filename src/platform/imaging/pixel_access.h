#pragma once
// Pixel reading and writing inside one row at any supported depth, shared by
// the imaging adapter's own pixel code. Not part of the public interface.

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace q9::platform::detail {

inline uint32_t GetPixel(const uint8_t* row, int x, int bitsPerPixel) {
  switch (bitsPerPixel) {
    case 1:
      return (row[x >> 3] >> (7 - (x & 7))) & 1u;
    case 4:
      return (x & 1) ? row[x >> 1] & 0x0Fu : row[x >> 1] >> 4;
    case 8:
      return row[x];
    case 16:
      return uint32_t(row[2 * x] | row[2 * x + 1] << 8);
    case 24: {
      const uint8_t* p = row + 3 * x;
      return uint32_t(p[0] | p[1] << 8 | p[2] << 16);
    }
    default: {
      const uint8_t* p = row + 4 * x;
      return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    }
  }
}

inline void SetPixel(uint8_t* row, int x, int bitsPerPixel, uint32_t v) {
  switch (bitsPerPixel) {
    case 1: {
      const auto mask = uint8_t(0x80 >> (x & 7));
      row[x >> 3] = uint8_t((v & 1) ? row[x >> 3] | mask : row[x >> 3] & ~mask);
      break;
    }
    case 4:
      row[x >> 1] = (x & 1) ? uint8_t((row[x >> 1] & 0xF0) | (v & 0x0F))
                            : uint8_t((row[x >> 1] & 0x0F) | (v & 0x0F) << 4);
      break;
    case 8:
      row[x] = uint8_t(v);
      break;
    case 16:
      row[2 * x] = uint8_t(v);
      row[2 * x + 1] = uint8_t(v >> 8);
      break;
    case 24:
      row[3 * x] = uint8_t(v);
      row[3 * x + 1] = uint8_t(v >> 8);
      row[3 * x + 2] = uint8_t(v >> 16);
      break;
    default:
      for (int i = 0; i < 4; ++i) row[4 * x + i] = uint8_t(v >> (8 * i));
      break;
  }
}

// 5-bit channel to 8 bits, spreading the top bits into the low ones so that
// 31 becomes 255.
inline uint8_t Expand5(uint32_t v) {
  return uint8_t((v << 3) | (v >> 2));
}

inline RgbQuad ColourOfValue(uint32_t v, int bitsPerPixel, const std::vector<RgbQuad>& palette) {
  if (bitsPerPixel <= 8) return v < palette.size() ? palette[v] : RgbQuad{};
  if (bitsPerPixel == 16)
    return RgbQuad{Expand5(v & 31), Expand5((v >> 5) & 31), Expand5((v >> 10) & 31), 0};
  return RgbQuad{uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), 0};
}

inline uint8_t Clamp255(int v) {
  return uint8_t(std::clamp(v, 0, 255));
}

// Integer luminance with weights 77, 150, 29 (sum 256): white stays 255.
inline int Luma(int r, int g, int b) {
  return (77 * r + 150 * g + 29 * b + 128) >> 8;
}

}  // namespace q9::platform::detail
