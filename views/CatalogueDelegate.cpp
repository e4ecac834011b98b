#include "views/CatalogueDelegate.h"

#include "views/DisplayName.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QTextLayout>
#include <QToolTip>

#include <algorithm>

namespace portico {

CatalogueDelegate::CatalogueDelegate(QObject* parent, Names names) : QStyledItemDelegate(parent), names_(names) {}

void CatalogueDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    // The item's text stays the catalogue's name; only what is drawn changes.
    option->text = names_ == Names::Revealed ? DisplayName::revealed(option->text) : DisplayName::neutral(option->text);
    // An empty picture still takes its place, so the name sits where the others' do.
    option->features |= QStyleOptionViewItem::HasDecoration;
    if (const auto* view = qobject_cast<const QAbstractItemView*>(option->widget); view && view->iconSize().isValid())
        option->decorationSize = view->iconSize();
}

bool CatalogueDelegate::textElided(const QStyleOptionViewItem& option, const QWidget* widget) {
    if (option.text.isEmpty()) return false;
    QStyle* style = widget ? widget->style() : QApplication::style();
    // The style's text rectangle includes its margin on both sides.
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &option, widget) + 1;
    const QRect room = style->subElementRect(QStyle::SE_ItemViewItemText, &option, widget).adjusted(margin, 0, -margin, 0);
    if (room.width() <= 0) return true;
    const QFontMetrics metrics(option.font);
    if (!(option.features & QStyleOptionViewItem::WrapText)) return metrics.horizontalAdvance(option.text) > room.width();
    const QRect needed =
        metrics.boundingRect(QRect(0, 0, room.width(), 1 << 20), Qt::TextWrapAnywhere | Qt::AlignLeft, option.text);
    return needed.height() > room.height() || needed.width() > room.width();
}

bool CatalogueDelegate::helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                                  const QModelIndex& index) {
    if (event && event->type() == QEvent::ToolTip && index.isValid() && !index.data(Qt::ToolTipRole).isValid()) {
        QStyleOptionViewItem shown = option;
        initStyleOption(&shown, index);
        if (textElided(shown, view)) {
            QToolTip::showText(event->globalPos(), shown.text, view->viewport(), option.rect);
        } else {
            QToolTip::hideText();
        }
        return true;
    }
    return QStyledItemDelegate::helpEvent(event, view, option, index);
}

void CatalogueDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    paintText(painter, option, index);
    if (!index.data(kRestrictedRole).toBool()) return;
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    const QWidget* widget = shown.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QRect picture = style->subElementRect(QStyle::SE_ItemViewItemDecoration, &shown, widget);
    // A padlock in the picture's lower right corner: a body and a shackle.
    const int size = std::max(8, picture.height() / 3);
    const QRect body(picture.right() - size + 1, picture.bottom() - size * 2 / 3 + 1, size, size * 2 / 3);
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setPen(QPen(QColor(60, 60, 60), std::max(1.0, size / 8.0)));
    painter->drawArc(QRectF(body.left() + size / 4.0, body.top() - size / 2.0, size / 2.0, size * 0.75), 0, 180 * 16);
    painter->setBrush(QColor(230, 180, 40));
    painter->drawRect(body);
    painter->restore();
}

void CatalogueDelegate::paintText(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const QList<int> highlighted = index.data(kHighlightRole).value<QList<int>>();
    if (highlighted.isEmpty()) {
        QStyledItemDelegate::paint(painter, option, index);
        return;
    }
    QStyleOptionViewItem shown = option;
    initStyleOption(&shown, index);
    const QWidget* widget = shown.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, &shown, widget) + 1;
    const QRect textRect =
        style->subElementRect(QStyle::SE_ItemViewItemText, &shown, widget).adjusted(margin, 0, -margin, 0);
    const QString text = shown.text;
    shown.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &shown, painter, widget);

    // The name on one line, matched runs bold and underlined.
    QList<QTextLayout::FormatRange> runs;
    for (const int position : highlighted) {
        if (position < 0 || position >= text.size()) continue;
        if (!runs.isEmpty() && runs.last().start + runs.last().length == position) {
            ++runs.last().length;
            continue;
        }
        QTextLayout::FormatRange run;
        run.start = position;
        run.length = 1;
        run.format.setFontWeight(QFont::Bold);
        run.format.setFontUnderline(true);
        runs.append(run);
    }
    QTextLayout layout(text, shown.font);
    layout.setFormats(runs);
    QTextOption textOption(Qt::AlignLeft | Qt::AlignVCenter);
    textOption.setWrapMode(QTextOption::NoWrap);
    layout.setTextOption(textOption);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    if (line.isValid()) line.setLineWidth(1 << 16);
    layout.endLayout();

    painter->save();
    const bool selected = shown.state & QStyle::State_Selected;
    const QPalette::ColorGroup group = shown.state & QStyle::State_Enabled ? QPalette::Normal : QPalette::Disabled;
    painter->setPen(shown.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    painter->setClipRect(textRect);
    const qreal top = textRect.top() + (textRect.height() - (line.isValid() ? line.height() : 0)) / 2.0;
    layout.draw(painter, QPointF(textRect.left(), top));
    painter->restore();
}

}  // namespace portico
