#include "adjust/settings_persistence.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>

namespace q9::adjust {
namespace {

// Before the store is first opened: a config folder of our own, so that the
// user's settings are never read or written.
const std::string kConfigDir = [] {
  std::string pattern = (std::filesystem::temp_directory_path() / "q9sets.XXXXXX").string();
  if (!mkdtemp(pattern.data())) std::abort();
  setenv("XDG_CONFIG_HOME", pattern.c_str(), 1);
  return pattern;
}();

struct ConfigCleanup {
  ~ConfigCleanup() {
    std::error_code ec;
    std::filesystem::remove_all(kConfigDir, ec);
  }
} g_cleanup;

TEST(SettingsSetStore, WritesSixteenValuesAndReadsThemBack) {
  ImportSettings s;
  s.Brightness = 1, s.Saturation = 2, s.Hue = 3, s.Contrast = 4;
  s.Red = 5, s.Green = 6, s.Blue = 7, s.White = 8;
  s.XPos = -9, s.YPos = 10, s.Width = 11, s.Height = 12;
  s.KeepAspect = 0, s.DropImage = 1, s.SizeMode = kSizePercent, s.AutoCenter = 0;
  s.ConstrainRect = 0;  // not part of a set
  ASSERT_TRUE(WriteSettingsSet("Night", s));

  SettingsSet set;
  ASSERT_TRUE(ReadSettingsSet("Night", set));
  const int64_t expected[] = {1, 2, 3, 4, 5, 6, 7, 8, uint32_t(-9), 10, 11, 12, 0, 1, 0, 0};
  for (int i = 0; i < kSettingsSetValueCount; ++i) {
    ASSERT_TRUE(set.values[i]) << SettingsSetValueNames()[i];
    EXPECT_EQ(*set.values[i], expected[i]) << SettingsSetValueNames()[i];
  }
  ImportSettings loaded;
  ApplySettingsSet(loaded, set, {true, 100, 100, 10, 10});
  EXPECT_EQ(loaded.ConstrainRect, 1);
  EXPECT_EQ(loaded.XPos, -9);  // signed: within the frame

  SettingsSet untouched;
  EXPECT_FALSE(ReadSettingsSet("Day", untouched));
  for (const auto* bad : {"", "a/b", "a\\b"}) {
    EXPECT_FALSE(WriteSettingsSet(bad, s)) << bad;
    EXPECT_FALSE(ReadSettingsSet(bad, untouched)) << bad;
  }
  EXPECT_FALSE(untouched.values[kSetBrightness]);
}

struct ApplyCase {
  const char* what;
  std::optional<uint32_t> xPos, width, keepRatio, mode, autoCenter;
  SettingsTarget target;
  int32_t XPos, Width, SizeMode;
};

TEST(SettingsSetApply, FollowsTheLoadRules) {
  // Frame 100 x 50, sign 20 x 10 unless said otherwise; the record starts
  // with Width 30 in Pixels mode, KeepAspect 1, AutoCenter 0, XPos 7.
  const SettingsTarget frame{true, 100, 50, 20, 10};
  const std::nullopt_t none = std::nullopt;
  const ApplyCase cases[] = {
      {"XPos beyond the width becomes 0", 101u, none, 0u, none, none, frame, 0, 30, 1},
      {"XPos equal to the width stays", 100u, none, 0u, none, none, frame, 100, 30, 1},
      {"missing XPos: sign centred", none, none, 0u, none, none, frame, 40, 30, 1},
      {"missing XPos, frame narrower than the sign",
       none,
       none,
       0u,
       none,
       none,
       {true, 10, 50, 20, 10},
       0,
       30,
       1},
      {"no frame: the position is not touched",
       3u,
       none,
       0u,
       none,
       none,
       {false, 0, 0, 20, 10},
       7,
       30,
       1},
      {"missing KeepRatio keeps the record's 1", 5u, 80u, none, 0u, none, frame, 5, 20, 1},
      {"KeepRatio makes a sign-sized Pixels capture", 5u, 80u, 1u, 0u, none, frame, 5, 20, 1},
      {"no KeepRatio: sizes as stored", 5u, 80u, 0u, 0u, none, frame, 5, 80, 0},
      {"AutoCenter centres the capture", 5u, 60u, 0u, 1u, 1u, frame, 20, 60, 1},
  };
  for (const auto& c : cases) {
    ImportSettings s;
    s.Width = 30, s.XPos = 7;
    SettingsSet set;
    set.values[kSetBrightness] = 100;
    set.values[kSetXPos] = c.xPos;
    set.values[kSetWidth] = c.width;
    set.values[kSetKeepRatio] = c.keepRatio;
    set.values[kSetMode] = c.mode;
    set.values[kSetAutoCenter] = c.autoCenter;
    ApplySettingsSet(s, set, c.target);
    EXPECT_EQ(s.XPos, c.XPos) << c.what;
    EXPECT_EQ(s.Width, c.Width) << c.what;
    EXPECT_EQ(s.SizeMode, c.SizeMode) << c.what;
    EXPECT_EQ(s.Brightness, 100) << c.what;
    EXPECT_EQ(s.AdjustChanged, 1) << c.what;
    EXPECT_EQ(s.Contrast, kSliderNeutral) << c.what;
  }
}

}  // namespace
}  // namespace q9::adjust
