#include "views/ucProgramView.h"

#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "settings/PorticoError.h"
#include "settings/ProgramFolder.h"
#include "settings/SettingsLocation.h"
#include "settings/TextUtil.h"
#include "views/CatalogueDelegate.h"
#include "views/CatalogueItem.h"
#include "views/CatalogueSearch.h"
#include "views/ProgramPictures.h"
#include "views/RecordText.h"
#include "views/UsageHistory.h"

#include <QAction>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QTimer>

#include <set>

namespace portico {
namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr int kIconIndexRole = Qt::UserRole + 1;
constexpr int kKeyRole = Qt::UserRole + 2;
// Items in sight in a window of the usual first size (780 x 540).
constexpr std::size_t kFirstScreenful = 64;
// The item's entry in the list's picture store.
constexpr int kEntryRole = Qt::UserRole + 3;
// The list leaves 100 twips (15 twips a pixel) below it.
constexpr int kBottomMargin = (100 + 14) / 15;

}  // namespace

ucProgramView::ucProgramView(clsDBRoutines& database, Variant variant, QWidget* parent)
    : QWidget(parent), database_(database), variant_(variant), pictures_(ProgramPictures::create(database)) {
    setObjectName("ucProgramView");
    lstView = new QListWidget(this);
    lstView->setObjectName("lstView");
    lstView->setViewMode(QListView::IconMode);
    lstView->setIconSize(QSize(32, 32));
    lstView->setGridSize(QSize(104, 76));
    lstView->setSpacing(4);
    lstView->setResizeMode(QListView::Adjust);
    lstView->setMovement(QListView::Static);
    // Laying out a long list measures every name: the first rows are laid out
    // and drawn first, the rest just after.
    lstView->setLayoutMode(QListView::Batched);
    lstView->setBatchSize(static_cast<int>(ProgramPictures::kBatch));
    lstView->setWordWrap(true);
    lstView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lstView->setSelectionMode(QAbstractItemView::SingleSelection);
    lstView->viewport()->installEventFilter(this);
    connect(lstView, &QListWidget::itemClicked, this, [this](QListWidgetItem* item) { emit ItemClicked(item); });
    lstView->setItemDelegate(new CatalogueDelegate(
        lstView, variant_ == Variant::Administration ? CatalogueDelegate::Names::Revealed : CatalogueDelegate::Names::Neutral));

    mnuPopupmenu = new QMenu(this);
    mnuPopupmenu->setObjectName("mnuPopupmenu");
    if (variant_ == Variant::Administration) {
        mnuPopupMenuAdd = mnuPopupmenu->addAction("Add");
        mnuPopupMenuAdd->setObjectName("mnuPopupMenuAdd");
        mnuPopupMenuModify = mnuPopupmenu->addAction("Modify");
        mnuPopupMenuModify->setObjectName("mnuPopupMenuModify");
        mnuPopupmenu->addSeparator();
        mnuPopupMenuDelete = mnuPopupmenu->addAction("Delete");
        mnuPopupMenuDelete->setObjectName("mnuPopupMenuDelete");
        mnuPopupmenu->addSeparator();
        connect(mnuPopupMenuAdd, &QAction::triggered, this, &ucProgramView::AddMenuClicked);
        connect(mnuPopupMenuModify, &QAction::triggered, this, &ucProgramView::ModifyMenuClicked);
        connect(mnuPopupMenuDelete, &QAction::triggered, this, &ucProgramView::DeleteMenuClicked);
        lstView->installEventFilter(this);
    }
    if (variant_ == Variant::Launcher) {
        mnuPopupmenuLaunch = mnuPopupmenu->addAction("Launch Program");
        mnuPopupmenuLaunch->setObjectName("mnuPopupmenuLaunch");
        connect(mnuPopupmenuLaunch, &QAction::triggered, this, [this] { guarded([&] { onDoubleClick(); }); });
        mnuPopupmenuPin = mnuPopupmenu->addAction("Pin to top");
        mnuPopupmenuPin->setObjectName("mnuPopupmenuPin");
        mnuPopupmenuPin->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
        mnuPopupmenuPin->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        mnuPopupmenuPin->setShortcutVisibleInContextMenu(true);
        mnuPopupmenuPin->setEnabled(false);
        addAction(mnuPopupmenuPin);  // the key works without the menu
        connect(mnuPopupmenuPin, &QAction::triggered, this, [this] { guarded([&] { togglePin(); }); });
        connect(mnuPopupmenu, &QMenu::aboutToShow, this, [this] {
            const QListWidgetItem* item = selectedItem();
            const bool program = item && tagOf(item).empty();
            mnuPopupmenuPin->setEnabled(program && usage_);
            mnuPopupmenuPin->setText(program && usage_ && usage_->pinned(item->text().toStdString()) ? "Unpin"
                                                                                                      : "Pin to top");
        });
        mnuPopupmenu->addSeparator();
    }
    mnuPopupmenuProperties = mnuPopupmenu->addAction("Properties");
    mnuPopupmenuProperties->setObjectName("mnuPopupmenuProperties");
    connect(mnuPopupmenuProperties, &QAction::triggered, this, &ucProgramView::PropertiesClicked);

    watchPictureRequests();

    if (variant_ == Variant::Launcher) {
        txtSearch = new QLineEdit(this);
        txtSearch->setObjectName("txtSearch");
        lstResults = new QListView(this);
        lstResults->setObjectName("lstResults");
        search_ = new CatalogueSearch(*this, database_);
    }
}

