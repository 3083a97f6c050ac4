#include "convert/sign_folder.h"

#include <gtest/gtest.h>

namespace q9::convert {
namespace {

using platform::SignGeometry;

TEST(SignFolderTest, GeometryComesFromTheFolderName) {
  const SignGeometry kUntouched{7, 7, 7};
  const struct {
    const char* path;
    bool ok;
    SignGeometry geometry;  // after the parse, also when it fails
  } cases[] = {
      {"/signs/16x96.RGB16MB.SIGN", true, {16, 96, 14}},
      {"/signs/16x96.rgb16mb.sign/default.lib", true, {16, 96, 14}},
      {"/a.b/32x192.Quad256.SIGN", true, {32, 192, 3}},
      // atoi rules: leading white space and sign, junk after the digits, huge values clamp.
      {"/signs/ 16x 96rows.Tri3.SIGN", true, {16, 96, 2}},
      {"/signs/x96.Mono4.SIGN", true, {0, 96, 4}},
      {"/s/99999999999999999999x5.Mono1.SIGN", true, {2147483647, 5, 0}},
      // Height and width are stored before the colour type fails.
      {"/s/12x34.Nope.SIGN", false, {12, 34, 7}},
      {"/signs/16x96.RGB16MB.SIGN/", false, kUntouched},  // the extension would be "SIGN/"
      {"16x96.RGB16MB.SIGN", false, kUntouched},          // no "/" to isolate the name
      {"/signs/16X96.RGB16MB.SIGN", false, kUntouched},
      {"/signs/16x96RGB16MB.SIGN", false, {16, 96, 7}},
  };
  for (const auto& c : cases) {
    SignGeometry g = kUntouched;
    EXPECT_EQ(ParseSignFolder(c.path, g), c.ok) << c.path;
    EXPECT_EQ(g, c.geometry) << c.path;
  }
}

TEST(SignFolderTest, DisplayNameShortensSignFoldersOnly) {
  const std::pair<const char*, const char*> cases[] = {
      {"/signs/16x96.RGB16MB.SIGN/Default.LIB", "16x96.RGB16MB"},
      {"16x96.RGB16MB.SIGN", "16x96.RGB16MB"},
      {"/signs/other/Default.LIB", "/signs/other"},
  };
  for (const auto& [path, name] : cases) EXPECT_EQ(SignFolderDisplayName(path), name) << path;
}

}  // namespace
}  // namespace q9::convert
