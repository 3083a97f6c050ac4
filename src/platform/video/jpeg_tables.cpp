#include "platform/video/jpeg_tables.h"

#include <cstring>

namespace q9::platform {
namespace {

constexpr uint8_t kSoi = 0xD8;
constexpr uint8_t kEoi = 0xD9;

// Markers that stand alone, without a length: SOI, EOI, RST0-7 and TEM.
bool StandsAlone(uint8_t marker) {
  return marker == kSoi || marker == kEoi || (marker >= 0xD0 && marker <= 0xD7) ||
         marker == 0x01;
}

// DQT, DHT, DAC, DRI, APP0-15 and COM.
bool IsKept(uint8_t marker) {
  return marker == 0xDB || marker == 0xC4 || marker == 0xCC || marker == 0xDD ||
         (marker >= 0xE0 && marker <= 0xEF) || marker == 0xFE;
}

}  // namespace

std::vector<uint8_t> JpegKeptSegments(const uint8_t* data, size_t size) {
  std::vector<uint8_t> out;
  size_t i = 0;
  while (i + 1 < size) {
    const void* ff = std::memchr(data + i, 0xFF, size - i);
    if (ff == nullptr) break;
    i = size_t(static_cast<const uint8_t*>(ff) - data);
    if (i + 1 >= size) break;
    const uint8_t marker = data[i + 1];
    // A stuffed 0xFF 0x00 in entropy-coded data and fill bytes are no
    // markers; restart markers belong to the scan. Segments are stepped over
    // by their length, so 0xFF bytes inside them are never looked at.
    if (marker == 0x00 || marker == 0xFF || (marker >= 0xD0 && marker <= 0xD7)) {
      ++i;
      continue;
    }
    if (StandsAlone(marker)) {
      i += 2;
      continue;
    }
    if (i + 4 > size) break;
    const size_t length = size_t(data[i + 2]) << 8 | data[i + 3];
    if (length < 2 || i + 2 + length > size) break;
    if (IsKept(marker)) {
      if (out.empty()) out = {0xFF, kSoi};
      out.insert(out.end(), data + i, data + i + 2 + length);
    }
    i += 2 + length;
  }
  if (!out.empty()) {
    out.push_back(0xFF);
    out.push_back(kEoi);
  }
  return out;
}

}  // namespace q9::platform
