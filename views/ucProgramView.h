#pragma once

#include "views/ImageList.h"

#include <QWidget>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class QAction;
class QLineEdit;
class QListView;
class QListWidget;
class QListWidgetItem;
class QMenu;

namespace portico {

class CatalogueSearch;
class ProgramPictures;
class UsageHistory;
class clsDBRoutines;
class Recordset;

// The catalogue as a list of named pictures, in two variants. The launcher's
// shows the user's pinned and most used programs, then the other programs and
// then folders (a folder item carries its path as tag), and offers "Launch
// Program", "Pin to top" / "Unpin" (Ctrl+P) and "Properties" on the right button; the administration's shows programs
// (tag = program path), offers Add / Modify / Delete / Properties and can be
// refilled with reloadView.
class ucProgramView final : public QWidget {
    Q_OBJECT
public:
    enum class Variant { Launcher, Administration };

    ucProgramView(clsDBRoutines& database, Variant variant, QWidget* parent = nullptr);
    ~ucProgramView() override;

    Variant variant() const { return variant_; }
    // Fills the list from the catalogue. `rebindImages` belongs to the
    // administration variant; the pictures are always bound here, so it changes nothing.
    void loadView(bool rebindImages = false);
    // Launcher variant: the user's history, for the order of the list and of
    // search results (not owned; it outlives the view).
    void setUsageHistory(UsageHistory* history);
    // Launcher variant: pinned, then most used programs first, the rest in order.
    void arrangeByUsage();
    // The item's menu at `global`, its first action ready for Return.
    void popupMenu(QPoint global);
    // Administration variant: empties the list and the pictures and fills them again.
    void reloadView();
    // Administration variant: reloadView, keeping the current program current
    // when it is still in the catalogue (F5 in the list).
    void refreshView();
    // Launcher variant: the selected item, or nullptr.
    QListWidgetItem* selectedItem() const;
    // Administration variant: the selected item's text, or "" when none.
    std::string selectedItemText() const;
    // Administration variant: the catalogue key of the selected program, 0 when none.
    std::int64_t selectedKey() const;

    // The tag of an item: the folder path of a launcher folder item, the program
    // path of an administration item, else empty.
    static std::string tagOf(const QListWidgetItem* item);
    // The image index an item shows as its large icon (0 for none).
    static int iconIndexOf(const QListWidgetItem* item);
    // The catalogue key of an administration item's program (0 for none).
    static std::int64_t keyOf(const QListWidgetItem* item);
    // Whether a program item's picture has been fetched from the catalogue
    // (pictures are fetched for the rows in sight, the rest when shown).
    bool pictureFetched(const QListWidgetItem* item) const;

    QListWidget* lstView;
    ImageList ImageList1;
    QMenu* mnuPopupmenu;
    QAction* mnuPopupmenuProperties;
    QAction* mnuPopupmenuLaunch = nullptr;
    QAction* mnuPopupmenuPin = nullptr;
    QAction* mnuPopupMenuAdd = nullptr;
    QAction* mnuPopupMenuModify = nullptr;
    QAction* mnuPopupMenuDelete = nullptr;
    // Launcher variant: the search field above the list, and the matches shown
    // in the list's place while a search is typed.
    QLineEdit* txtSearch = nullptr;
    QListView* lstResults = nullptr;

signals:
    void ListDoubleClicked(QListWidgetItem* item);
    void ItemClicked(QListWidgetItem* item);
    void PropertiesClicked();
    void ListDoubleFolder(QListWidgetItem* item);
    void AddMenuClicked();
    void ModifyMenuClicked();
    void DeleteMenuClicked();
    // Launcher variant: the selected item changed, whichever way (mouse, keys,
    // search); nullptr when nothing is selected.
    void CurrentItemChanged(QListWidgetItem* item);

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The key of the current program row as text, "?" when it cannot be read.
    static std::string keyText(Recordset& programs);
    // One message naming the keys of the program rows left out of the list.
    static void reportUnreadable(const std::vector<std::string>& keys);
    void watchPictureRequests();
    // How many items the list shows at its present size.
    std::size_t rowsInSight() const;
    QListWidgetItem* addItem(const std::string& text, int iconIndex, const std::string& tag,
                             const std::function<void(QListWidgetItem&)>& fill = {});
    void onDoubleClick();
    void onMouseUp(Qt::MouseButton button, QPoint position);
    // Administration variant: Delete deletes, Return modifies, F5 refreshes. True when the key was taken.
    bool onAdministrationKey(int key, Qt::KeyboardModifiers modifiers);

    clsDBRoutines& database_;
    Variant variant_;
    void togglePin();

    CatalogueSearch* search_ = nullptr;
    UsageHistory* usage_ = nullptr;
    std::shared_ptr<ProgramPictures> pictures_;
};

}  // namespace portico
