#include "platform/video/frame_numbering.h"

#include <limits>
#include <utility>

#include "platform/video/media_input.h"

extern "C" {
#include <libavformat/avformat.h>
}

namespace q9::platform {
namespace {

bool Valid(AVRational r) {
  return r.num > 0 && r.den > 0;
}

// The frame period as scale / rate, both within 32 bits.
AVRational FramePeriod(const AVStream* st) {
  AVRational fps = Valid(st->avg_frame_rate) ? st->avg_frame_rate
                   : Valid(st->r_frame_rate) ? st->r_frame_rate
                                             : AVRational{25, 1};
  AVRational period{};
  av_reduce(&period.num, &period.den, fps.den, fps.num, std::numeric_limits<int32_t>::max());
  if (!Valid(period)) period = {1, 25};
  return period;
}

// The AVI demuxer ignores a start later than an hour and stamps from 0.
int64_t EffectiveAviStart(uint32_t start, AVRational timeBase) {
  return int64_t(start) * timeBase.num > int64_t(3600) * timeBase.den ? 0 : int64_t(start);
}

}  // namespace

void FrameNumbering::Describe(const MediaInput& input, int streamIndex) {
  m_info = {};
  const AVFormatContext* ctx = input.Context();
  const AVStream* st = ctx->streams[streamIndex];
  const AVRational tb = st->time_base;
  m_timeBaseNum = tb.num > 0 ? tb.num : 1;
  m_timeBaseDen = tb.den > 0 ? tb.den : 1;
  m_info.width = st->codecpar->width;
  m_info.height = st->codecpar->height;

  const AviStreamHeader* avi = input.AviHeader(streamIndex);
  m_stampIsFrame = input.IsAvi();
  if (avi != nullptr && avi->type == FourCcOf("vids")) {
    m_info.start = EffectiveAviStart(avi->start, tb);
    m_info.length = avi->length;
    m_info.scale = avi->scale;
    m_info.rate = avi->rate;
    m_info.fromHeader = true;
    return;
  }
  if (m_stampIsFrame) {
    // An AVI whose headers could not be matched: FFmpeg's view of them.
    m_info.scale = uint32_t(m_timeBaseNum);
    m_info.rate = uint32_t(m_timeBaseDen);
    m_info.length = st->nb_frames > 0 ? st->nb_frames : (st->duration > 0 ? st->duration : 0);
    return;
  }

  const AVRational period = FramePeriod(st);
  m_info.scale = uint32_t(period.num);
  m_info.rate = uint32_t(period.den);
  const auto inFrames = [&](int64_t value, AVRational unit) {
    return av_rescale_q_rnd(value, unit, period,
                            AVRounding(AV_ROUND_NEAR_INF | AV_ROUND_PASS_MINMAX));
  };
  if (st->start_time != AV_NOPTS_VALUE) m_info.start = inFrames(st->start_time, tb);
  if (st->duration > 0 && st->duration != AV_NOPTS_VALUE)
    m_info.length = inFrames(st->duration, tb);
  else if (ctx->duration > 0 && ctx->duration != AV_NOPTS_VALUE)
    m_info.length = inFrames(ctx->duration, AV_TIME_BASE_Q);
  else if (st->nb_frames > 0)
    m_info.length = st->nb_frames;
}

void FrameNumbering::UseTable(FrameTable table) {
  m_table = std::move(table);
  m_stampIsFrame = false;
  m_info.start = 1;
  m_info.length = m_table.Frames();
  m_info.fromHeader = false;
}

int64_t FrameNumbering::LimitOf(int64_t n) const {
  if (m_table.Frames() > 0) {
    // Frame n shows until the next frame's stamp; the last one at its own
    // stamp, so that the stream's end comes after it.
    const std::vector<int64_t>& stamps = m_table.Stamps();
    if (n < 1)
      return stamps.front() == std::numeric_limits<int64_t>::min() ? stamps.front()
                                                                   : stamps.front() - 1;
    if (n >= m_table.Frames()) return stamps.back();
    return stamps[size_t(n)] - 1;
  }
  if (m_stampIsFrame) return n;
  // Frame n covers the times before (n + 1/2) periods:
  // limit = ceil((2n + 1) * scale * tbDen / (2 * rate * tbNum)) - 1.
  const __int128 numerator = (__int128(2) * n + 1) * m_info.scale * m_timeBaseDen;
  const __int128 denominator = __int128(2) * m_info.rate * m_timeBaseNum;
  const __int128 ceil =
      numerator >= 0 ? (numerator + denominator - 1) / denominator : -((-numerator) / denominator);
  const __int128 limit = ceil - 1;
  if (limit > std::numeric_limits<int64_t>::max()) return std::numeric_limits<int64_t>::max();
  if (limit < std::numeric_limits<int64_t>::min()) return std::numeric_limits<int64_t>::min();
  return int64_t(limit);
}

}  // namespace q9::platform
