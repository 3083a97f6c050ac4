#pragma once
// A video file read through FFmpeg: the numbers of its first video stream,
// its frames as 24-bit bitmaps, and the export of its first audio stream.
// Any container and codec FFmpeg decodes will do; AVI files keep the frame
// numbers of their stream header (see frame_numbering.h for the others).
//
// Frame n is the frame whose time stamp is n in the stream's own time base.
// Where no frame has that stamp (an empty "drop" chunk, a gap) it is the
// frame still shown at n, the last one before it. An AVI gives its chunks
// decoding stamps only, so where the decoder reorders frames (B-frames) a
// picture carries the stamp of the chunk that made the decoder give it out:
// the first picture comes a chunk or two late, and the frames before it
// show it. Reading n + 1 after n
// decodes on; any other jump seeks to the key frame at or before n and
// decodes forward, so a frame is the same however it was reached.
//
// Frames read in order (n, then n + 1) are read one ahead: while the caller
// works on frame n, a worker thread of the open file decodes frame n + 1, so
// that decoding and the caller's work share two processors. Any call waits
// for that read before it touches the decoder; Close joins the worker.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"
#include "platform/video/avi_error.h"
#include "platform/video/video_stream_info.h"

namespace q9::platform {

class VideoFile {
 public:
  VideoFile();
  ~VideoFile();
  VideoFile(VideoFile&&) noexcept;
  VideoFile& operator=(VideoFile&&) noexcept;

  // Opens the file and the decoder of its first video stream; closes what
  // was open before. AVIERR_OK, or: AVIERR_FILEOPEN (missing, unreadable, a
  // folder), AVIERR_BADFORMAT (not a media file), AVIERR_NODATA (no video
  // stream), AVIERR_NOCOMPRESSOR (no decoder), AVIERR_COMPRESSOR (the decoder
  // refused the stream), AVIERR_FILEREAD, AVIERR_MEMORY.
  int32_t Open(const std::string& path);
  // The same from bytes in memory (tests, fuzzing).
  int32_t OpenMemory(std::vector<uint8_t> bytes);
  void Close();
  bool IsOpen() const;

  // The first video stream's numbers; all zero when nothing is open.
  VideoStreamInfo StreamInfo() const;

  // Frame n as a 24-bit bitmap (bottom-up rows, blue-green-red). out keeps
  // its pixel storage when its size and depth already match, except that a
  // frame read ahead trades storage with it: reading in order, two buffers
  // take turns (one the caller's frame, one the worker's next). False, with
  // out untouched, when n lies before the first frame or after the last frame
  // number (or, for a stream of unknown length, more than a frame after its
  // last frame), or when nothing can be decoded there.
  bool GetFrame(int64_t n, Bitmap& out);

  // True once a read found that the stream's data ended more than a frame
  // before frame n (a header that promises more frames than the file
  // holds): the frame delivered there is the last one the file holds.
  bool EndedBefore(int64_t n) const;
  // Frames of the file the decoder could not make a picture of since Open
  // (their frame numbers show the frame before them).
  int DecodeErrors() const;

  // Containers other than AVI number their frames in presentation order
  // when this is on: frame n, counted from 1, is the n-th frame shown, and
  // StreamInfo gives start 1 and the number of frames (see frame_table.h).
  // Off, they number frames by the average frame rate. Takes effect at the
  // next Open; an AVI keeps its own numbers either way.
  void SetPresentationOrder(bool on);
  // In presentation order, how long each frame lasts in 1/unitsPerSecond
  // s, the rounding carried from frame to frame (entry n - 1 for frame n);
  // empty otherwise.
  std::vector<uint32_t> FrameDurations(uint32_t unitsPerSecond) const;

  // Reading ahead is on unless turned off; it takes effect at the next Open
  // (off at once). Frames are the same either way.
  void SetReadAhead(bool on);

  // The stream numbers without decoding anything (an AVI's header is read
  // as it is; other containers are probed). AVIERR_OK or an Open code.
  static int32_t ReadStreamInfo(const std::string& path, VideoStreamInfo& out);

  // AVIERR_OK when the file has an audio stream, else AVIERR_NODATA;
  // AVIERR_BADHANDLE when nothing is open.
  int32_t HasAudioStream() const;

  // Copies the first audio stream, as it is, into the WAV file at wavPath
  // (see audio_exporter.h for the file and the result codes). progress gets
  // the percentage done, 0 to 100, and returns 0 to go on; anything else
  // aborts with AVIERR_USERABORT. The frame position is not disturbed.
  int32_t SaveAudioToWav(const std::string& wavPath,
                         const std::function<int(int percent)>& progress);

 private:
  struct Impl;
  std::unique_ptr<Impl> m_impl;
};

// The FFmpeg libraries the program runs with: "FFmpeg 5.1.6 (libavformat
// 59.27.100, libavcodec 59.37.100)", for the About box.
std::string VideoLibraryVersion();

}  // namespace q9::platform
