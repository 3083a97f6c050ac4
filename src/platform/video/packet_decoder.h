#pragma once
// The decoder of one video stream. A codec with threads of its own (H.264,
// MPEG-4 and most others) uses them. Motion JPEG has none, and its pictures
// do not depend on each other: it gets several decoders, each on a thread of
// its own, taking the packets in turn, and its pictures come out in packet
// order, as one decoder gives them. Every decoder also reads the tables of
// the pictures it skips (jpeg_tables.h), so a picture that relies on an
// earlier one's tables decodes as it does alone.
//
// The calls are those of an FFmpeg decoder: Send a packet, Receive frames
// until "again", Send nullptr at the end, Flush before a jump.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct AVStream;

namespace q9::platform {

class PacketDecoder {
 public:
  PacketDecoder() = default;
  ~PacketDecoder();
  PacketDecoder(const PacketDecoder&) = delete;
  PacketDecoder& operator=(const PacketDecoder&) = delete;

  // Opens the decoder of the stream for the given number of processors:
  // that many Motion JPEG decoders, or the codec's own threads, one more
  // than the processors (as FFmpeg's programs give them) so that a thread
  // waiting for a reference frame leaves no processor idle. AVIERR_OK,
  // AVIERR_NOCOMPRESSOR, AVIERR_COMPRESSOR or AVIERR_MEMORY.
  int32_t Open(const AVStream* stream, int64_t maxPixels, int processors);
  void Close();
  bool IsOpen() const { return !m_lanes.empty(); }
  int CodecId() const;
  // Decoders that take packets in turn (1 when the codec threads itself).
  int Lanes() const { return int(m_lanes.size()); }

  // As avcodec_send_packet: 0, AVERROR(EAGAIN) when frames must be received
  // first, or an error. nullptr drains.
  int Send(const AVPacket* packet);
  // As avcodec_receive_frame: 0, AVERROR(EAGAIN), AVERROR_EOF or the error
  // a packet gave.
  int Receive(AVFrame* frame);
  // As avcodec_flush_buffers: drops the packets and frames under way.
  void Flush();

 private:
  struct Job {
    AVPacket* packet = nullptr;
    bool tablesOnly = false;  // a skipped picture's tables: no frame wanted
  };
  // One decoder and its thread. Jobs run in order; each picture's result
  // waits in its lane until it is received.
  struct Lane {
    AVCodecContext* context = nullptr;
    std::deque<Job> jobs;
    bool busy = false;  // a job is being decoded
    std::deque<std::pair<int, AVFrame*>> results;  // result, frame
    std::thread thread;
  };

  int SendToLanes(const AVPacket* packet);
  int ReceiveInOrder(AVFrame* frame);
  void RunLane(Lane& lane);
  void StopThreads();
  // With m_mutex held: waits until no lane has work.
  void WaitIdle(std::unique_lock<std::mutex>& lock);

  std::vector<std::unique_ptr<Lane>> m_lanes;
  std::mutex m_mutex;
  std::condition_variable m_work;  // a job for a lane, or stop
  std::condition_variable m_done;  // a job finished
  bool m_stop = false;
  uint64_t m_sent = 0;      // pictures given to the lanes
  uint64_t m_received = 0;  // pictures handed out (or found to give none)
  bool m_draining = false;
};

}  // namespace q9::platform
