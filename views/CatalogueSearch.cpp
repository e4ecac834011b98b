#include "views/CatalogueSearch.h"

#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/FatalError.h"
#include "settings/PorticoError.h"
#include "views/CatalogueDelegate.h"
#include "views/RecordText.h"
#include "views/SearchResultModel.h"
#include "views/UsageHistory.h"
#include "views/ucProgramView.h"

#include <QHash>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

namespace portico {

CatalogueSearch::CatalogueSearch(ucProgramView& view, clsDBRoutines& database)
    : QObject(&view), view_(view), database_(database), model_(new SearchResultModel(search_, this)) {
    QLineEdit* field = view_.txtSearch;
    field->setPlaceholderText(tr("Search programs and folders"));
    // The clear button's picture comes from the icon theme, a search of many
    // folders: it is looked up once the window shows, not before.
    QTimer::singleShot(0, field, [field] { field->setClearButtonEnabled(true); });
    field->installEventFilter(this);
    connect(field, &QLineEdit::textChanged, this, [this](const QString& text) { guarded([&] { refilter(text); }); });

    QListView* results = view_.lstResults;
    results->setModel(model_);
    results->setItemDelegate(new CatalogueDelegate(results));
    results->setViewMode(QListView::ListMode);
    results->setUniformItemSizes(true);
    results->setIconSize(QSize(24, 24));
    results->setEditTriggers(QAbstractItemView::NoEditTriggers);
    results->setSelectionMode(QAbstractItemView::SingleSelection);
    results->hide();
    results->installEventFilter(this);
    results->viewport()->installEventFilter(this);
    connect(results->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { followResult(current); });
    connect(results, &QListView::clicked, this, [this](const QModelIndex& index) {
        if (QListWidgetItem* item = model_->itemAt(index.row())) emit view_.ItemClicked(item);
    });

    QListWidget* list = view_.lstView;
    list->installEventFilter(this);
    connect(list, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* current) {
        // What is current is what the actions act on: keep it selected too
        // (focus arriving by Tab makes an item current without selecting it).
        if (current && !current->isSelected()) current->setSelected(true);
        followSelection();
    });
    connect(list, &QListWidget::itemSelectionChanged, this, [this] { followSelection(); });
}

CatalogueSearch::~CatalogueSearch() = default;

void CatalogueSearch::catalogueLoaded() {
    indexed_ = false;
    search_.clear();
    model_->setItems({});
    if (!view_.txtSearch->text().isEmpty()) refilter(view_.txtSearch->text());
}

void CatalogueSearch::ensureIndex() {
    if (indexed_) return;
    indexed_ = true;
    QHash<QString, QString> descriptions;
    QHash<QString, QString> paths;
    try {
        if (auto records = database_.loadProgramNames(true); records && records->RecordCount() > 0) {
            records->MoveFirst();
            for (long i = 0, n = records->RecordCount(); i < n; ++i) {
                paths.insert(QString::fromStdString(fieldText(*records, "Program_Name")),
                             QString::fromStdString(fieldText(*records, "Program_Path")));
                records->MoveNext();
            }
            records->Close();
        }
    } catch (const PorticoError&) {
        // Without paths the names and descriptions are still searched.
    }
    try {
        if (auto records = database_.loadProgramDescriptions(); records && records->RecordCount() > 0) {
            records->MoveFirst();
            for (long i = 0, n = records->RecordCount(); i < n; ++i) {
                descriptions.insert(QString::fromStdString(fieldText(*records, "Program_Name")),
                                    QString::fromStdString(fieldText(*records, "Program_Desc")));
                records->MoveNext();
            }
            records->Close();
        }
    } catch (const PorticoError&) {
        // Without descriptions the names are still searched.
    }
    QListWidget* list = view_.lstView;
    std::vector<QListWidgetItem*> items;
    items.reserve(static_cast<std::size_t>(list->count()));
    search_.clear();
    for (int row = 0; row < list->count(); ++row) {
        QListWidgetItem* item = list->item(row);
        const bool folder = !ucProgramView::tagOf(item).empty();
        search_.add(item->text(), folder ? QString() : descriptions.value(item->text()),
                    folder ? QString() : paths.value(item->text()));
        items.push_back(item);
    }
    model_->setItems(std::move(items));
    weighed_ = 0;
}

void CatalogueSearch::setUsageHistory(const UsageHistory* history) {
    usage_ = history;
    weighed_ = 0;
}

void CatalogueSearch::weighEntries() {
    const std::uint64_t generation = usage_ ? usage_->generation() + 1 : 0;
    if (generation == weighed_) return;
    weighed_ = generation;
    // Only after a launch or a new index: a keystroke compares numbers only.
    const auto now = UsageHistory::Clock::now();
    const auto& items = model_->items();
    for (int entry = 0; entry < static_cast<int>(items.size()); ++entry) {
        const QListWidgetItem* item = items[static_cast<std::size_t>(entry)];
        const bool program = ucProgramView::tagOf(item).empty();
        search_.setWeight(entry, usage_ && program ? static_cast<float>(usage_->weight(item->text().toStdString(), now)) : 0.f);
    }
}

void CatalogueSearch::refilter(const QString& text) {
    if (text.trimmed().isEmpty()) {
        search_.refine({});
        showCatalogue();
        return;
    }
    ensureIndex();
    weighEntries();
    model_->setMatches(search_.refine(text), text);
    QListView* results = view_.lstResults;
    if (results->isHidden()) {
        results->setGeometry(view_.lstView->geometry());
        results->show();
        view_.lstView->hide();
    }
    if (model_->rowCount() > 0) {
        results->setCurrentIndex(model_->index(0));
        results->scrollToTop();
    } else {
        followResult({});
    }
}

