#include "platform/video/audio_exporter.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <functional>
#include <optional>

#include "platform/base/atomic_file.h"
#include "platform/video/audio_progress.h"
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

// The meter of a stream: its duration from the stream, else the container.
AudioProgress MeterOf(AVFormatContext* in, const AVStream* st) {
  int64_t duration = 0;
  if (st->duration > 0 && st->duration != AV_NOPTS_VALUE) {
    duration = st->duration;
  } else if (in->duration > 0 && in->duration != AV_NOPTS_VALUE) {
    duration = av_rescale_q(in->duration, AV_TIME_BASE_Q, st->time_base);
  }
  std::optional<int64_t> start;
  if (st->start_time != AV_NOPTS_VALUE) start = st->start_time;
  return AudioProgress(duration, start, avio_size(in->pb));
}

AudioProgress::Packet MeasureOf(const AVPacket* p) {
  return {AudioProgress::StampOf(p->pts, p->dts, AV_NOPTS_VALUE), p->duration, p->pos, p->size};
}

// The PCM kinds a standard WAV file holds as they are.
bool IsWavPcm(AVCodecID id) {
  return id == AV_CODEC_ID_PCM_U8 || id == AV_CODEC_ID_PCM_S16LE || id == AV_CODEC_ID_PCM_S24LE ||
         id == AV_CODEC_ID_PCM_S32LE || id == AV_CODEC_ID_PCM_F32LE;
}

// Codes that the input stream alone decides.
int32_t CheckStream(const MediaInput& input, int index, AudioExporter::Mode mode) {
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
  if (mode == AudioExporter::Mode::kPcm)
    return avcodec_find_decoder(par->codec_id) != nullptr || IsWavPcm(par->codec_id)
               ? AVIERR_OK
               : AVIERR_UNSUPPORTED;
  const AVOutputFormat* wav = av_guess_format("wav", nullptr, nullptr);
  if (wav == nullptr) return AVIERR_INTERNAL;
  if (par->codec_id == AV_CODEC_ID_NONE ||
      avformat_query_codec(wav, par->codec_id, FF_COMPLIANCE_NORMAL) != 1)
    return AVIERR_UNSUPPORTED;
  return AVIERR_OK;
}

int32_t OpenOutput(const AVCodecParameters* par, AVRational timeBase, AtomicFile& file,
                   Output& out) {
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
  if (st == nullptr || avcodec_parameters_copy(st->codecpar, par) < 0) return AVIERR_MEMORY;
  st->codecpar->codec_tag = 0;  // the WAV muxer picks its own tag
  st->time_base = timeBase;
  const int r = avformat_write_header(out.ctx, nullptr);
  if (r >= 0) return AVIERR_OK;
  if (r == AVERROR(EINVAL) || r == AVERROR(ENOSYS) || r == AVERROR_PATCHWELCOME)
    return AVIERR_UNSUPPORTED;
  return WriteError(r);
}

// Reads the stream's packets in turn, telling the percentage done before
// each goes to take (which may keep nothing of it: it is unreferenced
// after). AVIERR_OK at the end of the input, else the first failure.
int32_t ForEachPacket(AVFormatContext* in, int index, const AudioExporter::Progress& progress,
                      const std::function<int32_t(AVPacket*)>& take) {
  PacketGuard guard;
  AVPacket* pkt = guard.packet;
  if (pkt == nullptr) return AVIERR_MEMORY;
  AudioProgress meter = MeterOf(in, in->streams[index]);
  int reported = 0;
  if (progress && progress(0) != 0) return AVIERR_USERABORT;
  for (int retries = 0;;) {
    const int r = av_read_frame(in, pkt);
    if (r == AVERROR(EAGAIN) && ++retries < kMaxDemuxRetries) continue;
    if (r == AVERROR_EOF) return AVIERR_OK;
    if (r < 0) return r == AVERROR(ENOMEM) ? AVIERR_MEMORY : AVIERR_FILEREAD;
    retries = 0;
    if (pkt->stream_index == index && pkt->size > 0) {
      const int percent = meter.Percent(MeasureOf(pkt));
      if (percent > reported) {
        reported = percent;
        if (progress && progress(percent) != 0) {
          av_packet_unref(pkt);
          return AVIERR_USERABORT;
        }
      }
      const int32_t taken = take(pkt);
      av_packet_unref(pkt);
      if (taken != AVIERR_OK) return taken;
    } else {
      av_packet_unref(pkt);
    }
  }
}

