// Still-image loading through ImageMagick. The file is read into memory and
// handed over as bytes with the format named explicitly, so nothing in a file
// name ("@list", "format:", "[frame]") is ever interpreted. The format comes
// from the content; the extension only helps formats without a signature.

#include <Magick++.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

#include "platform/base/read_whole_file.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"

namespace q9::platform {
namespace {

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char ch) { return char(std::toupper(ch)); });
  return out;
}

bool IsPostScriptName(const std::string& coder) {
  return coder == "PS" || coder == "EPS" || coder == "EPI" || coder == "EPSF" || coder == "EPSI" ||
         coder == "PS2" || coder == "PS3";
}

// Encapsulated PostScript names itself on its first line ("%!PS-Adobe-3.0
// EPSF-3.0"); a PostScript document does not.
bool IsEncapsulated(std::span<const uint8_t> data) {
  const size_t n = std::min<size_t>(data.size(), 256);
  const std::string_view head(reinterpret_cast<const char*>(data.data()), n);
  const std::string_view firstLine = head.substr(0, head.find_first_of("\r\n"));
  return firstLine.starts_with("%!PS") && firstLine.find("EPSF") != std::string_view::npos;
}

// The ImageMagick coder for the bytes, or "" with the reason in *why.
std::string ChooseCoder(std::span<const uint8_t> data, std::string_view hint, std::string* why) {
  std::string coder;
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  // First the signature table, which names formats plainly ("PNG", "JPEG"),
  // then the coders' own content tests.
  if (const MagickCore::MagicInfo* magic =
          MagickCore::GetMagicInfo(data.data(), data.size(), exception))
    coder = MagickCore::GetMagicName(magic);
  MagickCore::DestroyExceptionInfo(exception);
  if (coder.empty()) {
    char name[MagickPathExtent] = {};
    if (MagickCore::GetImageMagick(data.data(), data.size(), name) == MagickCore::MagickTrue)
      coder = name;
  }
  if (coder.empty()) {
    coder = Upper(hint.starts_with('.') ? hint.substr(1) : hint);
    if (coder.empty()) {
      *why = "unrecognised image format";
      return {};
    }
    if (coder == "CMP") {
      *why = "CMP images cannot be read";
      return {};
    }
  }
  coder = Upper(coder);
  if (IsPostScriptName(coder)) {
    if (!IsEncapsulated(data)) {
      *why = "PostScript documents are not read (only Encapsulated PostScript)";
      return {};
    }
    coder = "EPS";
  }
  if (!detail::IsAllowedCoder(coder)) {
    *why = "format " + coder + " is not read (not a supported raster image)";
    return {};
  }
  return coder;
}

std::string Describe(const MagickCore::ExceptionInfo* e) {
  // Some coders give up without saying why.
  std::string text =
      e->reason ? e->reason : "cannot decode the image (damaged, cut off or too large)";
  if (e->description && *e->description) text += std::string(" (") + e->description + ")";
  return text;
}

}  // namespace

int LoadBlob(std::span<const uint8_t> data, Bitmap& out, std::string* error,
             std::string_view formatHint) {
  out.Initialise(0, 0, 24);
  if (data.empty()) {
    return detail::ImagingFailure(error, "empty image data");
  }
  if (data.size() > kMaxImageFileBytes) {
    return detail::ImagingFailure(error, "image file too large");
  }
  if (!detail::EnsureMagick()) {
    return detail::ImagingFailure(error, "the imaging library could not start");
  }
  std::string why;
  const std::string coder = ChooseCoder(data, formatHint, &why);
  if (coder.empty()) {
    return detail::ImagingFailure(error, why);
  }
  MagickCore::ImageInfo* info = MagickCore::AcquireImageInfo();
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  MagickCore::CopyMagickString(info->magick, coder.c_str(), MagickPathExtent);
  std::snprintf(info->filename, MagickPathExtent, "%s:", coder.c_str());
  // The first image of a multi-image file only. Photo CD uses the scene to
  // pick a resolution instead: left alone it reads the base size.
  if (coder != "PCD" && coder != "PCDS") {
    info->scene = 0;
    info->number_scenes = 1;
  }
  MagickCore::Image* image = MagickCore::BlobToImage(info, data.data(), data.size(), exception);
  MagickCore::DestroyImageInfo(info);
  // Cut-off and damaged files fail, even when the coder made a partial
  // picture of them and reported it only as a warning.
  const bool damaged = exception->severity >= MagickCore::ErrorException ||
                       exception->severity == MagickCore::CorruptImageWarning;
  std::string reason = Describe(exception);
  MagickCore::DestroyExceptionInfo(exception);
  if (!image || damaged) {
    if (image) MagickCore::DestroyImageList(image);
    return detail::ImagingFailure(error, coder + ": " + reason);
  }
  // Any further images of the list are dropped here.
  if (image->next) MagickCore::DestroyImageList(MagickCore::SplitImageList(image));
  try {
    Magick::Image picture(image);  // owns image from here
    picture.quiet(true);
    if (picture.columns() == 0 || picture.rows() == 0) {
      return detail::ImagingFailure(error, coder + ": no picture in the data");
    }
    Bitmap result;
    if (!detail::MagickToBitmap(picture, result)) {
      return detail::ImagingFailure(error, coder + ": picture larger than the limit");
    }
    out = std::move(result);
    return kImagingSuccess;
  } catch (const std::exception& e) {
    return detail::ImagingFailure(error, coder + ": " + e.what());
  }
}

int LoadFile(const std::string& path, Bitmap& out, std::string* error) {
  out.Initialise(0, 0, 24);
  const Result<std::vector<uint8_t>> data = detail::ReadImageFile(path);
  if (!data) return detail::ImagingFailure(error, data.Reason());
  return LoadBlob(*data, out, error, std::filesystem::path(path).extension().string());
}

namespace detail {

Result<std::vector<uint8_t>> ReadImageFile(const std::string& path) {
  Result<std::vector<uint8_t>> data = ReadWholeFile<std::vector<uint8_t>>(path, kMaxImageFileBytes);
  if (data) return data;
  switch (data.Error().errorNumber) {
    case ENOENT:
    case EISDIR:
    case EINVAL:
      return Failure{"not a readable file: " + path};
    case EFBIG:
      return Failure{"image file too large: " + path};
    default:
      return Failure{"cannot read " + path};
  }
}

}  // namespace detail
}  // namespace q9::platform
