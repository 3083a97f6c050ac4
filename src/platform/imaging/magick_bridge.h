#pragma once
// Between Bitmap and ImageMagick, for the adapter's own .cpp files. The
// Magick++ headers stay in the .cpp files: this header names the image class
// only forward.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace Magick {
class Image;
}

namespace q9::platform::detail {

// Starts ImageMagick once (see InitializeImaging); false when that failed.
bool EnsureMagick();

// True for the raster coders the program lets ImageMagick read (names as
// ImageMagick spells them: "JPEG", "PNG", "EPS"...).
bool IsAllowedCoder(std::string_view coder);

// Copies a picture into an ImageMagick image (24 bits per pixel).
void BitmapToMagick(const Bitmap& picture24, Magick::Image& image);
// The image as a 24-bit Bitmap: converted to sRGB first, transparent parts
// laid on white. False when the image is too large or has no pixels.
bool MagickToBitmap(Magick::Image& image, Bitmap& out);

// Runs op on an ImageMagick copy of the picture (converted to 24 bits) and
// takes the result back. Any ImageMagick error fails and leaves the picture
// as it was.
int RunMagick(Bitmap& bitmap, const std::function<void(Magick::Image&)>& op);

// The colours ImageMagick's colour reduction picks for the picture, at most
// `colours` of them.
bool OptimisedPalette(const Bitmap& picture, int colours, std::vector<RgbQuad>& palette);

}  // namespace q9::platform::detail