// The trailer written and the file put in place, once 100 is told.
int32_t FinishFile(Output& out, AtomicFile& file, const AudioExporter::Progress& progress) {
  if (progress && progress(100) != 0) return AVIERR_USERABORT;
  if (const int r = av_write_trailer(out.ctx); r < 0) return WriteError(r);
  avio_flush(out.io);
  if (out.io->error < 0) return WriteError(out.io->error);
  return file.Commit() ? AVIERR_OK : AVIERR_FILEWRITE;
}

// One decoded sample as 16-bit PCM.
int16_t SampleAt(const AVFrame* frame, int channel, int i) {
  const auto format = AVSampleFormat(frame->format);
  const int channels = frame->ch_layout.nb_channels;
  const bool planar = av_sample_fmt_is_planar(format) != 0;
  const uint8_t* base = planar ? frame->extended_data[channel] : frame->extended_data[0];
  const size_t at = planar ? size_t(i) : size_t(i) * size_t(channels) + size_t(channel);
  const auto fromFloat = [](double v) {
    return int16_t(std::lround(std::clamp(v, -1.0, 1.0) * 32767.0));
  };
  switch (av_get_packed_sample_fmt(format)) {
    case AV_SAMPLE_FMT_U8:
      return int16_t((int(base[at]) - 128) * 256);
    case AV_SAMPLE_FMT_S16:
      return reinterpret_cast<const int16_t*>(base)[at];
    case AV_SAMPLE_FMT_S32:
      return int16_t(reinterpret_cast<const int32_t*>(base)[at] >> 16);
    case AV_SAMPLE_FMT_S64:
      return int16_t(reinterpret_cast<const int64_t*>(base)[at] >> 48);
    case AV_SAMPLE_FMT_FLT:
      return fromFloat(reinterpret_cast<const float*>(base)[at]);
    case AV_SAMPLE_FMT_DBL:
      return fromFloat(reinterpret_cast<const double*>(base)[at]);
    default:
      return 0;
  }
}

struct DecoderGuard {
  AVCodecContext* ctx = nullptr;
  AVFrame* frame = av_frame_alloc();
  ~DecoderGuard() {
    av_frame_free(&frame);
    avcodec_free_context(&ctx);
  }
};

