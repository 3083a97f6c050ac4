#include "platform/imaging/gif_lzw_encoder.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace q9::platform::detail {
namespace {

// A strict decoder: the data must start with a clear code, every code must
// be known, the end code must come exactly when the data end (read at the
// width a decoder has then), and the sub-blocks must be well formed.
std::optional<std::vector<uint8_t>> StrictDecode(const std::vector<uint8_t>& data) {
  if (data.empty()) return std::nullopt;
  const int minCodeSize = data[0];
  std::vector<uint8_t> bytes;
  size_t at = 1;
  for (;;) {
    if (at >= data.size()) return std::nullopt;
    const size_t length = data[at++];
    if (length == 0) break;
    if (at + length > data.size()) return std::nullopt;
    bytes.insert(bytes.end(), data.begin() + long(at), data.begin() + long(at + length));
    at += length;
  }
  if (at != data.size()) return std::nullopt;

  const unsigned clear = 1u << minCodeSize, end = clear + 1;
  size_t bit = 0;
  const auto read = [&](unsigned size) -> std::optional<unsigned> {
    if (bit + size > bytes.size() * 8) return std::nullopt;
    unsigned code = 0;
    for (unsigned i = 0; i < size; ++i, ++bit)
      code |= unsigned(bytes[bit / 8] >> (bit % 8) & 1) << i;
    return code;
  };
  std::vector<std::vector<uint8_t>> table;
  std::vector<uint8_t> out, previous;
  unsigned size = unsigned(minCodeSize) + 1;
  bool first = true;
  const auto reset = [&] {
    table.assign(clear + 2, {});
    for (unsigned i = 0; i < clear; ++i) table[i] = {uint8_t(i)};
    size = unsigned(minCodeSize) + 1;
    first = true;
  };
  if (read(size) != clear) return std::nullopt;
  for (reset();;) {
    const std::optional<unsigned> code = read(size);
    if (!code) return std::nullopt;
    if (*code == clear) {
      reset();
      continue;
    }
    if (*code == end) break;
    std::vector<uint8_t> entry;
    if (*code < table.size()) {  // clear and end are handled above
      entry = table[*code];
    } else if (*code == table.size() && !first) {
      entry = previous;
      entry.push_back(previous[0]);
    } else {
      return std::nullopt;
    }
    if (!first && table.size() < 4096) {
      std::vector<uint8_t> added = previous;
      added.push_back(entry[0]);
      table.push_back(added);
      if (table.size() == (1u << size) && size < 12) ++size;
    }
    out.insert(out.end(), entry.begin(), entry.end());
    previous = entry;
    first = false;
  }
  // Only the padding of the last byte may follow the end code.
  if ((bytes.size() * 8 - bit) >= 8) return std::nullopt;
  return out;
}

TEST(GifLzwEncoderTest, EveryLengthAndCodeSizeDecodesStrictly) {
  std::mt19937 random(3);
  GifLzwEncoder encoder;  // reused, as in an animation
  struct Case {
    int minCodeSize;
    unsigned colours;  // indices drawn from 0..colours-1
    size_t maxLength;
    size_t step;
  };
  // Short lengths one by one reach every code width at the end of the data;
  // long noise fills the 4,096-code table and resets it many times.
  const Case cases[] = {{2, 2, 700, 1},
                        {8, 256, 300, 1},
                        {8, 256, 200'000, 49'999},
                        {2, 3, 200'000, 66'666},
                        {4, 1, 9000, 2999}};
  for (const Case& c : cases) {
    for (size_t length = 1; length <= c.maxLength; length += c.step) {
      std::vector<uint8_t> indices(length);
      for (uint8_t& v : indices) v = uint8_t(random() % c.colours);
      std::vector<uint8_t> data;
      encoder.Encode(indices, c.minCodeSize, data);
      const std::optional<std::vector<uint8_t>> back = StrictDecode(data);
      ASSERT_TRUE(back.has_value()) << "min code size " << c.minCodeSize << ", length " << length;
      ASSERT_EQ(*back, indices) << "min code size " << c.minCodeSize << ", length " << length;
    }
  }
}

}  // namespace
}  // namespace q9::platform::detail
