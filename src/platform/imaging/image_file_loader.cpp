// Still-image loading. The file is read into memory and its format told from
// the content (the extension only helps formats without a signature), so
// nothing in a file name ("@list", "format:", "[frame]") is ever
// interpreted. JPEG, uncompressed BMP and most TGA, PCX and Photoshop files
// are decoded by our own code straight into the picture, PostScript is drawn
// by Ghostscript in a child process of ours, and every other format goes
// through ImageMagick with the format named explicitly.

#include <Magick++.h>
#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <mutex>

#include "platform/base/read_whole_file.h"
#include "platform/imaging/imaging_internal.h"
#include "platform/imaging/imaging_library.h"
#include "platform/imaging/jpeg_decoder.h"
#include "platform/imaging/magick_bridge.h"
#include "platform/imaging/picture_data_check.h"
#include "platform/imaging/pcx_decoder.h"
#include "platform/imaging/plain_bmp_decoder.h"
#include "platform/imaging/postscript_rasterizer.h"
#include "platform/imaging/psd_decoder.h"
#include "platform/imaging/tga_decoder.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

std::mutex g_limitsMutex;
PostScriptLimits g_postScriptLimits;

std::string Upper(std::string_view s) {
  std::string out(s);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char ch) { return char(std::toupper(ch)); });
  return out;
}

bool IsPostScriptName(const std::string& coder) {
  return coder == "PS" || coder == "EPS" || coder == "EPI" || coder == "EPSF" || coder == "EPSI" ||
         coder == "PS2" || coder == "PS3" || coder == "EPT" || coder == "EPT2" || coder == "EPT3";
}

// Encapsulated PostScript names itself on its first line ("%!PS-Adobe-3.0
// EPSF-3.0"); a PostScript document does not.
bool IsEncapsulated(std::span<const uint8_t> data) {
  const size_t n = std::min<size_t>(data.size(), 256);
  const std::string_view head(reinterpret_cast<const char*>(data.data()), n);
  const std::string_view firstLine = head.substr(0, head.find_first_of("\r\n"));
  return firstLine.starts_with("%!PS") && firstLine.find("EPSF") != std::string_view::npos;
}

// The PostScript of an EPS file: the file itself, or the PostScript section
// of a DOS EPS file (a 30-byte header in front of it and preview pictures).
std::span<const uint8_t> PostScriptSection(std::span<const uint8_t> data) {
  constexpr uint32_t kDosEpsMagic = 0xC6D3D0C5;
  if (data.size() < 30 || LoadU32(data.data()) != kDosEpsMagic) return data;
  const uint64_t offset = LoadU32(data.data() + 4), length = LoadU32(data.data() + 8);
  if (offset > data.size() || length > data.size() - offset) return {};
  return data.subspan(size_t(offset), size_t(length));
}

// The ImageMagick coder for the bytes, or a reason. *byContent tells
// whether the content named it (else the extension did).
Result<std::string> ChooseCoder(std::span<const uint8_t> data, std::string_view hint,
                                bool* byContent) {
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
  *byContent = !coder.empty();
  if (coder.empty()) {
    coder = Upper(hint.starts_with('.') ? hint.substr(1) : hint);
    if (coder.empty()) return Failure{"not a picture: unrecognised image format"};
    if (coder == "CMP")
      return Failure{"unsupported format: CMP images cannot be read (no open library reads them)"};
  }
  coder = Upper(coder);
  if (IsPostScriptName(coder)) return std::string("EPS");
  if (!detail::IsAllowedCoder(coder))
    return Failure{"unsupported format: " + coder + " is not read (not a supported raster image)"};
  return coder;
}

std::string Describe(const MagickCore::ExceptionInfo* e) {
  // Some coders give up without saying why.
  std::string text =
      e->reason ? e->reason : "cannot decode the image (damaged, cut off or too large)";
  if (e->description && *e->description) text += std::string(" (") + e->description + ")";
  return text;
}

MagickCore::ImageInfo* InfoFor(const std::string& coder) {
  MagickCore::ImageInfo* info = MagickCore::AcquireImageInfo();
  MagickCore::CopyMagickString(info->magick, coder.c_str(), MagickPathExtent);
  std::snprintf(info->filename, MagickPathExtent, "%s:", coder.c_str());
  // The first image of a multi-image file only. Photo CD uses the scene to
  // pick a resolution instead: left alone it reads the base size.
  if (coder != "PCD" && coder != "PCDS") {
    info->scene = 0;
    info->number_scenes = 1;
  }
  return info;
}

