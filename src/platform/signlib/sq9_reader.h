#pragma once
// Reads .sq9 sequence files into memory, checking every size against the
// input: a damaged file gives false and a one-line error, never a read out
// of bounds or an allocation larger than the input. Used by the sequence
// tool and the tests; the converter itself only writes sequences.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "platform/signlib/sq9_format.h"

namespace q9::platform {

// The "seqh" chunk.
struct Sq9Header {
  uint16_t version = 0;
  uint16_t rows = 0;
  uint16_t columns = 0;
  uint32_t colorType = 0;
  uint32_t pixelTech = 0;
  uint32_t flags = 0;
  uint32_t frameCount = 0;
  uint32_t bulbDataSize = 0;  // per graphics or data frame

  bool PreviewOnly() const { return (flags & kSq9FlagPreviewOnly) != 0; }
};

struct Sq9IncField {
  bool enabled = false;
  std::string path;
};

// One frame as stored. Which members are filled depends on the type:
//   "hdr "  record = tag_Q9_HDR_FRM (64 bytes)
//   "grp "  record = tag_Q9_GRP_HDR (64 bytes), bulbs
//   "dat "  record = tag_Q9_GRP_HDR, dataHeader = tag_Q9_DATA_HDR, bulbs
//   "inc "  fields
//   "txd "  record = tag_Q9_TXD_FRM (656 bytes)
//   "end "  nothing
struct Sq9Frame {
  uint32_t typeCode = 0;
  std::vector<uint8_t> record;
  std::vector<uint8_t> dataHeader;
  std::vector<uint8_t> bulbs;  // Sq9Header::bulbDataSize bytes
  std::vector<Sq9IncField> fields;
};

struct Sq9Contents {
  Sq9Header header;
  std::vector<Sq9Frame> frames;  // frame 0 first
};

// A whole file. On false, out holds partial contents to be ignored and error
// says what is wrong, without the path: the caller names the file.
bool ReadSq9(std::span<const uint8_t> bytes, Sq9Contents& out, std::string& error);
bool ReadSq9File(const std::string& path, Sq9Contents& out, std::string& error);

// The RIFF signature and the header chunk only, from the first
// kSq9PrefixSize bytes (or more) of a file; the rest is not looked at.
bool ReadSq9Header(std::span<const uint8_t> prefix, Sq9Header& out, std::string& error);

}  // namespace q9::platform
