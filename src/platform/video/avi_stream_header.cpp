#include "platform/video/avi_stream_header.h"

#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

constexpr uint32_t kRiff = FourCcOf("RIFF");
constexpr uint32_t kAvi = FourCcOf("AVI ");
constexpr uint32_t kList = FourCcOf("LIST");
constexpr uint32_t kHdrl = FourCcOf("hdrl");
constexpr uint32_t kMovi = FourCcOf("movi");
constexpr uint32_t kStrh = FourCcOf("strh");
constexpr uint32_t kStrf = FourCcOf("strf");
constexpr uint32_t kPads = FourCcOf("pads");

// A header list is small; a larger one is treated as damage rather than read.
constexpr uint32_t kMaxHeaderList = 16u << 20;
// Chunks before the header list (JUNK and the like) are skipped up to this many.
constexpr int kMaxLeadingChunks = 64;
constexpr int kMaxListDepth = 4;

// strh fields: fccType 0, handler 4, flags 8, priority 12, language 14,
// initial frames 16, scale 20, rate 24, start 28, length 32, buffer size 36,
// quality 40, sample size 44.
AviStreamHeader ReadStrh(std::span<const uint8_t> data) {
  AviStreamHeader h;
  ByteReader r(data);
  h.type = r.U32();
  r.Skip(16);
  h.scale = r.U32();
  h.rate = r.U32();
  h.start = r.U32();
  h.length = r.U32();
  r.Skip(8);
  h.sampleSize = r.U32();
  // A short header keeps what it has; the rest reads as 0, as a demuxer
  // reading past a short chunk would take it.
  return h;
}

void WalkChunks(std::span<const uint8_t> body, int depth, std::vector<AviStreamHeader>& out,
                bool& lastWasPads) {
  ByteReader r(body);
  while (r.Remaining() >= 8) {
    const uint32_t id = r.U32();
    const uint32_t size = r.U32();
    const size_t avail = r.Remaining();
    const size_t take = size < avail ? size : avail;
    std::span<const uint8_t> data = r.Bytes(take);
    if (id == kList && data.size() >= 4 && depth < kMaxListDepth) {
      WalkChunks(data.subspan(4), depth + 1, out, lastWasPads);
    } else if (id == kStrh) {
      AviStreamHeader h = ReadStrh(data);
      lastWasPads = h.type == kPads;
      if (!lastWasPads) out.push_back(h);
    } else if (id == kStrf && !out.empty() && !lastWasPads) {
      out.back().formatSize = size;
    }
    if (take < size) return;
    if ((size & 1) != 0) r.Skip(r.Remaining() > 0 ? 1 : 0);
  }
}

}  // namespace

bool IsAviSignature(std::span<const uint8_t> first12) {
  if (first12.size() < 12) return false;
  return LoadU32(first12.data()) == kRiff && LoadU32(first12.data() + 8) == kAvi;
}

std::vector<AviStreamHeader> ParseAviHeaderList(std::span<const uint8_t> body) {
  std::vector<AviStreamHeader> out;
  bool lastWasPads = false;
  WalkChunks(body, 0, out, lastWasPads);
  return out;
}

std::vector<AviStreamHeader> ReadAviStreamHeaders(const AviReadAt& read) {
  const std::vector<uint8_t> riff = read(0, 12);
  if (!IsAviSignature(riff)) return {};
  uint64_t pos = 12;
  for (int i = 0; i < kMaxLeadingChunks; ++i) {
    const std::vector<uint8_t> head = read(pos, 12);
    if (head.size() < 8) return {};
    const uint32_t id = LoadU32(head.data());
    const uint32_t size = LoadU32(head.data() + 4);
    if (id == kList && head.size() == 12) {
      const uint32_t listType = LoadU32(head.data() + 8);
      if (listType == kHdrl) {
        if (size < 4 || size > kMaxHeaderList) return {};
        const std::vector<uint8_t> body = read(pos + 12, size - 4);
        return ParseAviHeaderList(body);
      }
      if (listType == kMovi) return {};
    }
    pos += 8 + uint64_t(size) + (size & 1);
  }
  return {};
}

}  // namespace q9::platform
