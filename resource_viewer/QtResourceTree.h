#pragma once

#include "resource_viewer/ResourceTree.h"

#include <QIcon>

#include <vector>

class QTreeWidget;
class QTreeWidgetItem;

namespace portico {

// The resource tree on a QTreeWidget. Keys live in the items' user role; image
// numbers index `images` from 1, and a selected image becomes the icon's
// selected-mode pixmap.
class QtResourceTree final : public ResourceTree {
public:
    QtResourceTree(QTreeWidget& tree, const std::vector<QIcon>& images) : tree_(tree), images_(images) {}

    void clear() override;
    Node addNode(Node parent, const std::string& key, const std::string& text, int image, int selectedImage) override;
    void removeNode(Node node) override;
    Node firstNode() const override;
    Node firstChild(Node node) const override;
    Node parentNode(Node node) const override;
    std::string text(Node node) const override;
    std::string key(Node node) const override;
    void expand(Node node) override;
    void refresh() override;

    static QTreeWidgetItem* item(Node node) { return static_cast<QTreeWidgetItem*>(node); }

private:
    QTreeWidget& tree_;
    const std::vector<QIcon>& images_;
};

}  // namespace portico
