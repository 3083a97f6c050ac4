#include "platform/video/packet_decoder.h"

#include <new>
#include <system_error>
#include <utility>

#include "platform/video/avi_error.h"
#include "platform/video/jpeg_tables.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

namespace q9::platform {

PacketDecoder::~PacketDecoder() {
  Close();
}

int32_t PacketDecoder::Open(const AVStream* stream, int64_t maxPixels, int processors) {
  Close();
  const AVCodec* codec = avcodec_find_decoder(stream->codecpar->codec_id);
  if (codec == nullptr) return AVIERR_NOCOMPRESSOR;
  // Motion JPEG alone: other codecs marked intra-only can still carry a
  // palette or a reference from packet to packet.
  const bool inTurn = codec->id == AV_CODEC_ID_MJPEG && processors > 1 &&
                      (codec->capabilities & (AV_CODEC_CAP_FRAME_THREADS | AV_CODEC_CAP_DELAY)) == 0;
  const int lanes = inTurn ? processors : 1;
  try {
    for (int i = 0; i < lanes; ++i) m_lanes.push_back(std::make_unique<Lane>());
  } catch (const std::bad_alloc&) {
    Close();
    return AVIERR_MEMORY;
  }
  for (auto& lane : m_lanes) {
    AVCodecContext*& dec = lane->context;
    dec = avcodec_alloc_context3(codec);
    if (dec == nullptr) {
      Close();
      return AVIERR_MEMORY;
    }
    if (avcodec_parameters_to_context(dec, stream->codecpar) < 0) {
      Close();
      return AVIERR_COMPRESSOR;
    }
    dec->pkt_timebase = stream->time_base;
    dec->max_pixels = maxPixels;
    dec->thread_count = inTurn || processors <= 1 ? 1 : processors + 1;
    dec->thread_type = FF_THREAD_FRAME | FF_THREAD_SLICE;
    if (const int r = avcodec_open2(dec, codec, nullptr); r < 0) {
      Close();
      return r == AVERROR(ENOMEM) ? AVIERR_MEMORY : AVIERR_COMPRESSOR;
    }
  }
  if (inTurn) {
    for (auto& lane : m_lanes) {
      try {
        Lane* l = lane.get();
        lane->thread = std::thread([this, l] { RunLane(*l); });
      } catch (const std::system_error&) {
        Close();
        return AVIERR_MEMORY;
      }
    }
  }
  return AVIERR_OK;
}

void PacketDecoder::StopThreads() {
  {
    std::lock_guard lock(m_mutex);
    m_stop = true;
  }
  m_work.notify_all();
  for (auto& lane : m_lanes)
    if (lane->thread.joinable()) lane->thread.join();
  m_stop = false;
}

void PacketDecoder::Close() {
  StopThreads();
  for (auto& lane : m_lanes) {
    for (Job& job : lane->jobs) av_packet_free(&job.packet);
    for (auto& result : lane->results) av_frame_free(&result.second);
    avcodec_free_context(&lane->context);
  }
  m_lanes.clear();
  m_sent = m_received = 0;
  m_draining = false;
}

int PacketDecoder::CodecId() const {
  return m_lanes.empty() ? AV_CODEC_ID_NONE : int(m_lanes.front()->context->codec_id);
}

int PacketDecoder::Send(const AVPacket* packet) {
  if (m_lanes.empty()) return AVERROR(EINVAL);
  if (m_lanes.size() == 1) return avcodec_send_packet(m_lanes.front()->context, packet);
  return SendToLanes(packet);
}

int PacketDecoder::Receive(AVFrame* frame) {
  if (m_lanes.empty()) return AVERROR(EINVAL);
  if (m_lanes.size() == 1) return avcodec_receive_frame(m_lanes.front()->context, frame);
  return ReceiveInOrder(frame);
}

void PacketDecoder::Flush() {
  if (m_lanes.size() == 1) avcodec_flush_buffers(m_lanes.front()->context);
  if (m_lanes.size() <= 1) return;
  std::unique_lock lock(m_mutex);
  // Pictures under way are decoded to the end, so that each decoder has
  // read every table it was given.
  WaitIdle(lock);
  for (auto& lane : m_lanes) {
    for (auto& result : lane->results) av_frame_free(&result.second);
    lane->results.clear();
    avcodec_flush_buffers(lane->context);
  }
  m_sent = m_received = 0;
  m_draining = false;
}

void PacketDecoder::WaitIdle(std::unique_lock<std::mutex>& lock) {
  m_done.wait(lock, [this] {
    for (const auto& lane : m_lanes)
      if (lane->busy || !lane->jobs.empty()) return false;
    return true;
  });
}

int PacketDecoder::SendToLanes(const AVPacket* packet) {
  const uint64_t lanes = m_lanes.size();
  if (packet == nullptr) {
    std::lock_guard lock(m_mutex);
    m_draining = true;
    return 0;
  }
  {
    std::lock_guard lock(m_mutex);
    if (m_draining) return AVERROR_EOF;
    if (m_sent - m_received >= lanes) return AVERROR(EAGAIN);
  }
  // The picture for its lane; its tables for every other lane.
  const size_t target = size_t(m_sent % lanes);
  std::vector<Job> jobs(lanes);
  const std::vector<uint8_t> tables = JpegKeptSegments(packet->data, size_t(packet->size));
  bool ok = true;
  for (size_t i = 0; i < lanes; ++i) {
    Job& job = jobs[i];
    if (i == target) {
      job.packet = av_packet_clone(packet);
      ok = ok && job.packet != nullptr;
    } else if (!tables.empty()) {
      job.tablesOnly = true;
      job.packet = av_packet_alloc();
      ok = ok && job.packet != nullptr && av_new_packet(job.packet, int(tables.size())) == 0;
      if (ok) std::copy(tables.begin(), tables.end(), job.packet->data);
    }
  }
  if (!ok) {
    for (Job& job : jobs) av_packet_free(&job.packet);
    return AVERROR(ENOMEM);
  }
  {
    std::lock_guard lock(m_mutex);
    for (size_t i = 0; i < lanes; ++i)
      if (jobs[i].packet != nullptr) m_lanes[i]->jobs.push_back(jobs[i]);
    ++m_sent;
  }
  m_work.notify_all();
  return 0;
}

int PacketDecoder::ReceiveInOrder(AVFrame* frame) {
  const uint64_t lanes = m_lanes.size();
  std::unique_lock lock(m_mutex);
  for (;;) {
    const uint64_t pending = m_sent - m_received;
    if (pending == 0) return m_draining ? AVERROR_EOF : AVERROR(EAGAIN);
    Lane& lane = *m_lanes[size_t(m_received % lanes)];
    // More packets are taken while decoders are free; then the oldest
    // picture is waited for.
    if (lane.results.empty() && pending < lanes && !m_draining) return AVERROR(EAGAIN);
    m_done.wait(lock, [&lane] { return !lane.results.empty(); });
    auto [result, picture] = lane.results.front();
    lane.results.pop_front();
    ++m_received;
    if (result == 0) {
      av_frame_move_ref(frame, picture);
      av_frame_free(&picture);
      return 0;
    }
    av_frame_free(&picture);
    if (result != AVERROR(EAGAIN)) return result;
    // The packet made no picture: on to the next.
  }
}

void PacketDecoder::RunLane(Lane& lane) {
  std::unique_lock lock(m_mutex);
  for (;;) {
    m_work.wait(lock, [this, &lane] { return m_stop || !lane.jobs.empty(); });
    if (m_stop) return;
    Job job = lane.jobs.front();
    lane.jobs.pop_front();
    lane.busy = true;
    lock.unlock();
    AVFrame* picture = av_frame_alloc();
    int result = picture != nullptr ? avcodec_send_packet(lane.context, job.packet) : AVERROR(ENOMEM);
    if (result >= 0) {
      result = avcodec_receive_frame(lane.context, picture);
      // One packet, one picture: anything more is not kept, so that the
      // decoder is empty for its next packet.
      if (AVFrame* extra = av_frame_alloc(); extra != nullptr) {
        while (avcodec_receive_frame(lane.context, extra) == 0) av_frame_unref(extra);
        av_frame_free(&extra);
      }
    }
    av_packet_free(&job.packet);
    lock.lock();
    lane.busy = false;
    if (job.tablesOnly)
      av_frame_free(&picture);
    else
      lane.results.emplace_back(result, picture);
    m_done.notify_all();
  }
}

}  // namespace q9::platform
