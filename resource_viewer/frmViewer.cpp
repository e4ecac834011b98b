#include "resource_viewer/frmViewer.h"

#include "desktop/ApplicationIndex.h"
#include "desktop/IconTheme.h"
#include "desktop/IconThemeBrowser.h"
#include "desktop/ProgramPicture.h"
#include "gui/DialogService.h"
#include "resource_viewer/IconGroup.h"
#include "resource_viewer/IconImage.h"
#include "resource_viewer/PeFile.h"
#include "resource_viewer/PictureBox.h"
#include "resource_viewer/PictureUnits.h"
#include "resource_viewer/QtPngDecoder.h"
#include "resource_viewer/QtResourceTree.h"
#include "resource_viewer/mEnumResourse.h"
#include "resource_viewer/mGetResource.h"
#include "settings/PictureFolder.h"
#include "settings/PorticoError.h"
#include "settings/SafeFile.h"

#include <QDialogButtonBox>
#include <QGroupBox>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdlib>
#include <exception>

namespace portico {
namespace {

frmViewer* liveViewer = nullptr;

// Geometry is given in twips, as the window was laid out.
QRect twips(int x, int y, int width, int height) {
    return {x / kTwipsPerPixel, y / kTwipsPerPixel, width / kTwipsPerPixel, height / kTwipsPerPixel};
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

bool isNumeric(const std::string& text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string withoutFirstCharacter(const std::string& text) { return text.empty() ? text : text.substr(1); }

// The largest image of a stored picture, for previews and thumbnails.
QImage largestImage(const QByteArray& picture) {
    QImage largest;
    for (const QImage& image : desktop::decodePictureImages(picture))
        if (largest.isNull() || image.width() > largest.width()) largest = image;
    return largest;
}

constexpr int kThumbnailSize = 24;

// A tree thumbnail of an executable's icon image, with its size as the tip; false when it does not decode.
bool decorateWithIcon(QTreeWidgetItem& node, const std::string& name) {
    const auto picture = MakeIconPicture(std::to_string(kIconResourceType), name);
    if (!picture) return false;
    const QImage image = iconImage(*picture);
    const QImage thumbnail = image.width() > kThumbnailSize || image.height() > kThumbnailSize
                                 ? image.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio,
                                                Qt::SmoothTransformation)
                                 : image;
    node.setIcon(0, QIcon(QPixmap::fromImage(thumbnail)));
    node.setToolTip(0, QString("%1 x %2").arg(image.width()).arg(image.height()));
    return true;
}

constexpr const char* kPictureFilter =
    "Pictures (*.png *.svg *.svgz *.ico *.xpm *.bmp *.jpg *.jpeg *.gif);;All files (*)";

}  // namespace

frmViewer::frmViewer(QWidget* parent) : QDialog(parent) {
    QtPngDecoder::installOnce();
    liveViewer = this;
    setObjectName("frmViewer");
    setWindowTitle("Resource Viewer...");
    setModal(true);
    setFixedSize(5745 / kTwipsPerPixel, 5250 / kTwipsPerPixel);

    ImageList1 = {style()->standardIcon(QStyle::SP_FileIcon), style()->standardIcon(QStyle::SP_DirClosedIcon),
                  style()->standardIcon(QStyle::SP_DirOpenIcon),
                  style()->standardIcon(QStyle::SP_FileDialogContentsView)};

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName("TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setGeometry(twips(0, 0, 3015, 4215));
    TreeView1->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    tree_ = std::make_unique<QtResourceTree>(*TreeView1, ImageList1);

    Frame1 = new QGroupBox("Preview", this);
    Frame1->setObjectName("Frame1");
    Frame1->setGeometry(twips(3120, 0, 2535, 4215));
    Picture1 = new QWidget(Frame1);
    Picture1->setObjectName("Picture1");
    Picture1->setGeometry(twips(120, 240, 2295, 3855));
    Picture2 = new PictureBox(Picture1);
    Picture2->setObjectName("Picture2");
    Picture2->setGeometry(twips(0, 0, 2295, 3735));

    cmdOK = new QPushButton("Select", this);
    cmdOK->setObjectName("cmdOK");
    cmdOK->setGeometry(twips(0, 4320, 975, 375));
    cmdCancel = new QPushButton("Close", this);
    cmdCancel->setObjectName("cmdCancel");
    cmdCancel->setGeometry(twips(1200, 4320, 975, 375));
    cmdOK->setAutoDefault(false);
    cmdCancel->setAutoDefault(false);

    cmdDesktopIcon = new QPushButton("Desktop Icon", this);
    cmdDesktopIcon->setObjectName("cmdDesktopIcon");
    cmdDesktopIcon->setGeometry(twips(0, 4770, 1815, 375));
    cmdDesktopIcon->setEnabled(false);
    cmdThemeIcon = new QPushButton("Theme Icon...", this);
    cmdThemeIcon->setObjectName("cmdThemeIcon");
    cmdThemeIcon->setGeometry(twips(1920, 4770, 1815, 375));
    cmdPictureFile = new QPushButton("Picture File...", this);
    cmdPictureFile->setObjectName("cmdPictureFile");
    cmdPictureFile->setGeometry(twips(3840, 4770, 1815, 375));
    for (QPushButton* button : {cmdDesktopIcon, cmdThemeIcon, cmdPictureFile}) button->setAutoDefault(false);

    // The keyboard moves the current item without a click: preview and Select
    // follow the current item, however it became current.
    connect(TreeView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
        if (current && current != lastNode_) NodeClick(current);
    });
    connect(TreeView1, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* node) {
        if (node != lastNode_) NodeClick(node);
    });
    connect(TreeView1, &QTreeWidget::itemExpanded, this, &frmViewer::NodeExpand);
    connect(cmdOK, &QPushButton::clicked, this, &frmViewer::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmViewer::cmdCancel_Click);
    connect(cmdDesktopIcon, &QPushButton::clicked, this, &frmViewer::cmdDesktopIcon_Click);
    connect(cmdThemeIcon, &QPushButton::clicked, this, &frmViewer::cmdThemeIcon_Click);
    connect(cmdPictureFile, &QPushButton::clicked, this, &frmViewer::cmdPictureFile_Click);
}

frmViewer::~frmViewer() {
    if (fileLoaded_) CloseResourceFile();
    if (liveViewer == this) liveViewer = nullptr;
}

frmViewer* frmViewer::current() { return liveViewer; }

void frmViewer::CreateMe(const std::string& programPath) {
    selectedType_.clear();
    selectedName_.clear();
    Picture2->Cls();
    const std::string path = trimmed(programPath);
    ListResourceTypes(*tree_, path, path);
    fileLoaded_ = true;
    listIconGroups();
    findDesktopIcon(path);
    // The tree makes its first node current when it is shown; done now, so
    // what the preview shows below is not cleared by it.
    if (!TreeView1->currentItem() && TreeView1->topLevelItemCount() > 0) {
        const QSignalBlocker quiet(TreeView1);
        TreeView1->setCurrentItem(TreeView1->topLevelItem(0));
        lastNode_ = TreeView1->currentItem();
    }
    // A native program has no icons of its own: offer its desktop entry's, or say where to look.
    if (!hasExecutableIcons()) {
        if (!desktopPicture_.isEmpty()) {
            showNativePicture(desktopPicture_);
        } else {
            Picture2->Print("No icons in this file:");
            Picture2->Print("choose a theme icon");
            Picture2->Print("or a picture file.");
        }
    }
    exec();
}

bool frmViewer::hasExecutableIcons() const {
    const auto fileNode = tree_->firstNode();
    return fileNode && tree_->firstChild(fileNode);
}

void frmViewer::findDesktopIcon(const std::string& programPath) {
    desktopPicture_.clear();
    cmdDesktopIcon->setEnabled(false);
    cmdDesktopIcon->setIcon({});
    if (programPath.empty()) return;
    try {
        const auto index = desktop::ApplicationIndex::installed();
        const char* searchPath = std::getenv("PATH");
        const auto* found = index.findByExecutable(programPath, searchPath ? searchPath : "");
        if (!found) return;
        const std::string iconName = found->entry.string("Icon");
        if (iconName.empty()) return;
        const auto theme = desktop::IconTheme::system(QIcon::themeName().toStdString());
        desktopPicture_ = desktop::storedPictureFromIcon(theme.files(iconName));
    } catch (const std::exception&) {
        // An unreadable entry or theme only means no desktop icon to offer.
        desktopPicture_.clear();
    }
    if (desktopPicture_.isEmpty()) return;
    cmdDesktopIcon->setEnabled(true);
    cmdDesktopIcon->setIcon(QIcon(QPixmap::fromImage(largestImage(desktopPicture_))));
}

bool frmViewer::showNativePicture(const QByteArray& picture) {
    const QImage image = largestImage(picture);
    if (image.isNull()) return false;
    // The executable's selection gives way; a later click in the tree takes it back.
    selectedType_.clear();
    selectedName_.clear();
    lastNode_ = TreeView1->currentItem();
    nativePicture_ = picture;
    Picture2->setImage(image);
    return true;
}

void frmViewer::cmdDesktopIcon_Click() {
    if (!desktopPicture_.isEmpty()) showNativePicture(desktopPicture_);
}

void frmViewer::cmdThemeIcon_Click() {
    QDialog chooser(this);
    chooser.setObjectName("frmThemeIcons");
    chooser.setWindowTitle("Theme Icons");
    chooser.resize(520, 420);
    auto* browser = new desktop::IconThemeBrowser(desktop::IconTheme::system(QIcon::themeName().toStdString()), &chooser);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &chooser);
    auto* layout = new QVBoxLayout(&chooser);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    connect(browser, &desktop::IconThemeBrowser::iconActivated, &chooser, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::accepted, &chooser, [&chooser, browser] {
        if (!browser->selectedIconName().isEmpty()) chooser.accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, &chooser, &QDialog::reject);
    if (chooser.exec() != QDialog::Accepted) return;
    if (!showNativePicture(browser->storedPicture()))
        dialogs().messageBox("The selected icon is not a usable picture. Please select another one.", "Error",
                             MessageIcon::Exclamation, MessageButtons::OK);
}

void frmViewer::cmdPictureFile_Click() {
    const auto path = dialogs().openFileDialog("Select a picture", kPictureFilter, lastPictureFile_);
    if (!path) return;
    lastPictureFile_ = *path;
    dialogs().setMousePointer(MousePointer::Hourglass);
    bool tooLarge = false;
    const QByteArray picture = desktop::storedPictureFromFile(QString::fromStdString(*path), &tooLarge);
    dialogs().setMousePointer(MousePointer::Default);
    if (!showNativePicture(picture))
        dialogs().messageBox(tooLarge ? "The selected file is a picture too large to use. Please select another one."
                                      : "The selected file is not a usable picture. Please select another one.",
                             "Error", MessageIcon::Exclamation, MessageButtons::OK);
}

void frmViewer::NodeExpand(QTreeWidgetItem* node) {
    const bool firstExpansion = node && node->childCount() == 1 && node->child(0)->text(0) == kPlaceholderText;
    NodeExpanding(*tree_, node);
    if (!firstExpansion) return;
    for (int i = 0; i < node->childCount(); ++i) {
        QTreeWidgetItem& child = *node->child(i);
        const std::string text = child.text(0).toStdString();
        decorateWithIcon(child, isNumeric(text) ? "#" + text : text);
    }
}

void frmViewer::listIconGroups() {
    const PeFile* module = ResourceModule();
    const auto fileNode = tree_->firstNode();
    if (!module || !fileNode) return;
    // Each group is one icon at several sizes. Its node carries the icon type's
    // key, so picking a member selects that icon image as the flat list does.
    const std::string iconKey = "#" + std::to_string(kIconResourceType);
    for (const auto& [name, group] : IconGroup::groupsOf(*module)) {
        auto* groupNode = QtResourceTree::item(tree_->addNode(
            fileNode, iconKey, "Icon Group " + name + " (" + group.sizesText() + ")", TypeImage, TypeSelectedImage));
        groupNode->setToolTip(0, groupNode->text(0));
        int largest = 0;
        for (const IconGroup::Member& member : group.members()) {
            const std::string id = std::to_string(member.iconId);
            auto* node = QtResourceTree::item(tree_->addNode(groupNode, "", id, ResourceImage, ResourceImage));
            if (!decorateWithIcon(*node, "#" + id)) continue;
            node->setToolTip(0, node->toolTip(0) + QString(", %1-bit").arg(member.bitCount));
            // The group shows the member a list would show: the largest.
            if (member.width > largest) {
                largest = member.width;
                groupNode->setIcon(0, node->icon(0));
            }
        }
    }
}

void frmViewer::NodeClick(QTreeWidgetItem* node) {
    lastNode_ = node;
    nativePicture_.clear();
    if (node && TreeView1->currentItem() != node) {
        const QSignalBlocker quiet(TreeView1);
        TreeView1->setCurrentItem(node);
    }
    Picture2->Cls();
    selectedType_.clear();
    selectedName_.clear();
    if (!node) return;
    const auto fileNode = tree_->firstNode();
    if (!fileNode || tree_->text(node) == tree_->text(fileNode)) return;
    selectedType_ = withoutFirstCharacter(tree_->key(node));
    const auto parent = tree_->parentNode(node);
    if (!parent || tree_->text(parent) == tree_->text(fileNode)) return;

    dialogs().setMousePointer(MousePointer::Hourglass);
    selectedType_ = withoutFirstCharacter(tree_->key(parent));
    const std::string text = tree_->text(node);
    selectedName_ = isNumeric(text) ? "#" + text : text;
    ShowPictureInfo(MakeIconPicture(selectedType_, selectedName_), *Picture2);
    Picture2->update();
    dialogs().setMousePointer(MousePointer::Default);
}

bool frmViewer::writePictureFile(const std::filesystem::path& file, const std::string& bytes) {
    // Beside and renamed over: a link planted as temp.bmp is replaced, never followed.
    std::error_code error;
    return SafeFile::write(file, bytes, error);
}

bool frmViewer::saveSelection(const std::string& picture) {
    try {
        std::filesystem::path folder = pictureFolder_;
        if (folder.empty())
            folder = defaultPictureFolder();
        else
            ensurePrivateFolder(folder);
        return writePictureFile(folder / kTempPictureFile, picture);
    } catch (const PorticoError&) {
        return false;
    }
}

void frmViewer::cmdOK_Click() {
    // Whatever the current item is, however it became current.
    if (QTreeWidgetItem* current = TreeView1->currentItem(); current && current != lastNode_) NodeClick(current);
    if (selectedName_.empty() && !nativePicture_.isEmpty()) {
        std::string picture = nativePicture_.toStdString();
        const bool saved = saveSelection(picture);
        selectedPicture_ = std::move(picture);
        Unload();
        if (!saved) dialogs().messageBox("Unable to save resource", "Error", MessageIcon::Critical, MessageButtons::OK);
        return;
    }
    if (selectedName_.empty()) {
        dialogs().messageBox("No resource selected!", "Error", MessageIcon::Critical, MessageButtons::OK);
        return;
    }
    const auto icon = MakeIconPicture(selectedType_, selectedName_);
    // Raw bytes that showed no preview are no picture to store.
    if (!icon) {
        dialogs().messageBox("The selected resource is not a usable icon picture. Please select another one.",
                             "Error", MessageIcon::Exclamation, MessageButtons::OK);
        return;
    }
    Picture2->setPicture(*icon);
    // The icon whole, at its own size and with its transparency.
    std::string picture = icon->bitmapFile();
    const bool saved = saveSelection(picture);
    selectedPicture_ = std::move(picture);
    Unload();
    if (!saved) dialogs().messageBox("Unable to save resource", "Error", MessageIcon::Critical, MessageButtons::OK);
}

void frmViewer::cmdCancel_Click() { Unload(); }

void frmViewer::Unload() { done(QDialog::Rejected); }

void frmViewer::done(int result) {
    if (fileLoaded_) {
        CloseResourceFile();
        fileLoaded_ = false;
    }
    QDialog::done(result);
}

}  // namespace portico
