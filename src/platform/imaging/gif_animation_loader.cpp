// Reading an animated GIF back as its viewer shows it, through ImageMagick:
// the frames are composed (coalesced) into whole pictures.

#include <Magick++.h>
#include <algorithm>

#include "platform/imaging/image_export.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"

namespace q9::platform {
namespace {

std::string Reason(const MagickCore::ExceptionInfo* e) {
  std::string text = e->reason ? e->reason : "cannot decode the GIF";
  if (e->description && *e->description) text += std::string(" (") + e->description + ")";
  return text;
}

}  // namespace

int LoadGifAnimation(const std::string& path, GifAnimation& out, std::string* error) {
  out = GifAnimation{};
  const Result<std::vector<uint8_t>> read = detail::ReadImageFile(path);
  if (!read) return detail::ImagingFailure(error, read.Reason());
  const std::vector<uint8_t>& data = *read;
  if (data.size() < 6 || !std::equal(data.begin(), data.begin() + 4, "GIF8"))
    return detail::ImagingFailure(error, path + ": not a GIF file");
  if (!detail::EnsureMagick())
    return detail::ImagingFailure(error, "the imaging library could not start");

  MagickCore::ImageInfo* info = MagickCore::AcquireImageInfo();
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  MagickCore::CopyMagickString(info->magick, "GIF", MagickPathExtent);
  MagickCore::CopyMagickString(info->filename, "GIF:", MagickPathExtent);
  MagickCore::Image* list = MagickCore::BlobToImage(info, data.data(), data.size(), exception);
  MagickCore::DestroyImageInfo(info);
  MagickCore::Image* whole = nullptr;
  if (list && exception->severity < MagickCore::ErrorException)
    whole = MagickCore::CoalesceImages(list, exception);
  const bool failed = !whole || exception->severity >= MagickCore::ErrorException;
  const std::string reason = Reason(exception);
  MagickCore::DestroyExceptionInfo(exception);
  if (list) MagickCore::DestroyImageList(list);
  if (failed) {
    if (whole) MagickCore::DestroyImageList(whole);
    return detail::ImagingFailure(error, path + ": " + reason);
  }

  GifAnimation result;
  result.iterations = int(whole->iterations);
  while (whole) {
    MagickCore::Image* first = MagickCore::RemoveFirstImageFromList(&whole);
    const size_t ticks = first->ticks_per_second > 0 ? size_t(first->ticks_per_second) : 100;
    const int delay = int(first->delay * 100 / ticks);
    try {
      Magick::Image frame(first);  // owns first from here
      Bitmap picture;
      if (!detail::MagickToBitmap(frame, picture)) {
        if (whole) MagickCore::DestroyImageList(whole);
        return detail::ImagingFailure(error, path + ": a frame is larger than the limit");
      }
      result.frames.push_back(std::move(picture));
      result.delaysCentiseconds.push_back(delay);
    } catch (const std::exception& e) {
      if (whole) MagickCore::DestroyImageList(whole);
      return detail::ImagingFailure(error, path + ": " + e.what());
    }
  }
  out = std::move(result);
  return kImagingSuccess;
}

}  // namespace q9::platform
