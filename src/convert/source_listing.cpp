#include "convert/source_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "convert/text_util.h"
#include "platform/base/readable_file.h"

namespace q9::convert {

const std::vector<std::string_view>& ListedExtensions() {
  static const std::vector<std::string_view> kExtensions = {"SEQ", "MSG", "AVI", "BMP", "JPG",
                                                            "TGA", "WPG", "EPS", "PCD", "PCX",
                                                            "CMP", "DIB", "PSD", "MAC", "PCT"};
  return kExtensions;
}

namespace {

bool Listed(std::string_view name, const VideoExtensions& videos) {
  if (videos.MatchesPath(name)) return true;
  const size_t dot = name.rfind('.');
  if (dot == std::string_view::npos) return false;
  const std::string_view ext = name.substr(dot + 1);
  const auto& listed = ListedExtensions();
  return std::any_of(listed.begin(), listed.end(),
                     [&](std::string_view e) { return EqualsNoCase(e, ext); });
}

// Lower-cased byte comparison, as the file list sorts its Name column;
// names equal but for case keep a fixed order.
bool ByName(const std::string& a, const std::string& b) {
  const std::string la = ToLower(a), lb = ToLower(b);
  return la != lb ? la < lb : a < b;
}

}  // namespace

std::vector<std::string> ListSourceFiles(const std::string& dir, const VideoExtensions& videos) {
  platform::Result<SourceEntries> entries = ReadSourceEntries(dir, videos);
  return entries ? std::move(entries->names) : std::vector<std::string>();
}

platform::Result<SourceEntries> ReadSourceEntries(const std::string& dir,
                                                  const VideoExtensions& videos) {
  namespace fs = std::filesystem;
  SourceEntries entries;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return platform::Failure{ec.message(), ec.value()};
  for (; it != fs::directory_iterator(); it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (!Listed(name, videos)) continue;
    // The type comes from the directory entry and the link's target, never
    // from opening it.
    std::error_code typeError;
    if (it->is_regular_file(typeError)) {
      entries.names.push_back(name);
      continue;
    }
    const platform::Result<> readable = platform::CheckReadableFile(it->path().string());
    entries.skipped.push_back(
        {name, readable ? std::string("not a regular file") : readable.Reason()});
  }
  if (ec) return platform::Failure{ec.message(), ec.value()};
  std::sort(entries.names.begin(), entries.names.end(), ByName);
  std::sort(entries.skipped.begin(), entries.skipped.end(),
            [](const SkippedEntry& a, const SkippedEntry& b) { return ByName(a.name, b.name); });
  return entries;
}

}  // namespace q9::convert
