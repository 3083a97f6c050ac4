#pragma once
// Decodes one video stream of a MediaInput and delivers the frame shown at a
// time stamp as a 24-bit Bitmap. Reading forward decodes on; a step back or a
// jump past a key frame seeks to the key frame at or before the wanted time
// and decodes forward, so a frame reads the same however it was reached.

#include <atomic>
#include <cstddef>
#include <cstdint>

struct AVCodecContext;
struct AVFrame;
struct AVPacket;
struct SwsContext;

namespace q9::platform {

class Bitmap;
class MediaInput;

class FrameReader {
 public:
  FrameReader() = default;
  ~FrameReader();
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;

  // Opens the decoder of the stream. AVIERR_OK, AVIERR_NOCOMPRESSOR (no
  // decoder for the codec), AVIERR_COMPRESSOR (the decoder refused to open),
  // AVIERR_MEMORY. The input stays the caller's and must outlive the reader.
  int32_t Open(MediaInput& input, int streamIndex);
  void Close();

  // Makes current the frame shown at time stamp limit (stream time base):
  // the last frame whose time stamp is at or before it. False when the
  // stream has no such frame (limit lies before the first frame, or nothing
  // decodes).
  bool PositionAt(int64_t limit);
  // True when the stream ended more than a frame period before limit, so
  // that the current frame is no longer shown there. Valid after PositionAt.
  bool PastLastFrame(int64_t limit) const;
  // The current frame as a 24-bit bitmap; reuses out's pixels when its size
  // matches.
  bool ConvertCurrent(Bitmap& out);

  // Seeks made so far (a read from the start again counts as one); reading
  // in order makes none.
  int SeekCount() const { return m_seeks; }
  // Packets the decoder refused or could not make a picture of since Open:
  // frames of the file that could not be decoded. Safe from any thread.
  int DecodeErrors() const { return m_decodeErrors.load(); }

 private:
  bool NeedsSeek(int64_t limit) const;
  void SeekTo(int64_t limit);
  bool Rewind();
  void ResetRun(bool fromStart);
  bool DecodeNext(AVFrame* frame, int64_t& stamp, bool& placed);
  int ReadVideoPacket();
  int64_t StampOf(const AVFrame* frame, bool& placed);
  int64_t KeyFrameAtOrBefore(int64_t limit) const;
  void DiscardOtherStreams();
  bool Convert(const AVFrame* frame, Bitmap& out);

  // The scaler, made again when the frame's size, format or colours change.
  struct Scaler {
    SwsContext* context = nullptr;
    int key[6] = {};  // width, height, format, colour space, range, in use
    // Converting straight into the bitmap (bottom-up, its own padding), by
    // the alignment of the bitmap's first picture row (bit n for n modulo
    // 64): tried, and found to give the same bytes.
    uint64_t directTried = 0;
    uint64_t directSame = 0;
  };
  bool PrepareScaler(const AVFrame* frame);
  bool Scale(const AVFrame* frame, uint8_t* dst, int stride);
  bool ConvertThroughScratch(const AVFrame* frame, uint8_t* bits, size_t stride);
  bool DirectGivesSameBytes(const AVFrame* frame, const uint8_t* bits, size_t stride,
                            int alignment);

  MediaInput* m_input = nullptr;
  int m_stream = -1;
  int64_t m_ticksPerFrame = 1;
  AVCodecContext* m_dec = nullptr;
  AVPacket* m_packet = nullptr;
  Scaler m_scaler;
  uint8_t* m_scratch = nullptr;  // the converted picture, top-down, rows padded
  size_t m_scratchSize = 0;

  // The run: frames decoded since the last seek. m_cur is the frame shown at
  // the last limit asked for, m_next the first one after it.
  AVFrame* m_cur = nullptr;
  AVFrame* m_next = nullptr;
  bool m_hasCur = false;
  bool m_hasNext = false;
  int64_t m_curStamp = 0;
  int64_t m_nextStamp = 0;
  int64_t m_lastStamp = 0;
  bool m_haveLastStamp = false;
  // Decoding stamps of the first and the last packet given to the decoder.
  int64_t m_firstFedDts = 0;
  int64_t m_lastFedDts = 0;
  bool m_haveFedDts = false;
  // How far presentation stamps run ahead of decoding stamps (frame
  // reordering), learnt from the packets read and from where the first
  // picture after a seek shows; key frames are indexed by their decoding
  // stamps.
  int64_t m_delay = 0;
  int64_t m_firstStamp = 0;  // the first stamp that shows a frame, once seen
  bool m_haveFirstStamp = false;
  bool m_runFromStart = true;  // the run began at the first frame of the stream
  bool m_flushed = false;      // the demuxer ran out and the decoder is draining
  bool m_ended = false;        // the decoder is drained
  bool m_broken = false;       // the source could not be reopened
  int m_seeks = 0;
  std::atomic<int> m_decodeErrors{0};
};

}  // namespace q9::platform
