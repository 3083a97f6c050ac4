#pragma once
// Whether a picture file holds all the data its header promises, for the
// formats whose ImageMagick decoders say nothing when it does not: a PSD or
// MacPaint file cut short decodes without a word, the missing rows left
// blank, and WPG records that run off the end of the file or hold no
// picture at all decode into a blank 1 x 1 picture. Each check reads only
// the structure, never the pixels.

#include <cstdint>
#include <span>
#include <string_view>

#include "platform/base/result.h"

namespace q9::platform {

class PictureDataCheck {
 public:
  // The check for an ImageMagick coder name ("PSD", "MAC", "WPG"); success
  // for every other format.
  static Result<> ForCoder(std::string_view coder, std::span<const uint8_t> data);

  // Photoshop (and its large-document variant): the pixel data of the
  // composite image, raw or run-length coded, must lie inside the file.
  static Result<> Psd(std::span<const uint8_t> data);
  // MacPaint: the run-length data must make all 720 rows.
  static Result<> MacPaint(std::span<const uint8_t> data);
  // WordPerfect Graphics 1: records follow each other to an end record
  // inside the file, and one of them is a bitmap.
  static Result<> Wpg(std::span<const uint8_t> data);
};

}  // namespace q9::platform
