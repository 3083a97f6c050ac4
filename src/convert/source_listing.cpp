#include "convert/source_listing.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "convert/text_util.h"

namespace q9::convert {

const std::vector<std::string_view>& ListedExtensions() {
  static const std::vector<std::string_view> kExtensions = {"SEQ", "MSG", "AVI", "BMP", "JPG",
                                                            "TGA", "WPG", "EPS", "PCD", "PCX",
                                                            "CMP", "DIB", "PSD", "MAC", "PCT"};
  return kExtensions;
}

std::vector<std::string> ListSourceFiles(const std::string& dir) {
  namespace fs = std::filesystem;
  std::vector<std::string> names;
  std::error_code ec;
  fs::directory_iterator it(dir, ec);
  if (ec) return names;
  for (const fs::directory_entry& entry : it) {
    std::error_code typeError;
    if (!entry.is_regular_file(typeError)) continue;
    const std::string name = entry.path().filename().string();
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos) continue;
    const std::string_view ext = std::string_view(name).substr(dot + 1);
    const auto& listed = ListedExtensions();
    if (std::any_of(listed.begin(), listed.end(),
                    [&](std::string_view e) { return EqualsNoCase(e, ext); }))
      names.push_back(name);
  }
  // Lower-cased byte comparison, as the file list sorts its Name column;
  // names equal but for case keep a fixed order.
  std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
    const std::string la = ToLower(a), lb = ToLower(b);
    return la != lb ? la < lb : a < b;
  });
  return names;
}

}  // namespace q9::convert
