#include "cli/convert_args.h"

#include <gtest/gtest.h>

namespace q9::cli {
namespace {

using Args = std::vector<std::string>;

TEST(ConvertArgs, DirectoriesInEveryFormAreWholeArguments) {
  struct Case {
    Args args;
    std::string source, dest;
  };
  const Case cases[] = {
      {{"-s", "/in", "-d", "/out"}, "/in", "/out"},
      {{"-s/my-files/a", "-d/x-y/16x96.Mono1.SIGN"}, "/my-files/a", "/x-y/16x96.Mono1.SIGN"},
      {{"-S", "/old-data", "-D", "/d"}, "/old-data", "/d"},
      {{"-S/a", "-D/b"}, "/a", "/b"},
      {{"--source", "-dash", "--dest", "/b"}, "-dash", "/b"},
      {{"--source=/a b", "--dest=/c=d"}, "/a b", "/c=d"},
      {{"-d", "/only-dest"}, "", "/only-dest"},
      {{}, "", ""},
  };
  for (const Case& c : cases) {
    std::string error;
    const auto parsed = ParseConvertArgs(c.args, error);
    ASSERT_TRUE(parsed) << c.args[0] << ": " << error;
    EXPECT_EQ(parsed->source, c.source);
    EXPECT_EQ(parsed->dest, c.dest);
    EXPECT_EQ(parsed->Unattended(), !c.source.empty() && !c.dest.empty());
  }
}

TEST(ConvertArgs, OptionsKeepTheirOrderAsSettingsEdits) {
  std::string error;
  const auto parsed = ParseConvertArgs(
      {"--settings", "Night", "--set", "Brightness=80", "-s", "/a", "--capture=full", "--txd",
       "--wav-dir", "/w", "--save-audio", "--set=WavPath=/x=y", "-d", "/b", "--overwrite",
       "--stop-on-error", "-q", "--stills-into", ""},
      error);
  ASSERT_TRUE(parsed) << error;
  EXPECT_EQ(parsed->settingsSet, "Night");
  EXPECT_TRUE(parsed->overwrite && parsed->stopOnError && parsed->quiet);
  EXPECT_EQ(parsed->stillsInto, "");  // given empty: the default name
  const std::vector<std::pair<std::string, std::string>> expected = {
      {"Brightness", "80"},   {"", ""},           {"AddTxdFlag", "1"}, {"WavPath", "/w"},
      {"SaveAudioFlag", "1"}, {"WavPath", "/x=y"}};
  ASSERT_EQ(parsed->edits.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(parsed->edits[i].field, expected[i].first) << i;
    EXPECT_EQ(parsed->edits[i].value, expected[i].second) << i;
  }
  EXPECT_EQ(parsed->edits[1].kind, SettingsEdit::kCaptureFull);
}

TEST(ConvertArgs, HelpAndVersionWinAndBadLinesSayWhy) {
  std::string error;
  EXPECT_EQ(ParseConvertArgs({"-s", "/a", "--help"}, error)->command, ConvertArgs::kHelp);
  EXPECT_EQ(ParseConvertArgs({"-h"}, error)->command, ConvertArgs::kHelp);
  EXPECT_EQ(ParseConvertArgs({"--version", "-x"}, error)->command, ConvertArgs::kVersion);
  // "-h" as the value of -d is a directory name, not a request for help.
  EXPECT_EQ(ParseConvertArgs({"-d", "-h"}, error)->dest, "-h");

  const std::pair<Args, std::string> rejects[] = {
      {{"-d"}, "option '-d' needs a directory"},
      {{"--dest="}, "option '--dest=' needs a directory"},
      {{"-s", "/a", "-S", "/b"}, "the source directory is given twice"},
      {{"-d/a", "--dest", "/b"}, "the destination directory is given twice"},
      {{"--settings", "a", "--settings=b"}, "--settings is given twice"},
      {{"--set", "Brightness"}, "--set takes FIELD=VALUE, not 'Brightness'"},
      {{"--set", "=5"}, "--set takes FIELD=VALUE, not '=5'"},
      {{"--capture", "half"}, "--capture takes 'full', not 'half'"},
      {{"--stills-into", "a/b"}, "--stills-into takes a file name in the destination"},
      {{"--frobnicate"}, "unknown option '--frobnicate'"},
      {{"stray"}, "unexpected argument 'stray'"},
  };
  for (const auto& [args, message] : rejects) {
    error.clear();
    EXPECT_FALSE(ParseConvertArgs(args, error)) << args[0];
    EXPECT_TRUE(error.starts_with(message)) << error;
  }
}

}  // namespace
}  // namespace q9::cli
