#pragma once

#include "resource_viewer/ResourceTree.h"

#include <cstdint>
#include <string>

namespace portico {

class PeFile;
struct ResourceId;

// Resource type of individual icon images.
inline constexpr std::uint16_t kIconResourceType = 3;
inline constexpr const char* kPlaceholderText = "Dummy";

// Images of the tree's image list.
enum TreeImage : int { FileImage = 1, TypeImage = 2, TypeSelectedImage = 3, ResourceImage = 4 };

// The executable file loaded for browsing by OpenResourceFile; null when none.
// Shared with the resource decoding, which reads resources through it.
PeFile* ResourceModule();

// Loads the file for browsing (it is only read, never run) and makes it the
// ResourceModule. True when it is a PE image.
bool OpenResourceFile(const std::string& path);
// Releases the ResourceModule, if any.
void CloseResourceFile();

// Fills `tree`: the file node (key `path`, text `caption`) and, when the file
// holds icon images, the collapsed "Icon Resource" node with its placeholder.
void ListResourceTypes(ResourceTree& tree, const std::string& path, const std::string& caption);
// Adds the names of the type whose key is "#" + type identifier under `typeNode`.
void ListResourceNames(ResourceTree& tree, ResourceTree::Node typeNode);

// Enumeration callbacks; both always continue the enumeration.
bool AddTypeNode(const PeFile& module, const ResourceId& type, std::intptr_t parameter);
bool AddNameNode(const PeFile& module, const ResourceId& type, const ResourceId& name, std::intptr_t parameter);

// The tree's "node about to expand": lists the names of a type on its first
// expansion, replacing the placeholder.
void NodeExpanding(ResourceTree& tree, ResourceTree::Node node);

}  // namespace portico
