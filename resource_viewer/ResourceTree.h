#pragma once

#include <string>

namespace portico {

// The tree control that the resource enumeration fills, seen through the few
// operations it needs, so that the enumeration works the same on a Qt tree and
// on a plain one in tests.
class ResourceTree {
public:
    // Opaque handle of a node; null means none.
    using Node = void*;

    virtual ~ResourceTree() = default;
    virtual void clear() = 0;
    // Adds a node as the last child of `parent` (a top-level node when null).
    // Image numbers count from 1; 0 means no image.
    virtual Node addNode(Node parent, const std::string& key, const std::string& text, int image,
                         int selectedImage) = 0;
    virtual void removeNode(Node node) = 0;
    virtual Node firstNode() const = 0;
    virtual Node firstChild(Node node) const = 0;
    virtual Node parentNode(Node node) const = 0;
    virtual std::string text(Node node) const = 0;
    virtual std::string key(Node node) const = 0;
    virtual void expand(Node node) = 0;
    virtual void refresh() = 0;
};

}  // namespace portico
