#include "convert/video_extensions.h"

#include <algorithm>

#include "convert/source_listing.h"
#include "convert/text_util.h"

namespace q9::convert {
namespace {

std::string_view Trimmed(std::string_view text) {
  const size_t first = text.find_first_not_of(" \t");
  if (first == std::string_view::npos) return {};
  const size_t last = text.find_last_not_of(" \t");
  return text.substr(first, last - first + 1);
}

bool IsAlnum(char c) {
  return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

}  // namespace

platform::Result<VideoExtensions> VideoExtensions::Parse(std::string_view list) {
  VideoExtensions out;
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    std::string_view item = Trimmed(list.substr(start, comma - start));
    start = comma + 1;
    if (!item.empty() && item.front() == '.') item.remove_prefix(1);
    if (item.empty()) continue;
    const std::string shown(item);
    if (item.size() > kMaxLength || !std::all_of(item.begin(), item.end(), IsAlnum))
      return platform::Failure{"\"" + shown +
                               "\" is no file extension (letters and digits, at most " +
                               std::to_string(kMaxLength) + ")"};
    std::string upper(item);
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; });
    if (upper == "AVI") continue;
    const auto& listed = ListedExtensions();
    if (std::find(listed.begin(), listed.end(), upper) != listed.end())
      return platform::Failure{"\"" + shown +
                               "\" files are listed already, as old sequences, messages or "
                               "pictures; they cannot convert as videos"};
    if (std::find(out.m_upper.begin(), out.m_upper.end(), upper) != out.m_upper.end()) continue;
    if (out.m_upper.size() == kMaxCount)
      return platform::Failure{"more than " + std::to_string(kMaxCount) + " video extensions"};
    out.m_upper.push_back(std::move(upper));
  }
  return out;
}

bool VideoExtensions::MatchesPath(std::string_view path) const {
  const size_t dot = path.rfind('.');
  if (dot == std::string_view::npos || path.find('/', dot) != std::string_view::npos) return false;
  const std::string_view extension = path.substr(dot + 1);
  return std::any_of(m_upper.begin(), m_upper.end(),
                     [&](const std::string& e) { return EqualsNoCase(e, extension); });
}

std::string VideoExtensions::Text() const {
  std::string text;
  for (const std::string& e : m_upper) {
    if (!text.empty()) text += ',';
    text += ToLower(e);
  }
  return text;
}

}  // namespace q9::convert
