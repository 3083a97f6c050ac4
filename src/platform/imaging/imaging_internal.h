#pragma once
// Helpers shared by the imaging adapter's .cpp files. Not part of the public
// interface.

#include <array>
#include <cstdint>
#include <system_error>
#include <thread>

#include "platform/imaging/bitmap.h"

namespace q9::platform::detail {

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

// Runs body(firstRow, endRow) over the rows, splitting them over two threads
// when the picture is large enough for the second thread to pay for itself.
constexpr uint64_t kParallelPixels = 200'000;
template <class Body>
void ForRowBands(int height, uint64_t pixels, Body&& body) {
  if (pixels < kParallelPixels || height < 2) {
    body(0, height);
    return;
  }
  const int middle = height / 2;
  std::thread second;
  try {
    second = std::thread([&body, middle, height] { body(middle, height); });
  } catch (const std::system_error&) {
    body(0, height);  // no thread to be had: do it all here
    return;
  }
  body(0, middle);
  second.join();
}

// Applies a byte table to every colour byte of a 24-bit picture.
void ApplyTable24(Bitmap& bitmap, const std::array<uint8_t, 256>& table);

}  // namespace q9::platform::detail
