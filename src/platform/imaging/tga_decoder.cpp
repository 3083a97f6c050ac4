#include "platform/imaging/tga_decoder.h"

#include <array>
#include <cerrno>
#include <string>
#include <vector>

#include "platform/imaging/imaging_internal.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

constexpr size_t kHeaderSize = 18;
constexpr size_t kFooterSize = 26;
constexpr uint8_t kColourMapped = 1, kTrueColour = 2, kGrey = 3, kRunLength = 8;

struct Pixel {
  uint8_t b = 0, g = 0, r = 0, a = 255;
};

// A 5-bit channel at 8 bits, rounded the way ImageMagick does it (through
// its 16-bit quantum).
constexpr std::array<uint8_t, 32> kFiveBits = [] {
  std::array<uint8_t, 32> table{};
  for (unsigned v = 0; v < 32; ++v) {
    const unsigned q = (65535 * v * 2 + 31) / 62;  // 65535 v / 31, rounded
    table[v] = uint8_t(((q + 128) - ((q + 128) >> 8)) >> 8);
  }
  return table;
}();

// A 15- or 16-bit pixel: x-r-g-b, 1-5-5-5, little-endian. The top bit is
// alpha where the picture has one: clear is transparent.
Pixel FromWord(const uint8_t* p, bool alpha) {
  const unsigned word = unsigned(p[0]) | unsigned(p[1]) << 8;
  return {kFiveBits[word & 0x1F], kFiveBits[(word >> 5) & 0x1F], kFiveBits[(word >> 10) & 0x1F],
          uint8_t(alpha && (word & 0x8000) == 0 ? 0 : 255)};
}

struct Header {
  uint8_t idLength, mapType, type;
  uint16_t mapFirst, mapLength;
  uint8_t mapBits;
  uint16_t width, height;
  uint8_t bits, descriptor;

  uint8_t Kind() const { return type & ~kRunLength; }
  bool RunLength() const { return (type & kRunLength) != 0; }
};

// The kinds this decoder reads; the rest goes to ImageMagick.
bool Handled(const Header& h) {
  if ((h.type & ~(kRunLength | 3)) != 0 || h.Kind() == 0 || (h.descriptor & 0xC0) != 0 ||
      h.width == 0 || h.height == 0)
    return false;
  switch (h.Kind()) {
    case kColourMapped:
      return h.mapType == 1 && h.bits == 8 &&
             (h.mapBits == 15 || h.mapBits == 16 || h.mapBits == 24 || h.mapBits == 32);
    case kTrueColour:
      return h.mapType == 0 && (h.bits == 15 || h.bits == 16 || h.bits == 24 || h.bits == 32);
    default:
      return h.mapType == 0 && h.bits == 8;
  }
}

// TGA 2.0 files end with a footer that can point at an extension area; its
// attributes type 3 is the only one that calls the alpha bits real.
bool ExtensionDeniesAlpha(std::span<const uint8_t> data) {
  if (data.size() < kHeaderSize + kFooterSize) return false;
  const uint8_t* footer = data.data() + data.size() - kFooterSize;
  static constexpr char kSignature[] = "TRUEVISION-XFILE.";
  for (size_t i = 0; i < sizeof kSignature; ++i)
    if (footer[8 + i] != uint8_t(kSignature[i])) return false;
  const uint32_t extension = LoadU32(footer);
  constexpr size_t kExtensionSize = 495, kAttributesType = 494;
  if (extension <= 3 || extension > data.size() - kExtensionSize ||
      LoadU16(data.data() + extension) != kExtensionSize)
    return false;
  return data[extension + kAttributesType] != 3;
}

Failure Truncated(size_t size) {
  return {"truncated: the TGA file has " + std::to_string(size) +
          " bytes and ends before its last pixel"};
}

}  // namespace

