#include "platform/signlib/sq9_records.h"

#include <gtest/gtest.h>

#include <string>

namespace q9::platform {
namespace {

TEST(TxdRecordTest, NameAndTextStayInsideTheirFields) {
  struct Case {
    std::string name, text;
    std::string expectedName, expectedText;
  };
  const std::string long300(300, 't');
  const Case cases[] = {
      {"wav", "/snd/a.wav", "wav", "/snd/a.wav"},
      {"abcdefghijklmnopq", long300, "abcdefghijklmnop", long300.substr(0, 255)},
      {std::string("ab\0cd", 5), std::string("x\0y", 3), "ab", "x"},
  };
  for (const Case& c : cases) {
    tag_Q9_TXD_FRM record;
    // Bytes from an earlier, longer value must not survive.
    std::fill(std::begin(record.bytes), std::end(record.bytes), uint8_t(0xEE));
    record.SetName(c.name);
    record.SetText(c.text);
    EXPECT_EQ(record.Name(), c.expectedName);
    EXPECT_EQ(record.Text(), c.expectedText);
    EXPECT_EQ(record.U16(tag_Q9_TXD_FRM::kTextLength), c.expectedText.size());
    EXPECT_EQ(record.bytes[tag_Q9_TXD_FRM::kName + tag_Q9_TXD_FRM::kNameBytes - 1], 0);
    EXPECT_EQ(record.bytes[tag_Q9_TXD_FRM::kSize - 1], 0);
    // The fields around them are untouched.
    EXPECT_EQ(record.bytes[tag_Q9_TXD_FRM::kName - 1], 0xEE);
    EXPECT_EQ(record.bytes[tag_Q9_TXD_FRM::kKind], 0xEE);
    EXPECT_EQ(record.bytes[tag_Q9_TXD_FRM::kText - 1], 0xEE);
  }
}

}  // namespace
}  // namespace q9::platform
