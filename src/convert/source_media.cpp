#include "convert/source_media.h"

#include <algorithm>
#include <array>
#include <limits>
#include <utility>

#include "convert/text_util.h"
#include "convert/wait_cursor.h"
#include "platform/base/readable_file.h"
#include "platform/imaging/imaging_library.h"
#include "platform/video/avi_error.h"

namespace q9::convert {

using platform::Bitmap;

namespace {

constexpr std::array<std::string_view, 12> kStillImageExtensions = {
    "BMP", "JPG", "TGA", "WPG", "EPS", "PCD", "PCX", "CMP", "DIB", "PSD", "MAC", "PCT",
};

// Why FFmpeg could not open a video, from its result code.
std::string VideoOpenFailure(int32_t code) {
  switch (code) {
    case platform::AVIERR_BADFORMAT:
      return "not a video: FFmpeg does not recognise the data";
    case platform::AVIERR_NODATA:
      return "not a video: the file has no video stream";
    case platform::AVIERR_NOCOMPRESSOR:
      return "unsupported: no decoder for the video's codec";
    case platform::AVIERR_COMPRESSOR:
      return "damaged: the video decoder refused the stream";
    case platform::AVIERR_MEMORY:
      return "too large: not enough memory for the video";
    case platform::AVIERR_FILEREAD:
      return "truncated: the video could not be read";
    default:
      return "unreadable: the video could not be opened";
  }
}

int PinToInt(int64_t v) {
  return int(
      std::clamp<int64_t>(v, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

}  // namespace

SourceMedia::SourceMedia(ConversionHost* owner) : m_owner(owner) {}

SourceMedia::~SourceMedia() {
  CloseVideo();
  CloseOldSequence();
}

SourceKind SourceMedia::KindOfPath(std::string_view path) {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos) return SourceKind::Unknown;
  const std::string_view extension = path.substr(dot + 1);
  if (EqualsNoCase(extension, "SEQ")) return SourceKind::OldSequence;
  if (EqualsNoCase(extension, "AVI")) return SourceKind::Video;
  for (std::string_view still : kStillImageExtensions) {
    if (EqualsNoCase(extension, still)) return SourceKind::StillImage;
  }
  return SourceKind::Unknown;
}

SourceKind SourceMedia::KindOfPath(std::string_view path, const VideoExtensions& videos) {
  return videos.MatchesPath(path) ? SourceKind::Video : KindOfPath(path);
}

uint32_t SourceMedia::FrameHoldTime(int n) const {
  if (n >= 1 && size_t(n) <= m_holdTimes.size()) return m_holdTimes[size_t(n) - 1];
  return m_frameHoldTime;
}

uint32_t SourceMedia::HoldTimeOf(uint32_t scale, uint32_t rate) {
  // A header without a rate says nothing about timing; rather than divide
  // by zero the frame is held as long as a player would show it.
  if (rate == 0 || scale == 0) return kHoldTimeWithoutRate;
  return (scale * 120u) / rate;
}

int SourceMedia::Open(const std::string& path, unsigned rows, unsigned columns,
                      uint32_t colorType) {
  WaitCursor wait;
  const SourceKind kind = KindOf(path);
  m_sourcePath = path;
  m_sign = platform::SignGeometry{rows, columns, colorType};
  CloseVideo();
  CloseOldSequence();
  // No picture of the previous file survives into this one.
  m_decoded.Initialise(0, 0, 24);
  m_render.working.Initialise(0, 0, 24);
  m_render.spare.Initialise(0, 0, 24);
  m_openFailure.clear();
  m_openWarnings.clear();

  bool opened = false;
  // Links to nothing, folders, pipes and devices named like media files are
  // never opened: a pipe would wait for a writer for ever.
  if (const platform::Result<> readable = platform::CheckReadableFile(path); !readable) {
    m_openFailure = readable.Reason();
  } else {
    switch (kind) {
      case SourceKind::Video:
        opened = OpenVideo();
        break;
      case SourceKind::OldSequence:
        opened = OpenOldSequence();
        break;
      case SourceKind::StillImage:
      case SourceKind::Unknown:
        opened = OpenStillImage();
        break;
    }
  }
  if (!opened) {
    m_kind = SourceKind::Unknown;
    if (m_openFailure.empty()) m_openFailure = "not a picture, video or old sequence";
  }

  if (CaptureInitialized == 0) {
    DefaultCapture(int(columns), int(rows), m_render.working.Width(), m_render.working.Height());
  }
  m_zoom = kDefaultZoom;
  return opened ? 1 : 0;
}

bool SourceMedia::OpenVideo() {
  m_video.SetPresentationOrder(m_videoExtensions.MatchesPath(m_sourcePath));
  if (const int32_t code = m_video.Open(m_sourcePath); code != platform::AVIERR_OK) {
    m_video.Close();
    m_openFailure = VideoOpenFailure(code);
    return false;
  }
  const platform::VideoStreamInfo info = m_video.StreamInfo();
  m_frameHoldTime = HoldTimeOf(info.scale, info.rate);
  m_holdTimes = m_video.FrameDurations(120);
  if (info.scale == 0 || info.rate == 0) {
    m_openWarnings.push_back("the video header gives no frame duration (scale " +
                             std::to_string(info.scale) + ", rate " + std::to_string(info.rate) +
                             "); each frame is held " + std::to_string(kHoldTimeWithoutRate) +
                             "/120 s, as at 25 frames a second");
  }
  m_lastFrameNumber = PinToInt(info.LastFrameNumber());
  m_videoOpen = true;
  // An AVI whose header says it holds no frames opens with nothing to show
  // and nothing to visit: its conversion is a sequence of frame 0 alone.
  if (info.length <= 0 && info.fromHeader) {
    m_lastFrameNumber = 0;
    m_kind = SourceKind::Video;
    return true;
  }
  // Otherwise a video is opened only when there is something to convert:
  // frames to number (a stream of unknown length, such as a single picture
  // FFmpeg reads as a stream, has none) and a frame that decodes. Frame 1 is
  // the first a conversion visits; a video without it (one frame long, or
  // starting later) shows its first frame instead.
  if (info.length <= 0) {
    m_openFailure = "not a video: the stream holds no numbered frames";
    CloseVideo();
    return false;
  }
  if (!LoadVideoFrame(1) && !LoadVideoFrame(info.start)) {
    m_openFailure = "damaged: the video's first frame cannot be decoded";
    CloseVideo();
    return false;
  }
  m_kind = SourceKind::Video;
  return true;
}

bool SourceMedia::OpenOldSequence() {
  if (const int code = m_oldReader.Open(m_sourcePath.c_str()); code != platform::kQ8Ok) {
    m_openFailure = "not an old sequence the converter reads (code " + std::to_string(code) + ")";
    return false;
  }
  m_oldReader.LoadFrame(1);
  m_kind = SourceKind::OldSequence;
  m_oldFrameCount = m_oldReader.GetNFrames();
  return true;
}

bool SourceMedia::OpenStillImage() {
  m_decoded.Initialise(0, 0, 24);
  platform::LoadOptions options;
  // A Cancel (or Ctrl-C) reaches a PostScript page being drawn.
  options.cancelled = [this] {
    if (m_owner != nullptr) m_owner->PumpEvents();
    return cancelRequested;
  };
  platform::Result<platform::LoadedPicture> loaded = platform::LoadPicture(m_sourcePath, options);
  if (!loaded) {
    m_openFailure = loaded.Reason();
    return false;
  }
  m_decoded = std::move(loaded->picture);
  if (!loaded->warning.empty()) m_openWarnings.push_back(loaded->warning);
  m_render.working = m_decoded;  // shared until adjusted
  m_kind = SourceKind::StillImage;
  return true;
}

bool SourceMedia::LoadVideoFrame(int64_t n) {
  // The working bitmap lets go of the frame first, so that the decoder
  // writes into the decoded bitmap's own storage instead of copying it.
  Bitmap previous = std::move(m_render.working);
  m_render.working.Initialise(0, 0, 24);
  const bool wasShared = previous.SharesPixelsWith(m_decoded);
  if (wasShared) previous.Initialise(0, 0, 24);
  if (!m_video.GetFrame(n, m_decoded)) {
    // The decoded bitmap is untouched: the previous frame stays current.
    m_render.working = wasShared ? m_decoded : std::move(previous);
    return false;
  }
  // An adjusted picture's storage waits for the next render to fill it.
  if (previous.HasData()) m_render.spare = std::move(previous);
  m_render.working = m_decoded;
  return true;
}

bool SourceMedia::VideoEndedBefore(int n) const {
  return m_kind == SourceKind::Video && m_videoOpen && m_video.EndedBefore(n);
}

bool SourceMedia::GoToFrame(int n) {
  switch (m_kind) {
    case SourceKind::Video:
      return m_videoOpen && LoadVideoFrame(n);
    case SourceKind::OldSequence:
      if (m_oldReader.IsOpen()) m_oldReader.LoadFrame(n > 0 ? unsigned(n) : 0u);
      break;
    case SourceKind::StillImage:
    case SourceKind::Unknown:
      break;
  }
  return true;
}

int SourceMedia::LastFrameNumber() const {
  switch (m_kind) {
    case SourceKind::Video:
      return m_lastFrameNumber;
    case SourceKind::OldSequence:
      return PinToInt(m_oldFrameCount);
    case SourceKind::StillImage:
    case SourceKind::Unknown:
      break;
  }
  return 1;
}

void SourceMedia::CloseVideo() {
  if (!m_videoOpen) return;
  m_video.Close();
  m_videoOpen = false;
  m_lastFrameNumber = 0;
  m_holdTimes.clear();
}

void SourceMedia::CloseOldSequence() {
  if (m_oldReader.IsOpen()) m_oldReader.Close();
  m_oldFrameCount = 0;
}

void SourceMedia::ZoomIn() {
  m_zoom += 1.0f;
  if (m_zoom > 3.0f) m_zoom = kMaxZoom;
}

void SourceMedia::ZoomOut() {
  m_zoom -= 1.0f;
  if (m_zoom < 2.0f) m_zoom = kMinZoom;
}

int SourceMedia::RenderFrame() {
  if (m_kind == SourceKind::OldSequence) {
    return imaging::RenderOldSequenceFrame(*this, m_sign, m_decoded, &m_oldReader, m_render);
  }
  return imaging::RenderPictureFrame(*this, m_sign, m_decoded, m_render);
}

}  // namespace q9::convert
