#include "resource_viewer/mEnumResourse.h"

#include "resource_viewer/PeFile.h"
#include "resource_viewer/ResourceId.h"

#include <memory>

namespace portico {
namespace {

std::unique_ptr<PeFile> loadedModule;
// Set for the duration of one enumeration, so the callbacks know where to add.
ResourceTree* treeBeingFilled = nullptr;
ResourceTree::Node parentNode = nullptr;

class FillingTree {
public:
    FillingTree(ResourceTree& tree, ResourceTree::Node parent) {
        treeBeingFilled = &tree;
        parentNode = parent;
    }
    ~FillingTree() {
        treeBeingFilled = nullptr;
        parentNode = nullptr;
    }
    FillingTree(const FillingTree&) = delete;
    FillingTree& operator=(const FillingTree&) = delete;
};

// The decimal digits after the key's first character, as a resource type.
std::uint16_t typeFromKey(const std::string& key) {
    std::uint32_t value = 0;
    for (std::size_t i = 1; i < key.size() && key[i] >= '0' && key[i] <= '9'; ++i) {
        value = value * 10 + static_cast<std::uint32_t>(key[i] - '0');
        if (value > 0xFFFF) return 0;
    }
    return static_cast<std::uint16_t>(value);
}

}  // namespace

PeFile* ResourceModule() { return loadedModule.get(); }

bool OpenResourceFile(const std::string& path) {
    // Replacing the module releases the previous file instead of leaking it.
    loadedModule = path.empty() ? nullptr : PeFile::open(std::filesystem::path(path));
    return loadedModule != nullptr;
}

void CloseResourceFile() { loadedModule.reset(); }

void ListResourceTypes(ResourceTree& tree, const std::string& path, const std::string& caption) {
    FillingTree filling(tree, nullptr);
    tree.clear();
    tree.addNode(nullptr, path, caption, FileImage, FileImage);
    OpenResourceFile(path);
    if (const PeFile* module = ResourceModule()) {
        module->enumerateTypes([module](const ResourceId& type) { return AddTypeNode(*module, type, 0); });
    }
    tree.refresh();
    tree.expand(tree.firstNode());
}

void ListResourceNames(ResourceTree& tree, ResourceTree::Node typeNode) {
    FillingTree filling(tree, typeNode);
    const PeFile* module = ResourceModule();
    if (!module || !typeNode) return;
    const ResourceId type = ResourceId::integer(typeFromKey(tree.key(typeNode)));
    module->enumerateNames(type, [module, &type](const ResourceId& name) { return AddNameNode(*module, type, name, 0); });
}

bool AddTypeNode(const PeFile&, const ResourceId& type, std::intptr_t) {
    if (!treeBeingFilled || !type.isInteger || type.id != kIconResourceType) return true;
    ResourceTree& tree = *treeBeingFilled;
    const auto node = tree.addNode(tree.firstNode(), "#" + std::to_string(type.id), "Icon Resource", TypeImage,
                                   TypeSelectedImage);
    tree.addNode(node, "", kPlaceholderText, 0, 0);
    return true;
}

bool AddNameNode(const PeFile&, const ResourceId&, const ResourceId& name, std::intptr_t) {
    if (!treeBeingFilled || !parentNode) return true;
    const std::string text = name.isInteger ? std::to_string(name.id) : name.name.substr(0, name.name.find('\0'));
    treeBeingFilled->addNode(parentNode, "", text, ResourceImage, ResourceImage);
    return true;
}

void NodeExpanding(ResourceTree& tree, ResourceTree::Node node) {
    if (!node) return;
    const auto child = tree.firstChild(node);
    if (!child || tree.text(child) != kPlaceholderText) return;
    tree.removeNode(child);
    ListResourceNames(tree, node);
}

}  // namespace portico
