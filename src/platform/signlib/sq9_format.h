#pragma once
// Constants of the .sq9 sequence file format, shared by the writer
// (CQ9SequenceFile) and the reader (ReadSq9). docs/sq9-format.md describes
// the format in full.

#include <cstdint>
#include <optional>
#include <string>

#include "platform/signlib/sign_types.h"
#include "platform/signlib/sq9_records.h"

namespace q9::platform {

constexpr uint32_t kRiffId = FourCC("RIFF");
constexpr uint32_t kSq9FormType = FourCC("SQ9 ");
constexpr uint32_t kSq9HeaderChunk = FourCC("seqh");
// Frame 0 of every sequence, and only frame 0.
constexpr uint32_t kFrameSequenceHeader = FourCC("hdr ");

constexpr uint16_t kSq9Version = 1;

// "seqh" payload, version 1.
constexpr uint32_t kSq9HeaderSize = 28;
constexpr size_t kSq9HdrVersion = 0;        // 16 bits
constexpr size_t kSq9HdrRows = 2;           // 16 bits
constexpr size_t kSq9HdrColumns = 4;        // 16 bits
constexpr size_t kSq9HdrReserved = 6;       // 16 bits, 0
constexpr size_t kSq9HdrColorType = 8;      // 32 bits
constexpr size_t kSq9HdrPixelTech = 12;     // 32 bits
constexpr size_t kSq9HdrFlags = 16;         // 32 bits
constexpr size_t kSq9HdrFrameCount = 20;    // 32 bits
constexpr size_t kSq9HdrBulbDataSize = 24;  // 32 bits
constexpr uint32_t kSq9FlagPreviewOnly = 1u << 0;
constexpr uint32_t kSq9KnownFlags = kSq9FlagPreviewOnly;

// "RIFF" + size + "SQ9 " + the header chunk: where the first frame starts.
constexpr uint32_t kSq9PrefixSize = 12 + 8 + kSq9HeaderSize;

// Limits. Frame numbers are 16-bit; one frame's bulbs stay within 64 MiB so
// that a sequence of any accepted geometry holds dozens of frames; the RIFF
// size field is 32-bit.
constexpr uint32_t kSq9MaxFrames = 65535;
constexpr uint64_t kSq9MaxBulbDataSize = uint64_t(64) << 20;
constexpr uint64_t kSq9MaxRiffSize = 0xFFFFFFFFu;
constexpr uint32_t kSq9MaxPixelTech = Q9_PT_LED;

// Include frames.
constexpr uint16_t kSq9IncMaxFields = 16;
constexpr size_t kSq9IncMaxPath = 511;
constexpr uint32_t kSq9IncFieldHeader = 4;  // enabled, reserved, path length
constexpr uint32_t kSq9IncMaxPayload =
    2 + kSq9IncMaxFields * (kSq9IncFieldHeader + uint32_t(kSq9IncMaxPath));

// Payload size of a frame chunk of a fixed-size type with this much bulb data
// per frame; nullopt for include frames (variable) and unknown types.
constexpr std::optional<uint64_t> Sq9FixedPayloadSize(uint32_t typeCode, uint64_t bulbDataSize) {
  switch (typeCode) {
    case kFrameSequenceHeader:
      return tag_Q9_HDR_FRM::kSize;
    case kFrameGraphics:
      return tag_Q9_GRP_HDR::kSize + bulbDataSize;
    case kFrameData:
      return tag_Q9_GRP_HDR::kSize + tag_Q9_DATA_HDR::kSize + bulbDataSize;
    case kFrameTransmitData:
      return tag_Q9_TXD_FRM::kSize;
    case kFrameEnd:
      return 0;
    default:
      return std::nullopt;
  }
}

// Bytes a chunk with this payload takes in the file: id, size, payload and
// the pad byte that keeps chunks at even offsets.
constexpr uint64_t Sq9ChunkBytes(uint64_t payloadSize) {
  return 8 + payloadSize + (payloadSize & 1);
}

// "grp " as text; bytes outside printable ASCII as \xNN.
std::string FourCCText(uint32_t code);

}  // namespace q9::platform
