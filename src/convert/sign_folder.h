#pragma once
// The destination of a conversion is a sign folder, or a library folder inside
// one. The sign folder's name carries the sign's height and width in bulbs and
// its colour type: "16x96.RGB16MB.SIGN"; a library folder has the extension
// "LIB" ("16x96.RGB16MB.SIGN/Default.LIB").

#include <string>
#include <string_view>

#include "platform/signlib/sign_types.h"

namespace q9::convert {

// What the user is told when a destination names no sign.
inline constexpr const char* kNoSignFolder =
    "Could not determine exact Q9100 dimensions and type!.\nCheck the destination directory.";

// Reads height, width and colour type from a destination path. Fails for a
// path without "/", one that ends in "/", or a name that does not follow the
// convention. Height and width may already be written when a later step fails,
// as the parse stores each number as soon as it has read it.
bool ParseSignFolder(std::string_view path, platform::SignGeometry& geometry);

// "16x96.RGB16MB" for ".../16x96.RGB16MB.SIGN/Default.LIB"; paths that are not
// sign folders come back unchanged (after dropping a trailing library folder).
std::string SignFolderDisplayName(std::string_view path);

}  // namespace q9::convert
