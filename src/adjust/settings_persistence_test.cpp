#include "adjust/settings_persistence.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <tuple>

namespace q9::adjust {
namespace {

// A config folder of our own before the store is first opened, so that the
// user's settings are never read or written.
struct ConfigHome {
  std::string dir = (std::filesystem::temp_directory_path() / "q9sets.XXXXXX").string();
  ConfigHome() { setenv("XDG_CONFIG_HOME", mkdtemp(dir.data()) ? dir.c_str() : "/nonexistent", 1); }
  ~ConfigHome() { std::filesystem::remove_all(dir); }
} g_configHome;

TEST(SettingsSetStore, WritesSixteenValuesAndReadsThemBack) {
  ImportSettings s;
  int32_t* fields[] = {&s.Brightness, &s.Saturation, &s.Hue,      &s.Contrast,  &s.Red,   &s.Green,
                       &s.Blue,       &s.White,      &s.XPos,     &s.YPos,      &s.Width, &s.Height,
                       &s.KeepAspect, &s.DropImage,  &s.SizeMode, &s.AutoCenter};
  for (int i = 0; i < kSettingsSetValueCount; ++i) *fields[i] = i == 8 ? -9 : i + 1;
  ASSERT_TRUE(WriteSettingsSet("Night", s));
  SettingsSet set;
  ASSERT_TRUE(ReadSettingsSet("Night", set));
  for (int i = 0; i < kSettingsSetValueCount; ++i)
    EXPECT_EQ(set.values[i], uint32_t(*fields[i])) << SettingsSetValueNames()[i];

  SettingsSet missing;
  EXPECT_FALSE(ReadSettingsSet("Day", missing));
  EXPECT_FALSE(missing.values[kSetBrightness]);
  for (const char* bad : {"a/b", "a\\b"}) EXPECT_FALSE(WriteSettingsSet(bad, s)) << bad;
}

TEST(SettingsSetStore, ListsAndDeletesSets) {
  // Other tests of this program may have left sets behind.
  for (const std::string& name : SettingsSetNames()) ASSERT_TRUE(DeleteSettingsSet(name)) << name;
  EXPECT_TRUE(SettingsSetNames().empty());
  ImportSettings s;
  for (const char* name : {"Zoo", "Dusk light", "WAV_Path"}) ASSERT_TRUE(WriteSettingsSet(name, s));
  // The base values beside the sets are not sets, and a set may share a
  // value's name without either one taking the other away.
  const std::string wav = "/media/wav";
  ASSERT_TRUE(WriteBaseSettings(true, &wav));
  EXPECT_EQ(SettingsSetNames(), (std::vector<std::string>{"Dusk light", "WAV_Path", "Zoo"}));

  EXPECT_TRUE(DeleteSettingsSet("WAV_Path"));
  EXPECT_FALSE(DeleteSettingsSet("WAV_Path"));
  EXPECT_FALSE(DeleteSettingsSet("Dusk/light"));
  EXPECT_EQ(SettingsSetNames(), (std::vector<std::string>{"Dusk light", "Zoo"}));
  BaseSettings base;
  ASSERT_TRUE(ReadBaseSettings(base));
  EXPECT_EQ(base.wavPath, wav);
  SettingsSet set;
  EXPECT_TRUE(ReadSettingsSet("Zoo", set));
  EXPECT_FALSE(ReadSettingsSet("WAV_Path", set));
}

TEST(BaseSettingsStore, WritesAutoSaveAlwaysAndTheFolderWhenGiven) {
  const std::string first = "/home/u/Sonquill/Sounds";
  ASSERT_TRUE(WriteBaseSettings(true, &first));
  ASSERT_TRUE(WriteBaseSettings(false, nullptr));
  BaseSettings base;
  ASSERT_TRUE(ReadBaseSettings(base));
  EXPECT_EQ(base.autoSave, 0u);
  EXPECT_EQ(base.wavPath, first);
  const std::string empty;
  ASSERT_TRUE(WriteBaseSettings(true, &empty));
  ASSERT_TRUE(ReadBaseSettings(base));
  EXPECT_EQ(base.autoSave, 1u);
  EXPECT_EQ(base.wavPath, "");
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
  const SettingsTarget frame{true, 100, 50, 20, 10}, noFrame{false, 0, 0, 20, 10};
  const std::nullopt_t none = std::nullopt;
  const ApplyCase cases[] = {
      {"XPos beyond the width becomes 0", 101u, none, 0u, none, none, frame, 0, 30, 1},
      {"XPos equal to the width stays", 100u, none, 0u, none, none, frame, 100, 30, 1},
      {"missing XPos: sign centred", none, none, 0u, none, none, frame, 40, 30, 1},
      {"no frame: the position is not touched", 3u, none, 0u, none, none, noFrame, 7, 30, 1},
      {"missing KeepRatio keeps the record's 1", 5u, 80u, none, 0u, none, frame, 5, 20, 1},
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
    // Values the set lacks (Contrast) keep the record's.
    EXPECT_EQ(std::tuple(s.XPos, s.Width, s.SizeMode, s.Brightness, s.AdjustChanged, s.Contrast),
              std::tuple(c.XPos, c.Width, c.SizeMode, 100, 1, kSliderNeutral))
        << c.what;
  }
}

}  // namespace
}  // namespace q9::adjust
