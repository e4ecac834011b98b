#pragma once

#include <QListWidgetItem>

#include <functional>
#include <vector>

namespace portico {

// An item of a catalogue list that can be put in the user's order (programs
// first, then folders, each by name as the user's locale sorts). The catalogue
// sorts without regard to locale, so "Ça marche" would follow "Zip".
class CatalogueItem final : public QListWidgetItem {
public:
    // An item not yet in a list, to be added at row `order`: filled first, it
    // joins the list once instead of telling the list's views of every change.
    CatalogueItem(const QString& text, int order);

    bool operator<(const QListWidgetItem& other) const override;

    // Sorts the list's items; `isFolder` tells the two groups apart. Items of
    // equal names keep their order.
    static void sortInUserOrder(QListWidget* list, const std::function<bool(const QListWidgetItem*)>& isFolder);
    // Puts `leaders` first, in the order given, and the rest back in the order
    // sortInUserOrder gave them.
    static void putFirst(QListWidget* list, const std::vector<QListWidgetItem*>& leaders);

private:
    int order_;
    int lead_ = -1;  // place among the leaders; -1 for none
};

}  // namespace portico
