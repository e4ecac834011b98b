#include "views/SearchResultModel.h"

#include "views/CatalogueDelegate.h"

#include <QListWidgetItem>

#include <algorithm>

namespace portico {

SearchResultModel::SearchResultModel(const ProgramSearch& search, QObject* parent)
    : QAbstractListModel(parent), search_(search) {}

void SearchResultModel::setItems(std::vector<QListWidgetItem*> items) {
    beginResetModel();
    items_ = std::move(items);
    matches_.clear();
    shown_ = 0;
    endResetModel();
}

void SearchResultModel::setMatches(std::vector<ProgramSearch::Match> matches, const QString& query) {
    beginResetModel();
    matches_ = std::move(matches);
    query_ = query;
    shown_ = std::min(kPage, matchCount());
    endResetModel();
}

void SearchResultModel::clearMatches() { setMatches({}, {}); }

QListWidgetItem* SearchResultModel::itemAt(int row) const {
    if (row < 0 || row >= shown_) return nullptr;
    const int entry = matches_[static_cast<std::size_t>(row)].entry;
    return entry >= 0 && entry < static_cast<int>(items_.size()) ? items_[static_cast<std::size_t>(entry)] : nullptr;
}

int SearchResultModel::rowOf(const QListWidgetItem* item) const {
    for (int row = 0; row < rowCount(); ++row)
        if (itemAt(row) == item) return row;
    return -1;
}

int SearchResultModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shown_;
}

bool SearchResultModel::canFetchMore(const QModelIndex& parent) const { return !parent.isValid() && shown_ < matchCount(); }

void SearchResultModel::fetchMore(const QModelIndex& parent) {
    if (!canFetchMore(parent)) return;
    const int more = std::min(kPage, matchCount() - shown_);
    beginInsertRows({}, shown_, shown_ + more - 1);
    shown_ += more;
    endInsertRows();
}

QVariant SearchResultModel::data(const QModelIndex& index, int role) const {
    const QListWidgetItem* item = itemAt(index.row());
    if (!item) return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::DecorationRole:
    case Qt::FontRole:
    case Qt::ToolTipRole:
        return item->data(role);
    case CatalogueDelegate::kHighlightRole: {
        const QVector<int> positions = search_.highlighted(matches_[static_cast<std::size_t>(index.row())].entry, query_);
        return positions.isEmpty() ? QVariant() : QVariant::fromValue(QList<int>(positions));
    }
    default:
        return {};
    }
}

}  // namespace portico
