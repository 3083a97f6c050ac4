#pragma once
// Helpers for the video tests: a temporary folder, the ffmpeg command that
// makes the test videos, file bytes, and patches of AVI stream headers.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace q9::platform::test {

// A fresh folder under the system's temporary folder, removed with its
// contents at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  // Names of the entries in the folder, sorted.
  std::vector<std::string> List() const;

 private:
  std::string m_path;
};

// Runs "ffmpeg <args>" quietly; true on exit status 0.
bool Ffmpeg(const std::string& args);

// A test clip whose frame i is one flat colour: red 8 * i, green 255 - 8 * i,
// blue 128 (i up to 31 stays distinct). The lavfi input for ffmpeg.
std::string ColourCountInput(const std::string& size, const std::string& rate, int frames);
// The i of a ColourCountInput frame, from its mean red; -1 for an empty bitmap.
int ColourIndex(const Bitmap& frame);

// The shared test clips, each made with ffmpeg the first time a test of the
// process asks for it (ctest runs every test in a process of its own).
// Colour-count clips (frame i has ColourIndex i), 64 x 48 at 25 fps:
//   mjpeg25.avi (10 frames), mjpeg2997.avi and mjpeg2997.mkv (10 frames at
//   30000/1001; the mkv stamps in milliseconds),
//   start5.avi (mjpeg25.avi with stream start 5 in its header),
//   drop.avi (10 frames, an empty chunk at time stamp 4, length 11),
//   h264.mp4 (30 frames, key frames at 0, 4, 8, ...; x264 chose no
//   B-frames), h264hd.mp4 (1280 x 720, 12 frames, key frame every 4),
//   mpeg4.mkv and bframes.avi (30 frames of MPEG-4 with B-frames),
//   h264b.avi and h264b.mp4 (30 frames of H.264, I B B P B P in every group
//   of 6).
// Test pictures: bgr24.avi and pal8.avi (uncompressed, 64 x 48, 10 frames),
//   odd.avi (uncompressed bgr24, 63 x 47, 4 frames).
// The path, or "" (and a test failure) when ffmpeg could not make it.
std::string Clip(const std::string& name);
// A path for a file a test writes, in the clips' folder.
std::string ScratchFile(const std::string& name);

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Offsets of the fields within a 'strh' chunk's data.
enum StrhField : size_t { kStrhScale = 20, kStrhRate = 24, kStrhStart = 28, kStrhLength = 32 };
// Writes value into the given field of the first stream header of type
// fccType ("vids", "auds"); false when there is none.
bool PatchStrh(std::vector<uint8_t>& avi, const char* fccType, size_t field, uint32_t value);
// Offset of the data of the first chunk with this id at or after from, or
// npos.
size_t FindChunk(const std::vector<uint8_t>& bytes, const char* id, size_t from = 0);

// The payloads of the chunks with this id inside the 'movi' list, in order.
std::vector<std::vector<uint8_t>> MoviChunks(const std::vector<uint8_t>& avi, const char* id);

// The bitmap's pixels as top-down rows without padding (ffmpeg's rawvideo).
std::vector<uint8_t> TopDownPixels(const Bitmap& frame);

}  // namespace q9::platform::test
