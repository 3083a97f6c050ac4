#include "sequence/bulb_drawing.h"

#include <algorithm>

#include "platform/imaging/imaging_library.h"
#include "platform/signlib/bulb_converter.h"
#include "platform/signlib/packed_dib.h"

namespace q9::sequence {

using platform::Bitmap;

platform::Result<Bitmap> BulbPicture(std::span<const uint8_t> bulbs,
                                     const platform::SignGeometry& geometry) {
  uint32_t size = 0, option = 0;
  int rc = platform::CalcBulbDIBSize(geometry.rows, geometry.columns, geometry.colorType, &size,
                                     &option);
  if (rc != platform::kBulbCvOk)
    return platform::Failure{"the bulb converter refuses the sign geometry (code " +
                             std::to_string(rc) + ")"};
  std::vector<uint8_t> header(platform::kDibHeaderBlockSize);
  std::vector<uint8_t> bits(size);
  rc = platform::Bulb2DIB(bulbs.data(), uint32_t(std::min<size_t>(bulbs.size(), UINT32_MAX)),
                          geometry.rows, geometry.columns, geometry.colorType, header.data(),
                          bits.data(), size, option);
  if (rc != platform::kBulbCvOk)
    return platform::Failure{"the bulb converter cannot draw the bulb data (code " +
                             std::to_string(rc) + ")"};
  Bitmap picture;
  if (platform::BitmapFromPacked(picture, header, bits) != platform::kImagingSuccess)
    return platform::Failure{"the bulb picture is too large"};
  return picture;
}

std::vector<uint8_t> LampCoverage(int zoom) {
  constexpr int kSamples = 4;  // per pixel and axis
  const double diameter = zoom - std::max(1, zoom / 8);
  const double radius2 = diameter * diameter / 4;
  const double centre = zoom / 2.0;
  std::vector<uint8_t> coverage(size_t(zoom) * size_t(zoom));
  for (int y = 0; y < zoom; ++y)
    for (int x = 0; x < zoom; ++x) {
      int inside = 0;
      for (int sy = 0; sy < kSamples; ++sy)
        for (int sx = 0; sx < kSamples; ++sx) {
          const double dx = x + (sx + 0.5) / kSamples - centre;
          const double dy = y + (sy + 0.5) / kSamples - centre;
          if (dx * dx + dy * dy <= radius2) ++inside;
        }
      constexpr int kAll = kSamples * kSamples;
      coverage[size_t(y) * size_t(zoom) + size_t(x)] = uint8_t((inside * 255 + kAll / 2) / kAll);
    }
  return coverage;
}

bool DrawBulbs(Bitmap& dst, int left, int top, const Bitmap& picture, int zoom,
               std::span<const uint8_t> coverage) {
  if (dst.BitsPerPixel() != 24 || picture.BitsPerPixel() != 24 || !dst.HasData() ||
      !picture.HasData() || zoom < 1 || left < 0 || top < 0)
    return false;
  const bool lamps = zoom >= kLampZoom;
  if (lamps && coverage.size() != size_t(zoom) * size_t(zoom)) return false;
  if (int64_t(left) + int64_t(picture.Width()) * zoom > dst.Width() ||
      int64_t(top) + int64_t(picture.Height()) * zoom > dst.Height())
    return false;
  for (int by = 0; by < picture.Height(); ++by) {
    const uint8_t* bulbRow = picture.Row(by);
    for (int py = 0; py < zoom; ++py) {
      uint8_t* out = dst.MutableRow(top + by * zoom + py) + size_t(left) * 3;
      const uint8_t* cover = lamps ? coverage.data() + size_t(py) * size_t(zoom) : nullptr;
      for (int bx = 0; bx < picture.Width(); ++bx) {
        const uint8_t* colour = bulbRow + size_t(bx) * 3;
        for (int px = 0; px < zoom; ++px, out += 3) {
          if (!lamps) {
            out[0] = colour[0], out[1] = colour[1], out[2] = colour[2];
            continue;
          }
          const unsigned c = cover[px];
          for (int k = 0; k < 3; ++k) out[k] = uint8_t((colour[k] * c + 127) / 255);
        }
      }
    }
  }
  return true;
}

}  // namespace q9::sequence
