#pragma once
// Writing pictures to files, and reading animations back. It belongs to the
// imaging adapter (imaging_library.h holds the rest); the same conventions
// apply: kImagingSuccess or kImagingFailure, with a one-line reason in *error
// when error is not null. Files are written under a temporary name beside
// the destination and renamed when complete, so a failure leaves no new file
// and an existing file untouched.

#include <string>
#include <vector>

#include "platform/imaging/animated_gif_writer.h"
#include "platform/imaging/bitmap.h"

namespace q9::platform {

// The largest picture written. ImageMagick refuses (and on some paths aborts
// on) wider or taller pictures than the system policy's 16,000 pixels, and
// writing a PNG takes about 16 bytes a pixel of its 256 MiB memory limit.
// The same limits hold for each frame of an animated GIF.
constexpr int kMaxSavedPictureSide = 16000;
constexpr uint64_t kMaxSavedPicturePixels = uint64_t(12) * 1024 * 1024;

// Writes the picture (any depth) in the format its name's extension gives,
// in any letter case: ".png" (lossless, 8 bits a channel) or ".gif" (one
// frame; colours as AnimatedGifWriter keeps them).
int SaveImageFile(const std::string& path, const Bitmap& picture, std::string* error);

// An animated GIF of the frames, all of one size, each shown for its delay in
// hundredths of a second (0 to 65,535), looping forever. frames and
// delaysCentiseconds have the same, non-zero, length. For long animations
// AnimatedGifWriter takes the frames one at a time instead.
int SaveAnimatedGif(const std::string& path, const std::vector<Bitmap>& frames,
                    const std::vector<int>& delaysCentiseconds, std::string* error);

// A GIF file as a viewer plays it: every frame as the whole 24-bit picture
// seen at that moment, with its delay.
struct GifAnimation {
  std::vector<Bitmap> frames;
  std::vector<int> delaysCentiseconds;
  int iterations = 0;  // 0: loops forever
};
// Reads a GIF file through ImageMagick; at most 64 frames (ImageMagick's list
// limit set at start-up).
int LoadGifAnimation(const std::string& path, GifAnimation& out, std::string* error);

}  // namespace q9::platform
