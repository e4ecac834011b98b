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
    // True on a program only some users and groups may see: a small padlock on its picture.
    static constexpr int kRestrictedRole = Qt::UserRole + 21;

    // Names with direction controls: neutralised for users, written out for administrators.
    enum class Names { Neutral, Revealed };

    explicit CatalogueDelegate(QObject* parent = nullptr, Names names = Names::Neutral);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

    // Whether the item's text does not fit the room the style gives it.
    static bool textElided(const QStyleOptionViewItem& option, const QWidget* widget);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    void paintText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const;
    Names names_;
};

}  // namespace portico
