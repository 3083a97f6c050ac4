#pragma once
// Hex text for the byte blocks the sequence tool prints and reads: records,
// headers and bulb data.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace q9::q9seq {

// Two lower-case digits per byte, nothing between them.
std::string HexEncode(std::span<const uint8_t> bytes);

// Digits of either case; spaces, tabs and line breaks between them are
// ignored. nullopt and a short reason for any other character or an odd
// number of digits.
std::optional<std::vector<uint8_t>> HexDecode(std::string_view text, std::string& error);

}  // namespace q9::q9seq
