#include "sequence/sequence_format.h"

#include <gtest/gtest.h>

#include "platform/signlib/q8_seq_format.h"
#include "platform/signlib/sq9_test_support.h"

namespace q9::sequence {
namespace {

using platform::testing::WriteAll;

class SequenceFormatTest : public platform::testing::TempDirTest {};

// The first four bytes decide, whatever follows and whatever the name.
TEST_F(SequenceFormatTest, FirstBytesDecide) {
  const std::vector<uint8_t> oldMagic(platform::kQ8SeqMagic.begin(), platform::kQ8SeqMagic.end());
  const std::pair<std::vector<uint8_t>, std::string> cases[] = {
      {{'R', 'I', 'F', 'F'}, "sq9"},
      {{'R', 'I', 'F', 'F', 'W', 'A', 'V', 'E'}, "sq9"},  // its reader says what is wrong
      {std::vector<uint8_t>(oldMagic.begin(), oldMagic.begin() + 4), "seq"},
      {oldMagic, "seq"},
      {{'R', 'I', 'F'}, "neither a sequence file (.sq9) nor an old sequence (.seq)"},
      {{'r', 'i', 'f', 'f'}, "neither a sequence file (.sq9) nor an old sequence (.seq)"},
      {{}, "empty file, neither a sequence file (.sq9) nor an old sequence (.seq)"},
  };
  for (const auto& [bytes, expected] : cases) {
    WriteAll(PathOf("x.seq"), bytes);
    const platform::Result<SequenceFormat> format = DetectSequenceFormat(PathOf("x.seq"));
    EXPECT_EQ(!format                           ? format.Reason()
              : *format == SequenceFormat::kSq9 ? "sq9"
                                                : "seq",
              expected);
  }
}

}  // namespace
}  // namespace q9::sequence
