#include "platform/video/frame_table.h"

#include <algorithm>
#include <limits>

#include "platform/video/avi_error.h"
#include "platform/video/media_input.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace q9::platform {
namespace {

// A stamp computed in a wider type, kept within 64 bits: damaged files give
// any stamps at all.
int64_t Pinned(__int128 v) {
  return int64_t(std::clamp<__int128>(v, std::numeric_limits<int64_t>::min(),
                                      std::numeric_limits<int64_t>::max()));
}

// The median of the gaps between neighbouring stamps; 0 without two frames.
int64_t TypicalGap(const std::vector<int64_t>& stamps) {
  if (stamps.size() < 2) return 0;
  std::vector<int64_t> gaps(stamps.size() - 1);
  for (size_t i = 1; i < stamps.size(); ++i)
    gaps[i - 1] = Pinned(__int128(stamps[i]) - stamps[i - 1]);
  std::nth_element(gaps.begin(), gaps.begin() + std::ptrdiff_t(gaps.size() / 2), gaps.end());
  return gaps[gaps.size() / 2];
}

// One frame period of the stream in its time base, at least 1.
int64_t PeriodOf(const AVStream* st) {
  AVRational fps = st->avg_frame_rate;
  if (fps.num <= 0 || fps.den <= 0) fps = st->r_frame_rate;
  if (fps.num <= 0 || fps.den <= 0) fps = AVRational{25, 1};
  return std::max<int64_t>(1, av_rescale_q(1, av_inv_q(fps), st->time_base));
}

}  // namespace

bool FrameTable::Scan(MediaInput& input, int streamIndex) {
  m_stamps.clear();
  m_end = 0;
  AVFormatContext* ctx = input.Context();
  if (ctx == nullptr || streamIndex < 0 || unsigned(streamIndex) >= ctx->nb_streams) return false;
  const AVStream* st = ctx->streams[streamIndex];
  m_num = st->time_base.num > 0 ? st->time_base.num : 1;
  m_den = st->time_base.den > 0 ? st->time_base.den : 1;
  for (unsigned i = 0; i < ctx->nb_streams; ++i)
    ctx->streams[i]->discard = int(i) == streamIndex ? AVDISCARD_DEFAULT : AVDISCARD_ALL;

  AVPacket* packet = av_packet_alloc();
  if (packet == nullptr) return false;
  bool unstamped = false;
  int64_t lastEnd = std::numeric_limits<int64_t>::min();
  int64_t packets = 0;
  for (int retries = 0; packets < int64_t(kMaxFrames);) {
    const int r = av_read_frame(ctx, packet);
    if (r == AVERROR(EAGAIN) && ++retries < 1000) continue;
    if (r < 0) break;
    retries = 0;
    if (packet->stream_index == streamIndex && packet->size > 0 &&
        (packet->flags & AV_PKT_FLAG_DISCARD) == 0) {
      ++packets;
      const int64_t stamp = packet->pts != AV_NOPTS_VALUE ? packet->pts : packet->dts;
      if (stamp == AV_NOPTS_VALUE) {
        unstamped = true;
      } else {
        m_stamps.push_back(stamp);
        if (packet->duration > 0)
          lastEnd = std::max(lastEnd, Pinned(__int128(stamp) + packet->duration));
      }
    }
    av_packet_unref(packet);
  }
  av_packet_free(&packet);

  std::sort(m_stamps.begin(), m_stamps.end());
  m_stamps.erase(std::unique(m_stamps.begin(), m_stamps.end()), m_stamps.end());
  const int64_t period = PeriodOf(st);
  if (unstamped || int64_t(m_stamps.size()) < packets) {
    // Some frames have no stamp of their own (or share one): one period
    // apart from the first.
    const int64_t first = m_stamps.empty() ? 0 : m_stamps.front();
    m_stamps.resize(size_t(packets));
    for (int64_t k = 0; k < packets; ++k)
      m_stamps[size_t(k)] = Pinned(first + __int128(k) * period);
    lastEnd = std::numeric_limits<int64_t>::min();
  }
  if (m_stamps.empty()) return false;
  const int64_t gap = TypicalGap(m_stamps);
  m_end = lastEnd > m_stamps.back() ? lastEnd
                                    : Pinned(__int128(m_stamps.back()) + (gap > 0 ? gap : period));
  return input.Reopen() == AVIERR_OK;
}

std::vector<uint32_t> FrameTable::Durations(uint32_t unitsPerSecond) const {
  std::vector<uint32_t> out(m_stamps.size());
  if (m_stamps.empty()) return out;
  // Units from the first stamp to t, rounded to the nearest (halves up).
  const auto unitsAt = [&](int64_t t) {
    const __int128 ticks = (__int128(t) - m_stamps.front()) * m_num * unitsPerSecond;
    return Pinned((2 * ticks + m_den) / (2 * __int128(m_den)));
  };
  int64_t before = 0;
  for (size_t k = 0; k < m_stamps.size(); ++k) {
    const int64_t after = unitsAt(k + 1 < m_stamps.size() ? m_stamps[k + 1] : m_end);
    out[k] = uint32_t(
        std::clamp<__int128>(__int128(after) - before, 0, std::numeric_limits<uint32_t>::max()));
    before = after;
  }
  return out;
}

}  // namespace q9::platform