ucProgramView::~ucProgramView() {
    // The search watches the lists' events; by the time QWidget's destructor
    // deletes the children this is no longer a ucProgramView, so it goes first.
    delete search_;
    search_ = nullptr;
    pictures_->setRequestHandler({});
}

void ucProgramView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int top = txtSearch ? txtSearch->sizeHint().height() + 4 : 0;
    if (txtSearch) txtSearch->setGeometry(0, 0, width(), top - 4);
    lstView->setGeometry(0, top, width(), std::max(0, height() - top - kBottomMargin));
    if (lstResults) lstResults->setGeometry(lstView->geometry());
}

std::size_t ucProgramView::rowsInSight() const {
    // Before the first layout the list has no size: a screenful of the window's
    // first size; a larger one asks for the rest as it is drawn.
    const QSize room = lstView->viewport()->size();
    const QSize grid = lstView->gridSize();
    if (room.width() < grid.width() || room.height() < grid.height()) return kFirstScreenful;
    const int columns = room.width() / grid.width();
    const int rows = room.height() / grid.height() + 2;  // a part row, and one more for the first scroll
    return static_cast<std::size_t>(columns * rows);
}

void ucProgramView::watchPictureRequests() {
    // Pictures wanted by a paint are fetched just after it, never inside it: a
    // query may wait for a lock or report an error in a message box.
    pictures_->setRequestHandler([this, store = std::weak_ptr<ProgramPictures>(pictures_)] {
        QTimer::singleShot(0, this, [this, store] {
            const auto pictures = store.lock();
            if (!pictures || pictures != pictures_) return;
            guarded([&] { pictures->fetchRequested(); });
            lstView->viewport()->update();
            if (lstResults) lstResults->viewport()->update();
        });
    });
}

std::string ucProgramView::tagOf(const QListWidgetItem* item) {
    return item ? item->data(kTagRole).toString().toStdString() : std::string();
}

int ucProgramView::iconIndexOf(const QListWidgetItem* item) {
    // A picture that turns out unreadable when it is fetched shows none.
    return item && !item->icon().pixmap(32, 32).isNull() ? item->data(kIconIndexRole).toInt() : 0;
}

std::int64_t ucProgramView::keyOf(const QListWidgetItem* item) {
    return item ? item->data(kKeyRole).toLongLong() : 0;
}

bool ucProgramView::pictureFetched(const QListWidgetItem* item) const {
    const QVariant entry = item ? item->data(kEntryRole) : QVariant();
    return entry.isValid() && pictures_->fetched(entry.toInt());
}

QListWidgetItem* ucProgramView::addItem(const std::string& text, int iconIndex, const std::string& tag,
                                        const std::function<void(QListWidgetItem&)>& fill) {
    auto item = std::make_unique<CatalogueItem>(QString::fromStdString(text), lstView->count());
    item->setData(kIconIndexRole, iconIndex);
    if (iconIndex > 0) item->setIcon(ImageList1.Icon(iconIndex));
    if (!tag.empty()) item->setData(kTagRole, QString::fromStdString(tag));
    if (fill) fill(*item);
    lstView->addItem(item.get());
    return item.release();  // the list's now
}

std::string ucProgramView::keyText(Recordset& programs) {
    try {
        return std::to_string(programs.Fields("Program_Key").Value().toInt64());
    } catch (const PorticoError&) {
        return "?";
    }
}

void ucProgramView::reportUnreadable(const std::vector<std::string>& keys) {
    if (keys.empty()) return;
    std::string list;
    for (const auto& key : keys) list += (list.empty() ? "" : ", ") + key;
    dialogs().messageBox((keys.size() == 1 ? "A program of the catalogue cannot be read (key " :
                                             "Programs of the catalogue cannot be read (keys ") +
                             list + "); it is left out of the list.",
                         programTitle(), MessageIcon::Exclamation);
}

