#pragma once

#include "views/ImageList.h"

#include <QDialog>

#include <cstdint>
#include <string>

class QPushButton;
class QTreeWidget;

namespace portico::admin {

class modMain;

// The list of themes, with Apply, Create and Delete.
class frmThemeManage final : public QDialog {
    Q_OBJECT
public:
    frmThemeManage(modMain& program, QWidget* owner);

    // Refills the list from the catalogue.
    void LoadThemes();

    QTreeWidget* lstTheme;
    ImageList ImageList1;
    QPushButton* cmdApply;
    QPushButton* cmdDelete;
    QPushButton* cmdCreate;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The selected theme's name; "" when none is selected.
    std::string selectedTheme() const;
    // The selected theme's key; 0 when none is selected.
    std::int64_t selectedKey() const;
    void applyTheme();
    void createTheme();
    void deleteTheme();

    modMain& program_;
};

}  // namespace portico::admin
