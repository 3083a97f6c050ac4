#pragma once
// The one object through which the converter sees a source file: an old
// sequence, a video or a still image. It tells the kind from the extension,
// opens the file with the right reader, keeps the current frame, moves to
// frame n on request and renders the current frame into bulb data of the
// destination sign (frame_renderer.h). It carries the import settings the
// renderer and the dialogs share, and the destination sign's geometry, which
// Open sets.
//
// Frames are numbered from 1 to LastFrameNumber(). The main dialog keeps one
// of these (with itself as owner) from its first need until it closes; the
// Adjust dialog has one of its own, with no owner. User-interface thread only.

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "adjust/import_settings.h"
#include "convert/conversion_host.h"
#include "convert/destination_sequences.h"
#include "convert/source_kind.h"
#include "convert/video_extensions.h"
#include "imaging/frame_renderer.h"
#include "platform/imaging/bitmap.h"
#include "platform/signlib/cq8_seq.h"
#include "platform/signlib/sign_types.h"
#include "platform/video/video_file.h"

namespace q9::convert {

class SourceMedia : public adjust::ImportSettings {
 public:
  static constexpr float kDefaultZoom = 2.0f;
  static constexpr float kMinZoom = 1.0f;
  static constexpr float kMaxZoom = 4.0f;
  // The hold time of a video whose header gives no frame rate: a frame
  // every 1/25 s, the rate players fall back on.
  static constexpr uint32_t kHoldTimeWithoutRate = 120 / 25;

  // owner: the window that created the object, reached through the host
  // interface; null for none. Settings take their defaults; the kind is
  // OldSequence until the first Open.
  explicit SourceMedia(ConversionHost* owner = nullptr);
  ~SourceMedia();
  SourceMedia(const SourceMedia&) = delete;
  SourceMedia& operator=(const SourceMedia&) = delete;

  // By the extension (the text after the last "."), letter case ignored:
  // "SEQ" OldSequence, "AVI" Video, "BMP", "JPG", "TGA", "WPG", "EPS", "PCD",
  // "PCX", "CMP", "DIB", "PSD", "MAC", "PCT" StillImage, anything else and
  // no "." at all Unknown.
  static SourceKind KindOfPath(std::string_view path);
  // The same, with the added video extensions as Video.
  static SourceKind KindOfPath(std::string_view path, const VideoExtensions& videos);
  SourceKind KindOf(std::string_view path) const { return KindOfPath(path, m_videoExtensions); }

  // Extensions whose files open as videos numbered and timed by their own
  // time stamps: frames count from 1 in presentation order, and each frame
  // is held for its own time (see FrameHoldTime). Empty by default.
  void SetVideoExtensions(VideoExtensions extensions) { m_videoExtensions = std::move(extensions); }
  const VideoExtensions& GetVideoExtensions() const { return m_videoExtensions; }

  // Opens the file for a sign of rows x columns bulbs of colorType, after
  // closing the previous video or old sequence. Videos and old sequences by
  // their extension; every other file is tried as a still image (the
  // content decides). 1 opened, 0 failed: the kind is then Unknown, and no
  // message is shown. While CaptureInitialized is 0 the capture is reset to
  // the default for this sign and frame. The zoom returns to 2.0.
  int Open(const std::string& path, unsigned rows, unsigned columns, uint32_t colorType);

  // Makes frame n current: a video decodes it (a frame the video cannot
  // deliver leaves the previous one current); an old sequence loads it.
  // Callers set AdjustChanged before rendering the new frame. False when a
  // video could not deliver frame n.
  bool GoToFrame(int n);
  // True when the video's data ended more than a frame before frame n:
  // its header promises frames the file does not hold.
  bool VideoEndedBefore(int n) const;
  // Frames of the open video that could not be decoded so far.
  int VideoDecodeErrors() const { return m_videoOpen ? m_video.DecodeErrors() : 0; }

  // Why the last Open failed, one line ("truncated: ...", "a directory");
  // empty after a successful Open.
  const std::string& OpenFailure() const { return m_openFailure; }
  // What the last Open noticed without failing: damage the picture's
  // decoder reported although it delivered every row, a video header
  // without a frame rate. One line each; empty for none.
  const std::vector<std::string>& OpenWarnings() const { return m_openWarnings; }
  // Video: stream start + length - 1; old sequence: its frame count; else 1.
  int LastFrameNumber() const;
  void GetSourcePath(std::string& path) const { path = m_sourcePath; }

