#include "launcher/frmFolderMenu.h"

#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/UserCollator.h"
#include "launcher/FileTypeIcons.h"
#include "settings/FileSystem.h"
#include "settings/PorticoError.h"
#include "views/Artwork.h"
#include "views/CatalogueDelegate.h"

#include <QGroupBox>
#include <QImage>
#include <QKeyEvent>
#include <QListWidget>
#include <QPointer>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <filesystem>

#include <sys/stat.h>

namespace portico {
namespace {

constexpr int kTagRole = Qt::UserRole;
constexpr int kTypeRole = Qt::UserRole + 1;  // a file's MIME type name

// A path without "." or ".." parts or a separator at its end, to compare folders.
std::string plainPath(const std::string& path) {
    std::string plain = std::filesystem::path(path).lexically_normal().string();
    while (plain.size() > 1 && plain.back() == '/') plain.pop_back();
    return plain;
}

template <typename Entries>
void sortByName(Entries& entries, const QCollator& collator) {
    std::stable_sort(entries.begin(), entries.end(), [&](const auto& a, const auto& b) {
        return collator.compare(QString::fromStdString(a.Name()), QString::fromStdString(b.Name())) < 0;
    });
}

// ImageList1: 1 = file, 2 = folder.
const QIcon& listImage(int index) {
    static const QIcon file(QPixmap::fromImage(artwork::documentIcon(32)));
    static const QIcon folder(QPixmap::fromImage(artwork::folderIcon(32)));
    return index == 2 ? folder : file;
}

bool isExecutableFile(const std::string& path) {
    struct stat file;
    return ::stat(path.c_str(), &file) == 0 && S_ISREG(file.st_mode) && (file.st_mode & 0111) != 0;
}

// Where a subfolder window goes: down and right of the window it came from, so
// that neither hides the other, and inside that window's screen.
QPoint offsetPlace(const QWidget& from, const QWidget& window) {
    QPoint place = from.frameGeometry().topLeft() + QPoint(32, 32);
    if (const QScreen* screen = from.screen()) {
        const QRect room = screen->availableGeometry();
        const QSize size = window.frameGeometry().size();
        if (place.x() + size.width() > room.right()) place.setX(std::max(room.left(), room.right() - size.width()));
        if (place.y() + size.height() > room.bottom()) place.setY(std::max(room.top(), room.bottom() - size.height()));
    }
    return place;
}

}  // namespace

frmFolderMenu::frmFolderMenu(OpenRoutine openFile, QWidget* parent, OpenRoutine runFile)
    : QDialog(parent), openFile_(std::move(openFile)), runFile_(std::move(runFile)) {
    setObjectName("frmFolderMenu");
    setWindowTitle("Folder Menu..");
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setSizeGripEnabled(true);
    Frame1 = new QGroupBox("Menu", this);
    Frame1->setObjectName("Frame1");
    ListView1 = new QListWidget(Frame1);
    ListView1->setObjectName("ListView1");
    ListView1->setViewMode(QListView::IconMode);
    ListView1->setIconSize(QSize(32, 32));
    ListView1->setGridSize(QSize(110, 72));
    ListView1->setResizeMode(QListView::Adjust);
    ListView1->setMovement(QListView::Static);
    ListView1->setWordWrap(true);
    ListView1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    ListView1->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(ListView1, &QListWidget::itemDoubleClicked, this, [this] { guarded([&] { onDoubleClick(); }); });
    ListView1->setItemDelegate(new CatalogueDelegate(ListView1));
    ListView1->installEventFilter(this);
    fileIcons_ = std::make_unique<FileTypeIcons>(listImage(1));
    auto* frameLayout = new QVBoxLayout(Frame1);
    frameLayout->addWidget(ListView1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Frame1);
    resize(560, 380);
}

frmFolderMenu::~frmFolderMenu() = default;

void frmFolderMenu::LoadFolder(const std::string& name, const std::string& path) {
    topName_ = name;
    topPath_ = path;
    showFolder(name, path);
}

void frmFolderMenu::goUp() {
    const std::string shown = plainPath(shownPath_);
    const std::string top = plainPath(topPath_);
    if (shown.empty() || shown == top || shown.rfind(top == "/" ? top : top + "/", 0) != 0) return;
    const std::string parent = std::filesystem::path(shown).parent_path().string();
    const std::string from = std::filesystem::path(shown).filename().string();
    showFolder(plainPath(parent) == top ? topName_ : std::filesystem::path(parent).filename().string(), parent);
    // The folder we came from stays under the cursor.
    for (int row = 0; row < ListView1->count(); ++row) {
        QListWidgetItem* item = ListView1->item(row);
        if (item->font().bold() && item->text().toStdString() == from) {
            ListView1->setCurrentItem(item);
            ListView1->scrollToItem(item);
            break;
        }
    }
}

void frmFolderMenu::showFolder(const std::string& name, const std::string& path) {
    shownPath_ = path;
    try {
        setWindowTitle(QString::fromStdString("Viewing Folder : " + name + " (" + path + ")"));
        ListView1->clear();
        if (!FileSystem::FolderExists(path)) {
            dialogs().messageBox("Invalid Folder!!!\n" + path, "Error", MessageIcon::Critical);
            return;
        }
        const FileSystemFolder folder = FileSystem::GetFolder(path);
        const QCollator collator = userCollator();
        auto subfolders = folder.SubFolders();
        sortByName(subfolders, collator);
        auto files = folder.Files();
        sortByName(files, collator);
        for (const auto& subfolder : subfolders) {
            auto* item = new QListWidgetItem(listImage(2), QString::fromStdString(subfolder.Name()), ListView1);
            item->setData(kTagRole, QString::fromStdString(subfolder.ParentFolder()));
            QFont font = item->font();
            font.setBold(true);
            item->setFont(font);
            item->setToolTip(QString::fromStdString(subfolder.ShortName()));
        }
        for (const auto& file : files) {
            const QMimeType type = fileIcons_->typeOf(QString::fromStdString(file.Path()));
            auto* item = new QListWidgetItem(fileIcons_->iconFor(type), QString::fromStdString(file.Name()), ListView1);
            item->setData(kTagRole, QString::fromStdString(file.Path()));
            item->setData(kTypeRole, type.name());
        }
    } catch (const PorticoError& error) {
        dialogs().messageBox(error.description(), error.source(), MessageIcon::Critical);
    }
}

void frmFolderMenu::onDoubleClick() {
    const auto selected = ListView1->selectedItems();
    if (selected.isEmpty()) return;
    const QListWidgetItem* item = selected.front();
    const std::string text = item->text().toStdString();
    const std::string tag = item->data(kTagRole).toString().toStdString();
    if (item->font().bold()) {
        auto* window = new frmFolderMenu(openFile_, nullptr, runFile_);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->move(offsetPlace(*this, *window));
        lastSubfolderWindow_ = window;
        connect(window, &QObject::destroyed, this, [this, window] {
            if (lastSubfolderWindow_ == window) lastSubfolderWindow_ = nullptr;
        });
        window->show();
        window->LoadFolder(text, tag + "/" + text);
        // Backspace there climbs back as far as this window may.
        window->topName_ = topName_;
        window->topPath_ = topPath_;
        return;
    }
    // A catalogued folder is often shared: a program in it runs only when the
    // user says so, in its own folder. The safe answer is the default.
    if (isExecutableFile(tag)) {
        const MessageAnswer answer =
            dialogs().messageBox("\"" + text + "\" is a program. Do you want to run it, or open it with the "
                                 "application associated with its type?",
                                 "Run or Open", MessageIcon::Question, MessageButtons::RunOpenCancel,
                                 DefaultButton::Second);
        if (answer == MessageAnswer::Run && runFile_) runFile_(text, tag);
        if (answer == MessageAnswer::Open && openFile_) openFile_(text, tag);
        return;
    }
    if (openFile_) openFile_(text, tag);
}

bool frmFolderMenu::eventFilter(QObject* watched, QEvent* event) {
    if (watched == ListView1 && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && modifiers == Qt::NoModifier) {
            if (QListWidgetItem* current = ListView1->currentItem(); current && !current->isSelected())
                current->setSelected(true);
            guarded([&] { onDoubleClick(); });
            return true;
        }
        if ((key->key() == Qt::Key_Backspace && modifiers == Qt::NoModifier) ||
            (key->key() == Qt::Key_Up && modifiers == Qt::AltModifier)) {
            guarded([&] { goUp(); });
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace portico
