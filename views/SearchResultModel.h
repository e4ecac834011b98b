#pragma once

#include "views/ProgramSearch.h"

#include <QAbstractListModel>

#include <vector>

class QListWidgetItem;

namespace portico {

// The matches of one search, best first, as rows that show the catalogue
// list's own items (their text and picture) with the matched characters.
// Rows come a page at a time, as the list scrolls down to them: a keystroke
// then never lays out thousands of rows nobody looks at.
class SearchResultModel final : public QAbstractListModel {
    Q_OBJECT
public:
    // `search` indexes `items` entry for entry; both outlive the model's rows.
    SearchResultModel(const ProgramSearch& search, QObject* parent = nullptr);

    // The catalogue items, indexed as the search's entries.
    void setItems(std::vector<QListWidgetItem*> items);
    const std::vector<QListWidgetItem*>& items() const { return items_; }
    void setMatches(std::vector<ProgramSearch::Match> matches, const QString& query);
    void clearMatches();

    QListWidgetItem* itemAt(int row) const;
    int rowOf(const QListWidgetItem* item) const;

    static constexpr int kPage = 200;
    // All the matches, of which rowCount() are rows so far.
    int matchCount() const { return static_cast<int>(matches_.size()); }

    int rowCount(const QModelIndex& parent = {}) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    const ProgramSearch& search_;
    std::vector<QListWidgetItem*> items_;
    std::vector<ProgramSearch::Match> matches_;
    QString query_;
    int shown_ = 0;
};

}  // namespace portico
