#include "launcher/frmView.h"

#include "database/Recordset.h"
#include "database/clsDBRoutines.h"
#include "gui/ActionLabel.h"
#include "gui/DialogService.h"
#include "gui/FatalError.h"
#include "gui/PictureLoader.h"
#include "launcher/WindowGeometry.h"
#include "launcher/frmFolderMenu.h"
#include "launcher/modMain.h"
#include "launcher/ucLeftFrame.h"
#include "views/RecordText.h"
#include "views/frmProperties.h"
#include "views/ucProgramView.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

namespace portico {
namespace {

// Caps Lock as the keyboard's indicator shows it; off when no indicator can be read.
bool capsLockOn() {
    const QDir leds("/sys/class/leds");
    for (const QString& led : leds.entryList({"*capslock*"}, QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile brightness(leds.filePath(led + "/brightness"));
        if (brightness.open(QIODevice::ReadOnly) && brightness.readAll().trimmed().toInt() > 0) return true;
    }
    return false;
}

// The length of a stored value: bytes of a picture, characters of a text; a null is empty.
std::size_t valueLength(const Variant& value) {
    if (value.isNull() || value.isEmpty()) return 0;
    if (value.type() == Variant::Type::Bytes) return value.bytes().size();
    return value.toText().size();
}

QLabel* makePanel(const char* name, QStatusBar* bar, int stretch) {
    auto* panel = new QLabel(bar);
    panel->setObjectName(name);
    panel->setFrameShape(QFrame::Panel);
    panel->setFrameShadow(QFrame::Sunken);
    panel->setContentsMargins(4, 0, 4, 0);
    bar->addPermanentWidget(panel, stretch);
    return panel;
}

}  // namespace

frmView::frmView(modMain& program) : program_(program) {
    setObjectName("frmView");
    setWindowTitle("Portico");
    auto* central = new QWidget(this);
    ucLeftFrame1 = new ucLeftFrame(central);
    ucLeftFrame1->setFixedWidth(220);
    ucProgramView1 = new ucProgramView(program_.database(), ucProgramView::Variant::Launcher, central);
    ucProgramView1->setUsageHistory(&program_.usage());
    auto* layout = new QHBoxLayout(central);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(ucLeftFrame1);
    layout->addWidget(ucProgramView1, 1);
    setCentralWidget(central);

    sbar = new QStatusBar(this);
    sbar->setObjectName("sbar");
    sbar->setSizeGripEnabled(false);
    capsPanel = makePanel("capsPanel", sbar, 0);
    capsPanel->setText("CAPS");
    datePanel = makePanel("datePanel", sbar, 0);
    statusPanel = makePanel("statusPanel", sbar, 1);
    statusPanel->setText("STATUS");
    timePanel = makePanel("timePanel", sbar, 0);
    setStatusBar(sbar);
    clock_ = new QTimer(this);
    connect(clock_, &QTimer::timeout, this, [this] { refreshStatusPanels(); });
    clock_->start(1000);
    refreshStatusPanels();

    connect(ucLeftFrame1, &ucLeftFrame::LaunchedClicked, this, [this] { guarded([&] { onLaunchClicked(); }); });
    connect(ucLeftFrame1, &ucLeftFrame::PropertiesClicked, this, [this] { guarded([&] { onPropertiesClicked(); }); });
    // Quit ends the launcher, whatever folder windows are still open.
    connect(ucLeftFrame1, &ucLeftFrame::QuitClicked, this, [this] {
        if (close()) QCoreApplication::quit();
    });
    connect(ucProgramView1, &ucProgramView::ListDoubleClicked, this,
            [this](QListWidgetItem* item) { guarded([&] { launchItem(item); }); });
    connect(ucProgramView1, &ucProgramView::ListDoubleFolder, this,
            [this](QListWidgetItem* item) { guarded([&] { onListDoubleFolder(item); }); });
    connect(ucProgramView1, &ucProgramView::ItemClicked, this,
            [this](QListWidgetItem* item) { guarded([&] { onItemClicked(item); }); });
    connect(ucProgramView1, &ucProgramView::PropertiesClicked, this,
            [this] { guarded([&] { onPropertiesClicked(); }); });
    connect(ucProgramView1, &ucProgramView::CurrentItemChanged, this,
            [this](QListWidgetItem* item) { guarded([&] { onCurrentItemChanged(item); }); });

    // Search, list, then the panel's actions; the search field has the focus.
    setTabOrder(ucProgramView1->txtSearch, ucProgramView1->lstView);
    setTabOrder(ucProgramView1->lstView, ucProgramView1->lstResults);
    setTabOrder(ucProgramView1->lstResults, ucLeftFrame1->lblLaunch);
    setTabOrder(ucLeftFrame1->lblLaunch, ucLeftFrame1->lblProperties);
    setTabOrder(ucLeftFrame1->lblProperties, ucLeftFrame1->lblQuit);
    ucProgramView1->txtSearch->setFocus();
    // Small enough for any screen, large enough that every action and a row of
    // the list stay in sight.
    ucProgramView1->setMinimumWidth(240);
    setMinimumSize(minimumSizeHint().expandedTo(QSize(460, 0)));
    resize(780, 540);
    WindowGeometry::restore(*this, objectName());
}

frmView::~frmView() = default;

void frmView::refreshStatusPanels() {
    const QDateTime now = QDateTime::currentDateTime();
    capsPanel->setEnabled(capsLockOn());
    datePanel->setText(QLocale().toString(now.date(), QLocale::ShortFormat));
    timePanel->setText(QLocale().toString(now.time(), QLocale::ShortFormat));
}

void frmView::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (loaded_) return;
    loaded_ = true;
    guarded([&] { Form_Load(); });
}

void frmView::closeEvent(QCloseEvent* event) {
    WindowGeometry::save(*this, objectName());
    QMainWindow::closeEvent(event);
    if (!event->isAccepted()) return;
    // The folder windows belong to this one: left open alone they would keep a
    // launcher running that a second start cannot show.
    for (QWidget* window : QApplication::topLevelWidgets())
        if (window != this && window->isVisible()) window->close();
}

void frmView::Form_Load() {
    clsDBRoutines& database = program_.database();
    const std::string& theme = program_.CurrentTheme();
    auto themeRecords = database.loadThemePicture(theme, "Theme_LogoSplash");
    Recordset& themes = requireRecords(themeRecords);
    if (themes.RecordCount() > 0 && valueLength(themes.Fields("Theme_LogoSplash").Value()) > 0) {
        // Decoded from the row itself, in memory. Whatever bytes the theme
        // holds, a picture that cannot be read leaves the panel empty rather
        // than ending every user's launcher.
        const QImage picture = tryLoadPictureValue(themes.Fields("Theme_LogoSplash").Value());
        if (!picture.isNull()) ucLeftFrame1->SetImage(picture);
    }
    themes.Close();
    ucProgramView1->loadView();
}

frmProperties& frmView::propertiesWindow() {
    if (!properties_)
        properties_ = new frmProperties(program_.database(), frmProperties::Variant::Launcher,
                                        [this](const std::string& name) { return program_.launchProgram(name); }, this);
    return *properties_;
}

frmFolderMenu& frmView::folderBrowser() {
    if (!folderBrowser_)
        folderBrowser_ = std::make_unique<frmFolderMenu>(
            [this](const std::string& name, const std::string& file) { return program_.openFile(name, file); },
            nullptr, [this](const std::string& name, const std::string& file) { return program_.runFile(name, file); });
    return *folderBrowser_;
}

void frmView::launchItem(const QListWidgetItem* item) {
    if (!item) return;
    const std::string text = item->text().toStdString();
    const modMain::Launch outcome = program_.launch(text);
    if (outcome == modMain::Launch::Started) ucProgramView1->arrangeByUsage();
    if (outcome == modMain::Launch::Failed)
        dialogs().messageBox("Unable to execute " + text + ". If problem continues please contact administrator",
                             "Error", MessageIcon::Information);
}

void frmView::onLaunchClicked() {
    const QListWidgetItem* item = ucProgramView1->selectedItem();
    if (!item) return;
    const std::string tag = ucProgramView::tagOf(item);
    if (tag.empty()) {
        launchItem(item);
        return;
    }
    frmFolderMenu& browser = folderBrowser();
    browser.LoadFolder(item->text().toStdString(), tag);
    if (browser.isVisible()) {
        // Already open beside the main window: it cannot also become modal, so
        // it comes to the front showing this folder.
        browser.raise();
        browser.activateWindow();
        return;
    }
    browser.setWindowModality(Qt::ApplicationModal);
    browser.winId();
    browser.windowHandle()->setTransientParent(windowHandle());
    browser.exec();
    browser.setWindowModality(Qt::NonModal);
}

void frmView::onListDoubleFolder(const QListWidgetItem* item) {
    if (!item) return;
    frmFolderMenu& browser = folderBrowser();
    browser.LoadFolder(item->text().toStdString(), ucProgramView::tagOf(item));
    if (!browser.isVisible()) {
        browser.setWindowModality(Qt::NonModal);
        browser.winId();
        browser.windowHandle()->setTransientParent(nullptr);
        browser.show();
    }
    browser.raise();
    browser.activateWindow();
}

void frmView::onItemClicked(const QListWidgetItem* item) {
    if (!item) return;
    ucLeftFrame1->setDescription(program_.database().getProgramDescription(item->text().toStdString()));
    ucLeftFrame1->displayLabels(true);
}

void frmView::onCurrentItemChanged(const QListWidgetItem* item) {
    if (!item) {
        // Nothing to act on: no description and no actions but "Quit".
        ucLeftFrame1->setDescription({});
        ucLeftFrame1->displayLabels(false);
        return;
    }
    onItemClicked(item);
}

void frmView::onPropertiesClicked() {
    const QListWidgetItem* item = ucProgramView1->selectedItem();
    if (!item) return;
    frmProperties& properties = propertiesWindow();
    properties.setProgram(item->text().toStdString());
    properties.showModal();
}

}  // namespace portico
