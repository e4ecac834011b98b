#pragma once

#include <QStyledItemDelegate>

namespace portico {

// Draws the launcher's list items: every item keeps room for a picture, so
// items without one line up with the others; a name cut short on screen shows
// whole in its tooltip; the characters a search matched (kHighlightRole, a
// QList<int> of positions in the text) are drawn bold and underlined.
class CatalogueDelegate final : public QStyledItemDelegate {
    Q_OBJECT
public:
    static constexpr int kHighlightRole = Qt::UserRole + 20;

    explicit CatalogueDelegate(QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Whether the item's text does not fit the room the style gives it.
    static bool textElided(const QStyleOptionViewItem& option, const QWidget* widget);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
};

}  // namespace portico
