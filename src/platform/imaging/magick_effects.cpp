// Effects that ImageMagick does well: histogram equalisation, posterize,
// median and sharpen or soften. Each runs on an ImageMagick copy of the
// picture (magick_bridge.cpp) with one thread, so results are repeatable.

#include <Magick++.h>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"

namespace q9::platform {

int HistogramEqualize(Bitmap& bitmap) {
  return detail::RunMagick(bitmap, [](Magick::Image& image) { image.equalize(); });
}

int Posterize(Bitmap& bitmap, int levels) {
  if (levels < 2 || levels > 64) return kImagingFailure;
  return detail::RunMagick(
      bitmap, [levels](Magick::Image& image) { image.posterize(size_t(levels), false); });
}

int MedianFilter(Bitmap& bitmap, int size) {
  if (size < 3 || size > 11) return kImagingFailure;
  const size_t n = size_t(size | 1);  // an even size acts as the next odd one
  return detail::RunMagick(bitmap, [n](Magick::Image& image) {
    MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
    MagickCore::Image* median = MagickCore::StatisticImage(
        image.constImage(), MagickCore::MedianStatistic, n, n, exception);
    const bool failed = median == nullptr || exception->severity >= MagickCore::ErrorException;
    MagickCore::DestroyExceptionInfo(exception);
    if (failed) {
      if (median) MagickCore::DestroyImage(median);
      throw std::runtime_error("median filter failed");
    }
    image.replaceImage(median);
  });
}

int Sharpen(Bitmap& bitmap, int change) {
  if (change < -1000 || change > 1000) return kImagingFailure;
  if (change == 0) return bitmap.HasData() ? kImagingSuccess : kImagingFailure;
  return detail::RunMagick(bitmap, [change](Magick::Image& image) {
    if (change > 0)
      image.unsharpmask(0.0, 1.0, change / 500.0, 0.0);
    else
      image.gaussianBlur(0.0, 2.0 * -change / 1000.0);
  });
}

}  // namespace q9::platform
