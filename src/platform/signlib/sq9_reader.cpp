#include "platform/signlib/sq9_reader.h"

#include <algorithm>
#include <cerrno>

#include "platform/base/read_whole_file.h"
#include "platform/signlib/byte_io.h"

namespace q9::platform {
namespace {

std::string Quoted(uint32_t code) {
  return "'" + FourCCText(code) + "'";
}

std::string FrameLabel(size_t index, uint32_t typeCode) {
  return "frame " + std::to_string(index) + " (" + Quoted(typeCode) + ")";
}

std::vector<uint8_t> Copy(std::span<const uint8_t> bytes) {
  return {bytes.begin(), bytes.end()};
}

// The payload of an include frame: count, then per field enabled, reserved,
// path length and path.
Result<> ReadIncFields(std::span<const uint8_t> payload, size_t index, Sq9Frame& frame) {
  const std::string label = FrameLabel(index, kFrameInclude);
  ByteReader in(payload);
  const uint16_t count = in.U16();
  if (!in.Ok()) return Failure{label + ": payload too short for the field count"};
  if (count > kSq9IncMaxFields)
    return Failure{label + ": " + std::to_string(count) + " fields, at most " +
                   std::to_string(kSq9IncMaxFields) + " allowed"};
  // Each field takes at least its 4-byte head: no more fields than that fit.
  if (size_t(count) * kSq9IncFieldHeader > in.Remaining())
    return Failure{label + ": " + std::to_string(count) + " fields do not fit in " +
                   std::to_string(payload.size()) + " bytes"};
  frame.fields.resize(count);
  for (uint16_t i = 0; i < count; ++i) {
    const std::string field = label + " field " + std::to_string(i);
    const uint8_t enabled = in.U8();
    const uint8_t reserved = in.U8();
    const uint16_t length = in.U16();
    if (!in.Ok()) return Failure{field + ": truncated"};
    if (enabled > 1) return Failure{field + ": enabled flag " + std::to_string(enabled)};
    if (reserved != 0) return Failure{field + ": reserved byte not zero"};
    if (length > kSq9IncMaxPath)
      return Failure{field + ": path of " + std::to_string(length) + " bytes, at most " +
                     std::to_string(kSq9IncMaxPath) + " allowed"};
    const std::span<const uint8_t> path = in.Bytes(length);
    if (!in.Ok()) return Failure{field + ": path runs past the end of the frame"};
    if (std::find(path.begin(), path.end(), 0) != path.end())
      return Failure{field + ": NUL byte inside the path"};
    frame.fields[i].enabled = enabled != 0;
    frame.fields[i].path.assign(path.begin(), path.end());
  }
  if (in.Remaining() != 0)
    return Failure{label + ": " + std::to_string(in.Remaining()) + " bytes after the last field"};
  return {};
}

Result<> ReadFrame(const Sq9Header& header, size_t index, uint32_t typeCode,
                   std::span<const uint8_t> payload, Sq9Frame& frame) {
  frame.typeCode = typeCode;
  if (index == 0 && typeCode != kFrameSequenceHeader)
    return Failure{"frame 0 is " + Quoted(typeCode) + ", expected 'hdr '"};
  if (index != 0 && typeCode == kFrameSequenceHeader)
    return Failure{FrameLabel(index, typeCode) + ": only frame 0 may be a header frame"};
  if (typeCode == kFrameInclude) return ReadIncFields(payload, index, frame);

  const std::optional<uint64_t> expected = Sq9FixedPayloadSize(typeCode, header.bulbDataSize);
  if (!expected) return Failure{FrameLabel(index, typeCode) + ": unknown frame type"};
  if (payload.size() != *expected)
    return Failure{FrameLabel(index, typeCode) + ": payload of " + std::to_string(payload.size()) +
                   " bytes, expected " + std::to_string(*expected)};
  switch (typeCode) {
    case kFrameSequenceHeader:
    case kFrameTransmitData:
      frame.record = Copy(payload);
      break;
    case kFrameGraphics:
      frame.record = Copy(payload.first(tag_Q9_GRP_HDR::kSize));
      frame.bulbs = Copy(payload.subspan(tag_Q9_GRP_HDR::kSize));
      break;
    case kFrameData:
      frame.record = Copy(payload.first(tag_Q9_GRP_HDR::kSize));
      frame.dataHeader = Copy(payload.subspan(tag_Q9_GRP_HDR::kSize, tag_Q9_DATA_HDR::kSize));
      frame.bulbs = Copy(payload.subspan(tag_Q9_GRP_HDR::kSize + tag_Q9_DATA_HDR::kSize));
      break;
    default:
      break;  // "end ": nothing
  }
  return {};
}

Result<> ParseHeader(std::span<const uint8_t> prefix, Sq9Header& out) {
  out = {};
  ByteReader in(prefix);
  const uint32_t riff = in.U32();
  in.U32();  // RIFF size: checked against the whole file by ReadSq9
  const uint32_t form = in.U32();
  if (!in.Ok() || riff != kRiffId || form != kSq9FormType)
    return Failure{"not a sequence file: no RIFF 'SQ9 ' signature"};
  const uint32_t chunkId = in.U32();
  const uint32_t chunkSize = in.U32();
  if (!in.Ok()) return Failure{"file ends before the header chunk"};
  if (chunkId != kSq9HeaderChunk)
    return Failure{"first chunk is " + Quoted(chunkId) + ", expected 'seqh'"};
  if (chunkSize < 2)
    return Failure{"header chunk of " + std::to_string(chunkSize) + " bytes, expected " +
                   std::to_string(kSq9HeaderSize)};
  out.version = in.U16();
  if (!in.Ok()) return Failure{"file ends inside the header chunk"};
  if (out.version != kSq9Version)
    return Failure{"unsupported format version " + std::to_string(out.version)};
  if (chunkSize != kSq9HeaderSize)
    return Failure{"header chunk of " + std::to_string(chunkSize) + " bytes, expected " +
                   std::to_string(kSq9HeaderSize)};
  out.rows = in.U16();
  out.columns = in.U16();
  const uint16_t reserved = in.U16();
  out.colorType = in.U32();
  out.pixelTech = in.U32();
  out.flags = in.U32();
  out.frameCount = in.U32();
  out.bulbDataSize = in.U32();
  if (!in.Ok()) return Failure{"file ends inside the header chunk"};
  if (out.rows == 0 || out.columns == 0)
    return Failure{"impossible geometry " + std::to_string(out.rows) + " x " +
                   std::to_string(out.columns)};
  if (out.colorType >= kColorTypeCount)
    return Failure{"unknown colour type " + std::to_string(out.colorType)};
  if (out.pixelTech > kSq9MaxPixelTech)
    return Failure{"unknown pixel technology " + std::to_string(out.pixelTech)};
  if (reserved != 0) return Failure{"reserved header field not zero"};
  if ((out.flags & ~kSq9KnownFlags) != 0)
    return Failure{"unknown header flags " + std::to_string(out.flags)};
  if (out.frameCount == 0 || out.frameCount > kSq9MaxFrames)
    return Failure{"frame count " + std::to_string(out.frameCount) + " out of range"};
  const uint64_t bulbDataSize = BulbDataSize(out.rows, out.columns, out.colorType);
  if (bulbDataSize > kSq9MaxBulbDataSize)
    return Failure{"geometry too large: " + std::to_string(bulbDataSize) +
                   " bytes of bulb data per frame"};
  if (out.bulbDataSize != bulbDataSize)
    return Failure{"bulb data size " + std::to_string(out.bulbDataSize) +
                   " does not match the geometry (" + std::to_string(bulbDataSize) + ")"};
  return {};
}

Result<> Parse(std::span<const uint8_t> bytes, Sq9Contents& out) {
  out = {};
  if (Result<> header = ParseHeader(bytes, out.header); !header) return header;
  const uint64_t riffSize = LoadU32(bytes.data() + 4);
  if (riffSize + 8 != bytes.size())
    return Failure{"RIFF size " + std::to_string(riffSize) + " does not match the file size " +
                   std::to_string(bytes.size())};

  const uint32_t frameCount = out.header.frameCount;
  // Every frame takes at least a chunk header, so the input bounds the count.
  out.frames.reserve(std::min<size_t>(frameCount, (bytes.size() - kSq9PrefixSize) / 8));
  size_t pos = kSq9PrefixSize;
  while (pos < bytes.size()) {
    const size_t index = out.frames.size();
    if (bytes.size() - pos < 8)
      return Failure{"truncated chunk header at offset " + std::to_string(pos)};
    const uint32_t typeCode = LoadU32(bytes.data() + pos);
    const uint32_t size = LoadU32(bytes.data() + pos + 4);
    pos += 8;
    const uint64_t padded = uint64_t(size) + (size & 1);
    if (padded > bytes.size() - pos)
      return Failure{FrameLabel(index, typeCode) + " at offset " + std::to_string(pos - 8) + ": " +
                     std::to_string(size) + " bytes run past the end of the file"};
    if (index >= frameCount)
      return Failure{"more frames than the " + std::to_string(frameCount) + " the header names"};
    out.frames.emplace_back();
    if (Result<> frame =
            ReadFrame(out.header, index, typeCode, bytes.subspan(pos, size), out.frames.back());
        !frame)
      return frame;
    pos += padded;
  }
  if (out.frames.size() != frameCount)
    return Failure{"the header names " + std::to_string(frameCount) + " frames, the file holds " +
                   std::to_string(out.frames.size())};
  return {};
}

}  // namespace

bool ReadSq9Header(std::span<const uint8_t> prefix, Sq9Header& out, std::string& error) {
  return Succeeded(ParseHeader(prefix, out), error);
}

bool ReadSq9(std::span<const uint8_t> bytes, Sq9Contents& out, std::string& error) {
  return Succeeded(Parse(bytes, out), error);
}

bool ReadSq9File(const std::string& path, Sq9Contents& out, std::string& error) {
  out = {};
  Result<std::vector<uint8_t>> bytes =
      ReadWholeFile<std::vector<uint8_t>>(path, kSq9MaxRiffSize + 8);
  if (bytes) return ReadSq9(*bytes, out, error);
  switch (bytes.Error().errorNumber) {
    case EISDIR:
    case EINVAL:
      error = "not a regular file";
      break;
    case EFBIG:
      error = "too large for a sequence file";
      break;
    default:
      error = bytes.Reason();
      break;
  }
  return false;
}

}  // namespace q9::platform