// The stream decoded and written as 16-bit PCM, a packet per decoded frame.
int32_t ExportDecoded(AVFormatContext* in, int index, AtomicFile& file,
                      const AudioExporter::Progress& progress) {
  const AVStream* source = in->streams[index];
  const AVCodec* codec = avcodec_find_decoder(source->codecpar->codec_id);
  if (codec == nullptr) return AVIERR_UNSUPPORTED;
  DecoderGuard dec;
  dec.ctx = avcodec_alloc_context3(codec);
  if (dec.ctx == nullptr || dec.frame == nullptr) return AVIERR_MEMORY;
  if (avcodec_parameters_to_context(dec.ctx, source->codecpar) < 0) return AVIERR_MEMORY;
  dec.ctx->pkt_timebase = source->time_base;
  if (avcodec_open2(dec.ctx, codec, nullptr) < 0) return AVIERR_UNSUPPORTED;
  const int channels = dec.ctx->ch_layout.nb_channels;
  const int rate = dec.ctx->sample_rate;
  if (channels <= 0 || rate <= 0) return AVIERR_FORMAT_SIZE_ZERO;

  AVCodecParameters* pcm = avcodec_parameters_alloc();
  if (pcm == nullptr) return AVIERR_MEMORY;
  pcm->codec_type = AVMEDIA_TYPE_AUDIO;
  pcm->codec_id = AV_CODEC_ID_PCM_S16LE;
  pcm->sample_rate = rate;
  pcm->bits_per_coded_sample = 16;
  pcm->block_align = 2 * channels;
  const bool laidOut = av_channel_layout_copy(&pcm->ch_layout, &dec.ctx->ch_layout) >= 0;
  Output out;
  const int32_t opened = laidOut ? OpenOutput(pcm, AVRational{1, rate}, file, out) : AVIERR_MEMORY;
  avcodec_parameters_free(&pcm);
  if (opened != AVIERR_OK) return opened;

  PacketGuard outGuard;
  AVPacket* outPkt = outGuard.packet;
  if (outPkt == nullptr) return AVIERR_MEMORY;
  int64_t written = 0;  // samples a channel
  // Writes what the decoder gives out; a damaged packet is left out.
  const auto drain = [&]() -> int32_t {
    while (avcodec_receive_frame(dec.ctx, dec.frame) == 0) {
      const AVFrame* f = dec.frame;
      const int n = f->nb_samples;
      if (n > 0 && f->ch_layout.nb_channels == channels) {
        if (av_new_packet(outPkt, n * channels * 2) < 0) return AVIERR_MEMORY;
        auto* samples = reinterpret_cast<uint8_t*>(outPkt->data);
        for (int i = 0; i < n; ++i)
          for (int c = 0; c < channels; ++c) {
            const auto v = uint16_t(SampleAt(f, c, i));
            samples[(size_t(i) * channels + c) * 2] = uint8_t(v & 0xff);
            samples[(size_t(i) * channels + c) * 2 + 1] = uint8_t(v >> 8);
          }
        outPkt->pts = outPkt->dts = written;
        outPkt->duration = n;
        written += n;
        const int r = av_write_frame(out.ctx, outPkt);
        av_packet_unref(outPkt);
        if (r < 0) return WriteError(r);
      }
      av_frame_unref(dec.frame);
    }
    return AVIERR_OK;
  };
  const int32_t read = ForEachPacket(in, index, progress, [&](AVPacket* pkt) {
    avcodec_send_packet(dec.ctx, pkt);
    return drain();
  });
  if (read != AVIERR_OK) return read;
  avcodec_send_packet(dec.ctx, nullptr);
  if (const int32_t d = drain(); d != AVIERR_OK) return d;
  return FinishFile(out, file, progress);
}

}  // namespace

int32_t AudioExporter::Export(MediaInput& input, const std::string& wavPath,
                              const Progress& progress, Mode mode) {
  if (!input.IsOpen()) return AVIERR_BADHANDLE;
  const int index = input.FirstAudioStream();
  if (const int32_t check = CheckStream(input, index, mode); check != AVIERR_OK) return check;

  AtomicFile file;
  if (!file.Open(wavPath)) return AVIERR_FILEOPEN;

  AVFormatContext* in = input.Context();
  const AVStream* source = in->streams[index];
  for (unsigned i = 0; i < in->nb_streams; ++i)
    in->streams[i]->discard = int(i) == index ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

  if (mode == Mode::kPcm && !IsWavPcm(source->codecpar->codec_id))
    return ExportDecoded(in, index, file, progress);

  Output out;
  if (const int32_t r = OpenOutput(source->codecpar, source->time_base, file, out); r != AVIERR_OK)
    return r;
  const AVRational outBase = out.ctx->streams[0]->time_base;

  int64_t lastDts = AV_NOPTS_VALUE;
  const int32_t read = ForEachPacket(in, index, progress, [&](AVPacket* pkt) {
    av_packet_rescale_ts(pkt, source->time_base, outBase);
    // The WAV muxer wants rising time stamps; it writes none of them.
    if (pkt->dts == AV_NOPTS_VALUE || (lastDts != AV_NOPTS_VALUE && pkt->dts <= lastDts))
      pkt->dts = lastDts == AV_NOPTS_VALUE ? 0 : lastDts + 1;
    pkt->pts = pkt->dts;
    lastDts = pkt->dts;
    pkt->stream_index = 0;
    pkt->pos = -1;
    const int r = av_write_frame(out.ctx, pkt);
    return r < 0 ? WriteError(r) : AVIERR_OK;
  });
  if (read != AVIERR_OK) return read;
  return FinishFile(out, file, progress);
}

}  // namespace q9::platform
