#include "platform/signlib/sq9_records.h"

#include <algorithm>
#include <cstring>

namespace q9::platform {

std::string RecordText(std::span<const uint8_t> bytes, size_t offset, size_t maxChars) {
  std::string text;
  for (size_t i = offset; i < bytes.size() && i - offset < maxChars && bytes[i] != 0; ++i)
    text.push_back(static_cast<char>(bytes[i]));
  return text;
}

void tag_Q9_TXD_FRM::SetName(std::string_view name) {
  std::memset(bytes + kName, 0, kNameBytes);
  const size_t n = std::min({name.size(), kNameBytes - 1, name.find('\0')});
  std::memcpy(bytes + kName, name.data(), n);
}

void tag_Q9_TXD_FRM::SetText(std::string_view text) {
  std::memset(bytes + kText, 0, kTextBytes);
  // A NUL inside the text would end it early for every reader of the record.
  const size_t n = std::min({text.size(), kTextBytes - 1, text.find('\0')});
  std::memcpy(bytes + kText, text.data(), n);
  SetU16(kTextLength, static_cast<uint16_t>(n));
}

}  // namespace q9::platform
