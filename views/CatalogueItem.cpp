#include "views/CatalogueItem.h"

#include "gui/UserCollator.h"

#include <QListWidget>

#include <algorithm>
#include <vector>

namespace portico {

CatalogueItem::CatalogueItem(const QString& text, int order) : QListWidgetItem(text), order_(order) {}

bool CatalogueItem::operator<(const QListWidgetItem& other) const {
    if (const auto* item = dynamic_cast<const CatalogueItem*>(&other)) {
        if ((lead_ >= 0) != (item->lead_ >= 0)) return lead_ >= 0;
        return lead_ != item->lead_ ? lead_ < item->lead_ : order_ < item->order_;
    }
    return QListWidgetItem::operator<(other);
}

void CatalogueItem::sortInUserOrder(QListWidget* list, const std::function<bool(const QListWidgetItem*)>& isFolder) {
    const QCollator collator = userCollator();
    // The catalogue's order is mostly the user's already: one pass over
    // neighbours settles that, and a stable sort would change nothing then.
    bool inOrder = true;
    for (int row = 1; row < list->count() && inOrder; ++row) {
        const QListWidgetItem* before = list->item(row - 1);
        const QListWidgetItem* item = list->item(row);
        const bool folderBefore = isFolder(before);
        const bool folder = isFolder(item);
        inOrder = folderBefore == folder ? collator.compare(before->text(), item->text()) <= 0 : !folderBefore;
    }
    if (inOrder) {
        for (int row = 0; row < list->count(); ++row) {
            auto* item = dynamic_cast<CatalogueItem*>(list->item(row));
            if (!item) return;  // not ours to order
            item->order_ = row;
        }
        return;
    }
    struct Row {
        bool folder;
        QCollatorSortKey key;
        int row;
    };
    std::vector<Row> rows;
    rows.reserve(static_cast<std::size_t>(list->count()));
    for (int row = 0; row < list->count(); ++row) {
        const QListWidgetItem* item = list->item(row);
        rows.push_back({isFolder(item), collator.sortKey(item->text()), row});
    }
    // Sort keys once each: comparing them is far cheaper than collating names
    // again for every comparison.
    std::stable_sort(rows.begin(), rows.end(), [](const Row& a, const Row& b) {
        if (a.folder != b.folder) return !a.folder;
        return a.key.compare(b.key) < 0;
    });
    bool changed = false;
    for (int rank = 0; rank < static_cast<int>(rows.size()); ++rank) {
        auto* item = dynamic_cast<CatalogueItem*>(list->item(rows[static_cast<std::size_t>(rank)].row));
        if (!item) return;  // not ours to order
        changed = changed || rank != rows[static_cast<std::size_t>(rank)].row;
        item->order_ = rank;
    }
    if (changed) list->sortItems(Qt::AscendingOrder);
}

void CatalogueItem::putFirst(QListWidget* list, const std::vector<QListWidgetItem*>& leaders) {
    bool changed = false;
    for (int row = 0; row < list->count(); ++row) {
        auto* item = dynamic_cast<CatalogueItem*>(list->item(row));
        if (!item) return;  // not ours to order
        changed = changed || item->lead_ >= 0;
        item->lead_ = -1;
    }
    int lead = 0;
    for (QListWidgetItem* leader : leaders) {
        if (auto* item = dynamic_cast<CatalogueItem*>(leader); item && item->lead_ < 0 && item->listWidget() == list) {
            item->lead_ = lead++;
            changed = true;
        }
    }
    if (changed) list->sortItems(Qt::AscendingOrder);
}

}  // namespace portico