void ucProgramView::loadView(bool /*rebindImages*/) {
    // The names come first and alone; each row's own picture (from its
    // Program_Icon, never from a shared file that could hold another program's
    // by then) is fetched by key when the row is first shown. The administration
    // variant acts on the row the user picked, so each item carries its key.
    const bool administration = variant_ == Variant::Administration;
    auto programRecords = database_.loadProgramNames(administration);
    Recordset& programs = requireRecords(programRecords);
    std::unique_ptr<Recordset> folderRecords;
    if (!administration) requireRecords(folderRecords = database_.GetFolders());

    // A row whose name cannot be read (bytes stored as a name by some other
    // tool) is left out, so that one bad row never keeps anyone from the rest.
    std::vector<std::string> unreadable;
    // A name carried twice (older catalogues) keys only its first picture.
    std::set<std::string> keys;
    // Administrators see which programs only some users and groups may see.
    std::set<std::int64_t> restricted;
    if (administration)
        for (const std::int64_t key : database_.restrictedProgramKeys()) restricted.insert(key);
    if (programs.RecordCount() > 0) programs.MoveFirst();
    for (long i = 0, n = programs.RecordCount(); i < n; ++i) {
        try {
            // A null name (a row written without one) cannot be read either: toText refuses it.
            const std::string name = trimBlanks(programs.Fields("Program_Name").Value().toText());
            const std::int64_t key = programs.Fields("Program_Key").Value().toInt64();
            const std::string tag = administration ? fieldText(programs, "Program_Path") : std::string();
            const int entry = pictures_->add(key);
            const int index = ImageList1.Add(keys.insert(name).second ? name : std::string(), pictures_->icon(entry));
            addItem(name, index, tag, [&](QListWidgetItem& item) {
                item.setData(kEntryRole, entry);
                if (administration) item.setData(kKeyRole, QVariant::fromValue<qlonglong>(key));
                if (restricted.count(key)) {
                    item.setData(CatalogueDelegate::kRestrictedRole, true);
                    item.setToolTip(QString::fromStdString(name) + " (only some users and groups may see it)");
                }
            });
        } catch (const PorticoError&) {
            unreadable.push_back(keyText(programs));
        }
        programs.MoveNext();
    }
    programs.Close();

    if (!administration) {
        Recordset& folders = *folderRecords;
        const QImage folderPicture = loadPicture(programDataFile("folder.ico"), SafeFile::Links::Follow);
        const int folderIndex = ImageList1.Add({}, QPixmap::fromImage(folderPicture));
        if (folders.RecordCount() > 0) folders.MoveFirst();
        for (long i = 0, n = folders.RecordCount(); i < n; ++i) {
            addItem(fieldText(folders, "Folder_Name"), folderIndex, fieldText(folders, "Folder_Path"));
            folders.MoveNext();
        }
        folders.Close();
        CatalogueItem::sortInUserOrder(lstView, [](const QListWidgetItem* item) { return !tagOf(item).empty(); });
        arrangeByUsage();
    }

    // The rows in sight (and a screenful or so more) get their pictures now,
    // before the window shows; the others when they are scrolled to.
    std::vector<int> order;
    order.reserve(static_cast<std::size_t>(lstView->count()));
    for (int row = 0; row < lstView->count(); ++row) {
        const QVariant entry = lstView->item(row)->data(kEntryRole);
        if (entry.isValid()) order.push_back(entry.toInt());
    }
    pictures_->setOrder(std::move(order));
    pictures_->fetchFirst(rowsInSight());
    reportUnreadable(unreadable);
    if (search_) search_->catalogueLoaded();
}

void ucProgramView::setUsageHistory(UsageHistory* history) {
    usage_ = history;
    if (mnuPopupmenuPin) mnuPopupmenuPin->setEnabled(usage_ != nullptr);
    if (search_) search_->setUsageHistory(history);
}

void ucProgramView::arrangeByUsage() {
    if (!usage_ || variant_ != Variant::Launcher) return;
    // Recent programs after the pinned ones: as many as a row or two holds.
    constexpr std::size_t kRecent = 8;
    std::vector<std::string> names = usage_->pinnedNames();
    std::size_t recent = 0;
    for (std::string& name : usage_->recentNames(kRecent + names.size())) {
        if (usage_->pinned(name) || recent == kRecent) continue;
        names.push_back(std::move(name));
        ++recent;
    }
    std::vector<QListWidgetItem*> leaders;
    for (const std::string& name : names) {
        for (QListWidgetItem* item : lstView->findItems(QString::fromStdString(name), Qt::MatchExactly)) {
            if (!tagOf(item).empty()) continue;  // a folder of the same name
            leaders.push_back(item);
            break;
        }
    }
    QListWidgetItem* current = lstView->currentItem();
    CatalogueItem::putFirst(lstView, leaders);
    if (current) lstView->scrollToItem(current);
}

