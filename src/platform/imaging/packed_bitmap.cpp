// Conversion between Bitmap and the packed device-independent bitmap, the
// form in which frames travel to the bulb converter and come from the video
// decoder. Everything read from a packed bitmap is checked before use.

#include <climits>
#include <cstring>

#include "platform/imaging/imaging_library.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

constexpr size_t kHeaderSize = sizeof(BitmapInfoHeader);

struct ParsedHeader {
  BitmapInfoHeader h;
  size_t tableEntries = 0;
  size_t tableOffset = 0;
};

bool ParseHeader(std::span<const uint8_t> block, ParsedHeader& out) {
  ByteReader r(block);
  BitmapInfoHeader& h = out.h;
  h.biSize = r.U32();
  h.biWidth = int32_t(r.U32());
  h.biHeight = int32_t(r.U32());
  h.biPlanes = r.U16();
  h.biBitCount = r.U16();
  h.biCompression = r.U32();
  h.biSizeImage = r.U32();
  h.biXPelsPerMeter = int32_t(r.U32());
  h.biYPelsPerMeter = int32_t(r.U32());
  h.biClrUsed = r.U32();
  h.biClrImportant = r.U32();
  if (!r.Ok() || h.biSize < kHeaderSize || h.biSize > block.size()) return false;
  if (h.biPlanes != 1 || h.biCompression != 0 || !Bitmap::IsSupportedDepth(h.biBitCount))
    return false;
  if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN) return false;
  const uint64_t rows = uint64_t(h.biHeight < 0 ? -int64_t(h.biHeight) : h.biHeight);
  if (uint64_t(h.biWidth) * rows > kMaxBitmapPixels) return false;
  uint64_t entries = h.biClrUsed;
  if (h.biBitCount <= 8) {
    const uint64_t full = uint64_t(1) << h.biBitCount;
    if (entries == 0) entries = full;
    if (entries > full) return false;
  } else if (entries > 256) {
    return false;  // a table of a true-colour bitmap is only a display hint
  }
  out.tableEntries = size_t(entries);
  out.tableOffset = h.biSize;
  return true;
}

int Build(Bitmap& bitmap, const ParsedHeader& p, std::span<const uint8_t> table,
          std::span<const uint8_t> bits) {
  const BitmapInfoHeader& h = p.h;
  const int rows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
  Bitmap out = Bitmap::Create(h.biWidth, rows, h.biBitCount);
  if (!out.HasData() || bits.size() < out.ImageSize() || table.size() < 4 * p.tableEntries)
    return kImagingFailure;
  if (h.biBitCount <= 8) {
    // Pad to 2^bits so that every index a pixel can hold has a colour.
    std::vector<RgbQuad> palette(size_t(1) << h.biBitCount);
    for (size_t i = 0; i < p.tableEntries; ++i) {
      const uint8_t* e = table.data() + 4 * i;
      palette[i] = RgbQuad{e[0], e[1], e[2], e[3]};
    }
    out.SetPalette(std::move(palette));
  }
  const size_t stride = out.Stride();
  if (h.biHeight > 0) {
    std::memcpy(out.MutableBits(), bits.data(), out.ImageSize());
  } else {
    for (int y = 0; y < rows; ++y)
      std::memcpy(out.MutableRow(y), bits.data() + size_t(y) * stride, stride);
  }
  bitmap = std::move(out);
  return kImagingSuccess;
}

}  // namespace

int BitmapToPacked(const Bitmap& bitmap, std::vector<uint8_t>& packed) {
  if (!bitmap.HasData()) return kImagingFailure;
  const int bpp = bitmap.BitsPerPixel();
  const size_t entries = bpp <= 8 ? size_t(1) << bpp : 0;
  ByteWriter w;
  w.U32(uint32_t(kHeaderSize));
  w.U32(uint32_t(bitmap.Width()));
  w.U32(uint32_t(bitmap.Height()));
  w.U16(1);
  w.U16(uint16_t(bpp));
  w.U32(0);
  w.U32(uint32_t(bitmap.ImageSize()));
  w.U32(0);
  w.U32(0);
  w.U32(uint32_t(entries));
  w.U32(0);
  for (size_t i = 0; i < entries; ++i) {
    const RgbQuad c = i < bitmap.Palette().size() ? bitmap.Palette()[i] : RgbQuad{};
    w.U8(c.blue);
    w.U8(c.green);
    w.U8(c.red);
    w.U8(c.reserved);
  }
  w.Bytes(std::span<const uint8_t>(bitmap.Bits(), bitmap.ImageSize()));
  packed = w.Take();
  return kImagingSuccess;
}

int BitmapFromPacked(Bitmap& bitmap, std::span<const uint8_t> packed) {
  ParsedHeader p;
  if (!ParseHeader(packed, p)) return kImagingFailure;
  const size_t bitsOffset = p.tableOffset + 4 * p.tableEntries;
  if (bitsOffset > packed.size()) return kImagingFailure;
  return Build(bitmap, p, packed.subspan(p.tableOffset, 4 * p.tableEntries),
               packed.subspan(bitsOffset));
}

int BitmapFromPacked(Bitmap& bitmap, std::span<const uint8_t> headerAndColours,
                     std::span<const uint8_t> bits) {
  ParsedHeader p;
  if (!ParseHeader(headerAndColours, p) ||
      p.tableOffset + 4 * p.tableEntries > headerAndColours.size())
    return kImagingFailure;
  return Build(bitmap, p, headerAndColours.subspan(p.tableOffset, 4 * p.tableEntries), bits);
}

}  // namespace q9::platform
