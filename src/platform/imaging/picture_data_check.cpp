#include "platform/imaging/picture_data_check.h"

#include <algorithm>
#include <string>

namespace q9::platform {
namespace {

// Big-endian (PSD) and little-endian (WPG) fields; reads past the end give
// false.
class Cursor {
 public:
  explicit Cursor(std::span<const uint8_t> data, uint64_t at = 0) : m_data(data), m_at(at) {}
  uint64_t At() const { return m_at; }
  bool Skip(uint64_t n) {
    if (n > m_data.size() || m_at > m_data.size() - n) return false;
    m_at += n;
    return true;
  }
  bool Big(int bytes, uint64_t& value) { return Read(bytes, value, true); }
  bool Little(int bytes, uint64_t& value) { return Read(bytes, value, false); }

 private:
  bool Read(int bytes, uint64_t& value, bool bigEndian) {
    if (m_at + uint64_t(bytes) > m_data.size()) return false;
    value = 0;
    for (int i = 0; i < bytes; ++i) {
      const uint64_t b = m_data[size_t(m_at) + size_t(i)];
      value |= bigEndian ? b << (8 * (bytes - 1 - i)) : b << (8 * i);
    }
    m_at += uint64_t(bytes);
    return true;
  }

  std::span<const uint8_t> m_data;
  uint64_t m_at;
};

Failure Truncated(std::string_view format, uint64_t has, uint64_t needs) {
  return {"truncated: the " + std::string(format) + " file has " + std::to_string(has) +
          " bytes; its picture needs " + std::to_string(needs)};
}

constexpr int kMacPaintRows = 720;
constexpr int kMacPaintRowBytes = 72;

}  // namespace

Result<> PictureDataCheck::ForCoder(std::string_view coder, std::span<const uint8_t> data) {
  if (coder == "PSD" || coder == "PSB") return Psd(data);
  if (coder == "MAC") return MacPaint(data);
  if (coder == "WPG") return Wpg(data);
  return {};
}

Result<> PictureDataCheck::Psd(std::span<const uint8_t> data) {
  Cursor c(data);
  uint64_t version = 0, channels = 0, height = 0, width = 0, depth = 0;
  if (!c.Skip(4) || !c.Big(2, version) || !c.Skip(6) || !c.Big(2, channels) || !c.Big(4, height) ||
      !c.Big(4, width) || !c.Big(2, depth) || !c.Skip(2))
    return Truncated("PSD", data.size(), 26);
  const bool large = version == 2;
  // Colour mode data, image resources, then layers and masks (whose length
  // takes 8 bytes in the large format).
  for (int section = 0; section < 3; ++section) {
    uint64_t length = 0;
    if (!c.Big(section == 2 && large ? 8 : 4, length) || !c.Skip(length))
      return Truncated("PSD", data.size(), c.At() + length);
  }
  uint64_t compression = 0;
  if (!c.Big(2, compression)) return Truncated("PSD", data.size(), c.At() + 2);
  const uint64_t rows = channels * height;
  uint64_t needs = 0;
  if (compression == 0) {
    needs = rows * ((width * depth + 7) / 8);
  } else if (compression == 1) {
    // A byte count for every row of every channel, then the rows.
    const int countBytes = large ? 4 : 2;
    for (uint64_t r = 0; r < rows; ++r) {
      uint64_t count = 0;
      if (!c.Big(countBytes, count))
        return Truncated("PSD", data.size(), c.At() + (rows - r) * uint64_t(countBytes));
      needs += count;
    }
  } else {
    return {};  // zip: no sizes to check without inflating
  }
  if (needs > data.size() - c.At()) return Truncated("PSD", data.size(), c.At() + needs);
  return {};
}

Result<> PictureDataCheck::MacPaint(std::span<const uint8_t> data) {
  // As ImageMagick reads it: a 512-byte header, or 640 with a MacBinary
  // header in front; then a count byte: below 128 that many bytes plus one
  // follow as they are, else one byte repeated 257 minus the count times
  // (0 repeats once).
  Cursor c(data);
  uint64_t first = 0;
  if (!c.Little(2, first)) return Truncated("MacPaint", data.size(), 512);
  const uint64_t header = first == 0 ? 512 : 640;
  if (data.size() < header) return Truncated("MacPaint", data.size(), header);
  const uint64_t wanted = uint64_t(kMacPaintRows) * kMacPaintRowBytes;
  uint64_t made = 0;
  size_t at = size_t(header);
  while (made < wanted && at < data.size()) {
    const uint8_t count = data[at++];
    const bool repeat = count == 0 || count >= 128;
    const uint64_t n = repeat ? uint8_t(~count + 2) : uint64_t(count) + 1;
    const uint64_t present =
        repeat ? (at < data.size() ? n : 0) : std::min<uint64_t>(n, data.size() - at);
    made += present;
    at += repeat ? 1 : size_t(present);
  }
  if (made < wanted) {
    return Failure{"truncated: the MacPaint data makes " +
                   std::to_string(made / kMacPaintRowBytes) + " of its " +
                   std::to_string(kMacPaintRows) + " rows"};
  }
  return {};
}

Result<> PictureDataCheck::Wpg(std::span<const uint8_t> data) {
  Cursor c(data);
  uint64_t magic = 0, offset = 0, product = 0, type = 0, major = 0;
  if (!c.Little(4, magic) || !c.Little(4, offset) || !c.Little(1, product) || !c.Little(1, type) ||
      !c.Little(1, major))
    return Truncated("WPG", data.size(), 16);
  if (major != 1) return {};  // version 2 records are another structure
  constexpr uint64_t kEnd = 0x10, kBitmap1 = 0x0B, kBitmap2 = 0x14;
  Cursor r(data, offset);
  bool bitmap = false;
  for (;;) {
    const uint64_t start = r.At();
    uint64_t kind = 0, length = 0;
    if (!r.Little(1, kind) || !r.Little(1, length))
      return Failure{"damaged: the WPG records run to the end of the file without an end record"};
    // Lengths of 255 and more: 0xFF, then 15 bits, or 31 bits in two words.
    if (length == 0xFF) {
      uint64_t word = 0, low = 0;
      if (!r.Little(2, word) || ((word & 0x8000) && !r.Little(2, low)))
        return Failure{"damaged: a WPG record at byte " + std::to_string(start) + " is cut off"};
      length = (word & 0x8000) ? ((word & 0x7FFF) << 16) | low : word;
    }
    if (kind == kEnd) break;
    if (kind == 0 || kind > 0x1B)
      return Failure{"damaged: unknown WPG record type " + std::to_string(kind) + " at byte " +
                     std::to_string(start)};
    if (!r.Skip(length))
      return Failure{"damaged: a WPG record at byte " + std::to_string(start) + " claims " +
                     std::to_string(length) + " bytes beyond the end of the file"};
    bitmap = bitmap || kind == kBitmap1 || kind == kBitmap2;
  }
  if (!bitmap)
    return Failure{"not a picture: the WPG file holds no bitmap (drawings are not read)"};
  return {};
}

}  // namespace q9::platform
