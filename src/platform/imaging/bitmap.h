#pragma once
// A picture held the way a packed device-independent bitmap holds its bits:
// rows bottom-up, each padded to 4 bytes; 24 bits per pixel are blue, green,
// red; 1, 4 and 8 bits per pixel are indices into the palette. Copies share
// their pixels until one of them writes (copy on write), so handing a frame
// from one owner to another costs nothing.

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/signlib/packed_dib.h"

namespace q9::platform {

// No picture may hold more pixels than this (100 million: a 100-megapixel
// photo, 300 MB at 24 bits): a file or a packed bitmap that asks for more
// fails instead of exhausting memory.
constexpr uint64_t kMaxBitmapPixels = 100'000'000;

class Bitmap {
 public:
  // An empty handle: no pixel data, 1 x 1 at 1 bit per pixel.
  Bitmap() = default;

  // A zeroed (black) picture. Depths 1, 4, 8, 16, 24 and 32 are accepted;
  // 8 bits and fewer get a grey-scale palette of 2^bits entries.
  // Width or height 0 gives an empty handle of that depth. Any other depth,
  // a negative size, more than kMaxBitmapPixels pixels or a failed allocation
  // gives an empty 0 x 0 handle (HasData() false).
  static Bitmap Create(int width, int height, int bitsPerPixel);

  static bool IsSupportedDepth(int bitsPerPixel) {
    return bitsPerPixel == 1 || bitsPerPixel == 4 || bitsPerPixel == 8 || bitsPerPixel == 16 ||
           bitsPerPixel == 24 || bitsPerPixel == 32;
  }

  // Drops the pixels and makes this an empty handle of the given size and
  // depth (the imaging library's "initialise": 0, 0, 0 or 0, 0, 24).
  void Initialise(int width, int height, int bitsPerPixel);
  void Free() { Initialise(1, 1, 1); }

  bool HasData() const { return m_bits != nullptr; }
  int Width() const { return m_width; }
  int Height() const { return m_height; }
  int BitsPerPixel() const { return m_bitsPerPixel; }
  size_t Stride() const { return DibStride(uint64_t(m_width), unsigned(m_bitsPerPixel)); }
  size_t ImageSize() const { return HasData() ? Stride() * size_t(m_height) : 0; }

  // The bits, bottom-up as in a packed bitmap. Null without data.
  const uint8_t* Bits() const { return m_bits ? m_bits->data() : nullptr; }
  uint8_t* MutableBits();
  // Writable bits for a caller that is about to overwrite every byte: when
  // the pixels are shared, this bitmap gets fresh storage instead of a copy.
  uint8_t* OverwriteBits();

  // Row y counted from the top (y = 0 is the top row).
  const uint8_t* Row(int y) const { return Bits() + size_t(m_height - 1 - y) * Stride(); }
  uint8_t* MutableRow(int y) { return MutableBits() + size_t(m_height - 1 - y) * Stride(); }

  const std::vector<RgbQuad>& Palette() const { return m_palette; }
  void SetPalette(std::vector<RgbQuad> palette) { m_palette = std::move(palette); }

  // One pixel, (0, 0) at the top left; the caller keeps x and y inside the
  // picture. The raw value is the palette index at 8 bits and fewer, the
  // 5-5-5 word at 16 bits, and blue | green << 8 | red << 16 at 24 and 32.
  uint32_t PixelValue(int x, int y) const;
  void SetPixelValue(int x, int y, uint32_t value);
  // The pixel's colour; an index past the palette reads as black.
  RgbQuad PixelColour(int x, int y) const;

  // True when both handles share the same pixel storage (no copy was made).
  bool SharesPixelsWith(const Bitmap& other) const {
    return m_bits != nullptr && m_bits == other.m_bits;
  }

 private:
  int m_width = 1;
  int m_height = 1;
  int m_bitsPerPixel = 1;
  std::vector<RgbQuad> m_palette;
  std::shared_ptr<std::vector<uint8_t>> m_bits;
};

}  // namespace q9::platform
