#pragma once

#include <QMainWindow>

#include <memory>
#include <string>

class QLabel;
class QListWidgetItem;
class QStatusBar;
class QTimer;

namespace portico {

class frmFolderMenu;
class frmProperties;
class modMain;
class ucLeftFrame;
class ucProgramView;

// The launcher's main window: the themed action panel beside the program list,
// and a status bar (Caps Lock, date, "STATUS", time). It fills itself the first
// time it is shown.
class frmView final : public QMainWindow {
    Q_OBJECT
public:
    explicit frmView(modMain& program);
    ~frmView() override;

    // The properties window and the shared folder browser; made on first use.
    frmProperties& propertiesWindow();
    frmFolderMenu& folderBrowser();
    bool loaded() const { return loaded_; }

    ucLeftFrame* ucLeftFrame1;
    ucProgramView* ucProgramView1;
    QStatusBar* sbar;
    QLabel* capsPanel;
    QLabel* datePanel;
    QLabel* statusPanel;
    QLabel* timePanel;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void Form_Load();
    void launchItem(const QListWidgetItem* item);
    void onLaunchClicked();
    void onListDoubleFolder(const QListWidgetItem* item);
    void onItemClicked(const QListWidgetItem* item);
    void onCurrentItemChanged(const QListWidgetItem* item);
    void onPropertiesClicked();
    void refreshStatusPanels();

    modMain& program_;
    bool loaded_ = false;
    QTimer* clock_;
    frmProperties* properties_ = nullptr;
    std::unique_ptr<frmFolderMenu> folderBrowser_;
};

}  // namespace portico
