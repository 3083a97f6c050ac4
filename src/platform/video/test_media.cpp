#include "platform/video/test_media.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include <gtest/gtest.h>

#include "platform/signlib/byte_io.h"

namespace q9::platform::test {
namespace fs = std::filesystem;

TempDir::TempDir() {
  std::string pattern = (fs::temp_directory_path() / "q9video-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) std::abort();
  m_path = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  fs::remove_all(m_path, ec);
}

std::vector<std::string> TempDir::List() const {
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(m_path)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

bool Ffmpeg(const std::string& args) {
  const std::string cmd = "ffmpeg -nostdin -hide_banner -loglevel error -y " + args;
  return std::system(cmd.c_str()) == 0;
}

std::string ColourCountInput(const std::string& size, const std::string& rate, int frames) {
  return "-f lavfi -i \"color=black:s=" + size + ":r=" + rate +
         ",geq=r='N*8':g='255-N*8':b=128\" -frames:v " + std::to_string(frames);
}

int ColourIndex(const Bitmap& frame) {
  if (!frame.HasData()) return -1;
  double red = 0;
  for (int y = 0; y < frame.Height(); ++y)
    for (int x = 0; x < frame.Width(); ++x) red += frame.Row(y)[3 * x + 2];
  red /= double(frame.Width()) * frame.Height();
  return int(std::lround(red / 8.0));
}

std::string Clip(const std::string& name) {
  static std::map<std::string, std::string> made;
  if (const auto it = made.find(name); it != made.end()) return it->second;
  const std::string mjpeg = " -c:v mjpeg -q:v 2";
  const std::string mpeg4 = " -c:v mpeg4 -g 6 -bf 2 -q:v 2";
  const std::map<std::string, std::string> recipes = {
      {"mjpeg25.avi", ColourCountInput("64x48", "25", 10) + mjpeg},
      // Rows of whole 8-pixel groups: converted straight into its bitmaps.
      {"mjpeg320.avi", ColourCountInput("320x240", "25", 12) + mjpeg},
      // Input frame 4 moves one frame later: the AVI muxer writes an empty
      // chunk for the gap at time stamp 4.
      {"drop.avi", ColourCountInput("64x48", "25", 10) +
                       " -vf \"setpts='(N+gte(N,4))/(25*TB)'\" -fps_mode passthrough" + mjpeg},
      {"bframes.avi", ColourCountInput("64x48", "25", 30) + mpeg4},
      // x264 only makes B-frames of these flat pictures when it may not choose.
      {"h264b.mp4",
       ColourCountInput("320x240", "25", 12) +
           " -c:v libx264 -g 6 -bf 2 -x264-params scenecut=0:b-adapt=0 -pix_fmt yuv420p"},
      {"h264b.avi", ColourCountInput("64x48", "25", 12) +
                        " -c:v libx264 -g 6 -bf 2 -x264-params scenecut=0:b-adapt=0"},
      // Variable frame rate: frame N at N x N x 20 ms.
      {"vfr.mkv", ColourCountInput("64x48", "25", 8) +
                      " -vf \"settb=1/1000,setpts='N*N*20'\" -fps_mode passthrough"
                      " -enc_time_base 1:1000" +
                      mjpeg},
      {"anim.gif", ColourCountInput("64x48", "10", 10)},
      {"ntsc600.mkv", ColourCountInput("16x16", "30000/1001", 600) + mjpeg},
      {"mpeg4.mkv", ColourCountInput("64x48", "30000/1001", 12) + mpeg4},
      {"audio.avi", "-f lavfi -i sine=sample_rate=8000:d=1 " + ColourCountInput("64x48", "25", 25) +
                        mjpeg + " -c:a pcm_s16le"},
  };
  const std::string path = ScratchFile(name);
  bool ok = false;
  if (name.rfind("start", 0) == 0) {
    // mjpeg25.avi with this start in its header (ffmpeg's muxer writes 0).
    std::vector<uint8_t> avi = ReadBytes(Clip("mjpeg25.avi"));
    ok = PatchStrh(avi, "vids", kStrhStart, uint32_t(std::stoul(name.substr(5))));
    WriteBytes(path, avi);
  } else if (const auto recipe = recipes.find(name); recipe != recipes.end()) {
    ok = Ffmpeg(recipe->second + " " + path);
  }
  if (!ok) ADD_FAILURE() << "ffmpeg could not make " << name;
  return made[name] = ok ? path : "";
}

std::string ScratchFile(const std::string& name) {
  static const TempDir dir;
  return dir.File(name);
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

size_t FindChunk(const std::vector<uint8_t>& bytes, const char* id, size_t from) {
  const auto it = std::search(bytes.begin() + std::ptrdiff_t(std::min(from, bytes.size())),
                              bytes.end(), id, id + 4);
  if (it == bytes.end() || size_t(it - bytes.begin()) + 8 > bytes.size()) return std::string::npos;
  return size_t(it - bytes.begin()) + 8;
}

bool PatchStrh(std::vector<uint8_t>& avi, const char* fccType, size_t field, uint32_t value) {
  for (size_t at = FindChunk(avi, "strh"); at != std::string::npos;
       at = FindChunk(avi, "strh", at)) {
    if (at + 48 <= avi.size() && std::memcmp(&avi[at], fccType, 4) == 0) {
      StoreU32(&avi[at + field], value);
      return true;
    }
  }
  return false;
}

std::vector<std::vector<uint8_t>> MoviChunks(const std::vector<uint8_t>& avi, const char* id) {
  std::vector<std::vector<uint8_t>> chunks;
  // 'LIST' size 'movi', then the chunks; at is 8 bytes past the 'movi'.
  size_t at = FindChunk(avi, "movi");
  while (at != std::string::npos && (at < 16 || std::memcmp(&avi[at - 16], "LIST", 4) != 0))
    at = FindChunk(avi, "movi", at);
  if (at == std::string::npos) return chunks;
  const size_t end = std::min(avi.size(), at - 8 + LoadU32(&avi[at - 12]));
  for (size_t pos = at - 4; pos + 8 <= end;) {
    const uint32_t size = LoadU32(&avi[pos + 4]);
    if (pos + 8 + size > end) break;
    if (std::memcmp(&avi[pos], id, 4) == 0)
      chunks.emplace_back(avi.begin() + std::ptrdiff_t(pos + 8),
                          avi.begin() + std::ptrdiff_t(pos + 8 + size));
    pos += 8 + size + (size & 1);
  }
  return chunks;
}

std::vector<uint8_t> TopDownPixels(const Bitmap& frame) {
  std::vector<uint8_t> out;
  for (int y = 0; y < frame.Height(); ++y)
    out.insert(out.end(), frame.Row(y), frame.Row(y) + 3 * frame.Width());
  return out;
}

}  // namespace q9::platform::test
