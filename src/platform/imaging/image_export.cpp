// Writing pictures: PNG through ImageMagick into memory and from there into
// the temporary file, so ImageMagick never sees a file name; GIF through our
// own encoder (animated_gif_writer.cpp).

#include "platform/imaging/image_export.h"

#include <Magick++.h>
#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform/base/atomic_file.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"

namespace q9::platform {
namespace {

std::string LowerExtension(const std::string& path) {
  std::string ext = std::filesystem::path(path).extension().string();
  std::transform(ext.begin(), ext.end(), ext.begin(),
                 [](unsigned char ch) { return char(std::tolower(ch)); });
  return ext;
}

std::string SizeText(int width, int height) {
  return std::to_string(width) + " x " + std::to_string(height) + " pixels";
}

bool WithinLimits(int width, int height) {
  return width <= kMaxSavedPictureSide && height <= kMaxSavedPictureSide &&
         uint64_t(width) * uint64_t(height) <= kMaxSavedPicturePixels;
}

int SavePng(const std::string& path, const Bitmap& picture, std::string* error) {
  if (!detail::EnsureMagick())
    return detail::ImagingFailure(error, "the imaging library could not start");
  // ImageMagick aborts instead of failing on a picture wider or higher than
  // its limits: a lower system policy than ours must not reach it.
  if (uint64_t(picture.Width()) > MagickCore::GetMagickResourceLimit(MagickCore::WidthResource) ||
      uint64_t(picture.Height()) > MagickCore::GetMagickResourceLimit(MagickCore::HeightResource))
    return detail::ImagingFailure(error, "cannot write " + path + ": a picture of " +
                                             SizeText(picture.Width(), picture.Height()) +
                                             " is larger than the imaging library allows");
  const Bitmap source = detail::TrueColourCopy(picture);
  if (!source.HasData())
    return detail::ImagingFailure(error, "cannot write " + path + ": not enough memory");
  Magick::Blob blob;
  try {
    Magick::Image image;
    image.quiet(true);
    detail::BitmapToMagick(source, image);
    image.magick("PNG");
    image.depth(8);
    // No time stamps: the same picture always gives the same file.
    image.defineValue("png", "exclude-chunks", "date,tIME");
    image.write(&blob);
  } catch (const std::exception& e) {
    return detail::ImagingFailure(error, "cannot write " + path + ": " + e.what());
  }
  if (blob.length() == 0)
    return detail::ImagingFailure(error, "cannot write " + path + ": no PNG data made");
  AtomicFile file;
  Result<> saved = file.Open(path);
  if (saved) saved = file.Write({static_cast<const uint8_t*>(blob.data()), blob.length()});
  if (saved) saved = file.Commit();
  if (!saved) return detail::ImagingFailure(error, "cannot write " + path + ": " + saved.Reason());
  return kImagingSuccess;
}

int SaveGif(const std::string& path, const Bitmap& picture, std::string* error) {
  AnimatedGifWriter writer;
  if (writer.Open(path, picture.Width(), picture.Height(), error) != kImagingSuccess ||
      writer.AddFrame(picture, 0, error) != kImagingSuccess)
    return kImagingFailure;
  return writer.Commit(error);
}

}  // namespace

int SaveImageFile(const std::string& path, const Bitmap& picture, std::string* error) {
  const std::string ext = LowerExtension(path);
  if (ext != ".png" && ext != ".gif")
    return detail::ImagingFailure(
        error, "cannot write " + path + ": unknown picture format (use .png or .gif)");
  if (!picture.HasData())
    return detail::ImagingFailure(error, "cannot write " + path + ": no picture");
  if (!WithinLimits(picture.Width(), picture.Height()))
    return detail::ImagingFailure(error, "cannot write " + path + ": a picture of " +
                                             SizeText(picture.Width(), picture.Height()) +
                                             " is larger than the limit");
  return ext == ".png" ? SavePng(path, picture, error) : SaveGif(path, picture, error);
}

int SaveAnimatedGif(const std::string& path, const std::vector<Bitmap>& frames,
                    const std::vector<int>& delaysCentiseconds, std::string* error) {
  if (frames.empty()) return detail::ImagingFailure(error, "cannot write " + path + ": no frames");
  if (frames.size() != delaysCentiseconds.size())
    return detail::ImagingFailure(error, "cannot write " + path + ": " +
                                             std::to_string(frames.size()) + " frames but " +
                                             std::to_string(delaysCentiseconds.size()) + " delays");
  AnimatedGifWriter writer;
  if (writer.Open(path, frames[0].Width(), frames[0].Height(), error) != kImagingSuccess)
    return kImagingFailure;
  for (size_t i = 0; i < frames.size(); ++i)
    if (writer.AddFrame(frames[i], delaysCentiseconds[i], error) != kImagingSuccess)
      return kImagingFailure;
  return writer.Commit(error);
}

}  // namespace q9::platform
