#pragma once

#include <filesystem>
#include <string>

namespace portico {

// Pictures move between the data layer, the icon picker and the windows through
// files in one per-user folder: $XDG_RUNTIME_DIR/portico, else
// $XDG_CACHE_HOME/portico (default ~/.cache/portico). Never a shared path such as
// /tmp, where another user could plant a symbolic link.
inline constexpr const char* kTempPictureFile = "temp.bmp";

// The error of a picture folder that cannot be made or is not private.
inline constexpr long kPictureFolderError = 75;

// Where the per-user picture folder is made: $XDG_RUNTIME_DIR, else
// $XDG_CACHE_HOME, else the home folder's .cache, the home folder taken from
// HOME or else from the user database. Relative values are ignored. Throws
// PorticoError (kPictureFolderError) when there is none.
std::filesystem::path pictureFolderBase();

// The per-user picture folder, created with mode 0700 when missing. Throws
// PorticoError (kPictureFolderError) when it cannot be created, or when it is a
// link, belongs to someone else or is open to others (not mode 0700): files
// planted there could be read as ours.
std::filesystem::path defaultPictureFolder();

// Creates `folder` (and its parents) when missing; the last level gets mode 0700.
void ensurePrivateFolder(const std::filesystem::path& folder);

}  // namespace portico
