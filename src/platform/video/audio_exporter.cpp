#include "platform/video/audio_exporter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <random>

#include "platform/video/avi_error.h"
#include "platform/video/media_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace q9::platform {
namespace {

constexpr int kIoBufferSize = 64 * 1024;
constexpr int kMaxDemuxRetries = 1000;

// The WAV file under a temporary name beside its destination. Removed when
// it goes out of scope unless it was renamed into place.
class TempFile {
 public:
  ~TempFile() {
    if (m_fd >= 0) ::close(m_fd);
    if (!m_path.empty()) ::unlink(m_path.c_str());
  }

  int32_t Create(const std::string& destination) {
    const size_t slash = destination.rfind('/');
    const std::string dir = slash == std::string::npos ? "" : destination.substr(0, slash + 1);
    const std::string name =
        slash == std::string::npos ? destination : destination.substr(slash + 1);
    if (name.empty()) return AVIERR_FILEOPEN;
    std::random_device entropy;
    for (int attempt = 0; attempt < 100; ++attempt) {
      char suffix[16];
      std::snprintf(suffix, sizeof suffix, ".%08x.tmp", unsigned(entropy()));
      std::string path = dir + "." + name + suffix;
      m_fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (m_fd >= 0) {
        m_path = std::move(path);
        return AVIERR_OK;
      }
      if (errno != EEXIST) return AVIERR_FILEOPEN;
    }
    return AVIERR_FILEOPEN;
  }

  int Fd() const { return m_fd; }

  // Flushes and closes the file and renames it over the destination.
  int32_t Commit(const std::string& destination) {
    if (::fsync(m_fd) != 0 && errno != EINVAL && errno != EROFS) return AVIERR_FILEWRITE;
    const int fd = m_fd;
    m_fd = -1;
    if (::close(fd) != 0) return AVIERR_FILEWRITE;
    if (::rename(m_path.c_str(), destination.c_str()) != 0) return AVIERR_FILEOPEN;
    m_path.clear();
    return AVIERR_OK;
  }

 private:
  std::string m_path;
  int m_fd = -1;
};

int WritePacket(void* opaque, uint8_t* buf, int size) {
  const int fd = *static_cast<int*>(opaque);
  int done = 0;
  while (done < size) {
    const ssize_t n = ::write(fd, buf + done, size_t(size - done));
    if (n < 0) {
      if (errno == EINTR) continue;
      return AVERROR(errno);
    }
    done += int(n);
  }
  return done;
}

int64_t SeekOut(void* opaque, int64_t offset, int whence) {
  const int fd = *static_cast<int*>(opaque);
  whence &= ~AVSEEK_FORCE;
  if (whence == AVSEEK_SIZE) {
    struct stat st {};
    return ::fstat(fd, &st) == 0 ? int64_t(st.st_size) : AVERROR(errno);
  }
  const off_t to = ::lseek(fd, off_t(offset), whence);
  return to < 0 ? AVERROR(errno) : int64_t(to);
}

int32_t WriteError(int averror) {
  return averror == AVERROR(ENOMEM) ? AVIERR_MEMORY : AVIERR_FILEWRITE;
}

// The muxer and its output context, freed together.
struct Output {
  AVFormatContext* ctx = nullptr;
  AVIOContext* io = nullptr;
  int fd = -1;

  ~Output() {
    avformat_free_context(ctx);
    if (io != nullptr) {
      av_freep(&io->buffer);
      avio_context_free(&io);
    }
  }
};

struct PacketGuard {
  AVPacket* packet = av_packet_alloc();
  ~PacketGuard() { av_packet_free(&packet); }
};

// Percentage done: the packet's end time against the stream's duration, or
// its byte position against the file's size when the duration is unknown.
class ProgressMeter {
 public:
  ProgressMeter(AVFormatContext* in, const AVStream* st) {
    if (st->duration > 0 && st->duration != AV_NOPTS_VALUE) {
      m_duration = st->duration;
    } else if (in->duration > 0 && in->duration != AV_NOPTS_VALUE) {
      m_duration = av_rescale_q(in->duration, AV_TIME_BASE_Q, st->time_base);
    }
    if (st->start_time != AV_NOPTS_VALUE) m_start = st->start_time;
    m_size = avio_size(in->pb);
  }

  int Percent(const AVPacket* p) {
    int64_t stamp = p->pts != AV_NOPTS_VALUE ? p->pts : p->dts;
    if (m_duration > 0 && stamp != AV_NOPTS_VALUE) {
      if (m_start == AV_NOPTS_VALUE) m_start = stamp;
      stamp += std::max<int64_t>(p->duration, 0);
      return Clamp(double(stamp - m_start) * 100.0 / double(m_duration));
    }
    if (m_size > 0 && p->pos >= 0) return Clamp(double(p->pos + p->size) * 100.0 / double(m_size));
    return 0;
  }

 private:
  // 100 is said once, when everything is written.
  static int Clamp(double percent) { return int(std::clamp(percent, 0.0, 99.0)); }

