#include "program/option_reader.h"

#include <gtest/gtest.h>

namespace q9::program {
namespace {

enum { kOutput = 1, kQuiet, kZoom };
constexpr OptionInfo kOptions[] = {
    {kOutput, 'o', "output", true},
    {kQuiet, 'q', "quiet", false},
    {kZoom, 0, "zoom", true},
};

// Every item of the line as "kind id value word".
std::vector<std::string> Items(const std::vector<std::string>& args, bool doubleDashEnds) {
  static const char* kKinds[] = {"option", "argument", "missing", "unknown", "end"};
  OptionReader reader(args, kOptions, doubleDashEnds);
  std::vector<std::string> items;
  for (OptionReader::Item item = reader.Next(); item.kind != OptionReader::Kind::kEnd;
       item = reader.Next())
    items.push_back(std::string(kKinds[int(item.kind)]) + " " + std::to_string(item.id) + " " +
                    item.value + " " + item.word);
  return items;
}

TEST(OptionReaderTest, WholeNamesWholeValuesInOrder) {
  const std::pair<std::vector<std::string>, std::vector<std::string>> cases[] = {
      {{"-o", "a", "-ob", "--output=c", "--output", "d"},
       {"option 1 a -o", "option 1 b -ob", "option 1 c --output=c", "option 1 d --output"}},
      // A value is one whole argument, whatever it looks like.
      {{"-o", "-q", "--zoom", "/a-b", "--output="},
       {"option 1 -q -o", "option 3 /a-b --zoom", "option 1  --output="}},
      {{"in", "-q", "-", "--quiet"},
       {"argument 0 in in", "option 2  -q", "argument 0 - -", "option 2  --quiet"}},
      // No abbreviations, no clusters, no values for options without one.
      {{"--out", "x", "-qq", "--quiet=1", "-z"},
       {"unknown 0  --out", "argument 0 x x", "unknown 0  -qq", "unknown 0  --quiet=1",
        "unknown 0  -z"}},
      {{"-q", "-o"}, {"option 2  -q", "missing 1  -o"}},
      {{"--zoom"}, {"missing 3  --zoom"}},
  };
  for (const auto& [args, expected] : cases) EXPECT_EQ(Items(args, true), expected) << args[0];
}

TEST(OptionReaderTest, DoubleDashEndsTheOptionsOnlyWhereAsked) {
  EXPECT_EQ(Items({"a", "--", "-q", "--"}, true),
            (std::vector<std::string>{"argument 0 a a", "argument 0 -q -q", "argument 0 -- --"}));
  EXPECT_EQ(Items({"a", "--", "-q"}, false),
            (std::vector<std::string>{"argument 0 a a", "argument 0 -- --", "option 2  -q"}));
  // A second reader starts afresh.
  EXPECT_EQ(Items({"-q"}, true), std::vector<std::string>{"option 2  -q"});
}

}  // namespace
}  // namespace q9::program
