#include "platform/imaging/pcx_decoder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imaging/imaging_internal.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

constexpr size_t kHeaderSize = 128;
constexpr size_t kPaletteSize = 1 + 3 * 256;  // a marker byte, then red, green, blue

Failure Truncated(size_t size) {
  return {"truncated: the PCX file has " + std::to_string(size) +
          " bytes and ends before its picture does"};
}

// The run-length coded stream: a byte with its two top bits set repeats the
// next byte (its low six bits) times; any other byte stands for itself. A
// run may go on into the next row; what is left of it after the last row is
// dropped.
class RunLengthStream {
 public:
  RunLengthStream(std::span<const uint8_t> data, size_t start, bool coded)
      : m_data(data), m_pos(start), m_coded(coded) {}

  size_t Position() const { return m_pos; }

  // Fills out; false when the data ends first.
  bool Read(std::span<uint8_t> out) {
    size_t filled = 0;
    while (filled < out.size()) {
      if (m_runLeft > 0) {
        const size_t n = std::min(m_runLeft, out.size() - filled);
        std::memset(out.data() + filled, m_runByte, n);
        filled += n;
        m_runLeft -= n;
        continue;
      }
      if (m_pos >= m_data.size()) return false;
      const uint8_t packet = m_data[m_pos++];
      if (!m_coded || (packet & 0xC0) != 0xC0) {
        out[filled++] = packet;
        continue;
      }
      if (m_pos >= m_data.size()) return false;
      m_runLeft = packet & 0x3Fu;
      m_runByte = m_data[m_pos++];
    }
    return true;
  }

 private:
  std::span<const uint8_t> m_data;
  size_t m_pos;
  bool m_coded;
  size_t m_runLeft = 0;
  uint8_t m_runByte = 0;
};

}  // namespace

std::optional<Result<Bitmap>> PcxDecoder::Decode(std::span<const uint8_t> data) {
  if (data.size() < kHeaderSize || data[0] != 0x0A || data[1] != 5 || data[2] > 1 || data[3] != 8)
    return std::nullopt;
  const uint8_t* h = data.data();
  const unsigned width = unsigned(std::abs(int(LoadU16(h + 8)) - int(LoadU16(h + 4)))) + 1;
  const unsigned height = unsigned(std::abs(int(LoadU16(h + 10)) - int(LoadU16(h + 6)))) + 1;
  const unsigned planes = h[65];
  const size_t bytesPerLine = LoadU16(h + 66);
  if (planes != 1 && planes != 3 && planes != 4) return std::nullopt;
  if (!detail::WithinPictureLimit(width, height))
    return Result<Bitmap>(detail::TooLarge("PCX", width, height));
  if (bytesPerLine < width) return std::nullopt;

  Bitmap picture = Bitmap::Create(int(width), int(height), 24);
  if (!picture.HasData())
    return Result<Bitmap>(Failure{"not enough memory for the picture", ENOMEM});
  RunLengthStream stream(data, kHeaderSize, data[2] == 1);
  std::vector<uint8_t> row(bytesPerLine * planes);
  for (unsigned y = 0; y < height; ++y) {
    if (!stream.Read(row)) return Result<Bitmap>(Truncated(data.size()));
    uint8_t* out = picture.MutableRow(int(y));
    // One plane: palette indices, for now; three or four: red, green, blue
    // (and alpha) planes one after the other.
    if (planes == 1) {
      std::memcpy(out, row.data(), width);
      continue;
    }
    const uint8_t* red = row.data();
    const uint8_t* green = red + bytesPerLine;
    const uint8_t* blue = green + bytesPerLine;
    for (unsigned x = 0; x < width; ++x, out += 3) {
      const unsigned a = planes == 4 ? blue[bytesPerLine + x] : 255;
      out[0] = detail::LaidOnWhite(blue[x], a);
      out[1] = detail::LaidOnWhite(green[x], a);
      out[2] = detail::LaidOnWhite(red[x], a);
    }
  }
  if (planes == 1) {
    // The palette follows the pixels; each row's indices, stored at its
    // start, become colours from its end backwards.
    const size_t at = stream.Position();
    if (data.size() - at < kPaletteSize) return Result<Bitmap>(Truncated(data.size()));
    const uint8_t* palette = data.data() + at + 1;
    for (unsigned y = 0; y < height; ++y) {
      uint8_t* out = picture.MutableRow(int(y));
      for (unsigned x = width; x-- > 0;) {
        const uint8_t* colour = palette + 3 * size_t(out[x]);
        out[3 * x] = colour[2];
        out[3 * x + 1] = colour[1];
        out[3 * x + 2] = colour[0];
      }
    }
  }
  return Result<Bitmap>(std::move(picture));
}

}  // namespace q9::platform
