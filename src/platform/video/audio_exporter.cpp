#include "platform/video/audio_exporter.h"

#include <algorithm>
#include <cerrno>

#include "platform/base/atomic_file.h"
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

// FFmpeg writes the WAV file through these, into the AtomicFile: the muxer
// never opens the destination itself.
int WritePacket(void* opaque, uint8_t* buf, int size) {
  const Result<> written = static_cast<AtomicFile*>(opaque)->Write({buf, size_t(size)});
  if (written) return size;
  return AVERROR(written.Error().errorNumber != 0 ? written.Error().errorNumber : EIO);
}

int64_t SeekOut(void* opaque, int64_t offset, int whence) {
  auto* file = static_cast<AtomicFile*>(opaque);
  whence &= ~AVSEEK_FORCE;
  const Result<uint64_t> position =
      whence == AVSEEK_SIZE ? file->Size() : file->Seek(offset, whence);
  if (position) return int64_t(*position);
  return AVERROR(position.Error().errorNumber != 0 ? position.Error().errorNumber : EIO);
}

int32_t WriteError(int averror) {
  return averror == AVERROR(ENOMEM) ? AVIERR_MEMORY : AVIERR_FILEWRITE;
}

// The muxer and its output context, freed together.
struct Output {
  AVFormatContext* ctx = nullptr;
  AVIOContext* io = nullptr;

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

int32_t OpenOutput(const AVStream* source, AtomicFile& file, Output& out) {
  if (avformat_alloc_output_context2(&out.ctx, nullptr, "wav", nullptr) < 0) return AVIERR_MEMORY;
  auto* buffer = static_cast<uint8_t*>(av_malloc(kIoBufferSize));
  if (buffer == nullptr) return AVIERR_MEMORY;
  out.io = avio_alloc_context(buffer, kIoBufferSize, 1, &file, nullptr, WritePacket, SeekOut);
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

  AtomicFile file;
  if (!file.Open(wavPath)) return AVIERR_FILEOPEN;

  AVFormatContext* in = input.Context();
  const AVStream* source = in->streams[index];
  for (unsigned i = 0; i < in->nb_streams; ++i)
    in->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

  Output out;
  if (const int32_t r = OpenOutput(source, file, out); r != AVIERR_OK) return r;
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
  return file.Commit() ? AVIERR_OK : AVIERR_FILEWRITE;
}

}  // namespace q9::platform