// Why ImageMagick could not hold a picture: its size, read from the header
// alone, against our limit or against the memory ImageMagick may use here
// (a system policy can set that lower than the program does).
Failure TooLargeForMagick(std::span<const uint8_t> data, const std::string& coder,
                          const std::string& reason) {
  MagickCore::ImageInfo* info = InfoFor(coder);
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  MagickCore::Image* ping = MagickCore::PingBlob(info, data.data(), data.size(), exception);
  MagickCore::DestroyImageInfo(info);
  MagickCore::DestroyExceptionInfo(exception);
  if (ping == nullptr) return {coder + ": " + reason};
  const uint64_t width = ping->columns, height = ping->rows;
  MagickCore::DestroyImageList(ping);
  if (!detail::WithinPictureLimit(width, height)) return detail::TooLarge(coder, width, height);
  // The pixel cache takes 8 bytes a pixel.
  const uint64_t memory = MagickCore::GetMagickResourceLimit(MagickCore::MemoryResource);
  return {"too large: the " + coder + " picture is " + std::to_string(width) + " x " +
              std::to_string(height) + " pixels (" +
              std::to_string((width * height + 500'000) / 1'000'000) +
              " megapixels); ImageMagick, which decodes " + coder + ", may hold " +
              std::to_string(memory / 8 / 1'000'000) + " megapixels here (its memory limit is " +
              std::to_string(memory >> 20) + " MiB)",
          EFBIG};
}

Result<LoadedPicture> LoadPostScript(std::span<const uint8_t> data, const LoadOptions& options) {
  const std::span<const uint8_t> postScript = PostScriptSection(data);
  if (!IsEncapsulated(postScript))
    return Failure{
        "not a picture: PostScript documents are not read (only Encapsulated PostScript)"};
  const PostScriptRasterizer rasterizer(CurrentPostScriptLimits());
  const Result<std::vector<uint8_t>> page = rasterizer.Rasterize(postScript, options.cancelled);
  if (!page) return page.Error();
  Result<LoadedPicture> picture = LoadPictureBlob(*page, "ppm");
  if (!picture) return Failure{"EPS: the page Ghostscript drew is unreadable: " + picture.Reason()};
  return picture;
}

// Whether a reason starts with what went wrong (imaging_library.h).
bool Classified(std::string_view reason) {
  for (std::string_view kind : {"not a picture", "truncated", "damaged", "too large", "unreadable",
                                "unsupported", "PostScript", "cancelled"})
    if (reason.starts_with(kind)) return true;
  return false;
}

// Our own decoder for the coder's files, which may still leave some kinds
// of them to ImageMagick (it then gives nothing).
using OwnDecoder = std::optional<Result<Bitmap>> (*)(std::span<const uint8_t>);
OwnDecoder OwnDecoderFor(const std::string& coder) {
  if (coder == "BMP") return &PlainBmpDecoder::Decode;
  if (coder == "TGA" || coder == "ICB" || coder == "VDA" || coder == "VST") return &TgaDecoder::Decode;
  if (coder == "PSD") return &PsdDecoder::Decode;
  if (coder == "PCX") return &PcxDecoder::Decode;
  return nullptr;
}

// The picture in data, whose coder is known.
Result<LoadedPicture> Decode(std::span<const uint8_t> data, const std::string& coder,
                             const LoadOptions& options) {
  if (coder == "EPS") return LoadPostScript(data, options);
  if (coder == "JPEG" || coder == "JPG") {
    Result<LoadedPicture> jpeg = JpegDecoder::Decode(data);
    // CMYK is ImageMagick's to convert.
    if (jpeg || jpeg.Error().errorNumber != ENOTSUP) return jpeg;
  }
  if (const OwnDecoder own = OwnDecoderFor(coder)) {
    if (std::optional<Result<Bitmap>> picture = own(data)) {
      if (!*picture) return picture->Error();
      LoadedPicture loaded;
      loaded.picture = std::move(**picture);
      return loaded;
    }
  }
  return detail::LoadWithMagick(data, coder);
}

}  // namespace

void SetPostScriptLimits(const PostScriptLimits& limits) {
  const std::lock_guard lock(g_limitsMutex);
  g_postScriptLimits = limits;
}

PostScriptLimits CurrentPostScriptLimits() {
  const std::lock_guard lock(g_limitsMutex);
  return g_postScriptLimits;
}

Result<LoadedPicture> LoadPictureBlob(std::span<const uint8_t> data, std::string_view formatHint,
                                      const LoadOptions& options) {
  if (data.empty()) return Failure{"not a picture: the file is empty"};
  if (data.size() > kMaxImageFileBytes) {
    return Failure{"too large: the file has " + std::to_string(data.size()) +
                       " bytes; the limit is " + std::to_string(kMaxImageFileBytes >> 20) + " MiB",
                   EFBIG};
  }
  if (!detail::EnsureMagick()) return Failure{"the imaging library could not start"};
  bool byContent = false;
  const Result<std::string> coder = ChooseCoder(data, formatHint, &byContent);
  if (!coder) return coder.Error();
  Result<LoadedPicture> loaded = Decode(data, *coder, options);
  // Content that only its name calls a picture, and whose decoder could not
  // say what was wrong with it.
  if (!loaded && !byContent && !Classified(loaded.Reason()))
    return Failure{"not a picture: nothing in the data says " + *coder + " (" + loaded.Reason() +
                   ")"};
  return loaded;
}

Result<LoadedPicture> LoadPicture(const std::string& path, const LoadOptions& options) {
  const Result<std::vector<uint8_t>> data = detail::ReadImageFile(path);
  if (!data) return data.Error();
  return LoadPictureBlob(*data, std::filesystem::path(path).extension().string(), options);
}

int LoadBlob(std::span<const uint8_t> data, Bitmap& out, std::string* error,
             std::string_view formatHint) {
  out.Initialise(0, 0, 24);
  Result<LoadedPicture> loaded = LoadPictureBlob(data, formatHint);
  if (!loaded) return detail::ImagingFailure(error, loaded.Reason());
  out = std::move(loaded->picture);
  return kImagingSuccess;
}

int LoadFile(const std::string& path, Bitmap& out, std::string* error) {
  out.Initialise(0, 0, 24);
  Result<LoadedPicture> loaded = LoadPicture(path);
  if (!loaded) return detail::ImagingFailure(error, loaded.Reason());
  out = std::move(loaded->picture);
  return kImagingSuccess;
}

namespace detail {

Result<LoadedPicture> LoadWithMagick(std::span<const uint8_t> data, const std::string& coder) {
  if (Result<> complete = PictureDataCheck::ForCoder(coder, data); !complete)
    return complete.Error();
  MagickCore::ImageInfo* info = InfoFor(coder);
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  MagickCore::Image* image = MagickCore::BlobToImage(info, data.data(), data.size(), exception);
  MagickCore::DestroyImageInfo(info);
  const MagickCore::ExceptionType severity = exception->severity;
  const std::string reason = Describe(exception);
  MagickCore::DestroyExceptionInfo(exception);
  // Cut-off and damaged files fail, even when the coder made a partial
  // picture of them and reported it only as a warning: which rows it
  // delivered it does not say.
  if (!image || severity >= MagickCore::ErrorException ||
      severity == MagickCore::CorruptImageWarning) {
    if (image) MagickCore::DestroyImageList(image);
    if (severity == MagickCore::ResourceLimitError || severity == MagickCore::CacheError)
      return TooLargeForMagick(data, coder, reason);
    if (severity == MagickCore::CorruptImageError || severity == MagickCore::CorruptImageWarning)
      return Failure{"damaged: " + coder + ": " + reason};
    return Failure{coder + ": " + reason};
  }
  // Any further images of the list are dropped here.
  if (image->next) MagickCore::DestroyImageList(MagickCore::SplitImageList(image));
  try {
    Magick::Image picture(image);  // owns image from here
    picture.quiet(true);
    if (picture.columns() == 0 || picture.rows() == 0)
      return Failure{"not a picture: " + coder + ": no picture in the data"};
    if (!detail::WithinPictureLimit(picture.columns(), picture.rows()))
      return detail::TooLarge(coder, picture.columns(), picture.rows());
    LoadedPicture loaded;
    if (!detail::MagickToBitmap(picture, loaded.picture))
      return Failure{coder + ": not enough memory for the picture", ENOMEM};
    return loaded;
  } catch (const std::exception& e) {
    return Failure{coder + ": " + e.what()};
  }
}

Result<std::vector<uint8_t>> ReadImageFile(const std::string& path) {
  Result<std::vector<uint8_t>> data = ReadWholeFile<std::vector<uint8_t>>(path, kMaxImageFileBytes);
  if (data) return data;
  switch (data.Error().errorNumber) {
    case ENOENT:
    case EISDIR:
    case EINVAL:
      return Failure{"not a readable file: " + path, data.Error().errorNumber};
    case EFBIG:
      return Failure{
          "too large: the file is larger than " + std::to_string(kMaxImageFileBytes >> 20) + " MiB",
          EFBIG};
    case EACCES:
      return Failure{"unreadable: " + data.Reason(), EACCES};
    default:
      return Failure{"cannot read " + path + ": " + data.Reason(), data.Error().errorNumber};
  }
}

Failure TooLarge(std::string_view format, uint64_t width, uint64_t height) {
  return {"too large: the " + std::string(format) + " picture is " + std::to_string(width) + " x " +
              std::to_string(height) + " pixels (" +
              std::to_string((width * height + 500'000) / 1'000'000) +
              " megapixels); the limit is " + std::to_string(kPictureLimit.maxPixels / 1'000'000) +
              " megapixels and " + std::to_string(kPictureLimit.maxSide) + " pixels a side",
          EFBIG};
}

}  // namespace detail
}  // namespace q9::platform