  void CloseVideo();
  void CloseOldSequence();

  // The preview scale in steps of 1.0 within 1.0 to 4.0.
  void ZoomIn();
  void ZoomOut();

  // Renders the current frame into the bulb buffer and the preview picture
  // (an old sequence's frame into the preview or the label only). 1 rendered,
  // 0 failed; see frame_renderer.h for what stays after a failure.
  int RenderFrame();

  // Frame hold time of a video in 1/120 s: (scale x 120) / rate in unsigned
  // 32-bit arithmetic; kHoldTimeWithoutRate when the scale or the rate is 0
  // (a header that gives no frame duration).
  static uint32_t HoldTimeOf(uint32_t scale, uint32_t rate);

  // ---- What the preview, the conversion and the dialogs read ------------------
  ConversionHost* Owner() const { return m_owner; }
  SourceKind Kind() const { return m_kind; }
  const platform::SignGeometry& Geometry() const { return m_sign; }
  // How long frame n of the open video is held, in 1/120 s: a video of an
  // added extension gives each frame its own time, the rounding carried
  // from frame to frame; any other the same for all (HoldTimeOf).
  uint32_t FrameHoldTime(int n) const;
  bool IsVideoOpen() const { return m_videoOpen; }
  float Zoom() const { return m_zoom; }
  unsigned OldFrameCount() const { return m_oldFrameCount; }

  // Bulb data of the last rendered picture frame; its size is the bulb
  // buffer size.
  const std::vector<uint8_t>& BulbBuffer() const { return m_render.bulbs; }
  uint32_t BulbBufferSize() const { return uint32_t(m_render.bulbs.size()); }
  // The preview picture: the 1,068-byte header block and the bits; both
  // empty when there is none (then LabelShown may say to show the label).
  const std::vector<uint8_t>& PreviewHeader() const { return m_render.previewHeader; }
  const std::vector<uint8_t>& PreviewBits() const { return m_render.previewBits; }
  bool LabelShown() const { return m_render.labelShown; }
  const std::string& LabelText() const { return m_render.label; }

  // The current frame as decoded (24 bits per pixel), and with the four
  // adjustments applied (the source window shows it).
  const platform::Bitmap& DecodedBitmap() const { return m_decoded; }
  const platform::Bitmap& WorkingBitmap() const { return m_render.working; }

  // The readers, for the translation of old sequences and the audio export.
  platform::CQ8Seq& OldReader() { return m_oldReader; }
  const platform::CQ8Seq& OldReader() const { return m_oldReader; }
  platform::VideoFile& Video() { return m_video; }

  // ---- Conversion state (file_converter.h, destination_sequences.h) -----------
  // The destination of the file being converted and the shared still-image
  // sequence of a run.
  DestinationSequences& Destinations() { return m_destinations; }
  // The folder of the file being converted; WAV files go there when no WAV
  // folder is set.
  const std::string& SourceDirectory() const { return m_sourceDirectory; }
  void SetSourceDirectory(std::string directory) { m_sourceDirectory = std::move(directory); }

  // Set by the Cancel button; the batch run clears it before its first file
  // and reads it before each file, a video conversion before each frame.
  bool cancelRequested = false;

 private:
  bool OpenVideo();
  bool OpenOldSequence();
  bool OpenStillImage();
  bool LoadVideoFrame(int64_t n);

  ConversionHost* m_owner = nullptr;
  std::string m_sourcePath;
  platform::SignGeometry m_sign;
  SourceKind m_kind = SourceKind::OldSequence;

  platform::VideoFile m_video;
  bool m_videoOpen = false;
  int m_lastFrameNumber = 0;
  uint32_t m_frameHoldTime = 0;
  std::vector<uint32_t> m_holdTimes;  // frame n's at n - 1, for timed videos
  VideoExtensions m_videoExtensions;

  platform::CQ8Seq m_oldReader;
  unsigned m_oldFrameCount = 0;

  std::string m_openFailure;
  std::vector<std::string> m_openWarnings;

  platform::Bitmap m_decoded;
  // The working and processing bitmaps, bulb buffer, preview and label.
  imaging::RenderTarget m_render;
  float m_zoom = kDefaultZoom;

  DestinationSequences m_destinations;
  std::string m_sourceDirectory;
};

}  // namespace q9::convert
