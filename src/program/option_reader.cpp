#include "program/option_reader.h"

namespace q9::program {
namespace {

// What getopt_long gives back for the option at index: its short name, or a
// number above every character for a long-only option.
int GetoptValue(const OptionInfo& option, size_t index) {
  return option.shortName != 0 ? static_cast<unsigned char>(option.shortName) : 256 + int(index);
}

bool IsOptionWord(const std::string& word) {
  return word.size() > 1 && word[0] == '-';
}

}  // namespace

OptionReader::OptionReader(const std::vector<std::string>& args,
                           std::span<const OptionInfo> options, bool doubleDashEnds)
    : m_options(options), m_doubleDashEnds(doubleDashEnds) {
  m_words.reserve(args.size() + 1);
  m_words.emplace_back("q9");
  m_words.insert(m_words.end(), args.begin(), args.end());
  for (std::string& word : m_words) m_argv.push_back(word.data());
  m_argv.push_back(nullptr);

  // "-": every word in order, the ones that are not options as arguments;
  // ":": a missing value is reported, not printed.
  m_shortOptions = "-:";
  for (size_t i = 0; i < options.size(); ++i) {
    const OptionInfo& option = options[i];
    if (option.shortName != 0) {
      m_shortOptions += option.shortName;
      if (option.takesValue) m_shortOptions += ':';
    }
    if (option.longName != nullptr)
      m_longOptions.push_back({option.longName, option.takesValue ? required_argument : no_argument,
                               nullptr, GetoptValue(option, i)});
  }
  m_longOptions.push_back({nullptr, 0, nullptr, 0});
  // optind 0 makes glibc forget an earlier reader's state; a call on a line
  // without words sets it up for these options and leaves optind at 1.
  optind = 0;
  opterr = 0;
  char* noWords[] = {m_argv[0], nullptr};
  getopt_long(1, noWords, m_shortOptions.c_str(), m_longOptions.data(), nullptr);
}

const OptionInfo* OptionReader::Find(const std::string& word) const {
  if (word.starts_with("--")) {
    const size_t equals = word.find('=');
    const std::string name = word.substr(2, equals == std::string::npos ? equals : equals - 2);
    for (const OptionInfo& option : m_options)
      if (option.longName != nullptr && name == option.longName &&
          (option.takesValue || equals == std::string::npos))
        return &option;
    return nullptr;
  }
  for (const OptionInfo& option : m_options)
    if (option.shortName == word[1] && (option.takesValue || word.size() == 2)) return &option;
  return nullptr;
}

OptionReader::Item OptionReader::Next() {
  const int argc = int(m_words.size());
  if (m_optionsEnded) {
    if (optind >= argc) return {};
    const std::string& word = m_words[size_t(optind++)];
    return {Kind::kArgument, 0, word, word};
  }
  if (optind >= argc) return {};
  const std::string word = m_words[size_t(optind)];
  if (word == "--" && !m_doubleDashEnds) {
    ++optind;  // getopt would end the options here
    return {Kind::kArgument, 0, word, word};
  }
  if (IsOptionWord(word) && word != "--" && Find(word) == nullptr) {
    ++optind;
    return {Kind::kUnknown, 0, "", word};
  }
  const int got =
      getopt_long(argc, m_argv.data(), m_shortOptions.c_str(), m_longOptions.data(), nullptr);
  if (got == -1) {
    m_optionsEnded = true;  // after "--"
    return Next();
  }
  if (got == 1) return {Kind::kArgument, 0, optarg, word};
  if (got == '?') return {Kind::kUnknown, 0, "", word};
  const int value = got == ':' ? optopt : got;
  for (size_t i = 0; i < m_options.size(); ++i) {
    if (GetoptValue(m_options[i], i) != value) continue;
    if (got == ':') return {Kind::kMissingValue, m_options[i].id, "", word};
    return {Kind::kOption, m_options[i].id, optarg != nullptr ? optarg : "", word};
  }
  return {Kind::kUnknown, 0, "", word};
}

}  // namespace q9::program
