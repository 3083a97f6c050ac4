#include "platform/imaging/gif_lzw_encoder.h"

#include <algorithm>

namespace q9::platform::detail {
namespace {

// Packs codes least significant bit first into data sub-blocks.
class CodePacker {
 public:
  explicit CodePacker(std::vector<uint8_t>& out) : m_out(out) {}

  void Put(unsigned code, unsigned size) {
    m_bits |= uint32_t(code) << m_count;
    m_count += size;
    while (m_count >= 8) {
      Byte(uint8_t(m_bits));
      m_bits >>= 8;
      m_count -= 8;
    }
  }

  void Finish() {
    if (m_count > 0) Byte(uint8_t(m_bits));
    m_bits = 0;
    m_count = 0;
    FlushBlock();
    m_out.push_back(0);  // block terminator
  }

 private:
  void Byte(uint8_t b) {
    m_block[m_length++] = b;
    if (m_length == sizeof m_block) FlushBlock();
  }
  void FlushBlock() {
    if (m_length == 0) return;
    m_out.push_back(uint8_t(m_length));
    m_out.insert(m_out.end(), m_block, m_block + m_length);
    m_length = 0;
  }

  std::vector<uint8_t>& m_out;
  uint8_t m_block[255] = {};
  size_t m_length = 0;
  uint32_t m_bits = 0;  // never more than 7 + 12 bits pending
  unsigned m_count = 0;
};

}  // namespace

GifLzwEncoder::GifLzwEncoder() : m_code(size_t(kMaxCodes) << 8), m_stamp(size_t(kMaxCodes) << 8) {}

void GifLzwEncoder::NewGeneration() {
  if (++m_generation == 0) {
    std::fill(m_stamp.begin(), m_stamp.end(), 0u);
    m_generation = 1;
  }
}

void GifLzwEncoder::Encode(std::span<const uint8_t> indices, int minCodeSize,
                           std::vector<uint8_t>& out) {
  const unsigned clear = 1u << minCodeSize;
  const unsigned end = clear + 1;
  unsigned codeSize = unsigned(minCodeSize) + 1;
  unsigned next = end + 1;
  NewGeneration();

  out.push_back(uint8_t(minCodeSize));
  CodePacker packer(out);
  packer.Put(clear, codeSize);

  // A decoder adds each table entry one code later than we do, and widens
  // its codes when its next free code reaches 2^size. Widening here just
  // before a code 2^size is added keeps both sides on the same width.
  const auto widenBeforeAdding = [&] {
    if (next == (1u << codeSize) && codeSize < 12) ++codeSize;
  };

  unsigned prefix = indices[0];
  for (size_t i = 1; i < indices.size(); ++i) {
    const unsigned pixel = indices[i];
    const size_t key = size_t(prefix) << 8 | pixel;
    if (m_stamp[key] == m_generation) {
      prefix = m_code[key];
      continue;
    }
    packer.Put(prefix, codeSize);
    if (next < kMaxCodes) {
      widenBeforeAdding();
      m_stamp[key] = m_generation;
      m_code[key] = uint16_t(next++);
    } else {
      // Table full: start over, as every decoder expects a clear code then.
      packer.Put(clear, codeSize);
      NewGeneration();
      codeSize = unsigned(minCodeSize) + 1;
      next = end + 1;
    }
    prefix = pixel;
  }
  packer.Put(prefix, codeSize);
  widenBeforeAdding();  // the decoder's last, delayed entry may widen the end code
  packer.Put(end, codeSize);
  packer.Finish();
}

}  // namespace q9::platform::detail
