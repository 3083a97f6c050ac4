#include "platform/imaging/jpeg_decoder.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <string>

#include "platform/imaging/imaging_internal.h"

extern "C" {
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>
}

namespace q9::platform {
namespace {

// The library reports an error by calling error_exit, which must not
// return: it jumps back to Run. Between setjmp and the jump only plain data
// lives in Run's frame, so nothing is skipped that needs destroying.
struct ErrorManager {
  jpeg_error_mgr pub;
  std::jmp_buf jump;
  char error[JMSG_LENGTH_MAX];
  char warning[JMSG_LENGTH_MAX];  // the first warning
  bool cutShort;                  // the data ended or broke off inside a scan
};

void OnError(j_common_ptr cinfo) {
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, e->error);
  std::longjmp(e->jump, 1);
}

void OnMessage(j_common_ptr cinfo, int level) {
  if (level >= 0) return;  // trace messages
  auto* e = reinterpret_cast<ErrorManager*>(cinfo->err);
  const int code = cinfo->err->msg_code;
  // Past the end of the data, or at a marker in the middle of a scan, the
  // library makes up the rest of the picture: those rows were not in the
  // file.
  if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER) e->cutShort = true;
  if (e->warning[0] == '\0') (*cinfo->err->format_message)(cinfo, e->warning);
  ++cinfo->err->num_warnings;
}

enum class Outcome { kDone, kError, kTooLarge, kCmyk, kNoMemory };

struct Decoding {
  jpeg_decompress_struct cinfo;
  ErrorManager errors;
  Bitmap* picture;
  JDIMENSION width;
  JDIMENSION height;
};

Outcome Run(Decoding& d, std::span<const uint8_t> data) {
  d.cinfo.err = jpeg_std_error(&d.errors.pub);
  d.errors.pub.error_exit = OnError;
  d.errors.pub.emit_message = OnMessage;
  jpeg_create_decompress(&d.cinfo);
  if (setjmp(d.errors.jump)) return Outcome::kError;
  jpeg_mem_src(&d.cinfo, data.data(), (unsigned long)data.size());
  jpeg_read_header(&d.cinfo, TRUE);
  d.width = d.cinfo.image_width;
  d.height = d.cinfo.image_height;
  if (d.width > JDIMENSION(kPictureLimit.maxSide) || d.height > JDIMENSION(kPictureLimit.maxSide) ||
      uint64_t(d.width) * d.height > kPictureLimit.maxPixels)
    return Outcome::kTooLarge;
  switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
    case JCS_YCbCr:
    case JCS_RGB:
      break;
    default:
      return Outcome::kCmyk;
  }
  d.cinfo.out_color_space = JCS_EXT_BGR;
  jpeg_start_decompress(&d.cinfo);
  *d.picture = Bitmap::Create(int(d.width), int(d.height), 24);
  if (!d.picture->HasData()) return Outcome::kNoMemory;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    JSAMPROW row = d.picture->MutableRow(int(d.cinfo.output_scanline));
    jpeg_read_scanlines(&d.cinfo, &row, 1);
  }
  jpeg_finish_decompress(&d.cinfo);
  return Outcome::kDone;
}

}  // namespace

Result<LoadedPicture> JpegDecoder::Decode(std::span<const uint8_t> data) {
  LoadedPicture loaded;
  Decoding d{};
  d.picture = &loaded.picture;
  const Outcome outcome = Run(d, data);
  jpeg_destroy_decompress(&d.cinfo);
  const std::string size = std::to_string(d.width) + " x " + std::to_string(d.height);
  switch (outcome) {
    case Outcome::kError:
      // A header that ends early breaks off with an error of its own.
      if (d.errors.cutShort)
        return Failure{std::string("truncated: the JPEG data ends before its picture does (") +
                       d.errors.error + ")"};
      return Failure{std::string("JPEG: ") + d.errors.error};
    case Outcome::kTooLarge:
      return detail::TooLarge("JPEG", d.width, d.height);
    case Outcome::kCmyk:
      return Failure{"JPEG: CMYK", ENOTSUP};
    case Outcome::kNoMemory:
      return Failure{"JPEG: not enough memory for a picture of " + size + " pixels", ENOMEM};
    case Outcome::kDone:
      break;
  }
  if (d.errors.cutShort) {
    return Failure{std::string("truncated: the JPEG data ends before its picture does (") +
                   d.errors.warning + ")"};
  }
  if (d.errors.warning[0] != '\0') loaded.warning = std::string("JPEG: ") + d.errors.warning;
  return loaded;
}

}  // namespace q9::platform
