#pragma once
// Writes an animated GIF frame by frame: only the frame being added is held,
// so an animation of any length takes the memory of one frame. The file is
// saved through an AtomicFile and put in place when complete (Commit);
// without a Commit no file is left.
//
// Colours: a frame with at most 256 different colours keeps them exactly
// (its own colour table, no dithering). A frame with more is reduced to 256
// colours chosen by ImageMagick for that frame, each pixel taking the
// nearest of them (no dithering either), so such frames are close, not
// exact. Every frame has its own colour table; the animation loops forever.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/base/atomic_file.h"
#include "platform/imaging/bitmap.h"
#include "platform/imaging/gif_lzw_encoder.h"

namespace q9::platform {

class AnimatedGifWriter {
 public:
  AnimatedGifWriter() = default;
  ~AnimatedGifWriter() { Abort(); }
  AnimatedGifWriter(const AnimatedGifWriter&) = delete;
  AnimatedGifWriter& operator=(const AnimatedGifWriter&) = delete;

  // Starts the file for frames of width x height pixels, each 1 to
  // kMaxSavedPictureSide with at most kMaxSavedPicturePixels in all
  // (image_export.h). kImagingSuccess or kImagingFailure with a one-line
  // reason in *error (when error is not null).
  int Open(const std::string& path, int width, int height, std::string* error);
  // Adds a frame of the size given to Open, any depth, shown for
  // delayCentiseconds (0 to 65,535) hundredths of a second. Any failure of
  // Open, AddFrame or Commit abandons the file: nothing is left of it.
  int AddFrame(const Bitmap& frame, int delayCentiseconds, std::string* error);
  // Finishes the file and renames it over the destination; at least one
  // frame is needed. The writer is closed afterwards, either way.
  int Commit(std::string* error);
  // Drops the temporary file; nothing happens when none is open.
  void Abort();

  int FrameCount() const { return m_frames; }

 private:
  // Drops the file and fails with reason.
  int Abandon(std::string* error, std::string reason);
  Result<> Flush();

  AtomicFile m_file;
  std::string m_path;                                // the file being written, for messages
  std::unique_ptr<detail::GifLzwEncoder> m_encoder;  // its tables are made by Open
  std::vector<uint8_t> m_buffer;                     // bytes not yet written
  std::vector<uint8_t> m_indices;                    // the current frame's palette indices
  int m_width = 0;
  int m_height = 0;
  int m_frames = 0;
};

}  // namespace q9::platform
