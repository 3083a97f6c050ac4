#pragma once
// The stream headers of a RIFF AVI file, read straight from its header list.
// FFmpeg keeps some of these fields to itself (the stream start) or reduces
// them (scale and rate), and frame numbers and the audio export need them as
// the file states them.

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace q9::platform {

constexpr uint32_t FourCcOf(const char (&s)[5]) {
  return uint32_t(uint8_t(s[0])) | uint32_t(uint8_t(s[1])) << 8 | uint32_t(uint8_t(s[2])) << 16 |
         uint32_t(uint8_t(s[3])) << 24;
}

struct AviStreamHeader {
  uint32_t type = 0;  // fccType: 'vids', 'auds', ...
  uint32_t scale = 0;
  uint32_t rate = 0;
  uint32_t start = 0;
  uint32_t length = 0;
  uint32_t sampleSize = 0;
  uint32_t formatSize = 0;  // size of the stream's 'strf' chunk, 0 when absent
};

// Reads size bytes at offset; returns fewer at the end of the source.
using AviReadAt = std::function<std::vector<uint8_t>(uint64_t offset, size_t size)>;

// True when the first 12 bytes are a RIFF 'AVI ' header.
bool IsAviSignature(std::span<const uint8_t> first12);

// The stream headers of the 'hdrl' list body (the bytes after the list type),
// in file order, one per 'strh' chunk as a demuxer creates streams (padding
// streams of type 'pads' make none). Chunks cut short end the walk.
std::vector<AviStreamHeader> ParseAviHeaderList(std::span<const uint8_t> body);

// Finds the 'hdrl' list of an AVI file through read and parses it. Empty when
// the source is no AVI or has no readable header list.
std::vector<AviStreamHeader> ReadAviStreamHeaders(const AviReadAt& read);

}  // namespace q9::platform
