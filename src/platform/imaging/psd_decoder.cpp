#include "platform/imaging/psd_decoder.h"

#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/imaging/imaging_internal.h"

namespace q9::platform {
namespace {

constexpr uint16_t kGreyMode = 1, kRgbMode = 3;
constexpr uint16_t kRaw = 0, kPackBits = 1;
constexpr uint16_t kVersionInfoResource = 0x0421;

// Big-endian reads that never pass the end: a short read sets the failed
// flag and yields zeros.
class BigEndianReader {
 public:
  explicit BigEndianReader(std::span<const uint8_t> data) : m_data(data) {}
  bool Ok() const { return !m_failed; }
  size_t Position() const { return m_pos; }
  uint16_t U16() { return Take(2) ? uint16_t(m_data[m_pos - 2] << 8 | m_data[m_pos - 1]) : 0; }
  uint32_t U32() {
    const uint32_t high = U16();
    return high << 16 | U16();
  }
  bool Tag(const char (&tag)[5]) { return Take(4) && std::memcmp(&m_data[m_pos - 4], tag, 4) == 0; }
  std::span<const uint8_t> Bytes(uint64_t n) {
    if (!Take(n)) return {};
    return m_data.subspan(m_pos - size_t(n), size_t(n));
  }
  void Skip(uint64_t n) { Take(n); }

 private:
  bool Take(uint64_t n) {
    if (m_failed || n > m_data.size() - m_pos) {
      m_failed = true;
      return false;
    }
    m_pos += size_t(n);
    return true;
  }