void ucProgramView::togglePin() {
    const QListWidgetItem* item = selectedItem();
    if (!usage_ || !item || !tagOf(item).empty()) return;
    const std::string name = item->text().toStdString();
    usage_->setPinned(name, !usage_->pinned(name));
    arrangeByUsage();
}

void ucProgramView::popupMenu(QPoint global) {
    mnuPopupmenu->popup(global);
    // Return at once chooses the first action, as in any menu opened for an item.
    const auto actions = mnuPopupmenu->actions();
    for (QAction* action : actions) {
        if (action->isSeparator() || !action->isEnabled() || !action->isVisible()) continue;
        mnuPopupmenu->setActiveAction(action);
        break;
    }
}

void ucProgramView::reloadView() {
    lstView->clear();
    ImageList1.Clear();
    // A new store: an icon of the old list still held somewhere shows nothing,
    // never the picture of the row that now has its place.
    pictures_ = ProgramPictures::create(database_);
    watchPictureRequests();
    loadView(true);
}

QListWidgetItem* ucProgramView::selectedItem() const {
    const auto selected = lstView->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void ucProgramView::refreshView() {
    const std::int64_t key = keyOf(lstView->currentItem());
    reloadView();
    if (key == 0) return;
    for (int i = 0; i < lstView->count(); ++i) {
        if (keyOf(lstView->item(i)) == key) {
            lstView->setCurrentItem(lstView->item(i));
            return;
        }
    }
}

bool ucProgramView::onAdministrationKey(int key, Qt::KeyboardModifiers modifiers) {
    if (modifiers != Qt::NoModifier && modifiers != Qt::KeypadModifier) return false;
    switch (key) {
    case Qt::Key_Delete:
        if (selectedItem()) emit DeleteMenuClicked();
        return true;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (selectedItem()) emit ModifyMenuClicked();
        return true;
    case Qt::Key_F5:
        refreshView();
        return true;
    default:
        return false;
    }
}

std::string ucProgramView::selectedItemText() const {
    const QListWidgetItem* item = selectedItem();
    return item ? item->text().toStdString() : std::string();
}

std::int64_t ucProgramView::selectedKey() const { return keyOf(selectedItem()); }

bool ucProgramView::eventFilter(QObject* watched, QEvent* event) {
    if (watched == lstView && event->type() == QEvent::KeyPress && variant_ == Variant::Administration) {
        const auto* keyEvent = static_cast<QKeyEvent*>(event);
        bool taken = false;
        guarded([&] { taken = onAdministrationKey(keyEvent->key(), keyEvent->modifiers()); });
        if (taken) return true;
    }
    if (watched == lstView->viewport()) {
        if (event->type() == QEvent::MouseButtonDblClick) {
            guarded([&] { onDoubleClick(); });
        } else if (event->type() == QEvent::MouseButtonRelease) {
            const auto* mouse = static_cast<QMouseEvent*>(event);
            const Qt::MouseButton button = mouse->button();
            const QPoint position = mouse->position().toPoint();
            guarded([&] { onMouseUp(button, position); });
        }
    }
    return QWidget::eventFilter(watched, event);
}

void ucProgramView::onDoubleClick() {
    QListWidgetItem* item = selectedItem();
    if (variant_ == Variant::Administration) {
        emit ListDoubleClicked(item);
        return;
    }
    if (!item) return;
    if (!tagOf(item).empty())
        emit ListDoubleFolder(item);
    else
        emit ListDoubleClicked(item);
}

void ucProgramView::onMouseUp(Qt::MouseButton button, QPoint position) {
    QListWidgetItem* item = selectedItem();
    if (variant_ == Variant::Launcher) {
        if (!item) return;
        if (button == Qt::RightButton) {
            const QPoint at(lstView->visualItemRect(item).left(), position.y());
            popupMenu(lstView->viewport()->mapToGlobal(at));
        } else {
            emit ItemClicked(item);
        }
        return;
    }
    if (button == Qt::RightButton)
        mnuPopupmenu->popup(lstView->viewport()->mapToGlobal(position));
    else
        emit ItemClicked(item);
}

}  // namespace portico
