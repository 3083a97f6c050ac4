#pragma once
// Pictures of the imaging layer on the screen. A picture is stretched onto
// an image of exactly the window's client size without smoothing: each
// screen pixel takes the picture pixel under its centre, so a bulb of the
// preview or a pixel of the source frame stays a sharp block.

#include <QImage>
#include <QRect>
#include <QSize>
#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace q9::preview {

// The part `area` of bitmap stretched over a screen of `screen` pixels, into
// out, which becomes an opaque image of the area's size. out keeps its
// storage when it has that size already, so a window that paints a large
// frame band by band, again and again, allocates nothing and its bands stay
// in the processor's cache. An empty bitmap gives black.
void StretchBitmap(const platform::Bitmap& bitmap, QSize screen, const QRect& area, QImage& out);

// The same into 32-bit 0xffRRGGBB pixels that are already there: the area's
// rows, the first at `first`, bytesPerLine apart (an image the painter draws
// into, for one).
void StretchBitmap(const platform::Bitmap& bitmap, QSize screen, const QRect& area, uchar* first,
                   size_t bytesPerLine);

// The picture index under the centre of screen pixel `index` when
// pictureSize pixels are stretched over screenSize.
int PictureIndexAt(int index, int pictureSize, int screenSize);

// The packed picture the renderer leaves behind (header block and bits) as a
// bitmap; a top-down picture (negative height) comes out with its rows in
// the bitmap's order. An empty bitmap when the header does not describe the
// bits (too few bytes, an unknown depth, compression).
platform::Bitmap BitmapOfPackedDib(const std::vector<uint8_t>& header,
                                   const std::vector<uint8_t>& bits);

}  // namespace q9::preview
