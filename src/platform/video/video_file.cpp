#include "platform/video/video_file.h"

#include <atomic>
#include <limits>

#include "platform/video/audio_exporter.h"
#include "platform/video/frame_numbering.h"
#include "platform/video/frame_prefetcher.h"
#include "platform/video/frame_reader.h"
#include "platform/video/frame_table.h"
#include "platform/video/media_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/avutil.h>
}

namespace q9::platform {

namespace {
constexpr int64_t kNoFrame = std::numeric_limits<int64_t>::min();
constexpr int64_t kEndNotSeen = std::numeric_limits<int64_t>::max();
}  // namespace

struct VideoFile::Impl {
  // The source again, for the audio export's demuxer of its own.
  std::string path;
  std::shared_ptr<const std::vector<uint8_t>> bytes;

  MediaInput input;
  FrameNumbering numbering;
  FrameReader reader;
  bool open = false;
  bool readAhead = true;
  bool presentationOrder = false;
  int64_t lastFrame = kNoFrame;  // the frame GetFrame delivered last
  // The first frame number found beyond the end of the data: the stream
  // ended more than a frame before it. Written by the reading thread.
  std::atomic<int64_t> endedAt{kEndNotSeen};
  // Declared after what it reads, so that it is joined before they go.
  std::unique_ptr<FramePrefetcher> ahead;

  int32_t Finish(int32_t opened) {
    if (opened != AVIERR_OK) return opened;
    const int stream = input.FirstVideoStream();
    if (stream < 0) return AVIERR_NODATA;
    numbering.Describe(input, stream);
    if (presentationOrder && !input.IsAvi()) {
      FrameTable table;
      if (!table.Scan(input, stream)) return input.IsOpen() ? AVIERR_NODATA : AVIERR_FILEREAD;
      numbering.UseTable(std::move(table));
    }
    if (const int32_t r = reader.Open(input, stream); r != AVIERR_OK) return r;
    open = true;
    lastFrame = kNoFrame;
    endedAt = kEndNotSeen;
    if (readAhead) {
      ahead = std::make_unique<FramePrefetcher>(
          [this](int64_t n, Bitmap& out) { return Read(n, out); });
      if (!ahead->Started()) ahead.reset();
    }
    return AVIERR_OK;
  }

  // Frame n read here and now (on the caller's thread or the worker's).
  bool Read(int64_t n, Bitmap& out) {
    const VideoStreamInfo& info = numbering.Info();
    if (info.length > 0 && n > info.LastFrameNumber()) return false;
    const int64_t limit = numbering.LimitOf(n);
    if (!reader.PositionAt(limit)) return false;
    if (reader.PastLastFrame(limit)) {
      int64_t seen = endedAt.load();
      while (n < seen && !endedAt.compare_exchange_weak(seen, n)) {
      }
      if (info.length <= 0) return false;
    }
    return reader.ConvertCurrent(out);
  }