std::optional<Result<Bitmap>> TgaDecoder::Decode(std::span<const uint8_t> data) {
  ByteReader in(data);
  Header h{};
  h.idLength = in.U8();
  h.mapType = in.U8();
  h.type = in.U8();
  h.mapFirst = in.U16();
  h.mapLength = in.U16();
  h.mapBits = in.U8();
  in.Skip(4);  // the origin on the screen
  h.width = in.U16();
  h.height = in.U16();
  h.bits = in.U8();
  h.descriptor = in.U8();
  if (!in.Ok() || !Handled(h)) return std::nullopt;
  if (!detail::WithinPictureLimit(h.width, h.height))
    return Result<Bitmap>(detail::TooLarge("TGA", h.width, h.height));
  in.Skip(h.idLength);

  const bool grey = h.Kind() == kGrey;
  const bool alpha = !grey && ((h.descriptor & 0x0F) != 0 || h.bits == 32 || h.mapBits == 32) &&
                     !ExtensionDeniesAlpha(data);
  // The colour map: entries before its first index are black.
  std::vector<Pixel> map;
  if (h.Kind() == kColourMapped) {
    map.assign(size_t(h.mapFirst) + h.mapLength, Pixel{});
    for (size_t i = h.mapFirst; i < map.size(); ++i) {
      const std::span<const uint8_t> entry = in.Bytes(size_t(h.mapBits + 7) / 8);
      if (entry.empty()) return Result<Bitmap>(Truncated(data.size()));
      if (h.mapBits <= 16)
        map[i] = FromWord(entry.data(), false);
      else
        map[i] = {entry[0], entry[1], entry[2], h.mapBits == 32 ? entry[3] : uint8_t(255)};
    }
  }

  Bitmap picture = Bitmap::Create(h.width, h.height, 24);
  if (!picture.HasData())
    return Result<Bitmap>(Failure{"not enough memory for the picture", ENOMEM});
  const size_t pixelBytes = size_t(h.bits + 7) / 8;
  const bool fromTop = (h.descriptor & 0x20) != 0, fromRight = (h.descriptor & 0x10) != 0;
  size_t pos = in.Position();
  unsigned runLeft = 0;
  bool repeating = false;
  Pixel pixel;
  for (int row = 0; row < h.height; ++row) {
    uint8_t* out = picture.MutableRow(fromTop ? row : h.height - 1 - row);
    for (int column = 0; column < h.width; ++column) {
      bool fresh = true;
      if (h.RunLength()) {
        if (runLeft > 0) {
          --runLeft;
          fresh = !repeating;
        } else {
          if (pos >= data.size()) return Result<Bitmap>(Truncated(data.size()));
          repeating = (data[pos] & 0x80) != 0;
          runLeft = data[pos++] & 0x7Fu;
        }
      }
      if (fresh) {
        if (data.size() - pos < pixelBytes) return Result<Bitmap>(Truncated(data.size()));
        const uint8_t* p = data.data() + pos;
        pos += pixelBytes;
        switch (h.bits) {
          case 8:
            if (grey) {
              pixel = {p[0], p[0], p[0], 255};
            } else if (p[0] < map.size()) {
              pixel = map[p[0]];
            } else {
              return Result<Bitmap>(Failure{"damaged: a TGA pixel names colour " +
                                            std::to_string(p[0]) + " of a colour map of " +
                                            std::to_string(map.size())});
            }
            break;
          case 15:
          case 16:
            pixel = FromWord(p, alpha);
            break;
          default:
            pixel = {p[0], p[1], p[2], h.bits == 32 ? p[3] : uint8_t(255)};
        }
      }
      uint8_t* o = out + 3 * size_t(fromRight ? h.width - 1 - column : column);
      const unsigned a = alpha ? pixel.a : 255;
      o[0] = detail::LaidOnWhite(pixel.b, a);
      o[1] = detail::LaidOnWhite(pixel.g, a);
      o[2] = detail::LaidOnWhite(pixel.r, a);
    }
  }
  return Result<Bitmap>(std::move(picture));
}

}  // namespace q9::platform
