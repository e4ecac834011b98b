#include "resource_viewer/QtResourceTree.h"

#include <QTreeWidget>

namespace portico {

void QtResourceTree::clear() { tree_.clear(); }

ResourceTree::Node QtResourceTree::addNode(Node parent, const std::string& key, const std::string& text, int image,
                                           int selectedImage) {
    // Owned by its parent item or by the tree.
    auto* node = parent ? new QTreeWidgetItem(item(parent)) : new QTreeWidgetItem(&tree_);
    node->setText(0, QString::fromStdString(text));
    node->setData(0, Qt::UserRole, QString::fromStdString(key));
    auto validImage = [this](int number) { return number >= 1 && static_cast<std::size_t>(number) <= images_.size(); };
    if (validImage(image)) {
        QIcon icon = images_[static_cast<std::size_t>(image) - 1];
        if (validImage(selectedImage) && selectedImage != image) {
            const QIcon selected = images_[static_cast<std::size_t>(selectedImage) - 1];
            for (const QSize& size : selected.availableSizes())
                icon.addPixmap(selected.pixmap(size), QIcon::Selected);
        }
        node->setIcon(0, icon);
    }
    return node;
}

void QtResourceTree::removeNode(Node node) { delete item(node); }

ResourceTree::Node QtResourceTree::firstNode() const { return tree_.topLevelItem(0); }

ResourceTree::Node QtResourceTree::firstChild(Node node) const {
    return node && item(node)->childCount() > 0 ? item(node)->child(0) : nullptr;
}

ResourceTree::Node QtResourceTree::parentNode(Node node) const { return node ? item(node)->parent() : nullptr; }

std::string QtResourceTree::text(Node node) const { return item(node)->text(0).toStdString(); }

std::string QtResourceTree::key(Node node) const { return item(node)->data(0, Qt::UserRole).toString().toStdString(); }

void QtResourceTree::expand(Node node) {
    if (node) item(node)->setExpanded(true);
}

void QtResourceTree::refresh() { tree_.viewport()->update(); }

}  // namespace portico