void CatalogueSearch::showCatalogue() {
    model_->clearMatches();
    QListWidget* list = view_.lstView;
    if (!list->isHidden()) return;
    const bool focused = view_.lstResults->hasFocus();
    view_.lstResults->hide();
    list->show();
    if (QListWidgetItem* current = list->currentItem()) list->scrollToItem(current);
    if (focused) list->setFocus();
}

void CatalogueSearch::followResult(const QModelIndex& current) {
    QListWidgetItem* item = current.isValid() ? model_->itemAt(current.row()) : nullptr;
    QListWidget* list = view_.lstView;
    if (item) {
        list->setCurrentItem(item);
    } else {
        list->setCurrentItem(nullptr);
        list->clearSelection();
    }
}

void CatalogueSearch::followSelection() {
    QListWidgetItem* selected = view_.selectedItem();
    if (selected == followed_) return;
    followed_ = selected;
    emit view_.CurrentItemChanged(selected);
}

void CatalogueSearch::openSelected() {
    QListWidgetItem* item = view_.selectedItem();
    if (!item) return;
    if (!ucProgramView::tagOf(item).empty())
        emit view_.ListDoubleFolder(item);
    else
        emit view_.ListDoubleClicked(item);
}

void CatalogueSearch::popupMenuAtSelected(QAbstractItemView* list) {
    QListWidgetItem* item = view_.selectedItem();
    if (!item) return;
    const QModelIndex index = list == view_.lstView ? list->model()->index(view_.lstView->row(item), 0)
                                                    : model_->index(model_->rowOf(item));
    if (!index.isValid()) return;
    list->scrollTo(index);
    const QRect rect = list->visualRect(index);
    view_.popupMenu(list->viewport()->mapToGlobal(QPoint(rect.left(), rect.center().y())));
}

QAbstractItemView* CatalogueSearch::shownList() const {
    if (view_.lstResults->isHidden()) return view_.lstView;
    return view_.lstResults;
}

bool CatalogueSearch::fieldKey(QKeyEvent* key) {
    QLineEdit* field = view_.txtSearch;
    switch (key->key()) {
    case Qt::Key_Escape:
        // The first Escape clears the search; another leaves everything as it is.
        if (!field->text().isEmpty()) field->clear();
        return true;
    case Qt::Key_Down:
    case Qt::Key_PageDown: {
        QAbstractItemView* list = shownList();
        if (list->model()->rowCount() == 0) return true;
        if (!list->currentIndex().isValid()) list->setCurrentIndex(list->model()->index(0, 0));
        list->setFocus(Qt::TabFocusReason);
        return true;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!view_.lstResults->isHidden() && model_->rowCount() > 0) {
            view_.lstResults->setCurrentIndex(model_->index(0));
            guarded([&] { openSelected(); });
        }
        return true;
    default:
        return false;
    }
}

bool CatalogueSearch::listKey(QAbstractItemView* list, QKeyEvent* key) {
    const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
    switch (key->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (modifiers != Qt::NoModifier) return false;
        guarded([&] { openSelected(); });
        return true;
    case Qt::Key_Menu:
        popupMenuAtSelected(list);
        return true;
    case Qt::Key_F10:
        if (modifiers != Qt::ShiftModifier) return false;
        popupMenuAtSelected(list);
        return true;
    case Qt::Key_Escape:
        view_.txtSearch->setFocus(Qt::ShortcutFocusReason);
        view_.txtSearch->selectAll();
        return true;
    case Qt::Key_Up:
        if (list == view_.lstResults && list->currentIndex().row() <= 0) {
            view_.txtSearch->setFocus(Qt::ShortcutFocusReason);
            return true;
        }
        return false;
    case Qt::Key_Backspace:
        if (view_.txtSearch->text().isEmpty()) return false;
        view_.txtSearch->setFocus(Qt::ShortcutFocusReason);
        view_.txtSearch->end(false);
        view_.txtSearch->backspace();
        return true;
    default:
        break;
    }
    // Typing in the list searches: the letters go to the field.
    const QString text = key->text();
    if (modifiers & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier)) return false;
    if (text.isEmpty() || !text.at(0).isPrint() || text.at(0).isSpace()) return false;
    view_.txtSearch->setFocus(Qt::ShortcutFocusReason);
    view_.txtSearch->end(false);
    view_.txtSearch->insert(text);
    return true;
}

bool CatalogueSearch::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (watched == view_.txtSearch) return fieldKey(key);
        if (watched == view_.lstView || watched == view_.lstResults)
            return listKey(static_cast<QAbstractItemView*>(watched), key);
    } else if (event->type() == QEvent::ContextMenu && (watched == view_.lstView || watched == view_.lstResults)) {
        // The platform's own keyboard request for a menu (the mouse's is handled on release).
        if (static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            popupMenuAtSelected(static_cast<QAbstractItemView*>(watched));
            return true;
        }
    } else if (watched == view_.lstResults->viewport()) {
        // The results answer the mouse as the list does.
        if (event->type() == QEvent::MouseButtonDblClick) {
            guarded([&] { openSelected(); });
        } else if (event->type() == QEvent::MouseButtonRelease) {
            QListWidgetItem* item = view_.selectedItem();
            if (item) {
                const auto* mouse = static_cast<QMouseEvent*>(event);
                if (mouse->button() == Qt::RightButton) {
                    const QRect rect = view_.lstResults->visualRect(model_->index(model_->rowOf(item)));
                    view_.popupMenu(
                        view_.lstResults->viewport()->mapToGlobal(QPoint(rect.left(), mouse->position().toPoint().y())));
                } else {
                    emit view_.ItemClicked(item);
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace portico