  int64_t m_duration = 0;
  int64_t m_start = AV_NOPTS_VALUE;
  int64_t m_size = -1;
};

// Codes that the input stream alone decides.
int32_t CheckStream(const MediaInput& input, int index) {
  if (index < 0) return AVIERR_NODATA;
  const AVStream* st = input.Context()->streams[index];
  if (const AviStreamHeader* h = input.AviHeader(index)) {
    if (h->scale == 0 || h->rate == 0) return AVIERR_START_NOT_FOUND;
    if (h->formatSize == 0) return AVIERR_FORMAT_SIZE_ZERO;
  } else if (st->time_base.num <= 0 || st->time_base.den <= 0) {
    return AVIERR_START_NOT_FOUND;
  }
  const AVCodecParameters* par = st->codecpar;
  if (par->codec_type != AVMEDIA_TYPE_AUDIO || par->sample_rate <= 0 ||
      par->ch_layout.nb_channels <= 0)
    return AVIERR_FORMAT_SIZE_ZERO;
  const AVOutputFormat* wav = av_guess_format("wav", nullptr, nullptr);
  if (wav == nullptr) return AVIERR_INTERNAL;
  if (par->codec_id == AV_CODEC_ID_NONE ||
      avformat_query_codec(wav, par->codec_id, FF_COMPLIANCE_NORMAL) != 1)
    return AVIERR_UNSUPPORTED;
  return AVIERR_OK;
}

int32_t OpenOutput(const AVStream* source, int fd, Output& out) {
  out.fd = fd;
  if (avformat_alloc_output_context2(&out.ctx, nullptr, "wav", nullptr) < 0) return AVIERR_MEMORY;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return AVIERR_MEMORY;
  out.io = avio_alloc_context(buffer, kIoBufferSize, 1, &out.fd, nullptr, WritePacket, SeekOut);
  if (out.io == nullptr) {
    av_free(buffer);
    return AVIERR_MEMORY;
  }
  out.ctx->pb = out.io;
  out.ctx->flags |= AVFMT_FLAG_BITEXACT | AVFMT_FLAG_CUSTOM_IO;
  AVStream* st = avformat_new_stream(out.ctx, nullptr);
  if (st == nullptr || avcodec_parameters_copy(st->codecpar, source->codecpar) < 0)
    return AVIERR_MEMORY;
  st->codecpar->codec_tag = 0;  // the WAV muxer picks its own tag
  st->time_base = source->time_base;
  const int r = avformat_write_header(out.ctx, nullptr);
  if (r >= 0) return AVIERR_OK;
  if (r == AVERROR(EINVAL) || r == AVERROR(ENOSYS) || r == AVERROR_PATCHWELCOME)
    return AVIERR_UNSUPPORTED;
  return WriteError(r);
}

}  // namespace

int32_t AudioExporter::Export(MediaInput& input, const std::string& wavPath,
                              const Progress& progress) {
  if (!input.IsOpen()) return AVIERR_BADHANDLE;
  const int index = input.FirstAudioStream();
  if (const int32_t check = CheckStream(input, index); check != AVIERR_OK) return check;

  struct stat existing {};
  if (::stat(wavPath.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) return AVIERR_FILEOPEN;
  TempFile temp;
  if (const int32_t r = temp.Create(wavPath); r != AVIERR_OK) return r;

  AVFormatContext* in = input.Context();
  const AVStream* source = in->streams[index];
  for (unsigned i = 0; i < in->nb_streams; ++i)
    in->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

  Output out;
  if (const int32_t r = OpenOutput(source, temp.Fd(), out); r != AVIERR_OK) return r;
  const AVRational outBase = out.ctx->streams[0]->time_base;

  PacketGuard guard;
  AVPacket* pkt = guard.packet;
  if (pkt == nullptr) return AVIERR_MEMORY;
  ProgressMeter meter(in, source);
  int reported = 0;
  if (progress && progress(0) != 0) return AVIERR_USERABORT;
  int64_t lastDts = AV_NOPTS_VALUE;
  for (int retries = 0;;) {
    int r = av_read_frame(in, pkt);
    if (r == AVERROR(EAGAIN) && ++retries < kMaxDemuxRetries) continue;
    if (r == AVERROR_EOF) break;
    if (r < 0) return r == AVERROR(ENOMEM) ? AVIERR_MEMORY : AVIERR_FILEREAD;
    retries = 0;
    if (pkt->stream_index != index || pkt->size <= 0) {
      av_packet_unref(pkt);
      continue;
    }
    const int percent = meter.Percent(pkt);
    if (percent > reported) {
      reported = percent;
      if (progress && progress(percent) != 0) {
        av_packet_unref(pkt);
        return AVIERR_USERABORT;
      }
    }
    av_packet_rescale_ts(pkt, source->time_base, outBase);
    // The WAV muxer wants rising time stamps; it writes none of them.
    if (pkt->dts == AV_NOPTS_VALUE || (lastDts != AV_NOPTS_VALUE && pkt->dts <= lastDts))
      pkt->dts = lastDts == AV_NOPTS_VALUE ? 0 : lastDts + 1;
    pkt->pts = pkt->dts;
    lastDts = pkt->dts;
    pkt->stream_index = 0;
    pkt->pos = -1;
    r = av_write_frame(out.ctx, pkt);
    av_packet_unref(pkt);
    if (r < 0) return WriteError(r);
  }
  if (progress && progress(100) != 0) return AVIERR_USERABORT;
  if (const int r = av_write_trailer(out.ctx); r < 0) return WriteError(r);
  avio_flush(out.io);
  if (out.io->error < 0) return WriteError(out.io->error);
  return temp.Commit(wavPath);
}

}  // namespace q9::platform
