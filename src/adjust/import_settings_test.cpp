#include "adjust/import_settings.h"

#include <gtest/gtest.h>

#include <climits>

#include "adjust/settings_field.h"

namespace q9::adjust {
namespace {

// A record in which every field differs from its default.
ImportSettings EverythingChanged() {
  ImportSettings s;
  s.Red = 1, s.Green = 2, s.Blue = 3, s.White = 4;
  s.Brightness = 5, s.Contrast = 6, s.Hue = 7, s.Saturation = 8;
  s.ColorResBits = 4, s.Gamma = 2.5f, s.CommandMask = kCmdFlip | kCmdRotate90 | kCmdPosterize;
  for (int n = 0; n < kImageCommandCount; ++n) s.CommandParams[size_t(n)] = {n + 100, n + 200};
  s.CaptureInitialized = 1, s.CaptureRect = {1, 2, 3, 4}, s.SignAspect = 0.5f;
  s.DropImage = 1, s.ConstrainRect = 0, s.KeepAspect = 0, s.AutoCenter = 1;
  s.XPos = 11, s.YPos = 12, s.Width = 13, s.Height = 14, s.SizeMode = kSizePercent;
  s.WavPath = "/wav", s.AddTxdFlag = 1, s.SaveAudioFlag = 1;
  return s;
}

// Compares two records field by field so that a failure names the field.
void ExpectSameFields(const ImportSettings& actual, const ImportSettings& expected) {
  for (const std::string& name : FieldNames())
    EXPECT_EQ(GetField(actual, name), GetField(expected, name)) << name;
  EXPECT_TRUE(actual == expected);
}

// A fresh record is what a user who never touched a setting converts with:
// neutral sliders, no commands, the capture kept inside the frame with its
// aspect, in pixels.
TEST(ImportSettingsFresh, HoldsTheDefaults) {
  const struct {
    const char* name;
    const char* value;
  } defaults[] = {
      {"Red", "64"},          {"White", "64"},        {"Brightness", "64"},
      {"Saturation", "64"},   {"ColorResBits", "0"},  {"Gamma", "0"},
      {"CommandMask", "0x0"}, {"DropImage", "0"},     {"ConstrainRect", "1"},
      {"KeepAspect", "1"},    {"AutoCenter", "0"},    {"SizeMode", "1"},
      {"AddTxdFlag", "0"},    {"SaveAudioFlag", "0"}, {"CaptureInitialized", "0"},
  };
  const ImportSettings fresh;
  for (const auto& d : defaults) EXPECT_EQ(GetField(fresh, d.name), d.value) << d.name;
}

TEST(ImportSettingsDefaultCapture, CentresASignSizedWindowAndTouchesNothingElse) {
  const struct {
    int frameWidth, frameHeight, constrain, xPos, yPos;
    Rect rect;
  } cases[] = {
      {100, 50, 1, 26, 17, {26, 17, 74, 33}},
      {10, 8, 1, 0, 0, {0, 0, 10, 8}},  // frame smaller: clipped
      {10, 8, 0, 0, 0, {0, 0, 48, 16}},
  };
  for (const auto& c : cases) {
    ImportSettings s = EverythingChanged();
    s.ConstrainRect = c.constrain;
    s.DefaultCapture(48, 16, c.frameWidth, c.frameHeight);
    ImportSettings expected = EverythingChanged();
    expected.ConstrainRect = c.constrain;
    expected.XPos = c.xPos, expected.YPos = c.yPos, expected.Width = 48, expected.Height = 16;
    expected.SizeMode = kSizePixels, expected.CaptureRect = c.rect, expected.SignAspect = 16 / 48.f;
    SCOPED_TRACE(testing::Message() << c.frameWidth << "x" << c.frameHeight << " " << c.constrain);
    ExpectSameFields(s, expected);
  }
}

TEST(ImportSettingsComputeCaptureRect, SizesAndClips) {
  constexpr int kMax = INT_MAX, kMin = INT_MIN;
  const struct {
    const char* what;
    int sizeMode, xPos, yPos, width, height, constrain, frameWidth, frameHeight;
    Rect rect;
  } cases[] = {
      {"percent, constrained", 0, 10, 5, 100, 100, 1, 100, 50, {10, 5, 100, 50}},
      // 29 x 0.01 x 100 is 28.999... in double precision: exact integer
      // arithmetic or another order of the factors would give 29.
      {"percent truncates the double product", 0, 0, 0, 29, 58, 0, 100, 200, {0, 0, 28, 115}},
      // 10 x 0.01f x 100 in single precision is 9.99..., in double 10.
      {"percent multiplies in double", 0, 0, 0, 10, 20, 0, 100, 100, {0, 0, 10, 20}},
      {"negative percent truncates toward zero", 0, 0, 0, -29, -1, 0, 100, 50, {0, 0, -28, 0}},
      {"left and top are never clipped", 1, -10, -5, 200, 100, 1, 100, 50, {-10, -5, 100, 50}},
      {"right clipped below left", 1, 150, 0, 10, 10, 1, 100, 50, {150, 0, 100, 10}},
      {"pixels, unconstrained", 1, 90, 40, 20, 20, 0, 100, 50, {90, 40, 110, 60}},
      {"sum pinned to 32 bits", 1, kMax, kMin, 10, -10, 0, 100, 50, {kMax, kMin, kMax, kMin}},
      {"percent pinned", 0, 0, 0, kMax, kMin, 0, 100000, 100000, {0, 0, kMax, kMin}},
  };
  for (const auto& c : cases) {
    ImportSettings s;
    s.SizeMode = c.sizeMode, s.XPos = c.xPos, s.YPos = c.yPos;
    s.Width = c.width, s.Height = c.height, s.ConstrainRect = c.constrain;
    s.ComputeCaptureRect(c.frameWidth, c.frameHeight);
    EXPECT_EQ(s.CaptureRect, c.rect) << c.what;
  }
}

TEST(ImportSettingsCenterCapture, BothModes) {
  const struct {
    const char* what;
    int sizeMode, width, height;
    Rect rect;  // the rectangle as last computed (percent mode sizes by it)
    int xPos, yPos;
  } cases[] = {
      {"pixels", 1, 48, 16, {}, 26, 17},
      {"pixels, remainder dropped", 1, 49, 17, {}, 25, 16},
      {"pixels, larger than the frame", 1, 200, 60, {}, 0, 0},
      // Unsigned comparison: a negative size is huge, so no centring. A
      // signed comparison would give 55 and 25.
      {"pixels, negative size", 1, -10, -1, {}, 0, 0},
      {"percent sizes by the rectangle", 0, 100, 100, {10, 5, 60, 25}, 25, 15},
  };
  for (const auto& c : cases) {
    ImportSettings s;
    s.SizeMode = c.sizeMode, s.Width = c.width, s.Height = c.height, s.CaptureRect = c.rect;
    s.XPos = s.YPos = 999;
    s.CenterCapture(100, 50);
    EXPECT_EQ(s.XPos, c.xPos) << c.what;
    EXPECT_EQ(s.YPos, c.yPos) << c.what;
    EXPECT_EQ(s.CaptureRect, c.rect) << c.what;  // recomputing is the caller's
  }
}

TEST(ImportSettingsReset, KeepsCommandsConstrainAndAudio) {
  ImportSettings s = EverythingChanged();
  s.ResetSettings(48, 16, 100, 50);
  ImportSettings expected = EverythingChanged();
  expected.Red = expected.Green = expected.Blue = expected.White = 64;
  expected.Brightness = expected.Contrast = expected.Hue = expected.Saturation = 64;
  expected.AdjustChanged = 1, expected.XPos = 26, expected.YPos = 17;
  expected.Width = 48, expected.Height = 16, expected.KeepAspect = 1;
  expected.SizeMode = kSizePixels, expected.AutoCenter = 0, expected.DropImage = 0;
  ExpectSameFields(s, expected);
  s = EverythingChanged();
  s.RestoreDefaults();
  ExpectSameFields(s, ImportSettings{});
}

}  // namespace
}  // namespace q9::adjust
