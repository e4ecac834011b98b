#include "frmViewer.h"

#include "DialogService.h"
#include "IconImage.h"
#include "PictureBox.h"
#include "PictureFolder.h"
#include "PictureUnits.h"
#include "PorticoError.h"
#include "QtPngDecoder.h"
#include "QtResourceTree.h"
#include "SafeFile.h"
#include "mEnumResourse.h"
#include "mGetResource.h"

#include <QGroupBox>
#include <QPainter>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTreeWidget>

#include <algorithm>

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

}  // namespace

frmViewer::frmViewer(QWidget* parent) : QDialog(parent) {
    QtPngDecoder::installOnce();
    liveViewer = this;
    setObjectName("frmViewer");
    setWindowTitle("Resource Viewer...");
    setModal(true);
    setFixedSize(5745 / kTwipsPerPixel, 4770 / kTwipsPerPixel);

    ImageList1 = {style()->standardIcon(QStyle::SP_FileIcon), style()->standardIcon(QStyle::SP_DirClosedIcon),
                  style()->standardIcon(QStyle::SP_DirOpenIcon),
                  style()->standardIcon(QStyle::SP_FileDialogContentsView)};

    TreeView1 = new QTreeWidget(this);
    TreeView1->setObjectName("TreeView1");
    TreeView1->setHeaderHidden(true);
    TreeView1->setGeometry(twips(0, 0, 3015, 4215));
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
    exec();
}

void frmViewer::NodeExpand(QTreeWidgetItem* node) { NodeExpanding(*tree_, node); }

void frmViewer::NodeClick(QTreeWidgetItem* node) {
    lastNode_ = node;
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
