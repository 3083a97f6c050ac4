#pragma once
// Helpers shared by the imaging adapter's .cpp files. Not part of the public
// interface.

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "platform/base/result.h"
#include "platform/base/row_band_worker.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform::detail {

// The adapter's way of failing: the reason, on one line, in *error when
// error is not null, and kImagingFailure to return.
inline int ImagingFailure(std::string* error, std::string reason) {
  if (error) {
    std::replace(reason.begin(), reason.end(), '\n', ' ');
    *error = std::move(reason);
  }
  return kImagingFailure;
}

// The picture as ImageMagick decodes it with the named coder ("PNG"), after
// the completeness check of that format (picture_data_check.h).
Result<LoadedPicture> LoadWithMagick(std::span<const uint8_t> data, const std::string& coder);

// The bytes of a picture file, at most kMaxImageFileBytes.
Result<std::vector<uint8_t>> ReadImageFile(const std::string& path);

// Whether a picture of width x height is within kPictureLimit.
inline bool WithinPictureLimit(uint64_t width, uint64_t height) {
  return width <= uint64_t(kPictureLimit.maxSide) && height <= uint64_t(kPictureLimit.maxSide) &&
         width * height <= kPictureLimit.maxPixels;
}
// "too large: the PNG picture is 20000 x 9000 pixels (180 megapixels); the
// limit is 100 megapixels and 16000 pixels a side", errno EFBIG.
Failure TooLarge(std::string_view format, uint64_t width, uint64_t height);

// A copy of the picture at 24 bits per pixel (shares the pixels when it
// already is). Empty when src has no data.
Bitmap TrueColourCopy(const Bitmap& src);
// Converts in place to 24 bits per pixel; false (unchanged) without data.
bool MakeTrueColour(Bitmap& bitmap);

// Clips a w x h block at (sx, sy) in src and (dx, dy) in dst to both
// pictures; false when nothing is left.
bool ClipBlock(int dstWidth, int dstHeight, int srcWidth, int srcHeight, int& dx, int& dy, int& sx,
               int& sy, int& w, int& h);

// Copies a block that lies inside both pictures (same depth).
void CopyBlock(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h);

// For the per-pixel loops of every video frame: a copy for processors with
// 256-bit integer vectors (whose 32-bit multiply makes such loops two to
// three times as fast) and one for any other, chosen when the program loads.
#define Q9_VECTOR_CLONES __attribute__((target_clones("avx2", "default")))

// A colour byte of a pixel with alpha a (0 transparent, 255 opaque) laid on
// white, like paper: how every decoder shows transparent parts.
inline uint8_t LaidOnWhite(unsigned colour, unsigned a) {
  return uint8_t((colour * a + 255 * (255 - a) + 127) / 255);
}

// Applies a byte table to every colour byte of a 24-bit picture.
void ApplyTable24(Bitmap& bitmap, const std::array<uint8_t, 256>& table);

}  // namespace q9::platform::detail
