#pragma once
// The fixed-size records of sequence frames. Each record is a plain byte
// array with named offsets: the converter and the old-sequence translator
// fill fields by offset, and the sequence file stores the bytes as they are.
// All multi-byte fields are little-endian.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

#include "platform/signlib/byte_io.h"

namespace q9::platform {

// A NUL-terminated text of at most maxChars characters at offset; stops at
// the end of the bytes when no NUL comes first.
std::string RecordText(std::span<const uint8_t> bytes, size_t offset, size_t maxChars);

// Shared accessors of the byte records below.
template <size_t N>
struct Q9Record {
  static constexpr size_t kSize = N;
  uint8_t bytes[N] = {};

  uint8_t* Bytes() { return bytes; }
  const uint8_t* Bytes() const { return bytes; }
  std::span<const uint8_t> View() const { return {bytes, N}; }

  uint16_t U16(size_t offset) const { return LoadU16(bytes + offset); }
  uint32_t U32(size_t offset) const { return LoadU32(bytes + offset); }
  void SetU16(size_t offset, uint16_t v) { StoreU16(bytes + offset, v); }
  void SetU32(size_t offset, uint32_t v) { StoreU32(bytes + offset, v); }
};

// Frame 0 of every sequence: options that hold for the whole sequence. No
// option is defined yet; this program always writes zeros and readers keep
// the bytes as they find them.
struct tag_Q9_HDR_FRM : Q9Record<64> {};

// Graphics header, at the start of every graphics and data frame. The
// translator carries the old header values into the fields named kValueNN;
// the sequence file does not interpret them.
struct tag_Q9_GRP_HDR : Q9Record<64> {
  static constexpr size_t kFrameNumber = 0;  // 16 bits
  static constexpr size_t kValue16 = 16;     // 32 bits
  static constexpr size_t kValue20 = 20;     // 32 bits
  static constexpr size_t kValue24 = 24;     // 16 bits
  static constexpr size_t kValue26 = 26;     // 32 bits
  static constexpr size_t kValue30 = 30;     // 32 bits
  static constexpr size_t kHoldTime = 34;    // 32 bits, 1/120 s
  static constexpr size_t kValue38 = 38;     // 32 bits
  static constexpr size_t kValue42 = 42;     // 16 bits
  static constexpr size_t kValue44 = 44;     // 32 bits
};

// Data header of a data frame: a table of up to 512 data-field entries.
struct tag_Q9_DATA_HDR : Q9Record<976 + 512 * 64> {
  static constexpr size_t kEntryCount = 960;  // 16 bits
  static constexpr size_t kEntries = 976;
  static constexpr size_t kEntrySize = 64;
  static constexpr size_t kEntryCapacity = 512;
  // Offsets inside one entry.
  static constexpr size_t kEntryEnabled = 0;   // 32 bits
  static constexpr size_t kEntryValue4 = 4;    // 16 bits
  static constexpr size_t kEntryValue6 = 6;    // 16 bits
  static constexpr size_t kEntryValue8 = 8;    // 16 bits
  static constexpr size_t kEntryColor = 10;    // 4 bytes
  static constexpr size_t kEntryZeros = 14;    // 8 bytes
  static constexpr size_t kEntryValue32 = 32;  // 16 bits
  static constexpr size_t kEntryValue34 = 34;  // 16 bits
  static constexpr size_t kEntryValue36 = 36;  // 16 bits
  static constexpr size_t kEntryValue38 = 38;  // 16 bits
  static constexpr size_t kEntryValue40 = 40;  // 16 bits
  static constexpr size_t kEntryValue42 = 42;  // 32 bits

  // Entry i (0 to 511); the caller keeps i in range.
  uint8_t* Entry(size_t i) { return bytes + kEntries + kEntrySize * i; }
  const uint8_t* Entry(size_t i) const { return bytes + kEntries + kEntrySize * i; }
};

// Transmit-data frame: a named text for the sign's serial port or, with
// kKind 1, the path of a sound file for the sound player.
struct tag_Q9_TXD_FRM : Q9Record<656> {
  static constexpr size_t kOptions = 16;     // 16 bits
  static constexpr size_t kValue = 18;       // 32 bits, transmit-data value
  static constexpr size_t kName = 22;        // NUL-terminated, 17 bytes
  static constexpr size_t kNameBytes = 17;   // 16 characters + NUL
  static constexpr size_t kKind = 39;        // 32 bits
  static constexpr size_t kTextLength = 43;  // 16 bits
  static constexpr size_t kText = 400;       // NUL-terminated, 256 bytes
  static constexpr size_t kTextBytes = 256;  // 255 characters + NUL

