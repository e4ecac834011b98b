#pragma once

#include "views/ProgramSearch.h"

#include <QObject>

#include <cstdint>

class QAbstractItemView;
class QKeyEvent;
class QListWidgetItem;
class QModelIndex;

namespace portico {

class clsDBRoutines;
class SearchResultModel;
class UsageHistory;
class ucProgramView;

// The keyboard side of the launcher's list: the search field above it, the
// results shown in place of the list while a search is typed, and the keys in
// both lists (Return opens, the Menu key and Shift+F10 give the context menu,
// typing goes to the field). A result that becomes current is made the list's
// selected item, so everything that acts on the selection acts on it.
class CatalogueSearch final : public QObject {
    Q_OBJECT
public:
    CatalogueSearch(ucProgramView& view, clsDBRoutines& database);
    ~CatalogueSearch() override;

    // The list has been filled: the index is built when first needed.
    void catalogueLoaded();
    SearchResultModel& results() { return *model_; }
    // Ranks the user's most used programs first within each kind of match.
    void setUsageHistory(const UsageHistory* history);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ensureIndex();
    void weighEntries();
    void refilter(const QString& text);
    void showCatalogue();
    void followResult(const QModelIndex& current);
    void followSelection();
    void openSelected();
    void popupMenuAtSelected(QAbstractItemView* list);
    bool fieldKey(QKeyEvent* key);
    bool listKey(QAbstractItemView* list, QKeyEvent* key);
    QAbstractItemView* shownList() const;

    ucProgramView& view_;
    clsDBRoutines& database_;
    ProgramSearch search_;
    SearchResultModel* model_;
    bool indexed_ = false;
    QListWidgetItem* followed_ = nullptr;
    const UsageHistory* usage_ = nullptr;
    std::uint64_t weighed_ = 0;  // the history's generation + 1 the weights were taken from; 0 none
};

}  // namespace portico
