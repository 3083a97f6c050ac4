#pragma once
// Pictures of the imaging layer on the screen. A picture is stretched onto
// an image of exactly the window's client size without smoothing: each
// screen pixel takes the picture pixel under its centre, so a bulb of the
// preview or a pixel of the source frame stays a sharp block.

#include <QImage>
#include <QSize>
#include <cstdint>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace q9::preview {

// Stretches bitmap over the whole of canvas, which becomes an opaque image of
// that size. canvas keeps its storage when it has the size already, so a
// window that repaints a large frame again and again allocates nothing. An
// empty bitmap gives a black canvas.
void StretchBitmap(const platform::Bitmap& bitmap, QSize size, QImage& canvas);

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
