#include "platform/video/test_media.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

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
