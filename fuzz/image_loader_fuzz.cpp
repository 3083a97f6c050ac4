// Arbitrary bytes into the still-image loader, with the loader's own limits
// and security policy. The first byte picks the format hint that a file's
// extension would give (formats without a signature are reached only
// through it); the rest is the file. Seeds in corpus/image_loader/ are
// fixtures from testdata/images with their hint byte in front, and
// Encapsulated PostScript that draws, loops for ever, reaches for other
// files or hides in a DOS EPS wrapper (hint 15, "eps"). PostScript runs in
// Ghostscript children with short limits, so that a looping document costs
// a second, not the default's twenty.

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/imaging/imaging_library.h"

namespace {

constexpr const char* kHints[16] = {"",    "bmp", "tga", "pcd", "mac", "pct", "wpg", "pcx",
                                    "psd", "dib", "jpg", "cmp", "png", "gif", "tif", "eps"};

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char*** argv) {
  q9::platform::InitializeImaging((*argv)[0]);
  q9::platform::SetPostScriptLimits({std::chrono::milliseconds(1000), 1, uint64_t(512) << 20});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  q9::platform::Bitmap picture;
  std::string error;
  const int loaded =
      q9::platform::LoadBlob({data + 1, size - 1}, picture, &error, kHints[data[0] % 16]);
  // A success is a whole 24-bit picture; a failure always says why.
  if (loaded == q9::platform::kImagingSuccess) {
    if (!picture.HasData() || picture.BitsPerPixel() != 24) __builtin_trap();
  } else if (error.empty() || picture.HasData()) {
    __builtin_trap();
  }
  return 0;
}
