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

namespace {

class Clips {
 public:
  static Clips& Get() {
    static Clips clips;
    return clips;
  }

  std::string Scratch(const std::string& name) const { return m_dir.File(name); }

  std::string Path(const std::string& name) {
    const auto made = m_made.find(name);
    if (made != m_made.end()) return made->second;
    const std::string path = m_dir.File(name);
    const bool ok = Make(name, path);
    return m_made[name] = ok ? path : "";
  }

 private:
  bool Make(const std::string& name, const std::string& path) {
    const std::string colours10 = ColourCountInput("64x48", "25", 10);
    const std::string colours30 = ColourCountInput("64x48", "25", 30);
    const std::string h264BFrames =
        " -c:v libx264 -g 6 -bf 2 -x264-params scenecut=0:b-adapt=0 -pix_fmt yuv420p";
    const std::string testsrc = "-f lavfi -i testsrc=s=64x48:r=25 -frames:v 10";
    const std::map<std::string, std::string> recipes = {
        {"mjpeg25.avi", colours10 + " -c:v mjpeg -q:v 2"},
        {"mjpeg2997.avi", ColourCountInput("64x48", "30000/1001", 10) + " -c:v mjpeg -q:v 2"},
        // Input frame 4 moves one frame later: the AVI muxer writes an empty
        // chunk for the gap at time stamp 4.
        {"drop.avi", colours10 + " -vf \"setpts='(N+gte(N,4))/(25*TB)'\" -fps_mode passthrough" +
                         " -c:v mjpeg -q:v 2"},
        {"mjpeg2997.mkv", ColourCountInput("64x48", "30000/1001", 10) + " -c:v mjpeg -q:v 2"},
        {"h264.mp4", colours30 + " -c:v libx264 -g 5 -bf 2 -pix_fmt yuv420p"},
        // Large enough for threaded decoding.
        {"h264hd.mp4",
         ColourCountInput("1280x720", "25", 12) + " -c:v libx264 -g 4 -bf 2 -pix_fmt yuv420p"},
        {"mpeg4.mkv", colours30 + " -c:v mpeg4 -g 6 -bf 2 -q:v 2"},
        {"bframes.avi", colours30 + " -c:v mpeg4 -g 6 -bf 2 -q:v 2"},
        // x264 only makes B-frames of these flat pictures when it may not
        // choose otherwise.
        {"h264b.avi", colours30 + h264BFrames},
        {"h264b.mp4", colours30 + h264BFrames},
        {"bgr24.avi", testsrc + " -c:v rawvideo -pix_fmt bgr24"},
        {"pal8.avi", testsrc + " -c:v rawvideo -pix_fmt pal8"},
        {"odd.avi", "-f lavfi -i testsrc=s=63x47:r=25 -frames:v 4 -c:v rawvideo -pix_fmt bgr24"},
    };
    if (name == "start5.avi") {
      // ffmpeg's muxer writes stream start 0, so the header is patched.
      const std::string source = Path("mjpeg25.avi");
      if (source.empty()) return false;
      std::vector<uint8_t> avi = ReadBytes(source);
      if (!PatchStrh(avi, "vids", kStrhStart, 5)) return false;
      WriteBytes(path, avi);
      return true;
    }
    const auto recipe = recipes.find(name);
    return recipe != recipes.end() && Ffmpeg(recipe->second + " " + path);
  }

  TempDir m_dir;
  std::map<std::string, std::string> m_made;
};

}  // namespace

std::string Clip(const std::string& name) {
  std::string path = Clips::Get().Path(name);
  if (path.empty()) ADD_FAILURE() << "ffmpeg could not make " << name;
  return path;
}

std::string ScratchFile(const std::string& name) {
  return Clips::Get().Scratch(name);
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
  // 'LIST' size 'movi', then the chunks.
  size_t list = 0;
  for (size_t at = FindChunk(avi, "movi"); at != std::string::npos;
       at = FindChunk(avi, "movi", at)) {
    if (at >= 16 && std::memcmp(&avi[at - 16], "LIST", 4) == 0) {
      list = at - 16;
      break;
    }
  }
  if (list == 0) return chunks;
  const size_t end = std::min(avi.size(), list + 8 + LoadU32(&avi[list + 4]));
  size_t pos = list + 12;
  while (pos + 8 <= end) {
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
  const size_t rowBytes = size_t(frame.Width()) * 3;
  for (int y = 0; y < frame.Height(); ++y)
    out.insert(out.end(), frame.Row(y), frame.Row(y) + rowBytes);
  return out;
}

}  // namespace q9::platform::test
