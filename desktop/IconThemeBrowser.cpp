#include "desktop/IconThemeBrowser.h"

#include "desktop/ProgramPicture.h"

#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QScrollBar>
#include <QTimer>
#include <QVBoxLayout>

namespace portico::desktop {
namespace {

constexpr int kThumbnailSize = 48;
constexpr int kThumbnailRole = Qt::UserRole + 1;

}  // namespace

IconThemeBrowser::IconThemeBrowser(IconTheme theme, QWidget* parent) : QWidget(parent), theme_(std::move(theme)) {
    setObjectName("IconThemeBrowser");
    txtSearch = new QLineEdit(this);
    txtSearch->setObjectName("txtSearch");
    txtSearch->setPlaceholderText(tr("Search icons"));
    txtSearch->setClearButtonEnabled(true);
    lstIcons = new QListWidget(this);
    lstIcons->setObjectName("lstIcons");
    lstIcons->setViewMode(QListView::IconMode);
    lstIcons->setIconSize(QSize(kThumbnailSize, kThumbnailSize));
    lstIcons->setGridSize(QSize(kThumbnailSize + 56, kThumbnailSize + 36));
    lstIcons->setResizeMode(QListView::Adjust);
    lstIcons->setMovement(QListView::Static);
    lstIcons->setUniformItemSizes(true);
    lstIcons->setWordWrap(true);
    lstIcons->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(txtSearch);
    layout->addWidget(lstIcons, 1);

    // Every cell is laid out at its full size from the start: the list measures
    // the first item once (uniform sizes), before any thumbnail is drawn, and a
    // cell measured without its picture would cut the picture and hide the name.
    QPixmap blank(kThumbnailSize, kThumbnailSize);
    blank.fill(Qt::transparent);
    const QIcon placeholder(blank);
    const QSize cell = lstIcons->gridSize() - QSize(4, 4);
    for (const std::string& name : theme_.iconNames()) {
        auto* item = new QListWidgetItem(placeholder, QString::fromStdString(name), lstIcons);
        item->setToolTip(item->text());
        item->setSizeHint(cell);
    }
    connect(txtSearch, &QLineEdit::textChanged, this, &IconThemeBrowser::setFilter);
    connect(lstIcons->verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { drawVisibleThumbnails(); });
    connect(lstIcons, &QListWidget::itemActivated, this,
            [this](QListWidgetItem* item) { emit iconActivated(item->text()); });
}

void IconThemeBrowser::setFilter(const QString& text) {
    if (txtSearch->text() != text) txtSearch->setText(text);
    for (int row = 0; row < lstIcons->count(); ++row) {
        QListWidgetItem* item = lstIcons->item(row);
        item->setHidden(!item->text().contains(text, Qt::CaseInsensitive));
    }
    // Layout of the list happens later; draw what shows once it has.
    QTimer::singleShot(0, this, [this] { drawVisibleThumbnails(); });
}

QString IconThemeBrowser::selectedIconName() const {
    const auto selected = lstIcons->selectedItems();
    return selected.isEmpty() ? QString() : selected.front()->text();
}

void IconThemeBrowser::selectIcon(const QString& name) {
    const auto found = lstIcons->findItems(name, Qt::MatchExactly);
    if (found.isEmpty()) return;
    lstIcons->setCurrentItem(found.front());
    lstIcons->scrollToItem(found.front());
}

QByteArray IconThemeBrowser::storedPicture() const {
    const QString name = selectedIconName();
    if (name.isEmpty()) return {};
    return storedPictureFromIcon(theme_.files(name.toStdString()));
}

void IconThemeBrowser::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    QTimer::singleShot(0, this, [this] { drawVisibleThumbnails(); });
}

void IconThemeBrowser::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    QTimer::singleShot(0, this, [this] { drawVisibleThumbnails(); });
}

void IconThemeBrowser::drawVisibleThumbnails() {
    const QRect viewport = lstIcons->viewport()->rect();
    for (int row = 0; row < lstIcons->count(); ++row) {
        QListWidgetItem* item = lstIcons->item(row);
        if (item->isHidden() || item->data(kThumbnailRole).toBool()) continue;
        if (!lstIcons->visualItemRect(item).intersects(viewport)) continue;
        item->setData(kThumbnailRole, true);
        const auto file = theme_.lookup(item->text().toStdString(), kThumbnailSize);
        const auto images = readPictureImages(QString::fromStdString(file.string()), kThumbnailSize);
        if (images.empty()) continue;
        const QImage& image = images.front();
        item->setIcon(QPixmap::fromImage(
            std::max(image.width(), image.height()) > kThumbnailSize
                ? image.scaled(kThumbnailSize, kThumbnailSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                : image));
        ++thumbnails_;
    }
}

}  // namespace portico::desktop