  std::span<const uint8_t> m_data;
  size_t m_pos = 0;
  bool m_failed = false;
};

// A 16-bit sample at 8 bits, rounded the way ImageMagick does it.
uint8_t EightBits(unsigned v) {
  return uint8_t(((v + 128) - ((v + 128) >> 8)) >> 8);
}

// Whether the image resources are readable and do not say that the file
// lacks its flattened picture (the version information's "has real merged
// data" byte set to 0).
bool ResourcesAllowFlattened(std::span<const uint8_t> resources) {
  BigEndianReader r(resources);
  while (r.Ok() && r.Position() < resources.size()) {
    if (!r.Tag("8BIM")) return false;
    const uint16_t id = r.U16();
    const std::span<const uint8_t> name = r.Bytes(1);
    if (name.empty()) return false;
    r.Skip((name[0] + 2u) / 2 * 2 - 1);  // a Pascal string padded to even
    const uint32_t size = r.U32();
    const std::span<const uint8_t> block = r.Bytes(size);
    r.Skip(size % 2);
    if (id == kVersionInfoResource && block.size() >= 5 && block[4] == 0) return false;
  }
  return r.Ok();
}

// Whether the layer section gives the flattened picture transparency (a
// negative layer count, in the layer information or, for documents of 16
// and 32 bits, in its "Lr16" or "Lr32" block); nothing when it cannot tell.
std::optional<bool> FlattenedHasAlpha(std::span<const uint8_t> section) {
  if (section.empty()) return false;
  BigEndianReader r(section);
  const uint32_t layerInfo = r.U32();
  if (layerInfo == 0) {
    r.U32();  // the global mask's length
    if (r.Position() == section.size()) return false;
    if (!r.Tag("8BIM")) return std::nullopt;
    const std::span<const uint8_t> key = r.Bytes(4);
    if (key.empty() ||
        (std::memcmp(key.data(), "Lr16", 4) != 0 && std::memcmp(key.data(), "Lr32", 4) != 0))
      return std::nullopt;
    if (r.U32() == 0) return false;
  }
  const int16_t layers = int16_t(r.U16());
  if (!r.Ok()) return std::nullopt;
  return layers < 0;
}

Failure Truncated(size_t size) {
  return {"truncated: the PSD file has " + std::to_string(size) +
          " bytes and ends before its picture does"};
}

// Unpacks one PackBits row into out; false when the codes do not make
// exactly out.size() bytes.
bool UnpackRow(std::span<const uint8_t> in, std::span<uint8_t> out) {
  size_t i = 0, o = 0;
  while (i < in.size()) {
    const int n = in[i] < 128 ? int(in[i]) : int(in[i]) - 256;  // a signed byte
    ++i;
    if (n >= 0) {
      const size_t count = size_t(n) + 1;
      if (count > in.size() - i || count > out.size() - o) return false;
      std::memcpy(out.data() + o, in.data() + i, count);
      i += count;
      o += count;
    } else if (n != -128) {
      const size_t count = size_t(1 - n);
      if (i >= in.size() || count > out.size() - o) return false;
      std::memset(out.data() + o, in[i++], count);
      o += count;
    }
  }
  return o == out.size();
}

}  // namespace

std::optional<Result<Bitmap>> PsdDecoder::Decode(std::span<const uint8_t> data) {
  BigEndianReader r(data);
  if (!r.Tag("8BPS") || r.U16() != 1) return std::nullopt;
  r.Skip(6);
  const uint16_t channels = r.U16();
  const uint32_t height = r.U32(), width = r.U32();
  const uint16_t depth = r.U16(), mode = r.U16();
  const unsigned colours = mode == kRgbMode ? 3 : 1;
  if (!r.Ok() || (mode != kGreyMode && mode != kRgbMode) || (depth != 8 && depth != 16) ||
      channels < colours || channels > 56 || width == 0 || height == 0)
    return std::nullopt;
  if (!detail::WithinPictureLimit(width, height))
    return Result<Bitmap>(detail::TooLarge("PSD", width, height));
  if (r.U32() != 0) return std::nullopt;  // a colour table: not for these modes
  const std::span<const uint8_t> resources = r.Bytes(r.U32());
  const uint32_t sectionLength = r.U32();
  const std::span<const uint8_t> section = r.Bytes(sectionLength);
  if (!r.Ok()) return Result<Bitmap>(Truncated(data.size()));
  if (!ResourcesAllowFlattened(resources)) return std::nullopt;
  const std::optional<bool> alpha = FlattenedHasAlpha(section);
  if (!alpha || *alpha) return std::nullopt;
  const uint16_t compression = r.U16();
  if (compression != kRaw && compression != kPackBits) return std::nullopt;

  // Each channel's rows, one after the other; PackBits rows are preceded by
  // a table of their lengths for every row of every channel.
  const size_t rowBytes = size_t(width) * (depth / 8);
  const size_t rows = size_t(height) * channels;
  std::vector<uint32_t> packedRow;
  uint64_t pictureBytes = uint64_t(rowBytes) * rows;
  if (compression == kPackBits) {
    packedRow.resize(rows);
    pictureBytes = 0;
    for (uint32_t& length : packedRow) pictureBytes += length = r.U16();
  }
  r.Skip(pictureBytes);
  if (!r.Ok()) return Result<Bitmap>(Truncated(data.size()));
  const uint8_t* next = data.data() + r.Position() - pictureBytes;

  Bitmap picture = Bitmap::Create(int(width), int(height), 24);
  if (!picture.HasData())
    return Result<Bitmap>(Failure{"not enough memory for the picture", ENOMEM});
  std::vector<uint8_t> unpacked(compression == kPackBits ? rowBytes : 0);
  for (unsigned channel = 0; channel < colours; ++channel) {
    for (uint32_t y = 0; y < height; ++y) {
      const uint8_t* samples = next;
      if (compression == kPackBits) {
        const uint32_t length = packedRow[size_t(channel) * height + y];
        if (!UnpackRow({next, length}, unpacked)) {
          return Result<Bitmap>(Failure{"damaged: row " + std::to_string(y + 1) +
                                        " of PSD channel " + std::to_string(channel + 1) +
                                        " does not unpack to its width"});
        }
        samples = unpacked.data();
        next += length;
      } else {
        next += rowBytes;
      }
      uint8_t* out = picture.MutableRow(int(y)) + (colours == 3 ? 2 - channel : 0);
      for (uint32_t x = 0; x < width; ++x, out += 3) {
        const uint8_t v =
            depth == 8 ? samples[x] : EightBits(unsigned(samples[2 * x]) << 8 | samples[2 * x + 1]);
        out[0] = v;
        if (colours == 1) out[1] = out[2] = v;
      }
    }
  }
  return Result<Bitmap>(std::move(picture));
}

}  // namespace q9::platform
