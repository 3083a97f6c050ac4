// Still-image loading through ImageMagick. The file is read into memory and
// handed over as bytes with the format named explicitly, so nothing in a file
// name ("@list", "format:", "[frame]") is ever interpreted. The format comes
// from the content; the extension only helps formats without a signature.

#include <Magick++.h>
#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <fstream>

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

void SetError(std::string* error, std::string text) {
  if (!error) return;
  std::replace(text.begin(), text.end(), '\n', ' ');
  *error = std::move(text);
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
    SetError(error, "empty image data");
    return kImagingFailure;
  }
  if (data.size() > kMaxImageFileBytes) {
    SetError(error, "image file too large");
    return kImagingFailure;
  }
  if (!detail::EnsureMagick()) {
    SetError(error, "the imaging library could not start");
    return kImagingFailure;
  }
  std::string why;
  const std::string coder = ChooseCoder(data, formatHint, &why);
  if (coder.empty()) {
    SetError(error, why);
    return kImagingFailure;
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
    SetError(error, coder + ": " + reason);
    return kImagingFailure;
  }
  // Any further images of the list are dropped here.
  if (image->next) MagickCore::DestroyImageList(MagickCore::SplitImageList(image));
  try {
    Magick::Image picture(image);  // owns image from here
    picture.quiet(true);
    if (picture.columns() == 0 || picture.rows() == 0) {
      SetError(error, coder + ": no picture in the data");
      return kImagingFailure;
    }
    Bitmap result;
    if (!detail::MagickToBitmap(picture, result)) {
      SetError(error, coder + ": picture larger than the limit");
      return kImagingFailure;
    }
    out = std::move(result);
    return kImagingSuccess;
  } catch (const std::exception& e) {
    SetError(error, coder + ": " + e.what());
    return kImagingFailure;
  }
}

int LoadFile(const std::string& path, Bitmap& out, std::string* error) {
  out.Initialise(0, 0, 24);
  std::error_code ec;
  const std::filesystem::path file(path);
  if (!std::filesystem::is_regular_file(file, ec)) {
    SetError(error, "not a readable file: " + path);
    return kImagingFailure;
  }
  const uintmax_t size = std::filesystem::file_size(file, ec);
  if (ec || size > kMaxImageFileBytes) {
    SetError(error, ec ? "cannot read " + path : "image file too large: " + path);
    return kImagingFailure;
  }
  std::vector<uint8_t> data(static_cast<size_t>(size));
  std::ifstream in(file, std::ios::binary);
  if (!in.read(reinterpret_cast<char*>(data.data()), std::streamsize(data.size()))) {
    SetError(error, "cannot read " + path);
    return kImagingFailure;
  }
  const std::string extension = file.extension().string();
  return LoadBlob(data, out, error, extension);
}

}  // namespace q9::platform
