#pragma once
// Reads the options of a command line with the system's getopt_long, in the
// order given, stricter than getopt_long alone: a long option is taken only
// by its whole name (no abbreviations), and a short option without a value
// only on its own ("-q", never "-qs"), so that a mistyped option is named as
// unknown instead of being read as another. A value is one whole argument
// and is never cut: "-d DIR", "-dDIR", "--dest DIR", "--dest=DIR".
//
// getopt_long keeps its state in globals: one reader at a time, on one
// thread.

#include <getopt.h>

#include <span>
#include <string>
#include <vector>

namespace q9::program {

struct OptionInfo {
  int id;                // what Next reports for the option
  char shortName;        // 0: none
  const char* longName;  // nullptr: none
  bool takesValue;
};

class OptionReader {
 public:
  enum class Kind {
    kOption,        // id and value (empty for an option without one)
    kArgument,      // value: a word that is not an option
    kMissingValue,  // id: the option ended the line without its value
    kUnknown,       // not one of the options
    kEnd,
  };
  struct Item {
    Kind kind = Kind::kEnd;
    int id = 0;
    std::string value;
    std::string word;  // the option or argument as written, for messages
  };

  // args: the words after the program name. Where doubleDashEnds, "--" ends
  // the options and every word after it is an argument; otherwise "--" is an
  // argument like any other word.
  OptionReader(const std::vector<std::string>& args, std::span<const OptionInfo> options,
               bool doubleDashEnds);
  // getopt holds pointers into the words.
  OptionReader(const OptionReader&) = delete;
  OptionReader& operator=(const OptionReader&) = delete;

  Item Next();

 private:
  const OptionInfo* Find(const std::string& word) const;

  std::vector<std::string> m_words;  // the program's name first, as getopt wants
  std::vector<char*> m_argv;
  std::span<const OptionInfo> m_options;
  std::string m_shortOptions;
  std::vector<::option> m_longOptions;  // as getopt_long wants them
  bool m_doubleDashEnds;
  bool m_optionsEnded = false;
};

}  // namespace q9::program
