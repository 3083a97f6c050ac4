#pragma once
// The variable-length LZW compression of GIF image data. The code table is
// kept between images, so an animation allocates it once.

#include <cstdint>
#include <span>
#include <vector>

namespace q9::platform::detail {

class GifLzwEncoder {
 public:
  GifLzwEncoder();

  // Appends the image data block of one GIF image to out: the minimum code
  // size byte, the codes in sub-blocks of at most 255 bytes, and the block
  // terminator. minCodeSize is 2 to 8 and every index is below
  // 2^minCodeSize; indices holds at least one pixel.
  void Encode(std::span<const uint8_t> indices, int minCodeSize, std::vector<uint8_t>& out);

 private:
  static constexpr unsigned kMaxCodes = 4096;  // 12-bit codes

  // Forgets every string in the table without clearing it: an entry counts
  // only when its stamp is the current generation.
  void NewGeneration();

  std::vector<uint16_t> m_code;   // (prefix code << 8 | pixel) -> code
  std::vector<uint32_t> m_stamp;  // generation that wrote the entry
  uint32_t m_generation = 0;
};

}  // namespace q9::platform::detail
