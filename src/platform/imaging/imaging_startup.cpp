// Starting ImageMagick: resource limits and the program's own security policy.
// The policy is added to the system's at start-up through ImageMagick's policy
// interface; system files are never changed. A later policy entry overrides
// an earlier one for the same name, so ours (loaded last) decides.

#include <Magick++.h>
#include <algorithm>
#include <array>
#include <cctype>
#include <mutex>
#include <string>

#include "platform/imaging/imaging_library.h"
#include "platform/imaging/magick_bridge.h"

namespace q9::platform {
namespace {

// Raster coders with built-in decoders. Left out on purpose: PostScript of
// every kind, EPS included, PDF, XPS, PCL (documents: programs that
// Ghostscript runs; EPS is drawn by our own confined Ghostscript child
// instead, postscript_rasterizer.h); SVG, MVG, MSL, WMF (vector and script
// languages); TXT, LABEL, CAPTION, INFO (text); URL, HTTP, HTTPS, FTP, FILE,
// EPHEMERAL, INLINE (other places); video and camera-raw coders (external
// programs); raw pixel dumps (no header to check).
constexpr std::array<const char*, 97> kAllowedCoders = {
    "AAI",   "ART",   "AVIF",   "AVS",   "BIE",  "BMP",   "BMP2", "BMP3", "CAL",   "CALS", "CIN",
    "CUR",   "CUT",   "DCM",    "DCX",   "DDS",  "DIB",   "DPX",  "DXT1", "DXT5",  "FITS", "FTS",
    "GIF",   "GIF87", "GROUP4", "HDR",   "HEIC", "ICB",   "ICO",  "ICON", "IPL",   "J2C",  "J2K",
    "JBG",   "JBIG",  "JNG",    "JNX",   "JP2",  "JPC",   "JPE",  "JPEG", "JPG",   "JPM",  "JPS",
    "JPT",   "MAC",   "MIFF",   "MNG",   "MTV",  "OTB",   "PAM",  "PBM",  "PCD",   "PCDS", "PCT",
    "PCX",   "PDB",   "PFM",    "PGM",   "PGX",  "PICON", "PICT", "PIX",  "PJPEG", "PNG",  "PNG00",
    "PNG24", "PNG32", "PNG48",  "PNG64", "PNG8", "PNM",   "PPM",  "PSB",  "PSD",   "PTIF", "PWP",
    "RAS",   "RLA",   "RLE",    "SCT",   "SFW",  "SGI",   "SUN",  "TGA",  "TIF",   "TIFF", "TIFF64",
    "TIM",   "VDA",   "VICAR",  "VIFF",  "VST",  "WBMP",  "WEBP", "WPG",  "XBM"};

std::once_flag g_once;
bool g_ready = false;

std::string AllowedPattern() {
  std::string pattern = "{";
  for (const char* name : kAllowedCoders) {
    if (pattern.size() > 1) pattern += ',';
    pattern += name;
  }
  return pattern + "}";
}

bool Start(const char* argv0) {
  try {
    Magick::InitializeMagick(argv0);
  } catch (const std::exception&) {
    return false;
  }
  // Coders: refuse all, then allow reading the raster list (ImageMagick's own
  // "XC" stays for its internal blank images) and writing PNG. Delegates
  // (programs ImageMagick would start, Ghostscript among them): none. Paths:
  // no "@file" indirection.
  const std::string policy =
      "<policymap>"
      "<policy domain=\"coder\" rights=\"none\" pattern=\"*\"/>"
      "<policy domain=\"coder\" rights=\"read\" pattern=\"" +
      AllowedPattern() +
      "\"/>"
      "<policy domain=\"coder\" rights=\"read\" pattern=\"XC\"/>"
      // PNG is also written (sequence pictures); GIF is written by our own
      // encoder, so ImageMagick only reads it.
      "<policy domain=\"coder\" rights=\"read|write\" pattern=\"PNG\"/>"
      "<policy domain=\"delegate\" rights=\"none\" pattern=\"*\"/>"
      "<policy domain=\"path\" rights=\"none\" pattern=\"@*\"/>"
      "</policymap>";
  MagickCore::ExceptionInfo* exception = MagickCore::AcquireExceptionInfo();
  const bool policyOk =
      MagickCore::SetMagickSecurityPolicy(policy.c_str(), exception) == MagickCore::MagickTrue;
  MagickCore::DestroyExceptionInfo(exception);
  if (!policyOk) return false;
  // One worker thread: results do not depend on scheduling, and small
  // pictures do not pay for a thread pool. Limits make a huge or bomb image
  // fail with an error; with no disk cache the memory limits are final.
  using MagickCore::SetMagickResourceLimit;
  SetMagickResourceLimit(MagickCore::ThreadResource, 1);
  SetMagickResourceLimit(MagickCore::WidthResource,
                         MagickCore::MagickSizeType(kPictureLimit.maxSide));
  SetMagickResourceLimit(MagickCore::HeightResource,
                         MagickCore::MagickSizeType(kPictureLimit.maxSide));
  SetMagickResourceLimit(MagickCore::AreaResource, kPictureLimit.maxPixels);
  // The pixel cache takes 8 bytes a pixel. A system policy may set a lower
  // limit, which then wins (Debian's 256 MiB allows about 33 M pixels:
  // memory-mapped caches need the disk); JPEG and plain BMP pictures, the
  // large ones in practice, never reach ImageMagick.
  SetMagickResourceLimit(MagickCore::MemoryResource, kPictureLimit.maxPixels * 8);
  SetMagickResourceLimit(MagickCore::MapResource, kPictureLimit.maxPixels * 8);
  SetMagickResourceLimit(MagickCore::DiskResource, 0);
  SetMagickResourceLimit(MagickCore::ListLengthResource, 64);
  return true;
}

}  // namespace

int InitializeImaging(const char* argv0) {
  std::call_once(g_once, [argv0] { g_ready = Start(argv0); });
  return g_ready ? kImagingSuccess : kImagingFailure;
}

std::string ImagingLibraryVersion() {
  size_t number = 0;
  return MagickCore::GetMagickVersion(&number);
}

namespace detail {

bool EnsureMagick() {
  return InitializeImaging(nullptr) == kImagingSuccess;
}

bool IsAllowedCoder(std::string_view coder) {
  std::string upper(coder);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char ch) { return char(std::toupper(ch)); });
  return std::find(kAllowedCoders.begin(), kAllowedCoders.end(), upper) != kAllowedCoders.end();
}

}  // namespace detail
}  // namespace q9::platform
