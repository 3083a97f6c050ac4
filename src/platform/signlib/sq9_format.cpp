#include "platform/signlib/sq9_format.h"

#include <cstdio>

namespace q9::platform {

std::string FourCCText(uint32_t code) {
  std::string text;
  for (int i = 0; i < 4; ++i) {
    const auto c = static_cast<uint8_t>(code >> (8 * i));
    if (c >= 0x20 && c < 0x7F && c != '\\') {
      text.push_back(static_cast<char>(c));
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", c);
      text += hex;
    }
  }
  return text;
}

}  // namespace q9::platform