  std::string Name() const { return RecordText(View(), kName, kNameBytes - 1); }
  std::string Text() const { return RecordText(View(), kText, kTextBytes - 1); }
  // Clears the name field and writes at most 16 characters of name.
  void SetName(std::string_view name);
  // Clears the text field, writes at most 255 characters of text and their
  // count at kTextLength.
  void SetText(std::string_view text);
};

// The layouts are part of the file format; a change here breaks every file.
static_assert(sizeof(tag_Q9_HDR_FRM) == 64);
static_assert(sizeof(tag_Q9_GRP_HDR) == 64);
static_assert(sizeof(tag_Q9_DATA_HDR) == 33744);
static_assert(sizeof(tag_Q9_TXD_FRM) == 656);
static_assert(std::is_standard_layout_v<tag_Q9_DATA_HDR> &&
              std::is_trivially_copyable_v<tag_Q9_DATA_HDR>);
static_assert(offsetof(tag_Q9_GRP_HDR, bytes) == 0 && offsetof(tag_Q9_DATA_HDR, bytes) == 0 &&
              offsetof(tag_Q9_TXD_FRM, bytes) == 0 && offsetof(tag_Q9_HDR_FRM, bytes) == 0);
static_assert(tag_Q9_GRP_HDR::kFrameNumber + 2 <= tag_Q9_GRP_HDR::kValue16);
static_assert(tag_Q9_GRP_HDR::kValue16 + 4 == tag_Q9_GRP_HDR::kValue20);
static_assert(tag_Q9_GRP_HDR::kValue20 + 4 == tag_Q9_GRP_HDR::kValue24);
static_assert(tag_Q9_GRP_HDR::kValue24 + 2 == tag_Q9_GRP_HDR::kValue26);
static_assert(tag_Q9_GRP_HDR::kValue26 + 4 == tag_Q9_GRP_HDR::kValue30);
static_assert(tag_Q9_GRP_HDR::kValue30 + 4 == tag_Q9_GRP_HDR::kHoldTime);
static_assert(tag_Q9_GRP_HDR::kHoldTime + 4 == tag_Q9_GRP_HDR::kValue38);
static_assert(tag_Q9_GRP_HDR::kValue38 + 4 == tag_Q9_GRP_HDR::kValue42);
static_assert(tag_Q9_GRP_HDR::kValue42 + 2 == tag_Q9_GRP_HDR::kValue44);
static_assert(tag_Q9_GRP_HDR::kValue44 + 4 <= tag_Q9_GRP_HDR::kSize);
static_assert(tag_Q9_DATA_HDR::kEntryCount + 2 <= tag_Q9_DATA_HDR::kEntries);
static_assert(tag_Q9_DATA_HDR::kEntries +
                  tag_Q9_DATA_HDR::kEntrySize * tag_Q9_DATA_HDR::kEntryCapacity ==
              tag_Q9_DATA_HDR::kSize);
static_assert(tag_Q9_DATA_HDR::kEntryColor + 4 == tag_Q9_DATA_HDR::kEntryZeros);
static_assert(tag_Q9_DATA_HDR::kEntryZeros + 8 <= tag_Q9_DATA_HDR::kEntryValue32);
static_assert(tag_Q9_DATA_HDR::kEntryValue42 + 4 <= tag_Q9_DATA_HDR::kEntrySize);
static_assert(tag_Q9_TXD_FRM::kOptions + 2 == tag_Q9_TXD_FRM::kValue);
static_assert(tag_Q9_TXD_FRM::kValue + 4 == tag_Q9_TXD_FRM::kName);
static_assert(tag_Q9_TXD_FRM::kName + tag_Q9_TXD_FRM::kNameBytes == tag_Q9_TXD_FRM::kKind);
static_assert(tag_Q9_TXD_FRM::kKind + 4 == tag_Q9_TXD_FRM::kTextLength);
static_assert(tag_Q9_TXD_FRM::kTextLength + 2 <= tag_Q9_TXD_FRM::kText);
static_assert(tag_Q9_TXD_FRM::kText + tag_Q9_TXD_FRM::kTextBytes == tag_Q9_TXD_FRM::kSize);

}  // namespace q9::platform
