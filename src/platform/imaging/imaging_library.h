#pragma once
// The imaging library: every picture operation the converter uses, named
// after its role. Bitmaps are DIB-layout pictures (bitmap.h). Fast paths are
// our own pixel code; file loading and a few heavier effects go through
// ImageMagick, which stays inside this folder's .cpp files.
//
// Conventions:
// - Operations that can fail return kImagingSuccess (1) or kImagingFailure
//   (0). A failed operation leaves the picture as it was (at most converted
//   to 24 bits, when the failure came after that step).
// - They fail on a bitmap without data, on a parameter outside the range given
//   below, and when a result would exceed kMaxBitmapPixels.
// - Colour operations work at 24 bits per pixel: a bitmap of another depth is
//   converted to 24 bits first and stays at 24 bits. The exceptions are
//   invert and grey scale, which on a palette picture change the palette (or
//   map the indices) instead, and the geometric moves (copy, copy rectangle,
//   clear, blit, crop with black, flip, reverse, quarter-turn rotations, the
//   nearest-neighbour resize), which keep every depth and the palette.
// - All functions may be called from any thread on distinct bitmaps.

#include <chrono>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/base/result.h"
#include "platform/imaging/bitmap.h"

namespace q9::platform {

constexpr int kImagingSuccess = 1;
constexpr int kImagingFailure = 0;

// ---- Start-up -------------------------------------------------------------

// Starts ImageMagick once for the whole program: one worker thread, resource
// limits (kPictureLimit, no disk cache; a system policy's lower memory limit
// wins, which on Debian leaves about 32 M pixels for the formats ImageMagick
// decodes: JPEG, uncompressed BMP, most TGA, PCX and Photoshop files and
// PostScript are decoded without it), and
// the program's own security policy (raster coders only; PostScript, PDF,
// vector, text and network coders and every delegate program refused).
// Safe to call more than once and from several threads; the operations below
// call it themselves, so calling it early only picks argv0 for ImageMagick.
int InitializeImaging(const char* argv0);
// The ImageMagick release the program runs with, as it names itself
// ("ImageMagick 6.9.11-60 Q16 x86_64 ..."), for the About box.
std::string ImagingLibraryVersion();

// ---- Kernel: copies, geometry, packed bitmaps ------------------------------

// dst becomes a full copy of src (sharing pixels until either writes).
int CopyBitmap(Bitmap& dst, const Bitmap& src);
// dst becomes the width x height part of src at (left, top); the rectangle
// must lie wholly inside src.
int CopyBitmapRect(Bitmap& dst, const Bitmap& src, int left, int top, int width, int height);
// A width x height picture of src's rectangle at (left, top); where the
// rectangle lies outside src the picture is black (at 8 bits and fewer: the
// palette entry nearest to black). Empty bitmap (HasData() false) when src
// has no data or width or height is not positive. Same depth as src.
Bitmap CopyRectWithBlack(const Bitmap& src, int left, int top, int width, int height);
// Every byte of the pixels set to zero (black; palette index 0).
int ClearBitmap(Bitmap& bitmap);

// The copy raster operation: the w x h block of src at (sx, sy) is written
// into dst at (dx, dy). Clipped at both bitmaps' edges: source pixels outside
// src leave the destination unchanged. Both bitmaps need the same depth; at 8
// bits and fewer the indices are copied and dst keeps its palette. Succeeds
// also when nothing overlaps.
int BlitCopy(Bitmap& dst, int dx, int dy, const Bitmap& src, int sx, int sy, int w, int h);

// Resize flags. 0 resamples smoothly, exactly like FitBitmap.
constexpr int kResizeSmooth = 0;
constexpr int kResizeNearest = 1;  // pixel replication: keeps depth and palette
// The picture scaled to exactly width x height (aspect not kept).
int ResizeBitmap(Bitmap& bitmap, int width, int height, int flags);
// The picture scaled to exactly width x height (aspect not kept): area
// averaging along an axis that shrinks, bilinear along one that grows, a copy
// along one that keeps its size. A uniform picture stays exactly uniform.
int FitBitmap(Bitmap& bitmap, int width, int height);
// The same from src into dst, which keeps its own storage when it already is
// a 24-bit width x height picture (no allocation frame after frame). dst is
// unchanged when this fails.
int FitBitmap(const Bitmap& src, Bitmap& dst, int width, int height);

// Packed device-independent bitmap: a 40-byte header (colours-used 2^bits at
// 8 bits and fewer, the palette padded with black, 0 otherwise; image size
// filled in), the colour table, then the bottom-up bits, in one buffer.
int BitmapToPacked(const Bitmap& bitmap, std::vector<uint8_t>& packed);
// From a packed bitmap in one buffer. Checked: header size of at least 40
// bytes, one plane, no compression, width 1 and up, height not 0 (negative:
// rows top-down), depth 1, 4, 8, 16, 24 or 32, colours-used no more than 2^bits
// (0: 2^bits at 8 bits and fewer), enough bytes for table and bits, and the
// pixel limit. A palette shorter than 2^bits is padded with black.
int BitmapFromPacked(Bitmap& bitmap, std::span<const uint8_t> packed);
// The same from a header block (header and colour table) and separate bits.
int BitmapFromPacked(Bitmap& bitmap, std::span<const uint8_t> headerAndColours,
                     std::span<const uint8_t> bits);

// Colour-resolution option flags; the two option words of the dialog are
// ORed. A palette flag matters only for 1, 4 and 8 bits per pixel:
constexpr uint32_t kColourResFixedPalette = 0x0001;      // the default
constexpr uint32_t kColourResOptimisedPalette = 0x0002;  // chosen for the picture
constexpr uint32_t kColourResGreyPalette = 0x0008;       // 2^bits evenly spaced greys
// Floyd-Steinberg error diffusion when mapping to a palette; without it each
// pixel takes its nearest palette colour.
constexpr uint32_t kColourResDither = 0x00010000;
// Fixed palettes: 1 bit black and white; 4 bits the 16 standard colours;
// 8 bits a 6 x 6 x 6 colour cube and 40 further greys. 16 bits is 5-5-5
// (truncated), 32 bits is blue, green, red and a zero byte. Other bits of
// flags are ignored. bitsPerPixel 0 leaves the picture as it is (success).
int ColourResolution(Bitmap& bitmap, int bitsPerPixel, uint32_t flags);
int ColourResolution(const Bitmap& src, Bitmap& dst, int bitsPerPixel, uint32_t flags);

// Mirrored top to bottom / left to right; any depth.
int FlipBitmap(Bitmap& bitmap);
int ReverseBitmap(Bitmap& bitmap);
// Rotation flags.
constexpr int kRotateKeepSize = 0;
constexpr int kRotateResize = 1;  // the canvas grows to hold the whole picture
// Clockwise by angleDegrees (any integer; taken modulo 360). Quarter turns
// are exact pixel moves at any depth; with kRotateKeepSize they stay centred
// on the old canvas, cut and black-filled. Other angles resample bilinearly
// at 24 bits with black outside the picture.
int RotateBitmap(Bitmap& bitmap, int angleDegrees, int flags);

// 8 bits per pixel with a 256-entry grey palette (palette index = grey
// level); grey = (77 R + 150 G + 29 B + 128) / 256.
int GreyScaleBitmap(Bitmap& bitmap);

// Combine operations.
constexpr uint32_t kCombineAdd = 0x300;  // dst = min(dst + src, 255) per channel
// Merges the w x h block of src at (sx, sy) into dst at (dx, dy), clipped like
// BlitCopy. Only kCombineAdd is known.
int CombineBitmap(Bitmap& dst, int dx, int dy, int w, int h, const Bitmap& src, int sx, int sy,
                  uint32_t operation);

// ---- Adjustments (run on every full frame: tables, integer arithmetic) -----
// change -1000..1000, 0 is the identity.

// Adds change * 255 / 1000 (truncated) to every channel.
int ChangeBrightness(Bitmap& bitmap, int change);
// Scales each channel's distance from 128 by (1000 + change) / 1000 when
// change <= 0 and by 1000 / (1000 - change) when change > 0, rounded; -1000
// gives flat 128 grey, 1000 a threshold at 128.
int ChangeContrast(Bitmap& bitmap, int change);
// Scales each channel's distance from the pixel's grey (see GreyScaleBitmap)
// by (1000 + change) / 1000: -1000 gives grey, 1000 doubles the chroma.
int ChangeSaturation(Bitmap& bitmap, int change);
// Rotates every colour about the grey axis by angle degrees (-180..180):
// positive turns red towards green. The sum R + G + B is kept (until
// clipping); 180 turns pure red (255, 0, 0) into (0, 170, 170).
int ChangeHue(Bitmap& bitmap, int angle);
// Brightness, contrast, hue and saturation (each only when not 0) in one
// pass from src into dst: exactly the picture that ChangeBrightness,
// ChangeContrast, ChangeHue and ChangeSaturation called in that order would
// give. dst becomes a 24-bit picture; it keeps its own storage when it has
// src's size (no allocation frame after frame) and shares src when all four
// are 0. Fails, with dst unchanged, when any value is outside its range or
// src has no data. src and dst may be the same bitmap.
int AdjustColours(const Bitmap& src, Bitmap& dst, int brightness, int contrast, int hue,
                  int saturation);
// out = 255 * (in / 255) ^ (100 / gammaTimes100), gammaTimes100 1..100000:
// above 100 brightens, below darkens.
int GammaCorrect(Bitmap& bitmap, int gammaTimes100);

// ---- Effects --------------------------------------------------------------

// Histogram equalisation of each channel (ImageMagick).
int HistogramEqualize(Bitmap& bitmap);
// levels 2..64 evenly spaced values per channel (ImageMagick).
int Posterize(Bitmap& bitmap, int levels);
// tile 2..64: each tile (from the top left) takes its mean colour.
int Mosaic(Bitmap& bitmap, int tile);
// size 3..11 (an even size acts as the next odd one): mean of the size x size
// neighbourhood, edges repeated.
int AverageFilter(Bitmap& bitmap, int size);
// size 3..11 (even: the next odd size): median of the size x size
// neighbourhood (ImageMagick).
int MedianFilter(Bitmap& bitmap, int size);
// change -1000..1000: above 0 an unsharp mask of amount change / 500 (sigma
// 1), below 0 a Gaussian blur of sigma 2 * -change / 1000 (ImageMagick).
int Sharpen(Bitmap& bitmap, int change);
// Uniform noise of amplitude |level| * 255 / 1000 (level -1000..1000, the
// sign is not used) added to every channel (channel 0: the same value to
// red, green and blue) or only red (1), green (2) or blue (3). The generator
// starts from a fixed seed, so the same picture always gets the same noise.
int AddNoise(Bitmap& bitmap, int level, int channel);
// Grey relief lit from direction (0 north .. 7 north-west, clockwise):
// 128 + (grey of the neighbour towards the light - grey of the neighbour
// away from it) * depth / 500, depth 0..1000.
int Emboss(Bitmap& bitmap, int direction, int depth);

// Predefined 3 x 3 spatial filters (the kernels are listed in
// spatial_filters.cpp). Each channel: sum of kernel x neighbourhood, edges
// repeated, clipped to 0..255, so only responses of the kernel's own sign
// show.
constexpr int kFilterGradientFirst = 8;    // 8..15: N, NE, E, SE, S, SW, W, NW
constexpr int kFilterLaplacianFirst = 16;  // 16..21: 1, 2, 3, diagonal, horizontal, vertical
constexpr int kFilterSobelFirst = 22;      // 22 horizontal, 23 vertical
constexpr int kFilterPrewittFirst = 24;    // 24 horizontal, 25 vertical
constexpr int kFilterShiftDiffFirst = 26;  // 26..28: diagonal, horizontal, vertical
// 29..32: horizontal, vertical, left-to-right (rising), right-to-left (falling).
constexpr int kFilterLineSegmentFirst = 29;
constexpr int kFilterLast = 32;
int SpatialFilter(Bitmap& bitmap, int predefinedFilter);

// Halftone in black and white (24 bits): type 0 (print) round clustered dots
// on a 6-pixel screen, type 1 (view) an 8 x 8 ordered dither; the screen is
// turned by angle hundredths of a degree.
int Halftone(Bitmap& bitmap, int type, int angle);
// 255 - value per channel; a palette picture inverts its palette.
int InvertBitmap(Bitmap& bitmap);
// Contrast about the picture's mean grey instead of 128 (same scaling as
// ChangeContrast), change -1000..1000.
int HistoContrast(Bitmap& bitmap, int change);
// Stretches the darkest channel value to 0 and the brightest to 255 (one
// linear map for all channels, so hues stay).
int StretchIntensity(Bitmap& bitmap);

// ---- Loading --------------------------------------------------------------

// The largest picture a file may hold: 100 million pixels (a 100-megapixel
// photo converts with room to spare) and 16,000 pixels a side (ImageMagick
// aborts the program on wider pictures, so none may reach its effects).
struct PictureSizeLimit {
  int maxSide;
  uint64_t maxPixels;
};
inline constexpr PictureSizeLimit kPictureLimit{16000, 100'000'000};
static_assert(kPictureLimit.maxPixels <= kMaxBitmapPixels);

// How long and how large Encapsulated PostScript may run (Ghostscript, in a
// child process: postscript_rasterizer.h).
struct PostScriptLimits {
  std::chrono::milliseconds wallTime{20'000};
  unsigned cpuSeconds = 20;
  uint64_t memoryBytes = uint64_t(1) << 30;  // address space
};
// The limits of every later load, for the whole program (the default above
// until then). Safe from any thread.
void SetPostScriptLimits(const PostScriptLimits& limits);
PostScriptLimits CurrentPostScriptLimits();

struct LoadOptions {
  // Polled while a PostScript document is drawn; true stops it at once (the
  // load then fails with "cancelled"). Other formats load without waiting.
  std::function<bool()> cancelled;
};

struct LoadedPicture {
  Bitmap picture;  // 24 bits per pixel
  // The decoder's words when it reported damage but delivered every row of
  // the picture; empty otherwise.
  std::string warning;
};

// Loads the first image of a still-image file at 24 bits per pixel. The
// format is taken from the content; the name's extension only helps formats
// without a signature (TGA, PCD, MAC, PICT). Transparent parts are laid on
// white; PostScript is drawn at 72 pixels an inch (smaller pages for
// documents larger than 4,000 pixels). The reason of a failure is one line
// that starts with what went wrong when it is one of these: "not a
// picture", "truncated", "damaged", "too large" (with the picture's size and
// the limit), "unreadable", "PostScript time-out", "cancelled".
Result<LoadedPicture> LoadPicture(const std::string& path, const LoadOptions& options = {});
// The same from bytes in memory; formatHint is an extension or format name
// ("tga", "PCD") for content without a signature.
Result<LoadedPicture> LoadPictureBlob(std::span<const uint8_t> data, std::string_view formatHint,
                                      const LoadOptions& options = {});

// The imaging library's "load file": LoadPicture with kImagingSuccess, or
// kImagingFailure with the reason in *error (when error is not null) and
// out left empty. A warning is dropped.
int LoadFile(const std::string& path, Bitmap& out, std::string* error);
// The same from bytes in memory.
int LoadBlob(std::span<const uint8_t> data, Bitmap& out, std::string* error,
             std::string_view formatHint = {});
// Files larger than this are refused before reading.
// (320 MiB holds an uncompressed 24-bit picture of kPictureLimit.)
constexpr uint64_t kMaxImageFileBytes = uint64_t(320) * 1024 * 1024;

}  // namespace q9::platform
