#pragma once
// Colour types, pixel technologies, frame type codes and the bulb data size
// rule shared by the sequence library, the old-sequence reader and the bulb
// converter.

#include <cstdint>
#include <optional>
#include <string_view>

namespace q9::platform {

// Colour type of a sign. The value indexes the table of names; sign folder
// names carry the name.
enum tag_Q9_SIGN_COLOR : uint32_t {
  Q9_MONO1 = 0,
  Q9_QUAD16 = 1,
  Q9_TRI3 = 2,
  Q9_QUAD256 = 3,
  Q9_MONO4 = 4,
  Q9_QUAD64K = 5,
  Q9_MONO16 = 6,
  Q9_TRI256 = 7,
  Q9_QUAD16M = 8,
  Q9_RGB64 = 9,
  Q9_RGB4K = 10,
  Q9_RGB16M = 11,
  Q9_MONO64 = 12,
  Q9_RGB32KB = 13,
  Q9_RGB16MB = 14,
  Q9_NO_COLOR = 15,
};

constexpr uint32_t kColorTypeCount = 15;  // named types 0..14

enum tag_Q9_PIXEL_TECH : uint32_t {
  Q9_PT_NONE = 0,
  Q9_PT_INCANDESCENT = 1,
  Q9_PT_REFLECTIVE = 2,
  Q9_PT_LED = 3,
};

// "Mono1" ... "RGB16MB"; "" for 15 and above.
std::string_view ColorTypeName(uint32_t colorType);
// The position of the name in the table, letter case ignored.
std::optional<uint32_t> ColorTypeFromName(std::string_view name);
// Bits per bulb from the 16-entry table; values above 15 count as 1 bit.
unsigned BitsPerBulb(uint32_t colorType);
// Quad signs group their bulbs in 2 x 2 red/green/blue/extra quads.
bool IsQuadType(uint32_t colorType);
// Types 13 and 14 store each bulb as a packed little-endian value instead of
// bit planes.
bool IsPackedType(uint32_t colorType);
// "Incandescent", "Reflective", "LED"; "" for none or unknown.
std::string_view PixelTechName(uint32_t tech);
// "Incand", "Reflect", "LED"; "" for none or unknown.
std::string_view PixelTechShortName(uint32_t tech);

// Size in bytes of one frame of bulb data. Plane types: bits-per-bulb planes
// of an even number of rows of 16-bit words. Packed types: rows of
// nibble-rounded bulbs, each row padded to 32 bits.
uint64_t BulbDataSize(uint64_t rows, uint64_t columns, uint32_t colorType);

// The sign's height in bulbs, width in bulbs and colour type, always in this
// order.
struct SignGeometry {
  unsigned rows = 0;
  unsigned columns = 0;
  uint32_t colorType = Q9_MONO1;
  friend bool operator==(const SignGeometry&, const SignGeometry&) = default;
};

// Four-character frame type codes, stored as 32-bit little-endian values.
constexpr uint32_t FourCC(const char (&code)[5]) {
  return uint32_t(uint8_t(code[0])) | uint32_t(uint8_t(code[1])) << 8 |
         uint32_t(uint8_t(code[2])) << 16 | uint32_t(uint8_t(code[3])) << 24;
}
constexpr uint32_t kFrameGraphics = FourCC("grp ");
constexpr uint32_t kFrameData = FourCC("dat ");
constexpr uint32_t kFrameInclude = FourCC("inc ");
constexpr uint32_t kFrameTransmitData = FourCC("txd ");
constexpr uint32_t kFrameEnd = FourCC("end ");

}  // namespace q9::platform
