#include "cli/hex.h"

#include <gtest/gtest.h>

namespace q9::cli {
namespace {

TEST(HexTest, DecodesEitherCaseAndSkipsWhiteSpace) {
  struct Case {
    std::string text;
    std::vector<uint8_t> bytes;
  };
  const Case cases[] = {
      {"", {}},
      {"   \n", {}},
      {"00ff", {0x00, 0xFF}},
      {"AbCd", {0xAB, 0xCD}},
      {" 0 1\n\t2 3\r\n", {0x01, 0x23}},
      {"7f80", {0x7F, 0x80}},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto bytes = HexDecode(c.text, error);
    ASSERT_TRUE(bytes.has_value()) << c.text << ": " << error;
    EXPECT_EQ(*bytes, c.bytes) << c.text;
  }
}

TEST(HexTest, RefusesOddCountsAndOtherCharacters) {
  struct Case {
    std::string text;
    std::string error;
  };
  const Case cases[] = {
      {"0", "odd number of hex digits"},
      {"12 3", "odd number of hex digits"},
      {"0g", "'g' at position 1 is not a hex digit"},
      {"0x12", "'x' at position 1 is not a hex digit"},
      {"12,34", "',' at position 2 is not a hex digit"},
      {std::string("1\0", 2), "byte 0x00 at position 1 is not a hex digit"},
      {"\xC3\xA9", "byte 0xC3 at position 0 is not a hex digit"},
  };
  for (const Case& c : cases) {
    std::string error;
    EXPECT_FALSE(HexDecode(c.text, error).has_value()) << c.text;
    EXPECT_EQ(error, c.error) << c.text;
  }
}

TEST(HexTest, EncodesTwoLowerCaseDigitsPerByte) {
  const std::vector<uint8_t> bytes = {0x00, 0x0F, 0xF0, 0xFF, 0x5A};
  EXPECT_EQ(HexEncode(bytes), "000ff0ff5a");
  std::string error;
  EXPECT_EQ(HexDecode(HexEncode(bytes), error), bytes);
  EXPECT_EQ(HexEncode({}), "");
}

}  // namespace
}  // namespace q9::cli
