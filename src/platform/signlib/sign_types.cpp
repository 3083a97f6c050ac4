#include "platform/signlib/sign_types.h"

#include "platform/signlib/ascii_text.h"

#include <array>
#include <cctype>

namespace q9::platform {
namespace {

constexpr std::array<std::string_view, kColorTypeCount> kNames = {
    "Mono1",   "Quad16", "Tri3",  "Quad256", "Mono4",  "Quad64K", "Mono16", "Tri256",
    "Quad16M", "RGB64",  "RGB4K", "RGB16M",  "Mono64", "RGB32KB", "RGB16MB"};

constexpr std::array<uint8_t, 16> kBits = {1, 1, 2, 2, 2, 4, 4, 8, 6, 6, 12, 24, 6, 16, 24, 0};

}  // namespace

std::string_view ColorTypeName(uint32_t colorType) {
  return colorType < kNames.size() ? kNames[colorType] : std::string_view();
}

std::optional<uint32_t> ColorTypeFromName(std::string_view name) {
  for (uint32_t i = 0; i < kNames.size(); ++i) {
    if (EqualsNoCase(kNames[i], name)) return i;
  }
  return std::nullopt;
}

unsigned BitsPerBulb(uint32_t colorType) {
  return colorType < kBits.size() ? kBits[colorType] : 1;
}

bool IsQuadType(uint32_t colorType) {
  return colorType == Q9_QUAD16 || colorType == Q9_QUAD256 || colorType == Q9_QUAD64K ||
         colorType == Q9_QUAD16M;
}

bool IsPackedType(uint32_t colorType) {
  return colorType == Q9_RGB32KB || colorType == Q9_RGB16MB;
}

std::string_view PixelTechName(uint32_t tech) {
  switch (tech) {
    case Q9_PT_INCANDESCENT:
      return "Incandescent";
    case Q9_PT_REFLECTIVE:
      return "Reflective";
    case Q9_PT_LED:
      return "LED";
    default:
      return "";
  }
}

std::string_view PixelTechShortName(uint32_t tech) {
  switch (tech) {
    case Q9_PT_INCANDESCENT:
      return "Incand";
    case Q9_PT_REFLECTIVE:
      return "Reflect";
    case Q9_PT_LED:
      return "LED";
    default:
      return "";
  }
}

uint64_t BulbDataSize(uint64_t rows, uint64_t columns, uint32_t colorType) {
  const uint64_t bits = BitsPerBulb(colorType);
  if (IsPackedType(colorType)) {
    const uint64_t nibbleBits = (bits + 3) / 4 * 4;
    return (nibbleBits * columns + 31) / 32 * 4 * rows;
  }
  const uint64_t evenRows = rows + (rows & 1);
  return evenRows * ((columns + 15) / 16) * 2 * bits;
}

}  // namespace q9::platform
