#include "q9seq/hex.h"

#include <cstdio>

namespace q9::q9seq {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSpace(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string Describe(char c) {
  if (c > ' ' && c < 0x7F) return std::string("'") + c + "'";
  char text[16];
  std::snprintf(text, sizeof text, "byte 0x%02X", unsigned(uint8_t(c)));
  return text;
}

}  // namespace

std::string HexEncode(std::span<const uint8_t> bytes) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(bytes.size() * 2, '0');
  for (size_t i = 0; i < bytes.size(); ++i) {
    text[2 * i] = kDigits[bytes[i] >> 4];
    text[2 * i + 1] = kDigits[bytes[i] & 0x0F];
  }
  return text;
}

std::optional<std::vector<uint8_t>> HexDecode(std::string_view text, std::string& error) {
  std::vector<uint8_t> bytes;
  bytes.reserve(text.size() / 2);
  int high = -1;  // the first digit of a pair until its second comes
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (IsSpace(c)) continue;
    const int v = DigitValue(c);
    if (v < 0) {
      error = Describe(c) + " at position " + std::to_string(i) + " is not a hex digit";
      return std::nullopt;
    }
    if (high < 0) {
      high = v;
    } else {
      bytes.push_back(uint8_t(high << 4 | v));
      high = -1;
    }
  }
  if (high >= 0) {
    error = "odd number of hex digits";
    return std::nullopt;
  }
  return bytes;
}

}  // namespace q9::q9seq
