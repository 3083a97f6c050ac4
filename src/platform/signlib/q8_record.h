#pragma once
// The raw frame record of an old sequence: what CQ8Seq::GetFrBufPtr hands
// out and what CQ8SeqWriter stores. The record is a fixed 1,056-byte block;
// which bytes mean what depends on the frame's kind. Offsets are bytes from
// the start of the record, multi-byte values are little-endian.

#include <cstddef>
#include <cstdint>

namespace q9::platform {

// 32 header bytes plus 128 data-field entries of 8 bytes, the largest layout.
constexpr size_t kQ8RecordSize = 32 + 128 * 8;

// Frame kinds. Any value 0..255 may be stored; 5 and values above 7 have no
// layout of their own.
enum Q8FrameKind : unsigned {
  kQ8FrameNone = 0,
  kQ8FrameEnd = 1,
  kQ8FrameInclude = 2,
  kQ8FrameRepeat = 3,
  kQ8FrameGraphics = 4,
  kQ8FrameBlankData = 5,
  kQ8FrameData = 6,
  kQ8FrameTransmitData = 7,
};

// Graphics and data frames carry bulb data; no other kind does.
constexpr bool IsQ8GraphicalKind(unsigned kind) {
  return kind == kQ8FrameGraphics || kind == kQ8FrameData;
}

// All kinds.
constexpr size_t kQ8TransmitValue = 5;  // 16 bits, used by transmit-data frames

// Graphics and data frames.
constexpr size_t kQ8TimeUnit = 6;        // non-zero: 1/120 s, zero: 1/10 s
constexpr size_t kQ8HeaderValue7 = 7;    // 7..11: five header bytes
constexpr size_t kQ8HoldTime = 12;       // 16 bits, in the time unit
constexpr size_t kQ8HeaderValue14 = 14;  // 14..16: three header bytes

// Include frames: NUL-terminated names; the name field ends where the
// library field begins.
constexpr size_t kQ8IncludeName = 16;
constexpr size_t kQ8IncludeLibrary = 24;

// Data frames: data-field entries.
constexpr size_t kQ8DataEntries = 32;
constexpr size_t kQ8DataEntryCount = 128;
constexpr size_t kQ8DataEntrySize = 8;
constexpr size_t kQ8DataCode = 0;   // 16 bits, 0 = entry not in use
constexpr size_t kQ8DataByte2 = 2;  // 8 bits
constexpr size_t kQ8DataWordA = 3;  // 16 bits
constexpr size_t kQ8DataWordB = 5;  // 16 bits
constexpr size_t kQ8DataByte7 = 7;  // 8 bits

// Transmit-data frames: text entries.
constexpr size_t kQ8TextEntries = 16;
constexpr size_t kQ8TextEntryCount = 16;
constexpr size_t kQ8TextEntrySize = 32;
constexpr size_t kQ8TextCount = 0;  // number of data bytes in use
constexpr size_t kQ8TextLabel = 1;  // NUL-terminated label, bytes 1..15
constexpr size_t kQ8TextData = 16;  // data bytes 16..31

}  // namespace q9::platform
