#include "convert/sign_folder.h"

#include <climits>
#include <cstdlib>
#include <string>

#include "convert/text_util.h"

namespace q9::convert {
namespace {

// Whether the text after the last "." is ext, letter case ignored.
bool ExtensionIs(std::string_view path, std::string_view ext) {
  const size_t dot = path.rfind('.');
  return dot != std::string_view::npos && EqualsNoCase(path.substr(dot + 1), ext);
}

// A library folder stands for the sign folder that holds it.
std::string_view DropLibraryFolder(std::string_view path) {
  return ExtensionIs(path, "LIB") ? DirectoryOf(path) : path;
}

// Reads a number the way atoi does (optional white space and sign, then
// digits, 0 when there are none), but clamps instead of overflowing.
unsigned LeadingNumber(std::string_view text) {
  const long value = std::strtol(std::string(text).c_str(), nullptr, 10);
  if (value < INT_MIN) return unsigned(INT_MIN);
  if (value > INT_MAX) return unsigned(INT_MAX);
  return unsigned(int(value));
}

}  // namespace

bool ParseSignFolder(std::string_view path, platform::SignGeometry& geometry) {
  if (path.find('.') == std::string_view::npos) return false;
  path = DropLibraryFolder(path);
  if (path.find('.') == std::string_view::npos || !ExtensionIs(path, "SIGN")) return false;
  if (path.find('/') == std::string_view::npos) return false;
  std::string_view name = FileNameOf(path);

  const size_t x = name.find('x');
  if (x == std::string_view::npos) return false;
  geometry.rows = LeadingNumber(name.substr(0, x));
  name = name.substr(x + 1);

  const size_t dot = name.find('.');
  if (dot == std::string_view::npos) return false;
  geometry.columns = LeadingNumber(name.substr(0, dot));
  name = name.substr(dot + 1);

  const size_t next = name.find('.');
  if (next == std::string_view::npos) return false;
  const auto color = platform::ColorTypeFromName(name.substr(0, next));
  if (!color) return false;
  geometry.colorType = *color;
  return true;
}

std::string SignFolderDisplayName(std::string_view path) {
  path = DropLibraryFolder(path);
  if (ExtensionIs(path, "SIGN")) {
    path = FileNameOf(path.substr(0, path.rfind('.')));
  }
  return std::string(path);
}

}  // namespace q9::convert