  // Waits for a read ahead under way: the demuxer is the caller's again.
  void Settle() {
    if (ahead) ahead->Wait();
  }
};

VideoFile::VideoFile() : m_impl(std::make_unique<Impl>()) {}
VideoFile::~VideoFile() = default;
VideoFile::VideoFile(VideoFile&&) noexcept = default;
VideoFile& VideoFile::operator=(VideoFile&&) noexcept = default;

int32_t VideoFile::Open(const std::string& path) {
  Close();
  m_impl->path = path;
  const int32_t r = m_impl->Finish(m_impl->input.OpenFile(path, MediaInput::Probe::Always));
  if (r != AVIERR_OK) Close();
  return r;
}

int32_t VideoFile::OpenMemory(std::vector<uint8_t> bytes) {
  Close();
  m_impl->bytes = std::make_shared<const std::vector<uint8_t>>(std::move(bytes));
  const int32_t r =
      m_impl->Finish(m_impl->input.OpenMemory(m_impl->bytes, MediaInput::Probe::Always));
  if (r != AVIERR_OK) Close();
  return r;
}

void VideoFile::Close() {
  if (!m_impl) m_impl = std::make_unique<Impl>();
  m_impl->ahead.reset();  // joins the worker before the decoder goes
  m_impl->reader.Close();
  m_impl->input.Close();
  m_impl->numbering = FrameNumbering();
  m_impl->path.clear();
  m_impl->bytes.reset();
  m_impl->open = false;
  m_impl->lastFrame = kNoFrame;
  m_impl->endedAt = kEndNotSeen;
}

bool VideoFile::IsOpen() const {
  return m_impl && m_impl->open;
}

void VideoFile::SetPresentationOrder(bool on) {
  m_impl->presentationOrder = on;
}

std::vector<uint32_t> VideoFile::FrameDurations(uint32_t unitsPerSecond) const {
  return IsOpen() ? m_impl->numbering.Table().Durations(unitsPerSecond) : std::vector<uint32_t>();
}

VideoStreamInfo VideoFile::StreamInfo() const {
  return IsOpen() ? m_impl->numbering.Info() : VideoStreamInfo{};
}

void VideoFile::SetReadAhead(bool on) {
  if (!m_impl) m_impl = std::make_unique<Impl>();
  m_impl->readAhead = on;
  if (!on) m_impl->ahead.reset();
}

bool VideoFile::GetFrame(int64_t n, Bitmap& out) {
  if (!IsOpen()) return false;
  Impl& d = *m_impl;
  bool ok = false;
  const FramePrefetcher::Ahead taken =
      d.ahead ? d.ahead->Take(n, out) : FramePrefetcher::Ahead::kNone;
  if (taken == FramePrefetcher::Ahead::kNone)
    ok = d.Read(n, out);
  else
    ok = taken == FramePrefetcher::Ahead::kRead;
  // Reading in order: the next frame is decoded while the caller works on
  // this one. After a jump nothing is read ahead, so that a caller moving
  // about (the preview) never waits for a frame it did not ask for.
  const bool inOrder = ok && d.lastFrame != kNoFrame && n == d.lastFrame + 1;
  d.lastFrame = ok ? n : kNoFrame;
  const VideoStreamInfo& info = d.numbering.Info();
  if (inOrder && d.ahead && (info.length <= 0 || n < info.LastFrameNumber())) d.ahead->Start(n + 1);
  return ok;
}

bool VideoFile::EndedBefore(int64_t n) const {
  return IsOpen() && n >= m_impl->endedAt.load();
}

int VideoFile::DecodeErrors() const {
  return IsOpen() ? m_impl->reader.DecodeErrors() : 0;
}

int32_t VideoFile::ReadStreamInfo(const std::string& path, VideoStreamInfo& out) {
  MediaInput input;
  if (const int32_t r = input.OpenFile(path, MediaInput::Probe::UnlessAvi); r != AVIERR_OK)
    return r;
  const int stream = input.FirstVideoStream();
  if (stream < 0) return AVIERR_NODATA;
  FrameNumbering numbering;
  numbering.Describe(input, stream);
  out = numbering.Info();
  return AVIERR_OK;
}

int32_t VideoFile::HasAudioStream() const {
  if (!IsOpen()) return AVIERR_BADHANDLE;
  m_impl->Settle();  // the demuxer is not touched while the worker reads
  return m_impl->input.FirstAudioStream() >= 0 ? AVIERR_OK : AVIERR_NODATA;
}

int32_t VideoFile::SaveAudioToWav(const std::string& wavPath,
                                  const std::function<int(int percent)>& progress) {
  if (!IsOpen()) return AVIERR_BADHANDLE;
  MediaInput audio;
  const int32_t r = m_impl->bytes ? audio.OpenMemory(m_impl->bytes, MediaInput::Probe::Always)
                                  : audio.OpenFile(m_impl->path, MediaInput::Probe::Always);
  if (r != AVIERR_OK) return r;
  // Today's containers get a standard PCM WAV; an AVI's audio is copied as
  // it is.
  const bool pcm = m_impl->presentationOrder && !audio.IsAvi();
  return AudioExporter::Export(audio, wavPath, progress,
                               pcm ? AudioExporter::Mode::kPcm : AudioExporter::Mode::kCopy);
}

std::string VideoLibraryVersion() {
  const auto dotted = [](unsigned v) {
    return std::to_string(AV_VERSION_MAJOR(v)) + "." + std::to_string(AV_VERSION_MINOR(v)) + "." +
           std::to_string(AV_VERSION_MICRO(v));
  };
  return std::string("FFmpeg ") + av_version_info() + " (libavformat " +
         dotted(avformat_version()) + ", libavcodec " + dotted(avcodec_version()) + ")";
}

}  // namespace q9::platform
