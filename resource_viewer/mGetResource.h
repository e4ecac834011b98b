#pragma once

#include "resource_viewer/IconPicture.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace portico {

class PreviewSurface;

// Resources are named as the viewer's tree gives them: the type as decimal
// digits ("3" for icon images), the name as "#" + decimal identifier or as the
// resource's own name.

// A copy of the resource's data in the ResourceModule; empty when it cannot be read.
std::vector<std::uint8_t> ReadResourceBytes(const std::string& typeText, const std::string& nameText);

// The icon image of a resource at its own size; nullopt when the data is not a
// usable icon image.
std::optional<IconPicture> MakeIconPicture(const std::string& typeText, const std::string& nameText);

// Draws the picture centred on the surface and prints "Image info:", its type and
// its size over it. False, with the surface untouched, when there is no picture.
bool ShowPictureInfo(std::optional<IconPicture> picture, PreviewSurface& surface);

// Replaces the file's content with exactly `bytes`, creating it when missing.
// Throws PorticoError when the file cannot be written.
void WriteBytesToFile(const std::string& path, const std::vector<std::uint8_t>& bytes);

}  // namespace portico
