#pragma once
// Small pictures and checks shared by the imaging adapter's tests.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <random>
#include <span>
#include <vector>

#include "platform/base/result.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/imaging_library.h"

namespace q9::platform::test {

struct Rgb {
  int r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

// A 24-bit picture whose pixel (x, y) (y from the top) is colour(x, y).
inline Bitmap MakePicture(int w, int h, const std::function<Rgb(int, int)>& colour) {
  Bitmap b = Bitmap::Create(w, h, 24);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const Rgb c = colour(x, y);
      b.SetPixelValue(x, y, uint32_t(c.b) | uint32_t(c.g) << 8 | uint32_t(c.r) << 16);
    }
  return b;
}

inline Bitmap Uniform(int w, int h, Rgb c) {
  return MakePicture(w, h, [c](int, int) { return c; });
}

// Random colours with channels in lo..hi, the same for the same seed.
inline Bitmap Noise(int w, int h, unsigned seed, int lo = 0, int hi = 255) {
  std::mt19937 random(seed);
  std::uniform_int_distribution<int> v(lo, hi);
  return MakePicture(w, h, [&](int, int) { return Rgb{v(random), v(random), v(random)}; });
}

inline Rgb At(const Bitmap& b, int x, int y) {
  const RgbQuad q = b.PixelColour(x, y);
  return Rgb{q.red, q.green, q.blue};
}

inline bool Near(Rgb a, Rgb b, int tolerance) {
  return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
         std::abs(a.b - b.b) <= tolerance;
}

// True when every pixel of both pictures has the same colour.
inline bool SamePixels(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (!(At(a, x, y) == At(b, x, y))) return false;
  return true;
}

// True when size, depth, palette and every byte of the bits agree.
inline bool SameBitmap(const Bitmap& a, const Bitmap& b) {
  return a.Width() == b.Width() && a.Height() == b.Height() &&
         a.BitsPerPixel() == b.BitsPerPixel() && a.Palette() == b.Palette() &&
         a.ImageSize() == b.ImageSize() && std::equal(a.Bits(), a.Bits() + a.ImageSize(), b.Bits());
}

// Appends bytes to a file being made (a loop: GCC 12 at -O3 warns falsely
// about vector::insert at the end).
inline void Append(std::vector<uint8_t>& out, std::span<const uint8_t> bytes) {
  for (uint8_t b : bytes) out.push_back(b);
}
inline void Append(std::vector<uint8_t>& out, std::initializer_list<uint8_t> bytes) {
  for (uint8_t b : bytes) out.push_back(b);
}

// The first keep bytes of a file.
inline std::vector<uint8_t> Cut(std::vector<uint8_t> bytes, size_t keep) {
  bytes.resize(keep);
  return bytes;
}

// A file with the bytes from at on replaced.
inline std::vector<uint8_t> Patched(std::vector<uint8_t> bytes, size_t at,
                                    std::initializer_list<uint8_t> with) {
  for (uint8_t b : with) bytes.at(at++) = b;
  return bytes;
}

// Data one of our decoders refuses (reason: the start of its reason) or
// leaves to ImageMagick (reason null).
struct DecoderCase {
  const char* name;
  std::vector<uint8_t> bytes;
  const char* reason;
};

// One of our decoders: nothing when it leaves the data to ImageMagick.
using OwnDecode = std::optional<Result<Bitmap>> (*)(std::span<const uint8_t>);

// Our decoder reads data into exactly ImageMagick's picture of it (put the
// way `put` says, when given).
inline void ExpectSameAsMagick(OwnDecode decode, std::span<const uint8_t> data,
                               const Result<LoadedPicture>& magick,
                               const std::function<Bitmap(const Bitmap&)>& put = {}) {
  const std::optional<Result<Bitmap>> ours = decode(data);
  ASSERT_TRUE(ours.has_value());
  ASSERT_TRUE(ours->Ok()) << ours->Reason();
  ASSERT_TRUE(magick.Ok()) << magick.Reason();
  EXPECT_TRUE(SameBitmap(**ours, put ? put(magick->picture) : magick->picture));
}

inline void ExpectRefusals(OwnDecode decode, const std::vector<DecoderCase>& cases) {
  for (const DecoderCase& c : cases) {
    SCOPED_TRACE(c.name);
    const std::optional<Result<Bitmap>> r = decode(c.bytes);
    if (!c.reason) {
      EXPECT_FALSE(r.has_value());
      continue;
    }
    ASSERT_TRUE(r.has_value());
    ASSERT_FALSE(r->Ok());
    EXPECT_TRUE(r->Reason().starts_with(c.reason)) << r->Reason();
  }
}

}  // namespace q9::platform::test
