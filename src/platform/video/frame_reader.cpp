#include "platform/video/frame_reader.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <thread>
#include <utility>

#include "platform/imaging/bitmap.h"
#include "platform/video/avi_error.h"
#include "platform/video/media_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

namespace q9::platform {
namespace {

// Largest picture decoded: 64 million pixels (an 8192 x 8192 frame), so a
// damaged header cannot make the decoder or the bitmap take gigabytes.
constexpr int64_t kMaxPixels = int64_t(8192) * 8192;
// A seek that lands after the wanted time is retried this many times, each
// further back, before the stream is read again from its start.
constexpr int kMaxSeekAttempts = 6;
// The reordering delay believed is at most this many frame periods.
constexpr int64_t kMaxDelayFrames = 64;
// Nearest chroma, and swscale's fast rounding. BITEXACT makes its general
// code give the same bytes on every processor; its fast YUV-to-RGB code for
// 4:2:0 and 4:2:2 ignores it (the vector code and the plain C differ by a
// level or two), so those frames are the same on one machine only.
constexpr int kScalerFlags = SWS_POINT | SWS_BITEXACT;
// Consecutive decoder errors taken before the stream counts as ended.
constexpr int kMaxDecoderErrors = 64;
// A demuxer that keeps answering "try again" is given up on after this many.
constexpr int kMaxDemuxRetries = 1000;

// Decoder threads (frame and slice threads, whose output is the same as one
// thread's). Measured on two cores: 640 x 480 H.264 decoded and converted
// 1.27 times as fast with two threads on an idle machine (20-30 % slower when
// the cores were busy with other work), 1280 x 720 1.42 times (1.08 when
// busy). A codec with frame threads gets one more than the processors, as
// FFmpeg's own programs give it, so that a thread waiting for a reference
// frame leaves no processor idle: 1920 x 1080 H.264 converted 4-6 % faster
// with three than with two. Tiny pictures are too little work per frame to
// share. MJPEG and uncompressed video have no threaded decoder; decoding
// MJPEG frames with several decoders taking turns made no run faster here,
// since the conversion's own threads already keep both processors busy.
int DecoderThreads(const AVCodec* codec, int width, int height) {
  if (int64_t(width) * height < int64_t(320) * 240) return 1;
  const int processors = int(std::clamp(std::thread::hardware_concurrency(), 1u, 4u));
  const bool frameThreads = (codec->capabilities & AV_CODEC_CAP_FRAME_THREADS) != 0;
  return processors > 1 && frameThreads ? processors + 1 : processors;
}

int64_t SaturatingSub(int64_t a, int64_t b) {
  int64_t r = 0;
  if (__builtin_sub_overflow(a, b, &r))
    return b > 0 ? std::numeric_limits<int64_t>::min() : std::numeric_limits<int64_t>::max();
  return r;
}

bool IsFullRangeFormat(int format) {
  return format == AV_PIX_FMT_YUVJ420P || format == AV_PIX_FMT_YUVJ422P ||
         format == AV_PIX_FMT_YUVJ444P || format == AV_PIX_FMT_YUVJ440P ||
         format == AV_PIX_FMT_YUVJ411P;
}

}  // namespace

FrameReader::~FrameReader() {
  Close();
}

int32_t FrameReader::Open(MediaInput& input, int streamIndex) {
  Close();
  AVFormatContext* ctx = input.Context();
  if (ctx == nullptr || streamIndex < 0 || unsigned(streamIndex) >= ctx->nb_streams)
    return AVIERR_BADPARAM;
  const AVStream* st = ctx->streams[streamIndex];
  const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
  if (codec == nullptr) return AVIERR_NOCOMPRESSOR;

  m_dec = avcodec_alloc_context3(codec);
  m_packet = av_packet_alloc();
  m_cur = av_frame_alloc();
  m_next = av_frame_alloc();
  if (m_dec == nullptr || m_packet == nullptr || m_cur == nullptr || m_next == nullptr) {
    Close();
    return AVIERR_MEMORY;
  }
  if (avcodec_parameters_to_context(m_dec, st->codecpar) < 0) {
    Close();
    return AVIERR_COMPRESSOR;
  }
  m_dec->pkt_timebase = st->time_base;
  m_dec->max_pixels = kMaxPixels;
  m_dec->thread_count = DecoderThreads(codec, st->codecpar->width, st->codecpar->height);
  m_dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
  if (const int r = avcodec_open2(m_dec, codec, nullptr); r < 0) {
    Close();
    return r == AVERROR(ENOMEM) ? AVIERR_MEMORY : AVIERR_COMPRESSOR;
  }

  m_input = &input;
  m_stream = streamIndex;
  // Frames without time stamps are placed one frame period after the last.
  const AVRational period = st->avg_frame_rate.num > 0 && st->avg_frame_rate.den > 0
                                ? av_inv_q(st->avg_frame_rate)
                                : AVRational{0, 1};
  m_ticksPerFrame =
      period.num > 0 ? std::max<int64_t>(1, av_rescale_q(1, period, st->time_base)) : 1;
  DiscardOtherStreams();
  ResetRun(true);
  return AVIERR_OK;
}

void FrameReader::Close() {
  m_decodeErrors = 0;
  avcodec_free_context(&m_dec);
  av_packet_free(&m_packet);
  av_frame_free(&m_cur);
  av_frame_free(&m_next);
  sws_freeContext(m_scaler.context);
  m_scaler = Scaler();
  av_freep(&m_scratch);
  m_scratchSize = 0;
  m_input = nullptr;
  m_stream = -1;
  m_broken = false;
  m_seeks = 0;
  m_delay = 0;
  m_haveFirstStamp = false;
  ResetRun(true);
}

void FrameReader::ResetRun(bool fromStart) {
  if (m_cur != nullptr) av_frame_unref(m_cur);
  if (m_next != nullptr) av_frame_unref(m_next);
  m_hasCur = m_hasNext = false;
  m_haveLastStamp = false;
  m_haveFedDts = false;
  m_runFromStart = fromStart;
  m_flushed = m_ended = false;
}

void FrameReader::DiscardOtherStreams() {
  AVFormatContext* ctx = m_input->Context();
  for (unsigned i = 0; i < ctx->nb_streams; ++i)
    ctx->streams[i]->discard = int(i) == m_stream ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
}

bool FrameReader::PastLastFrame(int64_t limit) const {
  return m_hasCur && m_ended && !m_hasNext && limit - m_curStamp >= m_ticksPerFrame;
}

bool FrameReader::ConvertCurrent(Bitmap& out) {
  return m_hasCur && Convert(m_cur, out);
}

bool FrameReader::PositionAt(int64_t limit) {
  if (m_dec == nullptr || m_broken) return false;
  if (m_haveFirstStamp && limit < m_firstStamp) return false;
  if (NeedsSeek(limit)) SeekTo(limit);
  if (m_broken) return false;
  for (;;) {
    if (!m_hasNext) {
      if (m_ended) break;
      // Only a run's first picture can lack a place, and SeekTo saw to it.
      bool placed = true;
      if (!DecodeNext(m_next, m_nextStamp, placed)) {
        m_ended = true;
        break;
      }
      m_hasNext = true;
    }
    // A from-start run shows its first picture from the stream's first
    // stamp on, even where a reordering decoder stamped it later.
    if (m_nextStamp > limit && (m_hasCur || !m_runFromStart || limit < m_firstStamp)) break;
    std::swap(m_cur, m_next);
    m_curStamp = m_nextStamp;
    m_hasCur = true;
    m_hasNext = false;
  }
  return m_hasCur;
}

bool FrameReader::NeedsSeek(int64_t limit) const {
  if (m_hasCur) {
    if (m_curStamp > limit) return true;
  } else if (m_hasNext) {
    // Nothing of this run is at or before the limit; from the stream's start
    // that means there is no such frame at all.
    if (m_nextStamp > limit) return !m_runFromStart;
  } else {
    return m_ended && !m_runFromStart;
  }
  // Forward: jump when the key frame the limit needs has not been given to
  // the decoder yet.
  const int64_t decoded = m_hasNext ? m_nextStamp : m_curStamp;
  if (limit <= decoded || m_ended) return false;
  const int64_t key = KeyFrameAtOrBefore(limit);
  return key != AV_NOPTS_VALUE && (!m_haveFedDts || key > m_lastFedDts);
}

int64_t FrameReader::KeyFrameAtOrBefore(int64_t limit) const {
  AVStream* st = m_input->Context()->streams[m_stream];
  const AVIndexEntry* e = avformat_index_get_entry_from_timestamp(st, SaturatingSub(limit, m_delay),
                                                                  AVSEEK_FLAG_BACKWARD);
  if (e == nullptr || (e->flags & AVINDEX_KEYFRAME) == 0) return AV_NOPTS_VALUE;
  return e->timestamp;
}

void FrameReader::SeekTo(int64_t limit) {
  ++m_seeks;
  // Seeking goes by decoding stamps: the key frame whose picture shows at
  // the limit is decoded about the reordering delay earlier.
  const int64_t base = SaturatingSub(limit, m_delay);
  int64_t target = base;
  int64_t step = m_ticksPerFrame;
  for (int attempt = 0; attempt < kMaxSeekAttempts; ++attempt) {
    ResetRun(false);
    if (avformat_seek_file(m_input->Context(), m_stream, std::numeric_limits<int64_t>::min(),
                           target, target, 0) < 0)
      break;
    avcodec_flush_buffers(m_dec);
    bool placed = false;
    if (DecodeNext(m_next, m_nextStamp, placed) && placed) {
      m_hasNext = true;
      // The run began at a key frame's packet; its picture shows this much
      // later (an AVI stamps packets in decoding order and gives no
      // presentation stamps to learn that from).
      if (m_haveFedDts)
        m_delay = std::max(m_delay, std::min(SaturatingSub(m_nextStamp, m_firstFedDts),
                                             kMaxDelayFrames * m_ticksPerFrame));
      if (m_nextStamp <= limit) return;
    }
    // The key frame the index offered shows after the limit (its time stamp
    // and the index disagree, or the B-frames decoded after it were dropped
    // for want of the frames before), or its picture has no stamp to place
    // it by: look further back.
    if (step > std::numeric_limits<int64_t>::max() / 4 ||
        base == std::numeric_limits<int64_t>::min())
      break;
    step *= 4;
    target = SaturatingSub(base, step);
  }
  if (!Rewind()) m_broken = true;
}

bool FrameReader::Rewind() {
  ResetRun(true);
  if (m_input->Reopen() != AVIERR_OK) return false;
  AVFormatContext* ctx = m_input->Context();
  if (unsigned(m_stream) >= ctx->nb_streams ||
      ctx->streams[m_stream]->codecpar->codec_id != m_dec->codec_id)
    return false;
  DiscardOtherStreams();
  avcodec_flush_buffers(m_dec);
  return true;
}

int FrameReader::ReadVideoPacket() {
  AVFormatContext* ctx = m_input->Context();
  for (int retries = 0;;) {
    const int r = av_read_frame(ctx, m_packet);
    if (r == AVERROR(EAGAIN) && ++retries < kMaxDemuxRetries) continue;
    if (r < 0) return r;
    // Empty packets are the container's "drop" frames: the previous frame
    // stays. (An empty packet would also tell the decoder to drain.)
    if (m_packet->stream_index == m_stream && m_packet->size > 0) {
      const int64_t dts = m_packet->dts != AV_NOPTS_VALUE ? m_packet->dts : m_packet->pts;
      if (dts != AV_NOPTS_VALUE) {
        if (!m_haveFedDts) m_firstFedDts = dts;
        m_lastFedDts = dts;
        m_haveFedDts = true;
      }
      if (m_packet->pts != AV_NOPTS_VALUE && m_packet->dts != AV_NOPTS_VALUE &&
          m_packet->pts > m_packet->dts)
        m_delay = std::max(
            m_delay, std::min(m_packet->pts - m_packet->dts, kMaxDelayFrames * m_ticksPerFrame));
      return 0;
    }
    av_packet_unref(m_packet);
  }
}

bool FrameReader::DecodeNext(AVFrame* frame, int64_t& stamp, bool& placed) {
  av_frame_unref(frame);
  int errors = 0;
  for (;;) {
    int r = avcodec_receive_frame(m_dec, frame);
    if (r == 0) {
      stamp = StampOf(frame, placed);
      return true;
    }
    if (r == AVERROR_EOF) return false;
    if (r != AVERROR(EAGAIN)) {
      // A damaged frame: the decoder goes on with the next one.
      ++m_decodeErrors;
      if (++errors > kMaxDecoderErrors) return false;
      continue;
    }
    if (m_flushed) return false;
    if (ReadVideoPacket() < 0) {
      avcodec_send_packet(m_dec, nullptr);
      m_flushed = true;
      continue;
    }
    r = avcodec_send_packet(m_dec, m_packet);
    av_packet_unref(m_packet);
    // A packet the decoder rejects is skipped; its frame is missing like a
    // dropped one.
    if (r < 0 && r != AVERROR(EAGAIN)) ++m_decodeErrors;
  }
}

int64_t FrameReader::StampOf(const AVFrame* frame, bool& placed) {
  int64_t stamp = frame->best_effort_timestamp;
  if (stamp == AV_NOPTS_VALUE) stamp = frame->pts;
  // A picture without a stamp follows the one before it. The first of a run
  // that began at the stream's start is its first frame; the first after a
  // seek (a delayed picture the drained decoder gives out) cannot be placed.
  placed = stamp != AV_NOPTS_VALUE || m_haveLastStamp || m_runFromStart;
  if (!placed) return 0;
  if (stamp == AV_NOPTS_VALUE) stamp = m_haveLastStamp ? m_lastStamp + m_ticksPerFrame : 0;
  // Stamps of one run only grow, so that "the last frame at or before a time"
  // is well defined even in a damaged stream.
  if (m_haveLastStamp && stamp <= m_lastStamp) stamp = m_lastStamp + 1;
  if (m_runFromStart && !m_haveLastStamp) {
    // An AVI's stream starts at its first chunk. A decoder that reorders
    // frames gives its first picture only after a chunk or two, stamped
    // with the chunk that made it give it out (see video_file.h).
    m_firstStamp = m_input->IsAvi() && m_haveFedDts ? std::min(stamp, m_firstFedDts) : stamp;
    m_haveFirstStamp = true;
  }
  m_lastStamp = stamp;
  m_haveLastStamp = true;
  return stamp;
}

// swscale's fast YUV-to-RGB code converts whole groups of 8 pixels and
// leaves a row's last pixels unconverted when the row has no room for the
// last group; its other paths may write a pixel or a vector past a row's
// end. The bitmap's rows have at most 3 bytes of padding, so the picture is
// converted top-down, in one call as ffmpeg converts it, into a scratch
// buffer whose rows have room to spare, and copied row by row into the
// bottom-up bitmap. For 640 x 480 frames that takes 0.1-0.25 ms plus 0.02
// ms for the copy; the accurate path, which could write into the bitmap
// directly, took 0.65-0.8 ms.
//
// Where the conversion writes exactly the rows' bytes (frame widths that are
// whole groups, say), the copy is a waste: a 1920 x 1080 frame's is 6 MB.
// So the first frame of each scaler is also converted straight into a
// guarded buffer laid out as the bitmap; when that gives the same bytes,
// touches nothing outside the rows and writes every byte of them, the frames
// after it are converted straight into their bitmaps.
bool FrameReader::Convert(const AVFrame* frame, Bitmap& out) {
  const int width = frame->width;
  const int height = frame->height;
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(AVPixelFormat(frame->format));
  if (width <= 0 || height <= 0 || desc == nullptr || (desc->flags & AV_PIX_FMT_FLAG_HWACCEL))
    return false;
  Bitmap fresh;
  const bool reuse =
      out.HasData() && out.Width() == width && out.Height() == height && out.BitsPerPixel() == 24;
  if (!reuse) fresh = Bitmap::Create(width, height, 24);
  Bitmap& target = reuse ? out : fresh;
  if (!target.HasData()) return false;
  if (!PrepareScaler(frame)) return false;

  uint8_t* bits = target.OverwriteBits();  // every byte is written below
  const size_t stride = target.Stride();
  const size_t rowBytes = size_t(width) * 3;
  uint8_t* top = bits + size_t(height - 1) * stride;  // the picture's first row
  const int alignment = int(reinterpret_cast<uintptr_t>(top) % 64);
  const uint64_t bit = uint64_t(1) << alignment;
  // A stride beyond int never passes the check, so directSame holds none for it.
  if ((m_scaler.directSame & bit) != 0) {
    if (!Scale(frame, top, -int(stride))) return false;
    if (stride > rowBytes)
      for (int y = 0; y < height; ++y)
        std::memset(bits + size_t(y) * stride + rowBytes, 0, stride - rowBytes);
  } else {
    if (!ConvertThroughScratch(frame, bits, stride)) return false;
    if ((m_scaler.directTried & bit) == 0) {
      m_scaler.directTried |= bit;
      if (DirectGivesSameBytes(frame, bits, stride, alignment)) m_scaler.directSame |= bit;
    }
  }
  if (!reuse) out = std::move(fresh);
  return true;
}

bool FrameReader::ConvertThroughScratch(const AVFrame* frame, uint8_t* bits, size_t stride) {
  const int height = frame->height;
  // Rows of whole 64-byte blocks with a spare block, and a spare row.
  const size_t rowBytes = size_t(frame->width) * 3;
  const size_t scratchStride = (rowBytes + 63) / 64 * 64 + 64;
  const size_t scratchSize = scratchStride * (size_t(height) + 1);
  if (scratchStride > size_t(std::numeric_limits<int>::max())) return false;
  if (m_scratchSize < scratchSize) {
    av_freep(&m_scratch);
    m_scratchSize = 0;
    m_scratch = static_cast<uint8_t*>(av_malloc(scratchSize));
    if (m_scratch == nullptr) return false;
    m_scratchSize = scratchSize;
  }
  if (!Scale(frame, m_scratch, int(scratchStride))) return false;
  for (int y = 0; y < height; ++y) {
    uint8_t* row = bits + size_t(height - 1 - y) * stride;
    std::memcpy(row, m_scratch + size_t(y) * scratchStride, rowBytes);
    std::memset(row + rowBytes, 0, stride - rowBytes);
  }
  return true;
}

bool FrameReader::DirectGivesSameBytes(const AVFrame* frame, const uint8_t* bits, size_t stride,
                                       int alignment) {
  constexpr size_t kGuard = 256;
  // Larger frames keep the copy rather than take a second frame's memory.
  constexpr size_t kMaxProbeBytes = size_t(32) << 20;
  const int height = frame->height;
  const size_t rowBytes = size_t(frame->width) * 3;
  const size_t image = stride * size_t(height);
  if (stride > size_t(std::numeric_limits<int>::max()) || image > kMaxProbeBytes) return false;
  uint8_t* probe = static_cast<uint8_t*>(av_malloc(image + 2 * kGuard + 64));
  if (probe == nullptr) return false;
  // The probe's first picture row has the bitmap's alignment.
  const size_t lastRow = size_t(height - 1) * stride;
  const size_t misalign = (reinterpret_cast<uintptr_t>(probe + kGuard + lastRow)) % 64;
  uint8_t* base = probe + kGuard + (size_t(alignment) + 64 - misalign) % 64;
  const uint8_t* end = probe + image + 2 * kGuard + 64;
  bool same = true;
  // Two fillings: a byte the conversion leaves alone keeps a different value
  // in each, so it cannot match the bitmap in both.
  for (const uint8_t fill : {uint8_t(0xA5), uint8_t(0x5A)}) {
    std::memset(probe, fill, size_t(end - probe));
    same = same && Scale(frame, base + lastRow, -int(stride));
    const auto untouched = [fill](const uint8_t* from, const uint8_t* to) {
      return std::all_of(from, to, [fill](uint8_t b) { return b == fill; });
    };
    same = same && untouched(probe, base) && untouched(base + image, end);
    for (int y = 0; same && y < height; ++y) {
      const uint8_t* row = base + size_t(y) * stride;
      same = std::memcmp(row, bits + size_t(y) * stride, rowBytes) == 0 &&
             untouched(row + rowBytes, row + stride);
    }
  }
  av_free(probe);
  return same;
}

bool FrameReader::PrepareScaler(const AVFrame* frame) {
  const auto format = AVPixelFormat(frame->format);
  const AVPixFmtDescriptor* desc = av_pix_fmt_desc_get(format);
  const int fullRange = frame->color_range == AVCOL_RANGE_JPEG || IsFullRangeFormat(format);
  const int key[6] = {frame->width,           frame->height, frame->format,
                      int(frame->colorspace), fullRange,     1};
  if (std::equal(std::begin(key), std::end(key), std::begin(m_scaler.key))) return true;
  sws_freeContext(m_scaler.context);
  m_scaler = Scaler();
  m_scaler.context = sws_getContext(frame->width, frame->height, format, frame->width,
                                    frame->height, AV_PIX_FMT_BGR24, kScalerFlags, nullptr,
                                    nullptr, nullptr);
  if (m_scaler.context == nullptr) return false;
  std::copy(std::begin(key), std::end(key), std::begin(m_scaler.key));
  if (desc->nb_components >= 3 &&
      (desc->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) == 0) {
    // YUV: the stream's own matrix (BT.601 when it names none) and range.
    const int space =
        frame->colorspace == AVCOL_SPC_UNSPECIFIED ? SWS_CS_DEFAULT : int(frame->colorspace);
    sws_setColorspaceDetails(m_scaler.context, sws_getCoefficients(space), fullRange,
                             sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
  }
  return true;
}

bool FrameReader::Scale(const AVFrame* frame, uint8_t* dst, int stride) {
  uint8_t* dstPlanes[4] = {dst, nullptr, nullptr, nullptr};
  const int dstStride[4] = {stride, 0, 0, 0};
  return sws_scale(m_scaler.context, frame->data, frame->linesize, 0, frame->height, dstPlanes,
                   dstStride) == frame->height;
}

}  // namespace q9::platform
