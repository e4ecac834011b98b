#pragma once

#include <filesystem>
#include <string>

namespace portico {

// Pictures move between the data layer, the icon picker and the windows through
// files in one per-user folder: $XDG_RUNTIME_DIR/portico, else
// $XDG_CACHE_HOME/portico (default ~/.cache/portico). Never a shared path such as
// /tmp, where another user could plant a symbolic link.
inline constexpr const char* kTempPictureFile = "temp.bmp";

// The per-user picture folder, created with mode 0700 when missing. Throws
// PorticoError when it cannot be created.
std::filesystem::path defaultPictureFolder();

// Creates `folder` (and its parents) when missing; the last level gets mode 0700.
void ensurePrivateFolder(const std::filesystem::path& folder);

}  // namespace portico
