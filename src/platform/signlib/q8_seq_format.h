#pragma once
// The on-disk layout of an old sequence (.seq), shared by the reader and the
// writer. docs/seq-format.md describes the format for other programs.

#include <array>
#include <cstddef>
#include <cstdint>

namespace q9::platform {

// "Q8SEQ", then 0x1A, CR, LF: a text-mode transfer or a truncated copy of the
// first line shows up as a wrong magic.
constexpr std::array<uint8_t, 8> kQ8SeqMagic = {'Q', '8', 'S', 'E', 'Q', 0x1A, 0x0D, 0x0A};
constexpr uint16_t kQ8SeqVersion = 1;

// File header: magic, u16 version, u16 reserved, u32 rows, u32 columns,
// u32 colour type, u32 frame count, u32 reserved.
constexpr size_t kQ8SeqHeaderSize = 32;
// Frame header: u8 kind, u8 reserved, u16 record length, u32 bulb data length.
constexpr size_t kQ8SeqFrameHeaderSize = 8;

// Bounds a reader enforces before it allocates anything.
constexpr uint32_t kQ8SeqMaxDimension = 4096;
constexpr uint64_t kQ8SeqMaxBulbSize = 64ull << 20;
constexpr uint64_t kQ8SeqMaxFileSize = 1ull << 30;

}  // namespace q9::platform
