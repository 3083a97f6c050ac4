#include "platform/imaging/bitmap.h"

#include <new>

#include "platform/imaging/pixel_access.h"

namespace q9::platform {

Bitmap Bitmap::Create(int width, int height, int bitsPerPixel) {
  Bitmap b;
  if (!IsSupportedDepth(bitsPerPixel) || width < 0 || height < 0 ||
      uint64_t(width) * uint64_t(height) > kMaxBitmapPixels) {
    b.Initialise(0, 0, bitsPerPixel);
    return b;
  }
  b.Initialise(width, height, bitsPerPixel);
  if (width == 0 || height == 0) return b;
  try {
    b.m_bits = std::make_shared<std::vector<uint8_t>>(b.Stride() * size_t(height), 0);
  } catch (const std::bad_alloc&) {
    b.Initialise(0, 0, bitsPerPixel);
    return b;
  }
  if (bitsPerPixel <= 8) {
    const int entries = 1 << bitsPerPixel;
    b.m_palette.resize(size_t(entries));
    for (int i = 0; i < entries; ++i) {
      const auto v = uint8_t(i * 255 / (entries - 1));
      b.m_palette[size_t(i)] = RgbQuad{v, v, v, 0};
    }
  }
  return b;
}

void Bitmap::Initialise(int width, int height, int bitsPerPixel) {
  m_width = width < 0 ? 0 : width;
  m_height = height < 0 ? 0 : height;
  m_bitsPerPixel = bitsPerPixel;
  m_palette.clear();
  m_bits.reset();
}

uint8_t* Bitmap::OverwriteBits() {
  if (!m_bits) return nullptr;
  if (m_bits.use_count() > 1) m_bits = std::make_shared<std::vector<uint8_t>>(m_bits->size());
  return m_bits->data();
}

uint8_t* Bitmap::MutableBits() {
  if (!m_bits) return nullptr;
  if (m_bits.use_count() > 1) m_bits = std::make_shared<std::vector<uint8_t>>(*m_bits);
  return m_bits->data();
}

uint32_t Bitmap::PixelValue(int x, int y) const {
  return detail::GetPixel(Row(y), x, m_bitsPerPixel);
}

void Bitmap::SetPixelValue(int x, int y, uint32_t value) {
  detail::SetPixel(MutableRow(y), x, m_bitsPerPixel, value);
}

RgbQuad Bitmap::PixelColour(int x, int y) const {
  return detail::ColourOfValue(PixelValue(x, y), m_bitsPerPixel, m_palette);
}

}  // namespace q9::platform
