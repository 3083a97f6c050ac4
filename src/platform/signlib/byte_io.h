#pragma once
// Little-endian reading and writing of byte buffers. The reader never reads
// past its end: a short read sets the failed flag and yields zeros, so a
// parser checks Ok() once after a group of reads instead of after each one.

#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

namespace q9::platform {

inline uint16_t LoadU16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}
inline uint32_t LoadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreU16(uint8_t* p, uint16_t v) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
}
inline void StoreU32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = uint8_t(v >> (8 * i));
}

class ByteReader {
 public:
  explicit ByteReader(std::span<const uint8_t> data) : m_data(data) {}

  bool Ok() const { return !m_failed; }
  size_t Position() const { return m_pos; }
  size_t Remaining() const { return m_data.size() - m_pos; }

  uint8_t U8() { return Take(1) ? m_data[m_pos - 1] : 0; }
  uint16_t U16() { return Take(2) ? LoadU16(&m_data[m_pos - 2]) : 0; }
  uint32_t U32() { return Take(4) ? LoadU32(&m_data[m_pos - 4]) : 0; }

  // The next n bytes; an empty span (and the failed flag) when fewer remain.
  std::span<const uint8_t> Bytes(size_t n) {
    if (!Take(n)) return {};
    return m_data.subspan(m_pos - n, n);
  }
  void Skip(size_t n) { Take(n); }

 private:
  bool Take(size_t n) {
    if (m_failed || n > Remaining()) {
      m_failed = true;
      return false;
    }
    m_pos += n;
    return true;
  }

  std::span<const uint8_t> m_data;
  size_t m_pos = 0;
  bool m_failed = false;
};

class ByteWriter {
 public:
  void U8(uint8_t v) { m_out.push_back(v); }
  void U16(uint16_t v) {
    U8(uint8_t(v));
    U8(uint8_t(v >> 8));
  }
  void U32(uint32_t v) {
    U16(uint16_t(v));
    U16(uint16_t(v >> 16));
  }
  void Bytes(std::span<const uint8_t> bytes) {
    m_out.insert(m_out.end(), bytes.begin(), bytes.end());
  }
  void Zeros(size_t n) { m_out.insert(m_out.end(), n, 0); }
  // Writes v at an earlier position, for sizes known only after the body.
  void PatchU32(size_t at, uint32_t v) { StoreU32(&m_out[at], v); }

  size_t Size() const { return m_out.size(); }
  const std::vector<uint8_t>& Data() const { return m_out; }
  std::vector<uint8_t> Take() { return std::move(m_out); }

 private:
  std::vector<uint8_t> m_out;
};

}  // namespace q9::platform
