#pragma once
// Helpers for the video tests: a temporary folder, the ffmpeg command, the
// shared test clips, file bytes and the chunks of AVI files.

#include <cstdint>
#include <string>
#include <vector>

#include "platform/imaging/bitmap.h"

namespace q9::platform::test {

// A fresh folder under the system's temporary folder, removed at the end.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::string& Path() const { return m_path; }
  std::string File(const std::string& name) const { return m_path + "/" + name; }
  std::vector<std::string> List() const;  // entry names, sorted

 private:
  std::string m_path;
};

bool Ffmpeg(const std::string& args);  // "ffmpeg <args>", quietly; true on success

// The lavfi input of a clip whose frame i is one flat colour: red 8 * i,
// green 255 - 8 * i, blue 128 (distinct up to i = 31).
std::string ColourCountInput(const std::string& size, const std::string& rate, int frames);
// The i of such a frame, from its mean red; -1 for an empty bitmap.
int ColourIndex(const Bitmap& frame);

// The shared clips, made once per test program, or "" (and a test failure)
// when ffmpeg could not: colour counts of 64 x 48 at 25 fps unless said
// otherwise. mjpeg25.avi (10 frames), mjpeg320.avi (12 frames at 320 x 240),
// start<N>.avi (mjpeg25.avi with stream start N), drop.avi (10 frames, an
// empty chunk at time stamp 4), bframes.avi (30 frames of MPEG-4 with
// B-frames), h264b.mp4 (12 frames of H.264 with B-frames at 320 x 240),
// mpeg4.mkv (12 frames of MPEG-4 with B-frames at 30000/1001), audio.avi (25
// MJPEG frames, 1 s of 16-bit mono PCM at 8 kHz).
std::string Clip(const std::string& name);
std::string ScratchFile(const std::string& name);  // a path in the clips' folder

std::vector<uint8_t> ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);

// Offsets of the fields within a 'strh' chunk's data.
enum StrhField : size_t { kStrhScale = 20, kStrhRate = 24, kStrhStart = 28, kStrhLength = 32 };
// Writes value into the field of the first stream header of type fccType
// ("vids", "auds"); false when there is none.
bool PatchStrh(std::vector<uint8_t>& avi, const char* fccType, size_t field, uint32_t value);
// Offset of the data of the first chunk with this id at or after from, or npos.
size_t FindChunk(const std::vector<uint8_t>& bytes, const char* id, size_t from = 0);
// The payloads of the chunks with this id inside the 'movi' list, in order.
std::vector<std::vector<uint8_t>> MoviChunks(const std::vector<uint8_t>& avi, const char* id);
// The bitmap's pixels as top-down rows without padding (ffmpeg's rawvideo).
std::vector<uint8_t> TopDownPixels(const Bitmap& frame);

}  // namespace q9::platform::test
