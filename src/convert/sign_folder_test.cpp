#include "convert/sign_folder.h"

#include <gtest/gtest.h>

namespace q9::convert {
namespace {

using platform::SignGeometry;

struct ParseCase {
  const char* path;
  bool ok;
  unsigned rows, columns, colorType;
};

class ParseSignFolderTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseSignFolderTest, ReadsGeometryFromTheFolderName) {
  const ParseCase& c = GetParam();
  SignGeometry g{7, 7, 7};
  EXPECT_EQ(ParseSignFolder(c.path, g), c.ok) << c.path;
  if (c.ok) {
    EXPECT_EQ(g.rows, c.rows);
    EXPECT_EQ(g.columns, c.columns);
    EXPECT_EQ(g.colorType, c.colorType);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Paths, ParseSignFolderTest,
    testing::Values(ParseCase{"/signs/16x96.RGB16MB.SIGN", true, 16, 96, 14},
                    ParseCase{"/signs/16x96.RGB16MB.SIGN/Default.LIB", true, 16, 96, 14},
                    ParseCase{"/signs/16x96.rgb16mb.sign/default.lib", true, 16, 96, 14},
                    ParseCase{"/a.b/32x192.Quad256.SIGN", true, 32, 192, 3},
                    ParseCase{"/signs/7x9.Mono1.SIGN", true, 7, 9, 0},
                    // atoi rules: leading white space and sign, junk after the digits.
                    ParseCase{"/signs/ 16x 96.Tri3.SIGN", true, 16, 96, 2},
                    ParseCase{"/signs/16rowsx96cols.Tri3.SIGN", true, 16, 96, 2},
                    ParseCase{"/signs/x96.Mono4.SIGN", true, 0, 96, 4},
                    // A trailing slash leaves "SIGN/" as the extension.
                    ParseCase{"/signs/16x96.RGB16MB.SIGN/", false, 0, 0, 0},
                    // No "/" at all: the folder name cannot be isolated.
                    ParseCase{"16x96.RGB16MB.SIGN", false, 0, 0, 0},
                    ParseCase{"16x96.RGB16MB.SIGN/Default.LIB", false, 0, 0, 0},
                    ParseCase{"/signs/nodots", false, 0, 0, 0},
                    ParseCase{"/signs/16x96.RGB16MB.LIB", false, 0, 0, 0},
                    ParseCase{"/signs/16X96.RGB16MB.SIGN", false, 0, 0, 0},  // upper-case X
                    ParseCase{"/signs/16x96.Purple.SIGN", false, 0, 0, 0},
                    ParseCase{"/signs/16x96RGB16MB.SIGN", false, 0, 0, 0},
                    ParseCase{"/signs/16x96.RGB16MB.SIGN/Default.lib/x.LIB", false, 0, 0, 0}));

TEST(ParseSignFolderTest, StoresHeightBeforeALaterStepFails) {
  SignGeometry g{0, 0, 0};
  EXPECT_FALSE(ParseSignFolder("/s/12x34.Nope.SIGN", g));
  EXPECT_EQ(g.rows, 12u);
  EXPECT_EQ(g.columns, 34u);
}

TEST(ParseSignFolderTest, HugeNumbersClampInsteadOfOverflowing) {
  SignGeometry g;
  ASSERT_TRUE(ParseSignFolder("/s/99999999999999999999x5.Mono1.SIGN", g));
  EXPECT_EQ(g.rows, 2147483647u);
}

TEST(SignFolderDisplayNameTest, ShortensSignFoldersOnly) {
  const struct {
    const char* path;
    const char* expected;
  } cases[] = {
      {"/signs/16x96.RGB16MB.SIGN/Default.LIB", "16x96.RGB16MB"},
      {"/signs/16x96.RGB16MB.SIGN", "16x96.RGB16MB"},
      {"16x96.RGB16MB.SIGN", "16x96.RGB16MB"},
      {"/signs/other/Default.LIB", "/signs/other"},
      {"/plain/folder", "/plain/folder"},
  };
  for (const auto& c : cases) EXPECT_EQ(SignFolderDisplayName(c.path), c.expected) << c.path;
}

}  // namespace
}  // namespace q9::convert
